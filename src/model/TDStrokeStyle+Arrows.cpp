#include "model/TDStrokeStyle.h"

#include "model/TDArrowhead.h"
#include "model/TDBezierPath.h"
#include "model/TDDrawProtocol.h"

#include <cmath>

namespace scrivane {

std::optional<TDBezierPath> TDStrokeStyle::arrow(int index, float size, const TDBezierPath &path, bool atEnd,
                                                 bool morph, float *cut) const
{
    const std::vector<TDArrowhead> &list = TDArrowhead::arrows();
    // An index from a file beyond this program's list draws as none (and is
    // kept as it was).
    if (index < 1 || index >= int(list.size()))
        return std::nullopt;
    return list[size_t(index)].place(path, m_strokeWidth, size, atEnd, morph, cut);
}

void TDStrokeStyle::drawArrow(int index, float size, std::shared_ptr<TDBezierPath> &path, bool atEnd, bool morph,
                              TDDrawProtocol *view, GraphicsContext &context) const
{
    if (index < 1 || !path)
        return;
    float cut = atEnd ? 1.0f : 0.0f;
    const std::optional<TDBezierPath> head = arrow(index, size, *path, atEnd, morph, &cut);
    if (!head)
        return;
    const bool outline = view && view->outlineView();
    LineStyle style = lineStyle(outline);
    style.dash.clear();
    context.save();
    if (context.setLineStyle(style)) {
        if (!outline && !TDArrowhead::arrows()[size_t(index)].strokeOnly())
            context.fillPath(*head);
        context.strokePath(*head, GraphicsContext::LineSource::Context);
    }
    context.restore();
    // The line stops where the arrowhead covers it, so that a thick line
    // does not show through a pointed tip.
    if (cut > 0 && cut < 1)
        path = std::make_shared<TDBezierPath>(atEnd ? path->shortenEndTo(cut) : path->shortenStartTo(cut));
}

} // namespace scrivane
