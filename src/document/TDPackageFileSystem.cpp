#include "document/TDPackageFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivane {

namespace {
bool failWith(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

TDPackageFileSystem &TDPackageFileSystem::standard()
{
    static TDPackageFileSystem fileSystem;
    return fileSystem;
}

bool TDPackageFileSystem::makeDirectory(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0777) != 0)
        return failWith(error, QStringLiteral("Cannot create the folder “%1”: %2").arg(path, systemError()));
    return true;
}

bool TDPackageFileSystem::writeFile(const QString &path, const QByteArray &data, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failWith(error, QStringLiteral("Cannot create “%1”: %2").arg(path, systemError()));
    const char *bytes = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const QString reason = systemError();
            ::close(fd);
            return failWith(error, QStringLiteral("Cannot write “%1”: %2").arg(path, reason));
        }
        bytes += written;
        left -= written;
    }
    if (::fsync(fd) != 0) {
        const QString reason = systemError();
        ::close(fd);
        return failWith(error, QStringLiteral("Cannot write “%1” to the disk: %2").arg(path, reason));
    }
    if (::close(fd) != 0)
        return failWith(error, QStringLiteral("Cannot close “%1”: %2").arg(path, systemError()));
    return true;
}

bool TDPackageFileSystem::copyFile(const QString &from, const QString &to, QString *error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return failWith(error, QStringLiteral("Cannot read “%1”: %2").arg(from, in.errorString()));
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failWith(error, QStringLiteral("Cannot read “%1”: %2").arg(from, in.errorString()));
    return writeFile(to, data, error);
}

bool TDPackageFileSystem::rename(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    // rename(2) would silently replace a file or an empty folder at the
    // target; nothing may stand there.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return failWith(error, QStringLiteral("Cannot move “%1” to “%2”: something is there").arg(from, to));
    if (::rename(source.constData(), target.constData()) != 0)
        return failWith(error, QStringLiteral("Cannot move “%1” to “%2”: %3").arg(from, to, systemError()));
    return true;
}

bool TDPackageFileSystem::removeRecursively(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink()) {
        if (!QDir(path).removeRecursively())
            return failWith(error, QStringLiteral("Cannot remove the folder “%1”").arg(path));
        return true;
    }
    if (!QFile::remove(path))
        return failWith(error, QStringLiteral("Cannot remove “%1”").arg(path));
    return true;
}

bool TDPackageFileSystem::syncDirectory(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failWith(error, QStringLiteral("Cannot open the folder “%1”: %2").arg(path, systemError()));
    const bool synced = ::fsync(fd) == 0;
    const QString reason = synced ? QString() : systemError();
    ::close(fd);
    if (!synced)
        return failWith(error,
                        QStringLiteral("Cannot write the folder “%1” to the disk: %2").arg(path, reason));
    return true;
}

bool TDPackageFileSystem::exists(const QString &path) const
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool TDPackageFileSystem::isDirectory(const QString &path) const
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

QStringList TDPackageFileSystem::entries(const QString &path) const
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
}

} // namespace scrivane
