#pragma once

#include "model/TDFileWrapper.h"
#include "platform/PackageFolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace scrivane {

class WorkBudget;

// A document package as the document reads it: a PackageFolder (regular,
// non-hidden files only, each read when first asked for, after its type
// and size were checked), seen through the model's file-wrapper interface.
// Reads are charged to the budget given, if any.
class TDPackageWrapper : public TDFileWrapper {
public:
    // Entries larger than this are not read as images.
    static constexpr qint64 MaximumImageFileSize = 256LL << 20;

    TDPackageWrapper() = default;
    explicit TDPackageWrapper(PackageFolder folder) : m_folder(std::move(folder)) {}
    // Lists the folder (or file) at `path`; nothing with a message when it
    // cannot be listed.
    static std::optional<TDPackageWrapper> read(const QString &path, QString *error = nullptr);

    QString path() const override { return m_folder.path(); }
    QStringList entryNames() const override { return m_folder.entryNames(); }
    // Reads the entry (at most MaximumImageFileSize bytes); nothing, with
    // the reason in the log, when it cannot be read.
    std::optional<QByteArray> contentsOfEntry(const QString &name) const override;
    bool isPackage() const { return m_folder.isFolder(); }
    const PackageFolder &folder() const { return m_folder; }

    void setBudget(std::shared_ptr<WorkBudget> budget) { m_budget = std::move(budget); }
    WorkBudget *budget() const { return m_budget.get(); }

    // Builds a wrapper in memory (tests, the fuzz targets).
    void setPath(const QString &path) { m_folder.setPath(path); }
    void addEntry(const QString &name, const QByteArray &contents) { m_folder.addEntry(name, contents); }

private:
    PackageFolder m_folder;
    std::shared_ptr<WorkBudget> m_budget;
};

} // namespace scrivane
