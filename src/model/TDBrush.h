#pragma once

#include "model/TDBezierPath.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <QString>

#include <vector>

namespace scrivane {

// One built-in brush of the list the program ships ("brushes.plist"): the
// shapes a brush stroke lays along every subpath, drawn in its unit box (x
// from 0 at the start of the subpath to 1 at its end, y from -0.5 to 0.5
// across, one unit of y being the stroke width), with an opacity per shape.
//
// A stroke stores the index of its brush in the list, so the list only ever
// grows at its end.  An entry whose box cannot be read keeps its place and
// draws nothing.
class TDBrush {
public:
    // The list, read once.
    static const std::vector<TDBrush> &brushes();
    // A list read from property-list data (tests); names are looked up in
    // the table "BrushNames".
    static std::vector<TDBrush> readList(const PropertyList::Array &entries);

    const QString &key() const { return m_key; }
    const QString &name() const { return m_name; }
    // In the unit box.
    const std::vector<TDBezierPath> &paths() const { return m_paths; }
    // The opacity factor of each shape in the order of `paths`; empty when
    // every shape is drawn at the stroke colour's own opacity.
    const std::vector<float> &alpha() const { return m_alpha; }

    // The preview for the stroke pane: the brush along a straight path 200
    // points long and 20 wide; drawn on first request.
    QImage image() const;

private:
    QString m_key;
    QString m_name;
    std::vector<TDBezierPath> m_paths;
    std::vector<float> m_alpha;
    int m_index = 0;
    mutable QImage m_image;
};

} // namespace scrivane
