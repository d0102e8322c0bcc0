#include "model/TDBrushLibrary.h"

#include <QDir>
#include <QStandardPaths>

namespace scrivane {

namespace {
std::shared_ptr<TDBrushLibrary> &sharedLibrary()
{
    static std::shared_ptr<TDBrushLibrary> library;
    return library;
}

TDBrushDocumentReader &standardReader()
{
    static TDBrushDocumentReader reader;
    return reader;
}

const QString BrushExtension = QStringLiteral("scrivane");
} // namespace

TDBrushLibrary::TDBrushLibrary(QStringList folders, TDBrushDocumentReader reader)
    : m_folders(std::move(folders)), m_reader(std::move(reader))
{
}

TDBrushLibrary &TDBrushLibrary::shared()
{
    std::shared_ptr<TDBrushLibrary> &library = sharedLibrary();
    if (!library) {
        // The reader is looked up when a document is read, so that one set
        // after the list was made still serves.
        library = std::make_shared<TDBrushLibrary>(standardFolders(),
                                                   [](const QString &path, QString *error) {
                                                       const TDBrushDocumentReader &reader = standardReader();
                                                       return reader ? reader(path, error) : std::nullopt;
                                                   });
    }
    return *library;
}

void TDBrushLibrary::setShared(std::shared_ptr<TDBrushLibrary> library)
{
    sharedLibrary() = std::move(library);
}

void TDBrushLibrary::setDocumentReader(TDBrushDocumentReader reader)
{
    standardReader() = std::move(reader);
}

QStringList TDBrushLibrary::standardFolders()
{
    QStringList folders;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = QDir(data).filePath(QStringLiteral("scrivane/brushes"));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

QStringList TDBrushLibrary::setNames()
{
    return {QStringLiteral("Default"), QStringLiteral("Custom")};
}

const std::vector<std::shared_ptr<TDCustomBrush>> &TDBrushLibrary::customBrushes()
{
    if (m_listed)
        return m_brushes;
    m_listed = true;
    for (const QString &folder : m_folders) {
        // A folder that does not exist gives no names.
        const QDir dir(folder);
        const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                QDir::Name);
        for (const QString &name : names) {
            if (QFileInfo(name).suffix() != BrushExtension)
                continue;
            m_brushes.push_back(
                std::make_shared<TDCustomBrush>(dir.filePath(name), int(m_brushes.size()), m_reader));
        }
    }
    return m_brushes;
}

std::shared_ptr<TDCustomBrush> TDBrushLibrary::customBrushNamed(const QString &name)
{
    for (const auto &brush : customBrushes())
        if (brush->name() == name && brush->load())
            return brush;
    return nullptr;
}

} // namespace scrivane
