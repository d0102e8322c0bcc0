#include "PluginUUID.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>

namespace scrivane {

QUuid PluginUUID::fromBytes(const PluginUUIDBytes &bytes)
{
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char *>(bytes.bytes), sizeof bytes.bytes));
}

PluginUUIDBytes PluginUUID::bytes(const QUuid &uuid)
{
    PluginUUIDBytes result{};
    const QByteArray raw = uuid.toRfc4122();
    std::memcpy(result.bytes, raw.constData(), sizeof result.bytes);
    return result;
}

QUuid PluginUUID::fromString(const char *text)
{
    return text ? QUuid::fromString(QLatin1StringView(text)) : QUuid();
}

} // namespace scrivane
