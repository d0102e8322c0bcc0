#include "app/TDAutosavedCopy.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace scrivane {

const QString TDAutosavedCopy::CopyExtension = QStringLiteral("scrivane");

namespace {

const QString LockExtension = QStringLiteral("lock");
const QString RecordExtension = QStringLiteral("record");

// An open descriptor of the lock file, locked; -1 when the lock is taken
// (or the file cannot be opened).  Never through a symbolic link: the
// folder may hold anything.
int takeLock(const QString &path, bool create)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void removePackage(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isFile())
        QFile::remove(path);
    else if (info.isDir())
        QDir(path).removeRecursively();
}

} // namespace

TDAutosavedCopy::TDAutosavedCopy(QString stem, int lockDescriptor) : m_stem(std::move(stem)), m_lock(lockDescriptor) {}

TDAutosavedCopy::~TDAutosavedCopy()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

std::unique_ptr<TDAutosavedCopy> TDAutosavedCopy::create(const QString &folder, QString *error)
{
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder “%1” cannot be made.").arg(folder);
        return nullptr;
    }
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString stem = QDir(folder).filePath(name);
    // Locked under a hidden name first, then renamed: a program looking for
    // abandoned copies meanwhile never sees the lock file unlocked.
    const QString hidden = QDir(folder).filePath(QStringLiteral(".%1.%2").arg(name, LockExtension));
    const int fd = takeLock(hidden, true);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("The autosave lock “%1” cannot be made: %2").arg(hidden, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    const QString lock = stem + QLatin1Char('.') + LockExtension;
    if (::rename(QFile::encodeName(hidden).constData(), QFile::encodeName(lock).constData()) != 0) {
        if (error)
            *error = QStringLiteral("The autosave lock “%1” cannot be made: %2").arg(lock, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        QFile::remove(hidden);
        return nullptr;
    }
    return std::unique_ptr<TDAutosavedCopy>(new TDAutosavedCopy(stem, fd));
}

std::vector<std::unique_ptr<TDAutosavedCopy>> TDAutosavedCopy::abandoned(const QString &folder)
{
    std::vector<std::unique_ptr<TDAutosavedCopy>> found;
    const QDir dir(folder);
    if (!dir.exists())
        return found;
    // Every name that has a copy, a lock or a record.
    QSet<QString> names;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString suffix = entry.suffix();
        if (suffix == CopyExtension || suffix == LockExtension || suffix == RecordExtension)
            names.insert(entry.completeBaseName());
    }
    for (const QString &name : names) {
        const QString stem = dir.filePath(name);
        const int fd = takeLock(stem + QLatin1Char('.') + LockExtension, true);
        if (fd < 0)
            continue; // a running program holds it
        std::unique_ptr<TDAutosavedCopy> copy(new TDAutosavedCopy(stem, fd));
        if (!copy->hasPackage()) {
            copy->discard();
            continue;
        }
        found.push_back(std::move(copy));
    }
    const auto savedAt = [](const std::unique_ptr<TDAutosavedCopy> &copy) {
        const auto record = copy->record();
        return record ? record->saved : QFileInfo(copy->packagePath()).lastModified();
    };
    std::stable_sort(found.begin(), found.end(),
                     [&savedAt](const auto &a, const auto &b) { return savedAt(a) < savedAt(b); });
    return found;
}

QString TDAutosavedCopy::packagePath() const
{
    return m_stem + QLatin1Char('.') + CopyExtension;
}

QString TDAutosavedCopy::lockPath() const
{
    return m_stem + QLatin1Char('.') + LockExtension;
}

QString TDAutosavedCopy::recordPath() const
{
    return m_stem + QLatin1Char('.') + RecordExtension;
}

bool TDAutosavedCopy::hasPackage() const
{
    const QFileInfo info(packagePath());
    return info.isDir() && !info.isSymLink();
}

std::optional<TDAutosavedCopy::Record> TDAutosavedCopy::record() const
{
    QFile file(recordPath());
    const QFileInfo info(file.fileName());
    // A record is a few lines: anything else is not one.
    if (info.isSymLink() || !info.isFile() || info.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll());
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();
    Record record;
    record.fileName = object.value(QStringLiteral("file")).toString();
    record.displayName = object.value(QStringLiteral("name")).toString();
    record.fileType = object.value(QStringLiteral("type")).toString();
    record.saved = QDateTime::fromString(object.value(QStringLiteral("saved")).toString(), Qt::ISODateWithMs);
    return record;
}

bool TDAutosavedCopy::writeRecord(const Record &record, QString *error)
{
    QJsonObject object;
    object.insert(QStringLiteral("file"), record.fileName);
    object.insert(QStringLiteral("name"), record.displayName);
    object.insert(QStringLiteral("type"), record.fileType);
    object.insert(QStringLiteral("saved"), record.saved.toUTC().toString(Qt::ISODateWithMs));
    QSaveFile file(recordPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void TDAutosavedCopy::removeContents()
{
    removePackage(packagePath());
    QFile::remove(recordPath());
}

void TDAutosavedCopy::discard()
{
    removeContents();
    // The lock file goes before the lock: whoever opens the name next makes
    // a new file, never shares this one.
    QFile::remove(lockPath());
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}

} // namespace scrivane
