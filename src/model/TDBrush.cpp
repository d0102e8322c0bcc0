#include "model/TDBrush.h"

#include "model/TDBezierGraphic.h"
#include "model/TDResourceList.h"
#include "model/TDStrokeStyle.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
const QString NameKey = QStringLiteral("Name");
const QString PathsKey = QStringLiteral("Paths");
const QString BoundsKey = QStringLiteral("Bounds");
const QString AlphaKey = QStringLiteral("Alpha");
} // namespace

const std::vector<TDBrush> &TDBrush::brushes()
{
    static const std::vector<TDBrush> list =
        readList(TDResourceList::read(QStringLiteral(":/brushes.plist"), "brush"));
    return list;
}

std::vector<TDBrush> TDBrush::readList(const PropertyList::Array &entries)
{
    std::vector<TDBrush> list;
    list.reserve(entries.size());
    for (const PropertyList &entry : entries) {
        TDBrush brush;
        brush.m_index = int(list.size());
        brush.m_key = entry.value(NameKey).toString();
        brush.m_name = StringTable::lookup(QStringLiteral("BrushNames"), brush.m_key);
        const auto bounds = MYRectFromString(entry.value(BoundsKey).toString());
        if (!bounds) {
            qWarning("Brush %d (\"%s\"): its box \"%s\" is not four numbers with a width and height; it draws "
                     "nothing",
                     brush.m_index, qPrintable(brush.m_key), qPrintable(entry.value(BoundsKey).toString()));
        } else {
            const AffineTransform toUnitBox = TDBezierPath::unitBoxTransform(*bounds);
            for (const PropertyList &stored : entry.value(PathsKey).toArray()) {
                TDBezierPath shape = TDBezierPath::objectWithYAML(stored);
                shape.transform(toUnitBox);
                brush.m_paths.push_back(std::move(shape));
            }
            for (const PropertyList &value : entry.value(AlphaKey).toArray()) {
                const float alpha = value.isNumber() ? value.toFloat() : 1.0f;
                brush.m_alpha.push_back(std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) : 1.0f);
            }
        }
        list.push_back(std::move(brush));
    }
    return list;
}

QImage TDBrush::image() const
{
    if (!m_image.isNull())
        return m_image;
    const auto graphic = TDResourceList::lineGraphic(Point(0, 0), Point(200, 0));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setStrokeWidth(20);
    stroke.setBrush(m_index);
    m_image = TDResourceList::previewImage(*graphic);
    return m_image;
}

} // namespace scrivane
