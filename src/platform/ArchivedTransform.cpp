#include "ArchivedTransform.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <bit>
#include <cmath>

namespace scrivane {

PropertyList ArchivedTransform::value(const AffineTransform &transform)
{
    return PropertyList(std::make_shared<ArchivedTransform>(transform));
}

std::optional<AffineTransform> ArchivedTransform::fromValue(const PropertyList &value)
{
    if (const auto transform = value.objectAs<ArchivedTransform>())
        return transform->transform();
    return std::nullopt;
}

void ArchivedTransform::encode(KeyedArchiver &archiver) const
{
    // A coefficient that has the identity's value is left out (a reader
    // takes that value for it): the placing of a shape rarely rotates it.
    const auto put = [&archiver](float value, float identity, const QString &key) {
        if (std::bit_cast<quint32>(value) != std::bit_cast<quint32>(identity))
            archiver.encodeFloat(value, key);
    };
    put(m_transform.m11, 1, QStringLiteral("m11"));
    put(m_transform.m12, 0, QStringLiteral("m12"));
    put(m_transform.m21, 0, QStringLiteral("m21"));
    put(m_transform.m22, 1, QStringLiteral("m22"));
    put(m_transform.tX, 0, QStringLiteral("tX"));
    put(m_transform.tY, 0, QStringLiteral("tY"));
}

std::shared_ptr<Archivable> ArchivedTransform::decode(KeyedUnarchiver &unarchiver)
{
    AffineTransform t;
    const struct {
        const char *key;
        float *field;
    } coefficients[] = {{"m11", &t.m11}, {"m12", &t.m12}, {"m21", &t.m21},
                        {"m22", &t.m22}, {"tX", &t.tX},   {"tY", &t.tY}};
    for (const auto &c : coefficients) {
        const QString key = QString::fromLatin1(c.key);
        if (!unarchiver.containsValue(key))
            continue;
        *c.field = unarchiver.decodeFloat(key);
        if (!std::isfinite(*c.field)) {
            unarchiver.failWithError(
                QStringLiteral(
                    "an archived transformation holds a coefficient (%1) that is not a finite number")
                    .arg(key));
            return nullptr;
        }
    }
    return std::make_shared<ArchivedTransform>(t);
}

bool ArchivedTransform::isEqualTo(const Archivable &other) const
{
    const auto *transform = dynamic_cast<const ArchivedTransform *>(&other);
    return transform && transform->m_transform == m_transform;
}

} // namespace scrivane
