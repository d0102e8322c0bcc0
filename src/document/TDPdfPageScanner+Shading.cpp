#include "document/TDPdfPageScanner.h"

#include "document/TDPdfFunction.h"
#include "document/TDPdfObjects.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDStrokeStyle.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

QPDFObjectHandle dictionaryOf(QPDFObjectHandle object)
{
    return object.isStream() ? object.getDict() : object;
}

} // namespace

std::optional<TDPdfPageScanner::GradientFill> TDPdfPageScanner::gradientForShading(QPDFObjectHandle object)
{
    QPDFObjectHandle shading = dictionaryOf(object);
    if (!shading.isDictionary()) {
        note(QStringLiteral("A shading that is not among the resources was skipped."));
        return std::nullopt;
    }
    const int type = TDPdfObjects::integer(shading.getKey("/ShadingType")).value_or(0);
    if (type != 2 && type != 3) {
        note(QStringLiteral("Shadings other than radial or axial are unsupported."));
        return std::nullopt;
    }
    const std::optional<TDPdfColorSpace> space = colorSpaceNamed(shading.getKey("/ColorSpace"));
    if (!space) {
        note(QStringLiteral("A shading without a colour space was skipped."));
        return std::nullopt;
    }
    const size_t coordinateCount = type == 2 ? 4 : 6;
    const auto coords = TDPdfObjects::numbers(shading.getKey("/Coords"), coordinateCount);
    if (!coords || coords->size() != coordinateCount) {
        note(QStringLiteral("A shading whose coordinates do not fit its type was skipped."));
        return std::nullopt;
    }
    double t0 = 0;
    double t1 = 1;
    if (QPDFObjectHandle domain = shading.getKey("/Domain"); !domain.isNull()) {
        const auto d = TDPdfObjects::numbers(domain, 2);
        if (!d || d->size() != 2) {
            note(QStringLiteral("A shading whose domain is malformed was skipped."));
            return std::nullopt;
        }
        t0 = (*d)[0];
        t1 = (*d)[1];
    }
    QString why;
    const auto function = TDPdfFunction::fromObject(shading.getKey("/Function"), &why);
    if (!function) {
        note(QStringLiteral("A shading was skipped: its function %1.").arg(why));
        return std::nullopt;
    }
    if (function->outputs() < space->components()) {
        note(QStringLiteral("A shading whose function gives fewer values than its colour space has components was "
                            "skipped."));
        return std::nullopt;
    }

    // Where a stop of the function lies along the gradient: a fraction
    // from start to end, or for a radial one of the outer radius.
    const std::vector<double> &c = *coords;
    std::function<double(double)> position = [t0, t1](double t) { return t1 == t0 ? 0.0 : (t - t0) / (t1 - t0); };
    GradientFill fill;
    if (type == 2) {
        fill.start = Point(float(c[0]), float(c[1]));
        fill.end = Point(float(c[2]), float(c[3]));
    } else {
        // The gradient fill's circles share one centre: the larger circle's,
        // its radius the gradient's length.
        const double r0 = std::fabs(c[2]);
        const double r1 = std::fabs(c[5]);
        const double outer = std::max(r0, r1);
        if (!(outer > 0)) {
            note(QStringLiteral("A radial shading of no size was skipped."));
            return std::nullopt;
        }
        if (c[0] != c[3] || c[1] != c[4])
            note(QStringLiteral("Radial shadings between circles that do not share a centre were drawn around one."));
        const double cx = r1 >= r0 ? c[3] : c[0];
        const double cy = r1 >= r0 ? c[4] : c[1];
        fill.start = Point(float(cx), float(cy));
        fill.end = Point(float(cx + outer), float(cy));
        fill.style = TDFillStyle::Radial;
        position = [t0, t1, r0, r1, outer](double t) {
            const double s = t1 == t0 ? 0.0 : (t - t0) / (t1 - t0);
            return (r0 + s * (r1 - r0)) / outer;
        };
    }
    fill.gradient = std::make_shared<TDGradient>();
    const std::vector<TDPdfFunction::Stop> stops = function->stops(std::min(t0, t1), std::max(t0, t1));
    for (const TDPdfFunction::Stop &stop : stops)
        fill.gradient->addColor(space->color(stop.values), float(std::clamp(position(stop.position), 0.0, 1.0)));
    // One colour is a gradient from it to itself.
    if (stops.size() == 1)
        fill.gradient->addColor(space->color(stops.front().values), 1);
    if (!std::isfinite(fill.start.x) || !std::isfinite(fill.start.y) || !std::isfinite(fill.end.x) ||
        !std::isfinite(fill.end.y)) {
        note(QStringLiteral("A shading with coordinates out of range was skipped."));
        return std::nullopt;
    }
    return fill;
}

