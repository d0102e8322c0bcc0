#include "document/TDPackageFileSystem.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace scrivane {

namespace {
bool failWith(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString systemError(int code = errno)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now, answering whether the close succeeded.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *bytes, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= size_t(written);
        offset += written;
    }
    return true;
}

// Copies [begin, end) of `in` to the same place in `out`.
bool copyRange(int in, int out, off_t begin, off_t end, QString *reason)
{
    constexpr size_t Chunk = 1 << 20;
    std::vector<char> buffer(Chunk);
    for (off_t at = begin; at < end;) {
        const size_t wanted = size_t(std::min<off_t>(off_t(Chunk), end - at));
        const ssize_t got = ::pread(in, buffer.data(), wanted, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // A file cut short while it is copied ends the copy there.
            if (got < 0)
                *reason = systemError();
            return got == 0;
        }
        if (!writeAll(out, buffer.data(), size_t(got), at)) {
            *reason = systemError();
            return false;
        }
        at += got;
    }
    return true;
}

// Removes `path` and, for a folder, what it holds; links are removed, not
// followed.
bool removeTree(const QByteArray &path, QString *error)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT || failWith(error, QStringLiteral("Cannot remove “%1”: %2")
                                                      .arg(QFile::decodeName(path), systemError()));
    if (!S_ISDIR(info.st_mode)) {
        if (::unlink(path.constData()) != 0 && errno != ENOENT)
            return failWith(error,
                            QStringLiteral("Cannot remove “%1”: %2").arg(QFile::decodeName(path), systemError()));
        return true;
    }
    // A folder of the user's own that is read-only (a package marked so, or
    // copied from a read-only medium) is opened up to be emptied.
    const mode_t needed = S_IRUSR | S_IWUSR | S_IXUSR;
    if ((info.st_mode & needed) != needed && info.st_uid == ::geteuid())
        ::chmod(path.constData(), (info.st_mode & 07777) | needed);
    DIR *folder = ::opendir(path.constData());
    if (!folder)
        return failWith(error, QStringLiteral("Cannot remove the folder “%1”: %2")
                                   .arg(QFile::decodeName(path), systemError()));
    std::vector<QByteArray> names;
    while (const dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    for (const QByteArray &name : names) {
        if (!removeTree(path + '/' + name, error))
            return false;
    }
    if (::rmdir(path.constData()) != 0 && errno != ENOENT)
        return failWith(error, QStringLiteral("Cannot remove the folder “%1”: %2")
                                   .arg(QFile::decodeName(path), systemError()));
    return true;
}
} // namespace

TDPackageFileSystem &TDPackageFileSystem::standard()
{
    static TDPackageFileSystem fileSystem;
    return fileSystem;
}

bool TDPackageFileSystem::makeDirectory(const QString &path, int mode, QString *error)
{
    if (::mkdir(native(path).constData(), mode_t(mode & 0777)) != 0)
        return failWith(error, QStringLiteral("Cannot create the folder “%1”: %2").arg(path, systemError()));
    return true;
}

bool TDPackageFileSystem::writeFile(const QString &path, const QByteArray &data, int mode, QString *error)
{
    Descriptor fd(::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         mode_t(mode & 0666)));
    if (fd.get() < 0)
        return failWith(error, QStringLiteral("Cannot create “%1”: %2").arg(path, systemError()));
    if (!writeAll(fd.get(), data.constData(), size_t(data.size()), 0))
        return failWith(error, QStringLiteral("Cannot write “%1”: %2").arg(path, systemError()));
    if (::fsync(fd.get()) != 0)
        return failWith(error, QStringLiteral("Cannot write “%1” to the disk: %2").arg(path, systemError()));
    if (!fd.close())
        return failWith(error, QStringLiteral("Cannot close “%1”: %2").arg(path, systemError()));
    return true;
}

