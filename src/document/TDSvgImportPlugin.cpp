#include "document/TDSvgImportPlugin.h"

#include "document/TDDocument.h"
#include "platform/PluginInterface.h"
#include "platform/PluginModule.h"

#include <QDir>
#include <QFileInfo>

namespace scrivane {

namespace {

// What an importer hands back is held in memory before it is read: an
// archive beyond this is refused rather than allowed to exhaust it.
constexpr qsizetype maximumArchiveBytes = 256 * 1024 * 1024;

struct Collected {
    QByteArray bytes;
    bool tooLarge = false;
};

void collect(void *context, const unsigned char *bytes, std::size_t length)
{
    auto *collected = static_cast<Collected *>(context);
    if (collected->tooLarge || !bytes)
        return;
    if (length > std::size_t(maximumArchiveBytes - collected->bytes.size())) {
        collected->tooLarge = true;
        collected->bytes.clear();
        return;
    }
    collected->bytes.append(reinterpret_cast<const char *>(bytes), qsizetype(length));
}

} // namespace

const QString TDSvgImportPlugin::FileName = QStringLiteral("SVG.so");

TDSvgImportPlugin::TDSvgImportPlugin(std::unique_ptr<PluginModule> module, const SvgImporterFunctions *functions)
    : m_module(std::move(module)), m_functions(functions), m_path(m_module->path())
{
}

TDSvgImportPlugin::~TDSvgImportPlugin() = default;

std::shared_ptr<TDSvgImportPlugin> TDSvgImportPlugin::find(const QStringList &folders, QString *error)
{
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(FileName);
        if (QFileInfo::exists(path))
            return load(path, error);
    }
    return nullptr;
}

std::shared_ptr<TDSvgImportPlugin> TDSvgImportPlugin::load(const QString &path, QString *error)
{
    std::unique_ptr<PluginModule> module = PluginModule::load(path, error);
    if (!module)
        return nullptr;
    auto entry = reinterpret_cast<SvgImporterEntry>(module->symbol(SvgImporterSymbol));
    const SvgImporterFunctions *functions = entry ? entry(SvgImporterInterfaceVersion) : nullptr;
    if (!functions || functions->version != SvgImporterInterfaceVersion || !functions->create ||
        !functions->loadSVG || !functions->graphics || !functions->release) {
        if (error)
            *error = entry ? QStringLiteral("The SVG importer “%1” does not offer interface version %2.")
                                 .arg(path)
                                 .arg(SvgImporterInterfaceVersion)
                           : QStringLiteral("“%1” is no SVG importer: it lacks the entry point %2.")
                                 .arg(path, QLatin1String(SvgImporterSymbol));
        return nullptr;
    }
    return std::shared_ptr<TDSvgImportPlugin>(new TDSvgImportPlugin(std::move(module), functions));
}

TDGraphicArray TDSvgImportPlugin::graphicsFromSVG(const QByteArray &svg) const
{
    void *importer = m_functions->create();
    if (!importer)
        return {};
    Collected collected;
    if (m_functions->loadSVG(importer, reinterpret_cast<const unsigned char *>(svg.constData()),
                             std::size_t(svg.size())))
        m_functions->graphics(importer, collect, &collected);
    m_functions->release(importer);
    if (collected.bytes.isEmpty())
        return {};
    // Another program's code wrote this: read as any archive from outside.
    return TDDocument::graphicsWithArchivedData(collected.bytes);
}

} // namespace scrivane
