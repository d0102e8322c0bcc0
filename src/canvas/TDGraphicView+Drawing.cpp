#include "canvas/TDGraphicView.h"

#include "canvas/TDTextView.h"

#include "canvas/ScalingScrollView.h"
#include "document/TDDocument.h"
#include "document/TDPrintInfo.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"
#include "model/TDHandleImages.h"
#include "model/TDLayer.h"
#include "platform/GraphicsContext.h"
#include "platform/PathBase.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

// The five pictures of the paper's shadow, 8 × 8 pixels each, drawn the
// way round they appear on the canvas (top row first).
enum ShadowPiece { RightStrip, LeftStrip, BottomStrip, RightCorner, LeftCorner, ShadowPieceCount };

bool g_shadowsInitialized = false;
std::array<QImage, ShadowPieceCount> g_shadows;

// The blurred edge of a black area lying beyond the image: the alpha at a
// distance `d` pixels from the edge, for a shadow of blur radius 7 and
// opacity 0.3 (a Gaussian of standard deviation 3.5).
float edgeAlpha(float d)
{
    return 0.3f * 0.5f * std::erfc(d / (3.5f * std::sqrt(2.0f)));
}

void initShadows()
{
    if (g_shadowsInitialized)
        return;
    g_shadowsInitialized = true;
    for (int piece = 0; piece < ShadowPieceCount; ++piece) {
        QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) {
                const float x = col + 0.5f;
                const float y = row + 0.5f;
                float a = 0;
                switch (piece) {
                case RightStrip: // the paper on the left
                    a = edgeAlpha(x);
                    break;
                case LeftStrip: // the paper on the right
                    a = edgeAlpha(8 - x);
                    break;
                case BottomStrip: // the paper above
                    a = edgeAlpha(y);
                    break;
                case RightCorner: // the paper up and to the left
                    a = edgeAlpha(x) * edgeAlpha(y) / 0.3f;
                    break;
                case LeftCorner: // the paper up and to the right
                    a = edgeAlpha(8 - x) * edgeAlpha(y) / 0.3f;
                    break;
                default:
                    break;
                }
                const int alpha = std::clamp(int(std::lround(a * 255)), 0, 255);
                image.setPixel(col, row, qRgba(0, 0, 0, alpha));
            }
        }
        g_shadows[piece] = image;
    }
}

bool isZeroRect(const Rect &r)
{
    return r.width() == 0 && r.height() == 0;
}

Rect outsetRect(const Rect &r, float d)
{
    return r.insetBy(-d, -d);
}

} // namespace

bool TDGraphicView::shadowsInitialized()
{
    return g_shadowsInitialized;
}

// --- The paint ----------------------------------------------------------------------------------------

void TDGraphicView::paintEvent(QPaintEvent *event)
{
    // A few separate areas are painted one by one; many, as one.
    const QRegion region = event->region().intersected(rect());
    std::vector<QRect> areas;
    if (region.rectCount() <= 8)
        areas.assign(region.begin(), region.end());
    else
        areas.push_back(region.boundingRect());
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const qreal ratio = devicePixelRatioF();
    for (const QRect &dirty : areas) {
        if (dirty.isEmpty())
            continue;
        const QSize pixels(int(std::ceil(dirty.width() * ratio)), int(std::ceil(dirty.height() * ratio)));
        // The backing image grows to the largest area painted and is reused.
        if (m_backing.width() < pixels.width() || m_backing.height() < pixels.height())
            m_backing = QImage(pixels.expandedTo(m_backing.size()), QImage::Format_ARGB32_Premultiplied);
        m_backing.setDevicePixelRatio(ratio);
        {
            auto context = GraphicsContext::forImage(m_backing, true);
            if (!context)
                return;
            context->concatCTM(AffineTransform::makeTranslation(-float(dirty.x()), -float(dirty.y())));
            context->concatCTM(documentToWidget());
            drawRect(*context, documentRectFromWidget(QRectF(dirty)));
            context->flush();
        }
        painter.drawImage(QRectF(dirty), m_backing, QRectF(0, 0, pixels.width(), pixels.height()));
    }
}

