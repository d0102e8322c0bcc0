// The plug-in glue of ScrivaneImporter: the factory, the instance with its
// interface table and reference count, and the metadata entry point that a
// program calls through that table (see platform/PluginInterface.h).

#include "MetadataImport.h"

#include "platform/PluginFactoryRegistry.h"
#include "platform/PluginInterface.h"
#include "platform/PluginUUID.h"

#include <QString>

#include <cstdlib>
#include <exception>

namespace {

// The importer's own factory; programs that keep a list of metadata
// plug-ins record it beside the document types it reads.
constexpr const char *ImporterFactoryID = "D4B2E817-3C6A-4F05-A9E1-7B58C0F2D396";

struct ImporterPluginInstance {
    const MetadataImporterInterface *interface; // the static table
    PluginUUIDBytes factoryID;
    bool hasFactoryID;
    PluginRefCount refCount;
};

ImporterPluginInstance *instanceOf(void *thisInstance)
{
    return static_cast<ImporterPluginInstance *>(thisInstance);
}

void reportFailure(MetadataAttributes *attributes, const QString &message)
{
    if (attributes->functions->reportFailure)
        attributes->functions->reportFailure(attributes, message.toUtf8().constData());
}

} // namespace

extern "C" {
PluginResult MetadataImporterQueryInterface(void *thisInstance, PluginUUIDBytes interfaceID, void **result);
PluginRefCount MetadataImporterPluginAddRef(void *thisInstance);
PluginRefCount MetadataImporterPluginRelease(void *thisInstance);
std::uint8_t GetMetadataForFile(void *thisInstance, MetadataAttributes *attributes, const char *contentType,
                                const char *path);
}

namespace {
const MetadataImporterInterface interfaceTable = {
    nullptr,
    MetadataImporterQueryInterface,
    MetadataImporterPluginAddRef,
    MetadataImporterPluginRelease,
    GetMetadataForFile,
};
} // namespace

SCRIVANE_PLUGIN_EXPORT std::uint8_t GetMetadataForFile(void *, MetadataAttributes *attributes, const char *,
                                                       const char *path)
{
    if (!attributes || !attributes->functions || !path)
        return false;
    try {
        std::optional<QString> text;
        QString error;
        if (!scrivane::MetadataImport::getMetadataForFile(QString::fromUtf8(path), &text, &error)) {
            reportFailure(attributes, error);
            return false;
        }
        if (text && attributes->functions->setString) {
            const QByteArray utf8 = text->toUtf8();
            attributes->functions->setString(attributes, scrivane::TextContentAttribute, utf8.constData(),
                                             std::size_t(utf8.size()));
        }
        return true;
    } catch (const std::exception &e) {
        reportFailure(attributes, QString::fromUtf8(e.what()));
    } catch (...) {
        reportFailure(attributes, QStringLiteral("The file could not be read."));
    }
    return false;
}

SCRIVANE_PLUGIN_EXPORT void *AllocMetadataImporterPluginType(const PluginUUIDBytes *factoryID)
{
    auto *instance = static_cast<ImporterPluginInstance *>(std::malloc(sizeof(ImporterPluginInstance)));
    if (!instance)
        return nullptr;
    instance->interface = &interfaceTable;
    instance->hasFactoryID = factoryID != nullptr;
    instance->factoryID = factoryID ? *factoryID : PluginUUIDBytes{};
    if (factoryID)
        scrivane::PluginFactoryRegistry::addInstanceForFactory(scrivane::PluginUUID::fromBytes(*factoryID));
    instance->refCount = 1;
    return instance;
}

SCRIVANE_PLUGIN_EXPORT void DeallocMetadataImporterPluginType(void *thisInstance)
{
    ImporterPluginInstance *instance = instanceOf(thisInstance);
    const bool hadFactory = instance->hasFactoryID;
    const PluginUUIDBytes factoryID = instance->factoryID;
    std::free(instance);
    if (hadFactory)
        scrivane::PluginFactoryRegistry::removeInstanceForFactory(scrivane::PluginUUID::fromBytes(factoryID));
}

SCRIVANE_PLUGIN_EXPORT PluginResult MetadataImporterQueryInterface(void *thisInstance, PluginUUIDBytes interfaceID,
                                                                   void **result)
{
    const QUuid asked = scrivane::PluginUUID::fromBytes(interfaceID);
    if (asked == scrivane::PluginUUID::fromString(scrivane::MetadataImporterInterfaceID) ||
        asked == scrivane::PluginUUID::fromString(scrivane::PluginBaseInterfaceID)) {
        instanceOf(thisInstance)->interface->AddRef(thisInstance);
        *result = thisInstance;
        return scrivane::PluginOK;
    }
    *result = nullptr;
    return scrivane::PluginNoInterface;
}

SCRIVANE_PLUGIN_EXPORT PluginRefCount MetadataImporterPluginAddRef(void *thisInstance)
{
    return ++instanceOf(thisInstance)->refCount;
}

SCRIVANE_PLUGIN_EXPORT PluginRefCount MetadataImporterPluginRelease(void *thisInstance)
{
    ImporterPluginInstance *instance = instanceOf(thisInstance);
    if (--instance->refCount == 0) {
        DeallocMetadataImporterPluginType(thisInstance);
        return 0;
    }
    return instance->refCount;
}

SCRIVANE_PLUGIN_EXPORT void *MetadataImporterPluginFactory(void *, const PluginUUIDBytes *typeID)
{
    if (!typeID || scrivane::PluginUUID::fromBytes(*typeID) !=
                       scrivane::PluginUUID::fromString(scrivane::MetadataImporterTypeID))
        return nullptr;
    const PluginUUIDBytes factoryID =
        scrivane::PluginUUID::bytes(scrivane::PluginUUID::fromString(ImporterFactoryID));
    return AllocMetadataImporterPluginType(&factoryID);
}
