#pragma once

#include "platform/Archivable.h"
#include "platform/Geometry.h"

#include <optional>

namespace scrivane {

class KeyedUnarchiver;

// A point as an archivable value ("TDPoint"): the points of a pressure
// curve travel in archives this way.  Stored as one unkeyed point, the text
// "{x, y}".
class ArchivedPoint : public Archivable {
public:
    explicit ArchivedPoint(Point point) : m_point(point) {}

    Point point() const { return m_point; }

    // A value holding the point, and the point a value holds.
    static PropertyList value(Point point);
    static std::optional<Point> fromValue(const PropertyList &value);

    static QString className() { return QStringLiteral("TDPoint"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);

    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    bool isEqualTo(const Archivable &other) const override;

private:
    Point m_point;
};

} // namespace scrivane