QImage TDGraphicView::renderImage(const QRect &widgetRect)
{
    // Without an area, the part of the canvas that can be seen.
    const QRect area = widgetRect.isEmpty() ? widgetRectFromDocument(visibleRect()).intersected(rect()) : widgetRect;
    if (area.isEmpty())
        return QImage();
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        auto context = GraphicsContext::forImage(image, true);
        if (!context)
            return image;
        context->concatCTM(AffineTransform::makeTranslation(-float(area.x()), -float(area.y())));
        context->concatCTM(documentToWidget());
        drawRect(*context, documentRectFromWidget(QRectF(area)));
        context->flush();
    }
    return image;
}

void TDGraphicView::drawRect(GraphicsContext &context, const Rect &r)
{
    m_context = &context;
    m_secondaryEditing = QGuiApplication::queryKeyboardModifiers() & Qt::MetaModifier;
    const float z = zoom();

    context.save();
    context.addClipRect(r);
    context.setFillColor(Color::calibratedWhite(1));
    context.fillRect(r, CompositeOperation::Copy);

    initShadows();

    const Rect paper = m_document ? m_document->paperBounds() : Rect();
    if (m_document && !m_cmykPreview) {
        const float s = 1 / z;
        const float x = paper.minX(), y = paper.minY(), w = paper.width(), h = paper.height();
        const auto draw = [&context](ShadowPiece piece, const Rect &into) {
            context.drawImage(g_shadows[piece], into, Rect(), CompositeOperation::SourceOver, 1,
                              ImageOrigin::TopLeft);
        };
        draw(RightStrip, Rect(x + w, y + 4 * s, 8 * s, h - 4 * s));
        draw(LeftStrip, Rect(x - 8 * s, y + 4 * s, 8 * s, h - 4 * s));
        draw(BottomStrip, Rect(x, y + h, w, 8 * s));
        draw(RightCorner, Rect(x + w, y + h, 8 * s, 8 * s));
        draw(LeftCorner, Rect(x - 8 * s, y + h, 8 * s, 8 * s));
        // The corners across the top edge: the bottom ones upside down.
        const auto drawMirrored = [&context](ShadowPiece piece, const Rect &into) {
            context.drawImage(g_shadows[piece], into, Rect(), CompositeOperation::SourceOver, 1,
                              ImageOrigin::BottomLeft);
        };
        drawMirrored(RightCorner, Rect(x + w, y - 4 * s, 8 * s, 8 * s));
        drawMirrored(LeftCorner, Rect(x - 8 * s, y - 4 * s, 8 * s, 8 * s));
    }

    if (m_document && m_document->drawsGrid() && !m_document->drawsGridInFront())
        drawGrid(context);

    drawSplash(context);

    drawGraphicsInRect(context, r);

    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        context.save();
        graphic->drawSelectionInView(this, context);
        context.restore();
    }

    if (m_document) {
        // Everything outside the paper is dimmed, over what sticks out.
        PathBase veil;
        veil.appendRect(outsetRect(r, 1));
        veil.appendRect(paper);
        veil.setWindingRule(WindingRule::EvenOdd);
        context.save();
        context.setFillColor(Color::calibratedRGB(0.5f, 0.5f, 0.5f, 0.4f));
        context.fillPath(veil);
        context.restore();
        drawPages(context);
    }

    if (drawMode() == Tool::Edit)
        for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
            context.save();
            graphic->drawEditingInView(this, context);
            context.restore();
        }

    if (!isZeroRect(m_rubberbandRect)) {
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        const Color band = Color::deviceRGB(float(highlight.redF()), float(highlight.greenF()),
                                            float(highlight.blueF()));
        context.save();
        context.setFillColor(band.withAlpha(0.2f));
        context.fillRect(m_rubberbandRect);
        context.setStrokeColor(band);
        LineStyle hairline;
        hairline.width = 0;
        context.setLineStyle(hairline);
        context.strokePath(PathBase::withRect(m_rubberbandRect), GraphicsContext::LineSource::Context);
        context.restore();
    }

    if (m_creatingGraphic && m_creatingGraphic->drawingBounds().intersects(r)) {
        context.save();
        m_creatingGraphic->drawInView(this, context);
        context.restore();
    }

    // The text editor lies over the drawing, at the drawing's zoom.
    if (m_textEditor && m_textEditor->area().intersects(r))
        m_textEditor->draw(context, z);

    drawMarkers(context);

    if (m_document && m_document->drawsGrid() && m_document->drawsGridInFront())
        drawGrid(context);

    const Rect selected = selectedBounds();
    if (isZeroRect(m_rubberbandRect) && !editingGraphic() && drawMode() == Tool::Select &&
        !isZeroRect(selected) && !isTrackingKnobs())
        drawHandlesForSelectionRect(selected);

    if (m_gradientGraphic && m_gradientGraphic->fillStyle())
        m_gradientGraphic->fillStyle()->drawGradientHandlesInView(this);

    context.restore();
    m_context = nullptr;
}

