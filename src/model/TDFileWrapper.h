#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace scrivane {

// The contents of a document package as last loaded: named entries with
// their data.  The document implements it over the package folder; fills
// read older image files through it when they join a document.
class TDFileWrapper {
public:
    virtual ~TDFileWrapper() = default;

    // The package's path on disk (empty for a package that has none).
    virtual QString path() const = 0;
    virtual QStringList entryNames() const = 0;
    // The data of an entry, or nothing when there is no such entry.
    virtual std::optional<QByteArray> contentsOfEntry(const QString &name) const = 0;
};

} // namespace scrivane
