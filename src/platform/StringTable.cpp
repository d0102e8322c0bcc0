#include "StringTable.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

namespace scrivane {

namespace {

QHash<QString, QString> loadTable(const QString &table)
{
    QHash<QString, QString> entries;
    QFile file(QStringLiteral(":/strings/") + table + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            entries.insert(it.key(), it.value().toString());
    }
    return entries;
}

} // namespace

QString StringTable::lookup(const QString &table, const QString &key)
{
    static QMutex mutex;
    static QHash<QString, QHash<QString, QString>> tables;
    QMutexLocker lock(&mutex);
    auto it = tables.find(table);
    if (it == tables.end())
        it = tables.insert(table, loadTable(table));
    return it->value(key, key);
}

} // namespace scrivane