void TDGraphicView::drawGraphicsInRectRGB(GraphicsContext &context, const Rect &rect)
{
    if (!m_document)
        return;
    TDGroup *current = m_document->currentLayer();
    if (m_useIsolation && current) {
        // The rest of the drawing dimmed behind the group, the group itself
        // at full strength.
        drawIsolationInRect(context, rect);
        context.save();
        current->drawInViewIsolation(this, context);
        context.restore();
        m_inIsolation = true;
        return;
    }
    for (const auto &layer : m_document->layers()) {
        context.save();
        layer->drawInView(this, context);
        context.restore();
    }
    m_inIsolation = false;
}

void TDGraphicView::drawGrid(GraphicsContext &context)
{
    if (!m_document)
        return;
    const Rect paper = m_document->paperBounds();
    const float W = paper.width();
    const float H = paper.height();
    const int n = std::max(1, m_document->numberOfSubGrids());
    const float g = std::max(1.0f, m_document->gridSpacing());
    const float z = zoom();
    const float step = g / float(n);
    // Lines stay at least 4 screen pixels apart.
    const float k = std::max(1.0f, std::ceil(4 / z / step));
    float d = step * k;
    if (d * z < 4)
        d += step;
    if (!(W > 0) || !(H > 0) || !std::isfinite(d) || !(d > 0))
        return;

    PathBase mainPath;
    PathBase subPath;
    for (long i = 0;; ++i) {
        const float x = float(i) * d;
        if (x >= W)
            break;
        PathBase &into = i % n == 0 ? mainPath : subPath;
        into.moveTo(Point(x, 0));
        into.lineTo(Point(x, H));
    }
    for (long i = 0;; ++i) {
        const float y = float(i) * d;
        if (y >= H)
            break;
        PathBase &into = i % n == 0 ? mainPath : subPath;
        into.moveTo(Point(0, y));
        into.lineTo(Point(W, y));
    }
    const Color c = m_document->gridColor();
    context.save();
    LineStyle hairline;
    hairline.width = 0;
    context.setLineStyle(hairline);
    if (z * d > 5 && !subPath.isEmpty()) {
        context.setStrokeColor(c.withAlpha(c.alpha() * 0.3f));
        context.strokePath(subPath, GraphicsContext::LineSource::Context);
    }
    context.setStrokeColor(c);
    context.strokePath(mainPath, GraphicsContext::LineSource::Context);
    context.restore();
}

