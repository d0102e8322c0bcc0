#include "document/TDFileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace scrivane {

namespace {
qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}
} // namespace

std::optional<TDFileIdentity> TDFileIdentity::of(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    TDFileIdentity identity;
    identity.device = quint64(info.st_dev);
    identity.inode = quint64(info.st_ino);
    if (!S_ISDIR(info.st_mode)) {
        identity.modified = nanoseconds(info.st_mtim);
        return identity;
    }
    // The drawing is the file the reader reads: "data.yaml" when it is a
    // regular file (older packages hold only that), else "data".
    struct stat data;
    if (::lstat(QFile::encodeName(path + QStringLiteral("/data.yaml")).constData(), &data) == 0 &&
        S_ISREG(data.st_mode))
        identity.modified = nanoseconds(data.st_mtim);
    else if (::lstat(QFile::encodeName(path + QStringLiteral("/data")).constData(), &data) == 0)
        identity.modified = nanoseconds(data.st_mtim);
    return identity;
}

} // namespace scrivane
