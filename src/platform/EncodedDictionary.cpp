#include "EncodedDictionary.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace scrivane {

namespace {

std::atomic<bool> lostFlag{false};

QMutex &hookMutex()
{
    static QMutex mutex;
    return mutex;
}

EncodedDictionary::WarningHook &hook()
{
    static EncodedDictionary::WarningHook shared;
    return shared;
}

QString describe(const PropertyList &value)
{
    switch (value.kind()) {
    case PropertyList::Kind::String:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case PropertyList::Kind::Integer:
        return QString::number(value.toInteger());
    case PropertyList::Kind::Real:
        return QString::number(value.toReal(), 'g', 17);
    case PropertyList::Kind::Boolean:
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    case PropertyList::Kind::Data:
        return QStringLiteral("<%1>").arg(QString::fromLatin1(value.toData().toHex()));
    case PropertyList::Kind::Date:
        return value.toDate().toString(Qt::ISODateWithMs);
    case PropertyList::Kind::Array: {
        QStringList parts;
        for (const PropertyList &element : value.toArray())
            parts.append(describe(element));
        return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
    }
    case PropertyList::Kind::Dictionary: {
        QStringList parts;
        for (const auto &[key, element] : value.toDictionary())
            parts.append(QStringLiteral("%1 = %2;").arg(key, describe(element)));
        return QStringLiteral("{") + parts.join(QLatin1Char(' ')) + QStringLiteral("}");
    }
    case PropertyList::Kind::Object: {
        const auto object = value.toObject();
        if (const auto placeholder = std::dynamic_pointer_cast<EncodedDictionary>(object))
            return placeholder->description();
        return QStringLiteral("<%1>").arg(object->archiveClassName());
    }
    case PropertyList::Kind::Null:
        break;
    }
    return QStringLiteral("(null)");
}

} // namespace

std::shared_ptr<Archivable> EncodedDictionary::decode(KeyedUnarchiver &unarchiver)
{
    auto placeholder = std::make_shared<EncodedDictionary>();
    placeholder->m_className = unarchiver.className();
    placeholder->m_hierarchy = unarchiver.classHierarchy();
    if (!lostFlag.exchange(true)) {
        WarningHook warn;
        {
            QMutexLocker lock(&hookMutex());
            warn = hook();
        }
        if (warn)
            warn(placeholder->m_className);
    }
    placeholder->m_entries = unarchiver.decodeEntries();
    return placeholder;
}

PropertyList EncodedDictionary::object() const
{
    for (const ArchivedEntry &entry : m_entries) {
        if (entry.key == QLatin1String("$0"))
            return entry.value;
    }
    return PropertyList();
}

PropertyList EncodedDictionary::objectForKey(const QString &key) const
{
    return object().value(key);
}

QString EncodedDictionary::description() const
{
    return describe(object());
}

void EncodedDictionary::encode(KeyedArchiver &archiver) const
{
    for (const ArchivedEntry &entry : m_entries)
        archiver.encodeEntry(entry);
}

bool EncodedDictionary::filtersLost()
{
    return lostFlag.load();
}

void EncodedDictionary::setFiltersLost(bool lost)
{
    lostFlag.store(lost);
}

void EncodedDictionary::setWarningHook(WarningHook warn)
{
    QMutexLocker lock(&hookMutex());
    hook() = std::move(warn);
}

} // namespace scrivane