void TDGraphicView::drawPages(GraphicsContext &context)
{
    if (!m_document)
        return;
    const Rect page = m_document->pageBounds();
    const Rect paper = m_document->paperBounds();
    PathBase breaks;
    for (int i = 1; i < m_document->pagesWide(); ++i) {
        const float x = std::trunc(float(i) * page.width()) + 0.5f;
        breaks.moveTo(Point(x, 0.5f));
        breaks.lineTo(Point(x, std::trunc(paper.height()) + 0.5f));
    }
    for (int j = 1; j < m_document->pagesHigh(); ++j) {
        const float y = std::trunc(float(j) * page.height()) + 0.5f;
        breaks.moveTo(Point(0.5f, y));
        breaks.lineTo(Point(std::trunc(paper.width()) + 0.5f, y));
    }
    if (breaks.isEmpty())
        return;
    context.save();
    context.setStrokeColor(Color::calibratedRGB(0, 1, 1));
    LineStyle dashed;
    dashed.width = 0;
    dashed.dash = {5, 5};
    context.setLineStyle(dashed);
    context.strokePath(breaks, GraphicsContext::LineSource::Context);
    context.restore();
}

// --- Handles ----------------------------------------------------------------------------------------

std::array<bool, 4> TDGraphicView::showHandlesForSelectionRect(const Rect &rect) const
{
    const float w = rect.width();
    const float h = rect.height();
    const float z = zoom();
    const bool control = m_secondaryEditing;
    if (w != 0 && h != 0)
        return {true, true, z * w > 32 && z * h > 32, true};
    if (w != 0) // a horizontal line
        return control ? std::array<bool, 4>{false, false, true, true} : std::array<bool, 4>{false, true, true, false};
    return control ? std::array<bool, 4>{false, false, true, true} : std::array<bool, 4>{true, false, true, false};
}

void TDGraphicView::drawHandlesForSelectionRect(const Rect &rect)
{
    const std::array<bool, 4> show = showHandlesForSelectionRect(rect);
    const float m = 10 / zoom();
    const float x = rect.minX() - m, y = rect.minY() - m;
    const float w = rect.width() + 2 * m, h = rect.height() + 2 * m;
    const bool control = m_secondaryEditing;
    const HandleType centre = control ? HandleType::Centre : HandleType::Middle;
    const HandleType corner = control ? HandleType::Rotate : HandleType::Corner;
    const HandleType middle = control ? HandleType::Skew : HandleType::Edge;
    if (show[2])
        drawHandleAtPoint(Point(x + w / 2, y + h / 2), centre);
    if (show[3])
        drawHandleAtPoint(Point(x, y), corner);
    if (show[0])
        drawHandleAtPoint(Point(x + w / 2, y), middle);
    if (show[3])
        drawHandleAtPoint(Point(x + w, y), corner);
    if (show[1]) {
        drawHandleAtPoint(Point(x, y + h / 2), middle);
        drawHandleAtPoint(Point(x + w, y + h / 2), middle);
    }
    if (show[3])
        drawHandleAtPoint(Point(x, y + h), corner);
    if (show[0])
        drawHandleAtPoint(Point(x + w / 2, y + h), middle);
    if (show[3])
        drawHandleAtPoint(Point(x + w, y + h), corner);
}

void TDGraphicView::drawHandleAtPoint(Point point, HandleType type)
{
    // Only during a paint is there a context to draw into.
    if (m_context)
        TDHandleImages::drawHandle(*m_context, point, type, zoom());
}

Rect TDGraphicView::rectForHandleAtPoint(Point point, HandleType type) const
{
    return TDHandleImages::rectForHandleAtPoint(point, type, zoom());
}

bool TDGraphicView::pointInHandleAtPoint(Point point, Point handle, HandleType type) const
{
    return TDHandleImages::pointInHandleAtPoint(point, handle, type, zoom());
}

bool TDGraphicView::rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type) const
{
    return TDHandleImages::rectOverHandleAtPoint(rect, handle, type, zoom());
}

