#include "canvas/TDGraphicView.h"

#include "document/TDDocument.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "platform/GraphicsContext.h"
#include "platform/NotificationCenter.h"
#include "platform/Profile.h"
#include "platform/UndoManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

const QString ColorProofDidChange = QStringLiteral("color proof did change");

// The splash is one per process: the canvas that drew first owns it.
struct SplashState {
    bool enabled = false;
    QPointer<TDGraphicView> owner;
    bool ownerChosen = false;
    double start = -1.0;
    std::function<double()> clock;
};

SplashState &splash()
{
    static SplashState state;
    return state;
}

double splashNow()
{
    SplashState &s = splash();
    if (s.clock)
        return s.clock();
    static QElapsedTimer steady = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(steady.nsecsElapsed()) / 1e9;
}

bool documentIsEmpty(const TDDocument *document)
{
    if (!document)
        return true;
    const auto &layers = document->layers();
    return std::all_of(layers.begin(), layers.end(), [](const auto &layer) { return layer->graphics().empty(); });
}

// Whether the graphic lies in the group (or is it).
bool isInside(const TDGraphic *graphic, const TDGraphic *group)
{
    for (std::shared_ptr<TDGroup> parent; graphic; graphic = parent.get()) {
        if (graphic == group)
            return true;
        parent = graphic->layer();
    }
    return false;
}

} // namespace

// --- Soft proof -----------------------------------------------------------------------------------------

namespace {
TDGraphicView::ProofProfileSource &proofSource()
{
    static TDGraphicView::ProofProfileSource source;
    return source;
}
} // namespace

void TDGraphicView::setProofProfileSource(ProofProfileSource source)
{
    proofSource() = std::move(source);
}

ProfilePtr TDGraphicView::proofProfile()
{
    return proofSource() ? proofSource()() : nullptr;
}

void TDGraphicView::cmykPreview(QAction *sender)
{
    setCmykPreview(!m_cmykPreview);
    if (sender) {
        sender->setCheckable(true);
        sender->setChecked(m_cmykPreview);
    }
}

void TDGraphicView::setCmykPreview(bool on)
{
    if (on == m_cmykPreview)
        return;
    m_cmykPreview = on;
    setNeedsDisplay();
}

void TDGraphicView::updateProof()
{
    if (m_cmykPreview)
        setNeedsDisplay();
}

void TDGraphicView::drawGraphicsInRect(GraphicsContext &context, const Rect &rect)
{
    if (!m_proofObserving) {
        // Once per canvas: the proof's profile, and every change that makes
        // the isolation backdrop stale.
        m_proofObserving = true;
        NotificationCenter &center = NotificationCenter::defaultCenter();
        center.addObserver(this, ColorProofDidChange, nullptr, [this](const Notification &) { updateProof(); });
        const auto stale = [this](const Notification &note) {
            if (!m_useIsolation || !m_inIsolation)
                return;
            const TDGroup *group = m_document ? m_document->currentLayer() : nullptr;
            if (note.name == TDGraphic::didChangeNotification && group &&
                isInside(static_cast<const TDGraphic *>(note.object), group))
                return;
            m_inIsolation = false;
        };
        center.addObserver(this, TDGraphic::didChangeNotification, nullptr, stale);
        for (const QString &name : {UndoManager::didUndoChangeNotification, UndoManager::didRedoChangeNotification})
            center.addObserver(this, name, nullptr, stale);
    }
    if (!m_cmykPreview) {
        drawGraphicsInRectRGB(context, rect);
        return;
    }
    const ProfilePtr profile = proofProfile();
    // Without a profile that can proof (grey, RGB or CMYK) the graphics are
    // not shown at all: what shows must be what prints.
    if (!profile || !profile->canProof())
        return;
    cairo_t *cr = context.cairo();
    if (!cr || context.isVectorTarget()) {
        drawGraphicsInRectRGB(context, rect);
        return;
    }
    // The graphics on white paper into an off-screen group of the dirty
    // area's pixels, those pixels through the device's gamut, the result
    // over the window.
    context.save();
    context.addClipRect(rect);
    cairo_push_group_with_content(cr, CAIRO_CONTENT_COLOR_ALPHA);
    context.setFillColor(Color::calibratedWhite(1));
    context.fillRect(rect, CompositeOperation::Copy);
    drawGraphicsInRectRGB(context, rect);
    cairo_pattern_t *group = cairo_pop_group(cr);
    cairo_surface_t *surface = nullptr;
    if (cairo_pattern_get_surface(group, &surface) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE &&
        cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32) {
        cairo_surface_flush(surface);
        const int w = cairo_image_surface_get_width(surface);
        const int h = cairo_image_surface_get_height(surface);
        if (unsigned char *data = cairo_image_surface_get_data(surface); data && w > 0 && h > 0) {
            QImage pixels(data, w, h, cairo_image_surface_get_stride(surface), QImage::Format_ARGB32_Premultiplied);
            profile->softProof(pixels, pixels.rect());
        }
        cairo_surface_mark_dirty(surface);
    }
    cairo_save(cr);
    cairo_set_source(cr, group);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(group);
    context.restore();
}

