#include "platform/CairoLine.h"

#include <cmath>
#include <vector>

namespace scrivane {

bool cairoAcceptsDash(std::span<const float> dash)
{
    double total = 0;
    for (float d : dash) {
        if (!(d >= 0) || !std::isfinite(d))
            return false;
        total += d;
    }
    return total > 0;
}

void setCairoLineSettings(cairo_t *cr, double width, LineCapStyle cap, LineJoinStyle join, double miterLimit,
                          std::span<const float> dash, double dashPhase)
{
    cairo_set_line_width(cr, width);
    switch (cap) {
    case LineCapStyle::Butt:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        break;
    case LineCapStyle::Round:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        break;
    case LineCapStyle::Square:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
        break;
    }
    switch (join) {
    case LineJoinStyle::Miter:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        break;
    case LineJoinStyle::Round:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        break;
    case LineJoinStyle::Bevel:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
        break;
    }
    cairo_set_miter_limit(cr, miterLimit);
    if (std::isfinite(dashPhase) && cairoAcceptsDash(dash)) {
        const std::vector<double> dashes(dash.begin(), dash.end());
        cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), dashPhase);
    } else {
        cairo_set_dash(cr, nullptr, 0, 0);
    }
}

} // namespace scrivane
