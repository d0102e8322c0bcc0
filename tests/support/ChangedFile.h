#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

namespace scrivane::test {

// What another program's write to a package's drawing leaves for others
// to see: the "data" file's modification time a minute later.  False when
// the file cannot be touched.
inline bool rewriteBehindTheProgramsBack(const QString &package)
{
    QFile data(package + QStringLiteral("/data"));
    return data.open(QIODevice::ReadWrite) &&
           data.setFileTime(data.fileTime(QFileDevice::FileModificationTime).addSecs(60),
                            QFileDevice::FileModificationTime);
}

} // namespace scrivane::test
