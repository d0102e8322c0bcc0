#include "document/TDDocumentBase.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace scrivane {

QString TDDocumentBase::displayName() const
{
    if (m_fileName.isEmpty())
        return QStringLiteral("Untitled");
    return QFileInfo(m_fileName).completeBaseName();
}

void TDDocumentBase::updateChangeCount(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Done:
    case ChangeKind::Redone:
        ++m_changeCount;
        m_unautosaved = true;
        break;
    case ChangeKind::Undone:
        --m_changeCount;
        m_unautosaved = true;
        break;
    case ChangeKind::Cleared:
        m_changeCount = 0;
        m_unautosaved = false;
        break;
    case ChangeKind::Autosaved:
        m_unautosaved = false;
        break;
    }
}

bool TDDocumentBase::save(const QString &path, const QString &type, SaveOperation operation)
{
    m_lastError.clear();
    if (path.isEmpty()) {
        m_lastError = QStringLiteral("The document has no file name to save to.");
        return false;
    }
    const QString original = operation == SaveOperation::Save && QFileInfo::exists(path)
                                 ? QFileInfo(path).absoluteFilePath()
                                 : QString();
    if (!writeToFile(path, type, original, operation)) {
        if (m_lastError.isEmpty())
            m_lastError = QStringLiteral("The document could not be saved to “%1”.").arg(path);
        return false;
    }
    switch (operation) {
    case SaveOperation::Save:
    case SaveOperation::SaveAs:
        m_fileName = path;
        m_fileType = type;
        TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
        break;
    case SaveOperation::SaveTo:
        break;
    case SaveOperation::Autosave:
        TDDocumentBase::updateChangeCount(ChangeKind::Autosaved);
        break;
    }
    return true;
}

bool TDDocumentBase::saveDocument()
{
    return save(m_fileName, m_fileType, SaveOperation::Save);
}

bool TDDocumentBase::saveDocumentAs(const QString &path, const QString &type)
{
    // Saving as the package the document already is, is a plain save.
    if (!m_fileName.isEmpty() &&
        QFileInfo(path).absoluteFilePath() == QFileInfo(m_fileName).absoluteFilePath())
        return save(path, type, SaveOperation::Save);
    return save(path, type, SaveOperation::SaveAs);
}

bool TDDocumentBase::saveDocumentTo(const QString &path, const QString &type)
{
    return save(path, type, SaveOperation::SaveTo);
}

bool TDDocumentBase::readFromFile(const QString &path, const QString &type)
{
    m_lastError.clear();
    if (!readFromPath(path, type)) {
        if (m_lastError.isEmpty())
            m_lastError = QStringLiteral("The document “%1” could not be opened.").arg(path);
        return false;
    }
    m_fileName = path;
    m_fileType = type;
    TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
    return true;
}

bool TDDocumentBase::readFromAutosavedFile(const QString &autosavedPath, const QString &readType,
                                           const QString &fileName, const QString &fileType)
{
    if (!readFromFile(autosavedPath, readType))
        return false;
    m_fileName = fileName;
    m_fileType = fileType;
    m_autosavePath = autosavedPath;
    m_changeCount = 1;
    m_unautosaved = false;
    return true;
}

bool TDDocumentBase::revertDocumentToSaved()
{
    if (m_fileName.isEmpty()) {
        m_lastError = QStringLiteral("The document has never been saved.");
        return false;
    }
    return readFromFile(m_fileName, m_fileType);
}

QString TDDocumentBase::autosavedContentsFileName() const
{
    if (!m_autosavePath.isEmpty())
        return m_autosavePath;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString suffix =
        m_fileName.isEmpty() ? QString() : QStringLiteral(".") + QFileInfo(m_fileName).suffix();
    return QDir(folder).filePath(QStringLiteral("Autosave Information/%1 (Autosaved)%2")
                                     .arg(displayName(), suffix == QStringLiteral(".") ? QString() : suffix));
}

bool TDDocumentBase::autosaveDocument()
{
    if (!m_unautosaved)
        return true;
    const QString path = autosavedContentsFileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return save(path, m_fileType, SaveOperation::Autosave);
}

} // namespace scrivane
