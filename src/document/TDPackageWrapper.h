#pragma once

#include "model/TDFileWrapper.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace scrivane {

// A document package read into memory: the regular files directly inside
// the folder, by name.  Folders inside it and entries that are not regular
// files are not read.  A plain file (a drawing format that is not a
// package) reads as one entry under its own name.
class TDPackageWrapper : public TDFileWrapper {
public:
    TDPackageWrapper() = default;
    // Reads the folder (or file) at `path`; nothing with a message when it
    // cannot be read.
    static std::optional<TDPackageWrapper> read(const QString &path, QString *error = nullptr);

    QString path() const override { return m_path; }
    QStringList entryNames() const override;
    std::optional<QByteArray> contentsOfEntry(const QString &name) const override;
    bool isPackage() const { return m_isPackage; }

    // Builds a wrapper in memory (tests, the fuzz target).
    void setPath(const QString &path) { m_path = path; }
    void addEntry(const QString &name, const QByteArray &contents) { m_entries[name] = contents; }

private:
    QString m_path;
    bool m_isPackage = true;
    std::map<QString, QByteArray> m_entries;
};

} // namespace scrivane
