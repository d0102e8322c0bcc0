#pragma once

#include "model/TDBezierPath.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace scrivane {

// One entry of the arrowhead list the program ships ("arrows.plist"): the
// shapes of an arrowhead drawn in its unit box (x from 0 at the tip to 1 at
// the back, y from -0.5 to 0.5 across the line; one unit is twice the line
// width at 100 per cent), where the line is cut, how far the tip stands off
// the path's end, and whether the shapes are only stroked.
//
// A stroke stores the index of its arrowheads in the list, so the list only
// ever grows at its end; entry 0 is no arrowhead.  An entry whose box cannot
// be read keeps its place and draws nothing.
class TDArrowhead {
public:
    // The list, read once (entry 0 always exists).
    static const std::vector<TDArrowhead> &arrows();
    // A list read from property-list data (tests); names are looked up in
    // the table "ArrowNames".
    static std::vector<TDArrowhead> readList(const PropertyList::Array &entries);

    // The name as the resource gives it, and as the user reads it.
    const QString &key() const { return m_key; }
    const QString &name() const { return m_name; }
    // In the unit box.
    const std::vector<TDBezierPath> &paths() const { return m_paths; }
    // Whether the entry has shapes to place.
    bool placeable() const { return !m_paths.empty(); }
    // Where the line ends, in units of the box from the tip; 0: at the tip.
    float cutAt() const { return m_cutAt; }
    // The tip's distance from the path's end, in line widths.
    float startAt() const { return m_startAt; }
    // Only stroked (else filled and stroked).
    bool strokeOnly() const { return m_strokeOnly; }

    // The arrowhead placed at the start or end of `path` for a line of
    // `width` at `size` (a fraction, 1 for 100 per cent): bent along the
    // path when `morph`, else turned to the direction of the path near its
    // end.  `cut` receives the overall fraction of the path at which the
    // line is to end.  Nothing (and `cut` left alone) for an entry without
    // shapes, or a path too short for the arrowhead (one without length
    // included).
    std::optional<TDBezierPath> place(const TDBezierPath &path, float width, float size, bool atEnd, bool morph,
                                      float *cut) const;

    // Previews for the stroke pane's menus: a short line with this
    // arrowhead at its start, or at its end; drawn on first request.
    QImage startImage() const;
    QImage endImage() const;

private:
    QImage preview(bool atEnd) const;

    QString m_key;
    QString m_name;
    std::vector<TDBezierPath> m_paths;
    float m_cutAt = 0;
    float m_startAt = 0;
    bool m_strokeOnly = false;
    int m_index = 0;
    mutable QImage m_startImage;
    mutable QImage m_endImage;
};

} // namespace scrivane