// --- Isolation backdrop ----------------------------------------------------------------------------------

void TDGraphicView::drawIsolationInRect(GraphicsContext &context, const Rect &)
{
    if (!m_document)
        return;
    const TDGroup *group = m_document->currentLayer();
    const Rect v = visibleRect();
    const float z = zoom();
    const double sx = double(z) * m_horizontalDPI;
    const double sy = double(z) * m_verticalDPI;
    const QSize size(int(std::ceil(double(v.width()) * sx)), int(std::ceil(double(v.height()) * sy)));
    if (size.isEmpty() || size.width() > 16384 || size.height() > 16384)
        return;

    const bool sameView = m_inIsolation && !m_isoBuffer.isNull() && m_isoZoom == z && m_isoBuffer.size() == size;
    if (!sameView || !(v == m_isoVisibleRect)) {
        QImage next(size, QImage::Format_ARGB32_Premultiplied);
        next.fill(Qt::transparent);
        std::vector<Rect> areas;
        // A pure scroll by whole pixels keeps what is still in view and
        // draws only the strips that came into it.
        const double dx = double(m_isoVisibleRect.minX() - v.minX()) * sx;
        const double dy = double(m_isoVisibleRect.minY() - v.minY()) * sy;
        const bool wholePixels = std::abs(dx - std::round(dx)) < 0.01 && std::abs(dy - std::round(dy)) < 0.01;
        if (sameView && wholePixels && std::abs(dx) < size.width() && std::abs(dy) < size.height()) {
            QPainter shift(&next);
            shift.setCompositionMode(QPainter::CompositionMode_Source);
            shift.drawImage(QPointF(std::round(dx), std::round(dy)), m_isoBuffer);
            shift.end();
            const float ux = float(std::abs(dx) / sx), uy = float(std::abs(dy) / sy);
            if (dx > 0)
                areas.emplace_back(v.minX(), v.minY(), ux, v.height());
            else if (dx < 0)
                areas.emplace_back(v.maxX() - ux, v.minY(), ux, v.height());
            if (dy > 0)
                areas.emplace_back(v.minX(), v.minY(), v.width(), uy);
            else if (dy < 0)
                areas.emplace_back(v.minX(), v.maxY() - uy, v.width(), uy);
        } else {
            areas.push_back(v);
        }
        if (auto gc = GraphicsContext::forImage(next, true)) {
            gc->concatCTM(AffineTransform(float(sx), 0, 0, float(sy), float(-double(v.minX()) * sx),
                                          float(-double(v.minY()) * sy)));
            // The group is left out of this drawing, not hidden: drawing
            // never changes the document.
            for (const Rect &area : areas) {
                gc->save();
                gc->addClipRect(area);
                for (const auto &layer : m_document->layers()) {
                    gc->save();
                    if (isInside(group, layer.get()))
                        drawAllBut(*layer, group, *gc);
                    else
                        layer->drawInView(this, *gc);
                    gc->restore();
                }
                gc->restore();
            }
            gc->flush();
        }
        m_isoBuffer = std::move(next);
        m_isoZoom = z;
        m_isoVisibleRect = v;
        ++m_isolationBuilds;
    }
    context.drawImage(m_isoBuffer, m_isoVisibleRect, Rect(), CompositeOperation::SourceOver, 0.3f,
                      ImageOrigin::TopLeft);
}

