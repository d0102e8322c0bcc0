#include "ArchivedPoint.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

namespace scrivane {

PropertyList ArchivedPoint::value(Point point)
{
    return PropertyList(std::make_shared<ArchivedPoint>(point));
}

std::optional<Point> ArchivedPoint::fromValue(const PropertyList &value)
{
    if (const auto point = value.objectAs<ArchivedPoint>())
        return point->point();
    return std::nullopt;
}

std::shared_ptr<Archivable> ArchivedPoint::decode(KeyedUnarchiver &unarchiver)
{
    return std::make_shared<ArchivedPoint>(unarchiver.decodePoint());
}

void ArchivedPoint::encode(KeyedArchiver &archiver) const
{
    archiver.encodePoint(m_point);
}

bool ArchivedPoint::isEqualTo(const Archivable &other) const
{
    const auto *point = dynamic_cast<const ArchivedPoint *>(&other);
    return point && point->m_point == m_point;
}

} // namespace scrivane