Knob TDGraphicView::knobUnderPoint(Point p) const
{
    const Rect bounds = selectedBounds();
    if (m_selectedGraphics.empty() || isZeroRect(bounds))
        return Knob::None;
    const std::array<bool, 4> show = showHandlesForSelectionRect(bounds);
    const float m = 10 / zoom();
    const float x = bounds.minX() - m, y = bounds.minY() - m;
    const float w = bounds.width() + 2 * m, h = bounds.height() + 2 * m;
    const bool control = m_secondaryEditing;
    const auto hit = [this, p](float hx, float hy) {
        return pointInHandleAtPoint(p, Point(hx, hy), HandleType::Edge);
    };
    // With the secondary handles, corners rotate and middles skew.
    const auto corner = [control](Knob knob) { return control ? Knob::Rotate : knob; };
    const auto vertical = [control](Knob knob) { return control ? Knob::SkewX : knob; };
    const auto horizontal = [control](Knob knob) { return control ? Knob::SkewY : knob; };
    if (show[0] && show[1] && hit(x + w / 2, y + h / 2))
        return Knob::Body;
    if (show[3] && hit(x, y))
        return corner(Knob::TopLeft);
    if (show[0] && hit(x + w / 2, y))
        return vertical(Knob::TopMiddle);
    if (show[3] && hit(x + w, y))
        return corner(Knob::TopRight);
    if (show[1] && hit(x, y + h / 2))
        return horizontal(Knob::MiddleLeft);
    if (show[1] && hit(x + w, y + h / 2))
        return horizontal(Knob::MiddleRight);
    if (show[3] && hit(x, y + h))
        return corner(Knob::BottomLeft);
    if (show[0] && hit(x + w / 2, y + h))
        return vertical(Knob::BottomMiddle);
    if (show[3] && hit(x + w, y + h))
        return corner(Knob::BottomRight);
    return Knob::None;
}

// --- Invalidation -------------------------------------------------------------------------------------

void TDGraphicView::setNeedsDisplayInRect(const Rect &rect)
{
    if (m_recordInvalidRects) {
        m_recordedRect = MyUnionRect(m_recordedRect, rect);
        return;
    }
    if (isZeroRect(rect) || !std::isfinite(rect.minX()) || !std::isfinite(rect.minY()) ||
        !std::isfinite(rect.width()) || !std::isfinite(rect.height()))
        return;
    // A pixel more on each side: hairlines and antialiasing spill over.
    const QRect area = widgetRectFromDocument(rect).adjusted(-1, -1, 1, 1).intersected(this->rect());
    if (!area.isEmpty())
        update(area);
}

void TDGraphicView::setNeedsDisplay()
{
    update();
}

void TDGraphicView::startRecordingInvalidation()
{
    m_recordInvalidRects = true;
    m_recordedRect = Rect();
}

void TDGraphicView::endRecordingInvalidation()
{
    m_recordInvalidRects = false;
    setNeedsDisplayInRect(m_recordedRect);
}

void TDGraphicView::invalidateGraphic(TDGraphic *graphic)
{
    if (!graphic)
        return;
    if (graphicIsSelected(graphic))
        invalidateSelection();
    else
        setNeedsDisplayInRect(graphic->updateBounds());
}

void TDGraphicView::invalidateSelection()
{
    setNeedsDisplayInRect(selectionRect());
}

// --- Bounds ---------------------------------------------------------------------------------------------

Rect TDGraphicView::selectionRect() const
{
    const float z = zoom();
    Rect r;
    if (m_mode != EditState::EditTool && !editingGraphic()) {
        const Rect bounds = selectedBounds();
        if (!isZeroRect(bounds))
            r = outsetRect(bounds, 17 / z);
    }
    const bool editTool = drawMode() == Tool::Edit;
    for (const TDGraphicPtr &graphic : m_selectedGraphics)
        r = MyUnionRect(r, outsetRect(editTool ? graphic->editingBounds() : graphic->updateBounds(), 8 / z));
    return r;
}

Rect TDGraphicView::selectedBounds() const
{
    return boundsFor(m_selectedGraphics, false);
}

Rect TDGraphicView::selectedDrawingBounds() const
{
    return boundsFor(m_selectedGraphics, true);
}

