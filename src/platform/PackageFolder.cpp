#include "PackageFolder.h"

#include "platform/WorkBudget.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivane {

namespace {
std::nullopt_t fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Reads up to `size` bytes; a file cut short meanwhile gives what it has.
bool readExactly(int fd, QByteArray &into, qint64 size)
{
    into.resize(qsizetype(size));
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, into.data() + done, size_t(size - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += got;
    }
    into.resize(qsizetype(done));
    return true;
}
} // namespace

std::optional<PackageFolder> PackageFolder::open(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (path.isEmpty() || ::stat(native.constData(), &info) != 0)
        return fail(error, QStringLiteral("There is no document at “%1”.").arg(path));
    PackageFolder package;
    package.m_path = QFileInfo(path).absoluteFilePath();
    if (S_ISREG(info.st_mode)) {
        package.m_isFolder = false;
        package.m_entries[QFileInfo(path).fileName()].size = qint64(info.st_size);
        return package;
    }
    if (!S_ISDIR(info.st_mode))
        return fail(error, QStringLiteral("“%1” is neither a document package nor a file.").arg(path));
    DIR *folder = ::opendir(native.constData());
    if (!folder)
        return fail(error, QStringLiteral("The document package “%1” cannot be read: %2").arg(path, systemError()));
    while (const dirent *entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat entryInfo;
        if (::fstatat(::dirfd(folder), entry->d_name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(entryInfo.st_mode))
            continue;
        package.m_entries[QFile::decodeName(entry->d_name)].size = qint64(entryInfo.st_size);
    }
    ::closedir(folder);
    return package;
}

QStringList PackageFolder::entryNames() const
{
    QStringList names;
    for (const auto &[name, entry] : m_entries)
        names.append(name);
    return names;
}

qint64 PackageFolder::entrySize(const QString &name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? -1 : it->second.size;
}

QString PackageFolder::fileOf(const QString &name) const
{
    return m_isFolder ? m_path + QLatin1Char('/') + name : m_path;
}

std::optional<QByteArray> PackageFolder::readEntry(const QString &name) const
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return std::nullopt;
    return *it->second.contents;
}

std::optional<QByteArray> PackageFolder::read(const QString &name, qint64 maxSize, WorkBudget *budget,
                                              QString *error) const
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return fail(error, QStringLiteral("the package has no “%1”").arg(name));
    if (*it->second.contents)
        return *it->second.contents;
    if (m_path.isEmpty())
        return fail(error, QStringLiteral("“%1” cannot be read").arg(name));

    // Never through a link, and never waiting on a pipe: what is opened is
    // checked before anything is read from it.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (m_isFolder ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(fileOf(name)).constData(), flags);
    if (fd < 0)
        return fail(error, QStringLiteral("“%1” cannot be read: %2").arg(name, systemError()));
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    QByteArray contents;
    QString problem;
    if (!regular)
        problem = QStringLiteral("“%1” is not a regular file").arg(name);
    else if (qint64(info.st_size) > maxSize)
        problem = QStringLiteral("“%1” is larger than %2 bytes").arg(name).arg(maxSize);
    else if (budget && !budget->chargeBytes(qint64(info.st_size)))
        problem = budget->failure();
    else if (!readExactly(fd, contents, qint64(info.st_size)))
        problem = QStringLiteral("“%1” cannot be read: %2").arg(name, systemError());
    ::close(fd);
    if (!problem.isEmpty())
        return fail(error, problem);
    *it->second.contents = contents;
    return contents;
}

void PackageFolder::addEntry(const QString &name, const QByteArray &contents)
{
    Entry entry;
    entry.size = contents.size();
    *entry.contents = contents;
    m_entries[name] = std::move(entry);
}

} // namespace scrivane
