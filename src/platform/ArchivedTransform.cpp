#include "ArchivedTransform.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

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
    archiver.encodeFloat(m_transform.m11, QStringLiteral("m11"));
    archiver.encodeFloat(m_transform.m12, QStringLiteral("m12"));
    archiver.encodeFloat(m_transform.m21, QStringLiteral("m21"));
    archiver.encodeFloat(m_transform.m22, QStringLiteral("m22"));
    archiver.encodeFloat(m_transform.tX, QStringLiteral("tX"));
    archiver.encodeFloat(m_transform.tY, QStringLiteral("tY"));
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