bool TDPackageFileSystem::copyFile(const QString &from, const QString &to, QString *error)
{
    // Non-blocking, so that opening a pipe never waits for a writer; it is
    // refused right after.
    Descriptor in(::open(native(from).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (in.get() < 0)
        return failWith(error, QStringLiteral("Cannot read “%1”: %2")
                                   .arg(from, errno == ELOOP ? QStringLiteral("it is a link") : systemError()));
    struct stat info;
    if (::fstat(in.get(), &info) != 0)
        return failWith(error, QStringLiteral("Cannot read “%1”: %2").arg(from, systemError()));
    if (!S_ISREG(info.st_mode))
        return failWith(error, QStringLiteral("Cannot copy “%1”: it is not a regular file").arg(from));
    Descriptor out(::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          mode_t(info.st_mode & 0666)));
    if (out.get() < 0)
        return failWith(error, QStringLiteral("Cannot create “%1”: %2").arg(to, systemError()));

    // Only the parts that hold data are copied; the size set at the end
    // leaves the rest as holes.
    const off_t size = info.st_size;
    QString reason;
    for (off_t at = 0; at < size;) {
        off_t data = ::lseek(in.get(), at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // nothing but a hole up to the end
            data = at; // no holes known to this file system
        }
        off_t hole = ::lseek(in.get(), data, SEEK_HOLE);
        if (hole < 0 || hole > size)
            hole = size;
        if (hole <= data)
            break;
        if (!copyRange(in.get(), out.get(), data, hole, &reason))
            return failWith(error, QStringLiteral("Cannot copy “%1”: %2").arg(from, reason));
        at = hole;
    }
    if (::ftruncate(out.get(), size) != 0 || ::fsync(out.get()) != 0)
        return failWith(error, QStringLiteral("Cannot write “%1” to the disk: %2").arg(to, systemError()));
    if (!out.close())
        return failWith(error, QStringLiteral("Cannot close “%1”: %2").arg(to, systemError()));
    return true;
}

bool TDPackageFileSystem::rename(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = native(from);
    const QByteArray target = native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return failWith(error, QStringLiteral("Cannot move “%1” to “%2”: %3").arg(from, to, systemError()));
    // A file system that cannot refuse an existing target itself: rename(2)
    // would silently replace a file or an empty folder there.
    if (exists(to))
        return failWith(error, QStringLiteral("Cannot move “%1” to “%2”: something is there").arg(from, to));
    if (::rename(source.constData(), target.constData()) != 0)
        return failWith(error, QStringLiteral("Cannot move “%1” to “%2”: %3").arg(from, to, systemError()));
    return true;
}

bool TDPackageFileSystem::exchange(const QString &first, const QString &second, QString *error, bool *unsupported)
{
    if (unsupported)
        *unsupported = false;
    if (::renameat2(AT_FDCWD, native(first).constData(), AT_FDCWD, native(second).constData(),
                    RENAME_EXCHANGE) == 0)
        return true;
    const int code = errno;
    if (unsupported)
        *unsupported = code == EINVAL || code == ENOSYS || code == EOPNOTSUPP;
    return failWith(error,
                    QStringLiteral("Cannot swap “%1” with “%2”: %3").arg(first, second, systemError(code)));
}

bool TDPackageFileSystem::setPermissions(const QString &path, int mode, QString *error)
{
    // As for what is made, the user's umask narrows the mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t bits = mode_t(mode & 0777) & ~mask;
    if (::fchmodat(AT_FDCWD, native(path).constData(), bits, AT_SYMLINK_NOFOLLOW) != 0 &&
        (errno != EOPNOTSUPP || kind(path) == EntryKind::Link || ::chmod(native(path).constData(), bits) != 0))
        return failWith(error, QStringLiteral("Cannot set the permissions of “%1”: %2").arg(path, systemError()));
    return true;
}

bool TDPackageFileSystem::removeRecursively(const QString &path, QString *error)
{
    return removeTree(native(path), error);
}

bool TDPackageFileSystem::syncDirectory(const QString &path, QString *error)
{
    Descriptor fd(::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return failWith(error, QStringLiteral("Cannot open the folder “%1”: %2").arg(path, systemError()));
    if (::fsync(fd.get()) != 0)
        return failWith(error,
                        QStringLiteral("Cannot write the folder “%1” to the disk: %2").arg(path, systemError()));
    return true;
}

TDPackageFileSystem::EntryKind TDPackageFileSystem::kind(const QString &path) const
{
    struct stat info;
    if (path.isEmpty() || ::lstat(native(path).constData(), &info) != 0)
        return EntryKind::Missing;
    if (S_ISLNK(info.st_mode))
        return EntryKind::Link;
    if (S_ISDIR(info.st_mode))
        return EntryKind::Directory;
    if (S_ISREG(info.st_mode))
        return EntryKind::File;
    return EntryKind::Other;
}

std::optional<int> TDPackageFileSystem::mode(const QString &path) const
{
    struct stat info;
    if (::lstat(native(path).constData(), &info) != 0)
        return std::nullopt;
    return int(info.st_mode & 07777);
}

bool TDPackageFileSystem::isWritable(const QString &path) const
{
    return ::access(native(path).constData(), W_OK | X_OK) == 0;
}

QStringList TDPackageFileSystem::entries(const QString &path) const
{
    QStringList names;
    DIR *folder = ::opendir(native(path).constData());
    if (!folder)
        return names;
    while (const dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(folder);
    names.sort();
    return names;
}

} // namespace scrivane
