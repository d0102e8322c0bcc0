#include "ArchivedColor.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <bit>

namespace scrivane {

namespace {

using Space = Color::Space;

QStringList componentKeys(Space space)
{
    switch (space) {
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        return {QStringLiteral("white")};
    case Space::CalibratedRGB:
    case Space::DeviceRGB:
        return {QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")};
    case Space::DeviceCMYK:
        return {QStringLiteral("cyan"), QStringLiteral("magenta"), QStringLiteral("yellow"),
                QStringLiteral("black")};
    }
    return {};
}

} // namespace

PropertyList ArchivedColor::value(const Color &color)
{
    return PropertyList(std::make_shared<ArchivedColor>(color));
}

std::optional<Color> ArchivedColor::fromValue(const PropertyList &value)
{
    if (const auto color = value.objectAs<ArchivedColor>())
        return color->color();
    return std::nullopt;
}

void ArchivedColor::encode(KeyedArchiver &archiver) const
{
    archiver.encodeInteger(static_cast<int>(m_color.space()), QStringLiteral("space"));
    const QStringList keys = componentKeys(m_color.space());
    for (int i = 0; i < keys.size(); ++i)
        archiver.encodeFloat(m_color.components()[size_t(i)], keys[i]);
    // Opaque is what a reader takes when no alpha is stored.
    if (std::bit_cast<quint32>(m_color.alpha()) != std::bit_cast<quint32>(1.0f))
        archiver.encodeFloat(m_color.alpha(), QStringLiteral("alpha"));
}

std::shared_ptr<Archivable> ArchivedColor::decode(KeyedUnarchiver &unarchiver)
{
    const qint64 number = unarchiver.decodeInteger(QStringLiteral("space"));
    if (number < 0 || number > static_cast<int>(Space::DeviceCMYK)) {
        unarchiver.failWithError(
            QStringLiteral("an archived colour names the unknown colour space %1").arg(number));
        return nullptr;
    }
    const Space space = static_cast<Space>(number);
    float c[4] = {0, 0, 0, 0};
    const QStringList keys = componentKeys(space);
    for (int i = 0; i < keys.size(); ++i)
        c[i] = unarchiver.decodeFloat(keys[i]);
    const QString alphaKey = QStringLiteral("alpha");
    const float alpha = unarchiver.containsValue(alphaKey) ? unarchiver.decodeFloat(alphaKey) : 1.0f;
    Color color;
    switch (space) {
    case Space::CalibratedWhite:
        color = Color::calibratedWhite(c[0], alpha);
        break;
    case Space::DeviceWhite:
        color = Color::deviceWhite(c[0], alpha);
        break;
    case Space::CalibratedRGB:
        color = Color::calibratedRGB(c[0], c[1], c[2], alpha);
        break;
    case Space::DeviceRGB:
        color = Color::deviceRGB(c[0], c[1], c[2], alpha);
        break;
    case Space::DeviceCMYK:
        color = Color::deviceCMYK(c[0], c[1], c[2], c[3], alpha);
        break;
    }
    return std::make_shared<ArchivedColor>(color);
}

bool ArchivedColor::isEqualTo(const Archivable &other) const
{
    const auto *color = dynamic_cast<const ArchivedColor *>(&other);
    return color && color->m_color == m_color;
}

} // namespace scrivane