void TDPdfPageScanner::opShading(Operands &o)
{
    const std::optional<GradientFill> fill = gradientForShading(resource("/Shading", TDPdfObjects::name(o[0])));
    if (!fill)
        return;
    // A shading paints the whole clip: the shape covers the visible page,
    // as seen from the current space.
    const auto inverse = state().ctm.inverted();
    if (!inverse) {
        note(QStringLiteral("A shading in a space of no size was skipped."));
        return;
    }
    const AffineTransform toUser = inverse->toAffine();
    const Rect area = toUser.transformRect(m_pageBox);
    if (!std::isfinite(area.width()) || !std::isfinite(area.height()) || !countGraphic())
        return;
    const auto graphic = TDBezierGraphic::graphicWithBezierPath(PathBase::withRect(area));
    TDFillStyle &style = *graphic->fillStyle();
    style.setStyle(TDFillStyle::GradientFill);
    style.setGradient(fill->gradient);
    style.setGradientStyle(fill->style);
    style.setGradientFromPoint(fill->start, fill->end);
    graphic->strokeStyle()->setStyle(TDStrokeStyle::None);
    if (const auto alpha = state().fillAlpha)
        graphic->setAlphaValue(*alpha);
    importGraphic(graphic);
}

void TDPdfPageScanner::setPattern(Operands &o)
{
    QPDFObjectHandle pattern = dictionaryOf(resource("/Pattern", TDPdfObjects::name(o.back())));
    if (!pattern.isDictionary()) {
        note(QStringLiteral("A pattern that is not among the resources was painted white."));
        return;
    }
    if (TDPdfObjects::integer(pattern.getKey("/PatternType")) != 2) {
        note(QStringLiteral("Tiling patterns are unsupported; they were painted white."));
        return;
    }
    Matrix matrix;
    if (const auto m = TDPdfObjects::numbers(pattern.getKey("/Matrix"), 6); m && m->size() == 6)
        matrix = Matrix{(*m)[0], (*m)[1], (*m)[2], (*m)[3], (*m)[4], (*m)[5]};
    matrix = matrix.then(state().patternSpace);
    if (!matrix.isFinite())
        return;
    state().fillShading = std::make_shared<ShadingPaint>(ShadingPaint{pattern.getKey("/Shading"), matrix});
}

bool TDPdfPageScanner::applyShadingPaint(const TDGraphicPtr &graphic, const ShadingPaint &paint)
{
    const std::optional<GradientFill> fill = gradientForShading(paint.shading);
    if (!fill)
        return false;
    TDFillStyle &style = *graphic->fillStyle();
    style.setStyle(TDFillStyle::GradientFill);
    style.setGradient(fill->gradient);
    style.setGradientStyle(fill->style);
    style.setGradientFromPoint(fill->start, fill->end);
    // The gradient lies in the pattern's space, not the path's.
    graphic->setFillTransformation(paint.matrix.then(m_pageToDocument).toAffine());
    if (const auto alpha = state().fillAlpha)
        graphic->setAlphaValue(*alpha);
    return true;
}

} // namespace scrivane
