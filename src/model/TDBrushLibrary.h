#pragma once

#include "model/TDCustomBrush.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace scrivane {

// The brushes made of people's own drawings: every document with the
// extension "scrivane" in the brush folders, the user's folder first, then
// the system's, each folder in sorted order of names.  The folders are
// listed on first use; the documents are read only when their brush is
// drawn or shown (TDCustomBrush).  Brushes added while the program runs
// appear at its next start.
//
// The process has one library (`shared`), over the XDG data folders; tests
// and benchmarks may put another in its place before brushes are used.
class TDBrushLibrary {
public:
    // `folders` in order; `reader` reads brush documents (none: no custom
    // brush can be drawn).
    TDBrushLibrary(QStringList folders, TDBrushDocumentReader reader);

    static TDBrushLibrary &shared();
    // Puts `library` in place of the process's (null: the standard one
    // again, made anew on next use).
    static void setShared(std::shared_ptr<TDBrushLibrary> library);
    // How the standard library reads brush documents; the document layer
    // sets it before the first document is read.
    static void setDocumentReader(TDBrushDocumentReader reader);
    // "scrivane/brushes" in the user's data folder, then in each of the
    // system's data folders (XDG_DATA_HOME, XDG_DATA_DIRS).
    static QStringList standardFolders();

    // The names of the two brush sets the stroke pane shows: the built-in
    // brushes, then these.
    static QStringList setNames();

    const QStringList &folders() const { return m_folders; }
    // Listed on first call.
    const std::vector<std::shared_ptr<TDCustomBrush>> &customBrushes();
    // The first brush of that name that can be drawn; null when none.
    std::shared_ptr<TDCustomBrush> customBrushNamed(const QString &name);

private:
    QStringList m_folders;
    TDBrushDocumentReader m_reader;
    bool m_listed = false;
    std::vector<std::shared_ptr<TDCustomBrush>> m_brushes;
};

} // namespace scrivane
