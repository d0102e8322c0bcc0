// The plug-in glue of ScrivanePreview: the factory, the instance with its
// interface table and reference count, and the drawing entry points that
// a program calls through that table (see platform/PluginInterface.h).

#include "PreviewGeneration.h"

#include "platform/PluginFactoryRegistry.h"
#include "platform/PluginInterface.h"
#include "platform/PluginUUID.h"

#include <QString>

#include <cstdlib>
#include <exception>

namespace {

// The generator's own factory; programs that keep a list of preview
// plug-ins record it beside the document types it draws.
constexpr const char *PreviewFactoryID = "A6C3F0D2-5B7E-4E19-9D84-2F1A6B3C7E50";

struct PreviewPluginInstance {
    PreviewGeneratorInterface *interface; // this instance's own copy of the table
    PluginUUIDBytes factoryID;
    bool hasFactoryID;
    PluginRefCount refCount;
};

PreviewPluginInstance *instanceOf(void *thisInstance)
{
    return static_cast<PreviewPluginInstance *>(thisInstance);
}

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// Nothing may unwind into the program that called.
template <class Generate>
void guarded(PreviewRequest *request, Generate generate)
{
    try {
        generate();
    } catch (const std::exception &e) {
        if (request->functions->reportFailure)
            request->functions->reportFailure(request, e.what());
    } catch (...) {
        if (request->functions->reportFailure)
            request->functions->reportFailure(request, "The drawing failed.");
    }
}

} // namespace

extern "C" {
PluginResult QuickLookGeneratorQueryInterface(void *thisInstance, PluginUUIDBytes interfaceID, void **result);
PluginRefCount QuickLookGeneratorPluginAddRef(void *thisInstance);
PluginRefCount QuickLookGeneratorPluginRelease(void *thisInstance);
}

namespace {
// The generator slots stay empty until the callbacks interface is asked for.
const PreviewGeneratorInterface staticInterfaceTable = {
    nullptr,
    QuickLookGeneratorQueryInterface,
    QuickLookGeneratorPluginAddRef,
    QuickLookGeneratorPluginRelease,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};
} // namespace

SCRIVANE_PLUGIN_EXPORT PluginResult GenerateThumbnailForURL(void *, PreviewRequest *request, const char *url,
                                                            const char *contentType, const void *, double,
                                                            double)
{
    if (request && request->functions)
        guarded(request, [&] {
            scrivane::PreviewGeneration::generateThumbnail(request, text(url), text(contentType));
        });
    return scrivane::PluginOK;
}

SCRIVANE_PLUGIN_EXPORT void CancelThumbnailGeneration(void *, PreviewRequest *) {}

SCRIVANE_PLUGIN_EXPORT PluginResult GeneratePreviewForURL(void *, PreviewRequest *request, const char *url,
                                                          const char *contentType, const void *)
{
    if (request && request->functions)
        guarded(request,
                [&] { scrivane::PreviewGeneration::generatePreview(request, text(url), text(contentType)); });
    return scrivane::PluginOK;
}

SCRIVANE_PLUGIN_EXPORT void CancelPreviewGeneration(void *, PreviewRequest *) {}

SCRIVANE_PLUGIN_EXPORT void *AllocQuickLookGeneratorPluginType(const PluginUUIDBytes *factoryID)
{
    auto *instance = static_cast<PreviewPluginInstance *>(std::malloc(sizeof(PreviewPluginInstance)));
    auto *table = static_cast<PreviewGeneratorInterface *>(std::malloc(sizeof(PreviewGeneratorInterface)));
    if (!instance || !table) {
        std::free(instance);
        std::free(table);
        return nullptr;
    }
    *table = staticInterfaceTable;
    instance->interface = table;
    instance->hasFactoryID = factoryID != nullptr;
    instance->factoryID = factoryID ? *factoryID : PluginUUIDBytes{};
    if (factoryID)
        scrivane::PluginFactoryRegistry::addInstanceForFactory(scrivane::PluginUUID::fromBytes(*factoryID));
    instance->refCount = 1;
    return instance;
}

SCRIVANE_PLUGIN_EXPORT void DeallocQuickLookGeneratorPluginType(void *thisInstance)
{
    PreviewPluginInstance *instance = instanceOf(thisInstance);
    const bool hadFactory = instance->hasFactoryID;
    const PluginUUIDBytes factoryID = instance->factoryID;
    std::free(instance->interface);
    std::free(instance);
    if (hadFactory)
        scrivane::PluginFactoryRegistry::removeInstanceForFactory(scrivane::PluginUUID::fromBytes(factoryID));
}

SCRIVANE_PLUGIN_EXPORT PluginResult QuickLookGeneratorQueryInterface(void *thisInstance, PluginUUIDBytes interfaceID,
                                                                     void **result)
{
    PreviewPluginInstance *instance = instanceOf(thisInstance);
    if (scrivane::PluginUUID::fromBytes(interfaceID) ==
        scrivane::PluginUUID::fromString(scrivane::PreviewGeneratorCallbacksInterfaceID)) {
        instance->interface->GenerateThumbnailForURL = GenerateThumbnailForURL;
        instance->interface->CancelThumbnailGeneration = CancelThumbnailGeneration;
        instance->interface->GeneratePreviewForURL = GeneratePreviewForURL;
        instance->interface->CancelPreviewGeneration = CancelPreviewGeneration;
        instance->interface->AddRef(thisInstance);
        *result = thisInstance;
        return scrivane::PluginOK;
    }
    *result = nullptr;
    return scrivane::PluginNoInterface;
}

SCRIVANE_PLUGIN_EXPORT PluginRefCount QuickLookGeneratorPluginAddRef(void *thisInstance)
{
    return ++instanceOf(thisInstance)->refCount;
}

SCRIVANE_PLUGIN_EXPORT PluginRefCount QuickLookGeneratorPluginRelease(void *thisInstance)
{
    PreviewPluginInstance *instance = instanceOf(thisInstance);
    if (--instance->refCount == 0) {
        DeallocQuickLookGeneratorPluginType(thisInstance);
        return 0;
    }
    return instance->refCount;
}

SCRIVANE_PLUGIN_EXPORT void *QuickLookGeneratorPluginFactory(void *, const PluginUUIDBytes *typeID)
{
    if (!typeID ||
        scrivane::PluginUUID::fromBytes(*typeID) != scrivane::PluginUUID::fromString(scrivane::PreviewGeneratorTypeID))
        return nullptr;
    const PluginUUIDBytes factoryID = scrivane::PluginUUID::bytes(scrivane::PluginUUID::fromString(PreviewFactoryID));
    return AllocQuickLookGeneratorPluginType(&factoryID);
}
