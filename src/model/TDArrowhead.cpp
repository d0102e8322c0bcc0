#include "model/TDArrowhead.h"

#include "model/TDBezierGraphic.h"
#include "model/TDResourceList.h"
#include "model/TDStrokeStyle.h"
#include "platform/StringTable.h"
#include "platform/SvgPathData.h"

#include <cmath>


namespace scrivane {

namespace {
const QString NameKey = QStringLiteral("Name");
const QString PathsKey = QStringLiteral("Paths");
const QString BoundsKey = QStringLiteral("Bounds");
const QString CutAtKey = QStringLiteral("CutAt");
const QString StartAtKey = QStringLiteral("StartAt");
const QString StrokeKey = QStringLiteral("Stroke");

float finiteNumber(const PropertyList &value)
{
    const float n = value.isNumber() ? value.toFloat() : 0.0f;
    return std::isfinite(n) ? n : 0.0f;
}
} // namespace

const std::vector<TDArrowhead> &TDArrowhead::arrows()
{
    static const std::vector<TDArrowhead> list = readList(TDResourceList::read(QStringLiteral(":/arrows.plist"),
                                                                               "arrowhead"));
    return list;
}

std::vector<TDArrowhead> TDArrowhead::readList(const PropertyList::Array &entries)
{
    std::vector<TDArrowhead> list;
    list.reserve(std::max<size_t>(entries.size(), 1));
    for (const PropertyList &entry : entries) {
        TDArrowhead arrow;
        arrow.m_index = int(list.size());
        arrow.m_key = entry.value(NameKey).toString();
        arrow.m_name = StringTable::lookup(QStringLiteral("ArrowNames"), arrow.m_key);
        arrow.m_cutAt = finiteNumber(entry.value(CutAtKey));
        arrow.m_startAt = finiteNumber(entry.value(StartAtKey));
        arrow.m_strokeOnly = entry.contains(StrokeKey);
        // Entry 0 is no arrowhead whatever the list says.
        if (!list.empty() && entry.contains(BoundsKey)) {
            const auto bounds = MYRectFromString(entry.value(BoundsKey).toString());
            if (!bounds) {
                qWarning("Arrowhead %d (\"%s\"): its box \"%s\" is not four numbers with a width and height; "
                         "it draws nothing",
                         arrow.m_index, qPrintable(arrow.m_key),
                         qPrintable(entry.value(BoundsKey).toString()));
            } else {
                const AffineTransform toUnitBox = TDBezierPath::unitBoxTransform(*bounds);
                for (const PropertyList &data : entry.value(PathsKey).toArray()) {
                    QString error;
                    TDBezierPath shape(SvgPathData::pathFromSVGData(QStringView(data.toString()), &error));
                    if (!error.isEmpty())
                        qWarning("Arrowhead %d (\"%s\"): %s", arrow.m_index, qPrintable(arrow.m_key),
                                 qPrintable(error));
                    shape.transform(toUnitBox);
                    if (shape.elementCount() > 0)
                        arrow.m_paths.push_back(std::move(shape));
                }
            }
        }
        list.push_back(std::move(arrow));
    }
    if (list.empty()) {
        TDArrowhead none;
        none.m_key = QStringLiteral("None");
        none.m_name = StringTable::lookup(QStringLiteral("ArrowNames"), none.m_key);
        list.push_back(std::move(none));
    }
    return list;
}

std::optional<TDBezierPath> TDArrowhead::place(const TDBezierPath &path, float width, float size, bool atEnd,
                                               bool morph, float *cut) const
{
    const double L = path.length();
    const double w = width;
    const double f = size;
    // Without a length there is no end to place the arrowhead at: every
    // fraction would divide by nothing.
    if (!placeable() || !(L > 0) || !std::isfinite(L) || !std::isfinite(w) || !std::isfinite(f))
        return std::nullopt;
    const double k = m_cutAt != 0 ? m_cutAt : 1.0;
    const double s = m_startAt * w / L;
    double c = s + 2 * k * f * w / L;
    if (atEnd)
        c = 1 - c;
    c = path.betterPointAt(float(c));
    // The path is too short for the arrowhead.
    if (!(c >= 0 && c <= 1))
        return std::nullopt;

    TDBezierPath result;
    if (morph) {
        const double tip = atEnd ? 1 - s : s;
        const double back = atEnd ? 1 - s - (1 - c - s) / k : s + (c - s) / k;
        TDBezierPath target = path;
        for (const TDBezierPath &shape : m_paths)
            result.appendPath(shape.mappedToPath(target, float(2 * f * w), float(tip), float(back)));
    } else {
        // The box's x axis runs from the tip back along the chord to the cut
        // (x = k lands on the cut), its y axis a quarter turn clockwise.  The
        // tip lies on the path's end itself, however long the path.
        const Point A = path.pointAt(float(c));
        const Point B = path.pointAt(float(atEnd ? 1 - s : s));
        const float dx = float((A.x - B.x) / k);
        const float dy = float((A.y - B.y) / k);
        const AffineTransform place(dx, dy, dy, -dx, B.x, B.y);
        for (const TDBezierPath &shape : m_paths) {
            TDBezierPath placed = TDBezierPath::bezierPathWithPath(shape);
            placed.transform(place);
            result.appendPath(placed);
        }
    }
    result.setWindingRule(WindingRule::NonZero);
    result.setLineWidth(width);
    if (cut)
        *cut = m_cutAt == 0 ? float(atEnd ? 1 - s : s) : float(c);
    return result;
}

QImage TDArrowhead::startImage() const
{
    if (m_startImage.isNull())
        m_startImage = preview(false);
    return m_startImage;
}

QImage TDArrowhead::endImage() const
{
    if (m_endImage.isNull())
        m_endImage = preview(true);
    return m_endImage;
}

QImage TDArrowhead::preview(bool atEnd) const
{
    const auto graphic = TDResourceList::lineGraphic(Point(0, 0.5f), Point(30, 0.5f));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::Line);
    stroke.setStrokeWidth(1);
    if (atEnd)
        stroke.setEndArrowStyle(m_index);
    else
        stroke.setStartArrowStyle(m_index);
    return TDResourceList::previewImage(*graphic);
}

} // namespace scrivane