void TDGraphicView::drawAllBut(const TDGroup &container, const TDGraphic *leftOut, GraphicsContext &context)
{
    if (!container.visible())
        return;
    for (const TDGraphicPtr &graphic : container.graphics()) {
        if (graphic.get() == leftOut)
            continue;
        context.save();
        const auto *holder = dynamic_cast<const TDGroup *>(graphic.get());
        if (holder && isInside(leftOut, holder))
            drawAllBut(*holder, leftOut, context);
        else
            graphic->drawInView(this, context);
        context.restore();
    }
}

// --- Splash ---------------------------------------------------------------------------------------------

QImage TDGraphicView::splashImage()
{
    static const QImage image = [] {
        // The picture of the application's resources, and the version line
        // written into the band at its bottom.
        QImage picture = QImage(QStringLiteral(":/canvas/splash_scrivane.png"))
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (picture.isNull()) {
            qWarning("The splash picture \"splash_scrivane\" could not be loaded");
            return picture;
        }
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        QFont small(QStringLiteral("DejaVu Sans"));
        small.setPixelSize(12);
        p.setFont(small);
        p.setPen(Qt::black);
        QString version = QCoreApplication::applicationVersion();
        if (version.isEmpty())
            version = QStringLiteral("1.0");
        p.drawText(QRectF(0, 320, 472, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("version %1").arg(version));
        return picture;
    }();
    return image;
}

bool TDGraphicView::ownsSplash() const
{
    return splash().owner == this;
}

double TDGraphicView::splashRemaining()
{
    const SplashState &s = splash();
    if (s.start < 0)
        return -1.0;
    return splashDuration + s.start - splashNow();
}

void TDGraphicView::shortenSplash()
{
    SplashState &s = splash();
    if (s.start >= 0 && splashRemaining() > 1.0)
        s.start = splashNow() - splashDuration + 1.0;
}

void TDGraphicView::resetSplash(bool enabled, std::function<double()> clock)
{
    SplashState &s = splash();
    s.enabled = enabled;
    s.owner = nullptr;
    s.ownerChosen = false;
    s.start = -1.0;
    s.clock = std::move(clock);
}

void TDGraphicView::drawSplash(GraphicsContext &context)
{
    SplashState &s = splash();
    if (!s.enabled)
        return;
    // Whose splash it is is settled first, by the first canvas that ever
    // draws, and whether it shows at all with it: only when that canvas's
    // document was empty (in every layer) at that moment.
    if (!s.ownerChosen) {
        s.ownerChosen = true;
        s.owner = this;
        if (documentIsEmpty(m_document))
            s.start = splashNow();
    }
    if (s.owner != this)
        return;
    const double remaining = splashRemaining();
    if (remaining <= 0) {
        if (m_splashTimer)
            m_splashTimer->stop();
        return;
    }
    const QImage image = splashImage();
    if (image.isNull())
        return;
    context.drawImage(image, Rect(0, 0, float(image.width()), float(image.height())), Rect(),
                      CompositeOperation::SourceOver, float(std::min(1.0, remaining)), ImageOrigin::TopLeft);
    // The fade is paced by a timer of this canvas: it goes with the canvas.
    if (!m_splashTimer) {
        m_splashTimer = new QTimer(this);
        m_splashTimer->setInterval(50);
        connect(m_splashTimer, &QTimer::timeout, this, [this] {
            invalidateSplash();
            if (splashRemaining() <= 0)
                m_splashTimer->stop();
        });
    }
    if (!m_splashTimer->isActive())
        m_splashTimer->start();
}

void TDGraphicView::invalidateSplash()
{
    const QImage image = splashImage();
    setNeedsDisplayInRect(Rect(0, 0, float(image.width()), float(image.height())));
}

} // namespace scrivane
