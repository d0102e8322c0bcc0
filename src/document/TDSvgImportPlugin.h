#pragma once

#include "model/TDModelTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

struct SvgImporterFunctions;

namespace scrivane {

class PluginModule;

// The SVG importer: a plug-in module that is not part of the program,
// found at run time by its file name in the plug-in folders (see
// platform/PluginInterface.h for what it exports).  Without it SVG files
// and SVG on the clipboard add nothing.
class TDSvgImportPlugin {
public:
    // The module's file name.
    static const QString FileName;

    ~TDSvgImportPlugin();
    TDSvgImportPlugin(const TDSvgImportPlugin &) = delete;
    TDSvgImportPlugin &operator=(const TDSvgImportPlugin &) = delete;

    // The importer of the first folder that holds the module; null when
    // none does (no error then) or when that module is no SVG importer of
    // this interface version (the reason in `error`).
    static std::shared_ptr<TDSvgImportPlugin> find(const QStringList &folders, QString *error = nullptr);
    // The importer in the module at `path`; null with the reason otherwise.
    static std::shared_ptr<TDSvgImportPlugin> load(const QString &path, QString *error = nullptr);

    const QString &path() const { return m_path; }
    // The graphics of an SVG document, ready to add to a layer; none when
    // the importer cannot read it or hands back anything that is not a
    // readable archive of graphics.
    TDGraphicArray graphicsFromSVG(const QByteArray &svg) const;

private:
    TDSvgImportPlugin(std::unique_ptr<PluginModule> module, const SvgImporterFunctions *functions);

    std::unique_ptr<PluginModule> m_module;
    const SvgImporterFunctions *m_functions;
    QString m_path;
};

} // namespace scrivane