Rect TDGraphicView::boundsFor(const TDGraphicArray &graphics, bool drawing) const
{
    Rect r;
    for (const TDGraphicPtr &graphic : graphics)
        if (graphic)
            r = MyUnionRect(r, drawing ? graphic->updateBounds() : graphic->bounds());
    return r;
}

Rect TDGraphicView::editingBoundsFor(const TDGraphicArray &graphics) const
{
    Rect r;
    for (const TDGraphicPtr &graphic : graphics)
        if (graphic)
            r = MyUnionRect(r, graphic->editingBounds());
    return r;
}

Rect TDGraphicView::maxBoundsFor(const TDGraphicArray &graphics) const
{
    return outsetRect(editingBoundsFor(graphics), 10 / zoom());
}

Rect TDGraphicView::insetRectForHalo(const Rect &rect) const
{
    return outsetRect(rect, 10 / zoom());
}

Rect TDGraphicView::insetRectForEditHandles(const Rect &rect) const
{
    return outsetRect(rect, 10 / zoom());
}

// --- Sizing ------------------------------------------------------------------------------------------------

void TDGraphicView::calculateSize()
{
    const ScalingScrollView *scroll = scrollView();
    const QSize c = scroll ? scroll->contentSize() : QSize(0, 0);
    const float z = zoom();
    const Rect paper = m_document ? m_document->paperBounds() : Rect(0, 0, 612, 792);

    const double sx = z * m_horizontalDPI;
    const double sy = z * m_verticalDPI;
    // The bounds origin lies on a whole pixel: otherwise every point of the
    // drawing falls at another place within its pixel than the drawing
    // expects, and a one-point line on pixel centres covers two pixels by
    // half.  (Moving left keeps what the origin was to show in the frame.)
    const auto onPixel = [](double origin, double scale) { return std::floor(origin * scale) / scale; };

    if (!UserDefaults::standard().boolean(QStringLiteral("auto center"))) {
        const long ox = (16384L - long(paper.width())) / 2;
        const long oy = (16384L - long(paper.height())) / 2;
        const int side = int(std::min(16384.0 * z, 16000000.0));
        setFrameAndBounds(QSize(side, side), Point(float(onPixel(-double(ox), sx)), float(onPixel(-double(oy), sy))));
        return;
    }

    Rect m;
    if (m_document) {
        bool any = false;
        for (const auto &layer : m_document->layers())
            any = any || !layer->graphics().empty();
        if (any)
            m = maxBoundsFor(m_document->graphics());
    }
    const Rect u = isZeroRect(m) ? paper : m.united(paper);
    double originX = u.minX();
    double originY = u.minY();
    if (c.width() > u.width() * sx)
        originX -= std::trunc((c.width() - u.width() * sx) / (2 * sx));
    if (c.height() > u.height() * sy)
        originY -= std::trunc((c.height() - u.height() * sy) / (2 * sy));
    originX = onPixel(originX, sx);
    originY = onPixel(originY, sy);
    const double frameW = std::max((double(u.maxX()) - originX) * sx, double(c.width()));
    const double frameH = std::max((double(u.maxY()) - originY) * sy, double(c.height()));
    // QWidget sizes stop at 16,777,215 pixels.
    const auto pixels = [](double v) { return int(std::clamp(std::ceil(v), 1.0, 16000000.0)); };
    setFrameAndBounds(QSize(pixels(frameW), pixels(frameH)), Point(float(originX), float(originY)));
}

void TDGraphicView::setFrameAndBounds(QSize frame, Point boundsOrigin)
{
    const bool resized = frame != size();
    const bool moved = !(boundsOrigin == m_boundsOrigin);
    if (!moved) {
        if (resized) {
            resize(frame);
            update();
        }
        updateRulers();
        return;
    }
    const Rect visible = visibleRect();
    resize(frame);
    m_boundsOrigin = boundsOrigin;
    scrollRectToVisible(visible);
    update();
    updateRulers();
}

} // namespace scrivane
