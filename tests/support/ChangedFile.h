#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

namespace scrivane::test {

// What another program's write to a package's drawing leaves for others
// to see: the modification time of its drawing file ("data", or the given
// one) a minute later.  False when the file cannot be touched.
inline bool rewriteBehindTheProgramsBack(const QString &package, const QString &entry = QStringLiteral("data"))
{
    QFile data(package + QLatin1Char('/') + entry);
    return data.open(QIODevice::ReadWrite) &&
           data.setFileTime(data.fileTime(QFileDevice::FileModificationTime).addSecs(60),
                            QFileDevice::FileModificationTime);
}

} // namespace scrivane::test
