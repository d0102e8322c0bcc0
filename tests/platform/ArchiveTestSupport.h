#pragma once

#include "platform/Archivable.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace scrivane::test {

// A model-like object: one unkeyed dictionary, as model objects store
// themselves.
class StoredGraphic : public Archivable {
public:
    explicit StoredGraphic(PropertyList dictionary = {}) : dictionary(std::move(dictionary)) {}

    static QString name() { return QStringLiteral("TestGraphic"); }
    static void registerClass()
    {
        KeyedUnarchiver::registerClass(name(),
                                       [](KeyedUnarchiver &unarchiver) -> std::shared_ptr<Archivable> {
                                           return std::make_shared<StoredGraphic>(unarchiver.decodeObject());
                                       });
    }

    QString archiveClassName() const override { return name(); }
    QStringList archiveClassHierarchy() const override { return {name(), QStringLiteral("TestBase")}; }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeObject(dictionary); }
    bool isEqualTo(const Archivable &other) const override
    {
        const auto *graphic = dynamic_cast<const StoredGraphic *>(&other);
        return graphic && graphic->dictionary == dictionary;
    }

    PropertyList dictionary;
};

inline QByteArray archive(const PropertyList &root)
{
    QString error;
    const auto data = KeyedArchiver::archivedData(root, PropertyList::Format::Binary, &error);
    if (!data)
        qFatal("archiving failed: %s", qPrintable(error));
    return *data;
}

// Runs a python3 script with the given standard input; nothing when python3
// is missing.
inline std::optional<QByteArray> runPython(const QString &script, const QByteArray &input,
                                           int *exitCode = nullptr)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(python, {QStringLiteral("-c"), script});
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput() + process.readAllStandardError();
}

} // namespace scrivane::test
