#include "ModelTestDoubles.h"

#include "model/TDGroup.h"
#include "model/TDHandleImages.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <algorithm>

namespace scrivane::test {

RecordingDocument::RecordingDocument()
{
    // One step per registration unless a test opens a group: no event loop
    // closes groups here.
    m_undo.setGroupsByEvent(false);
}

RecordingDocument::~RecordingDocument()
{
    // Graphics held elsewhere (by the test) must not reach a dead document.
    for (const auto &layer : layers)
        layer->setDocument(nullptr);
}

TDGraphicViewInterface *RecordingDocument::graphicView() const
{
    return m_canvas;
}

void RecordingDocument::invalidateGraphic(TDGraphic *graphic)
{
    invalidatedGraphics.push_back(graphic);
    if (m_canvas)
        m_canvas->invalidateGraphic(graphic);
}

bool RecordingDocument::removeFromGraphics(TDGraphic *graphic)
{
    const auto it = std::find_if(layers.begin(), layers.end(),
                                 [graphic](const TDGraphicPtr &g) { return g.get() == graphic; });
    if (it == layers.end())
        return false;
    layers.erase(it);
    return true;
}

RecordingCanvas::RecordingCanvas(RecordingDocument *document) : m_document(document)
{
    if (document)
        document->setCanvas(this);
}

RecordingCanvas::~RecordingCanvas()
{
    if (m_document)
        m_document->setCanvas(nullptr);
}

bool RecordingCanvas::graphicIsSelected(const TDGraphic *graphic) const
{
    return std::any_of(selection.begin(), selection.end(),
                       [graphic](const auto &g) { return g.get() == graphic; });
}

bool RecordingCanvas::graphicIsEditing(const TDGraphic *graphic) const
{
    return (mode == Tool::Edit && graphicIsSelected(graphic)) || graphic == editing;
}

void RecordingCanvas::deselectGraphic(TDGraphic *graphic)
{
    const auto it = std::find_if(selection.begin(), selection.end(),
                                 [graphic](const auto &g) { return g.get() == graphic; });
    if (it == selection.end())
        return;
    selection.erase(it);
    deselected.push_back(graphic);
}

void RecordingCanvas::trackKnob(Knob knob, const TDGraphicArray &graphics, const TDEvent &,
                                TrackingCompletion completion)
{
    trackedKnob = knob;
    trackedGraphics = graphics;
    pendingCompletion = std::move(completion);
}

void RecordingCanvas::finishTracking(bool completed, bool pointerDidMove)
{
    auto completion = std::move(pendingCompletion);
    pendingCompletion = nullptr;
    if (completion)
        completion({completed, pointerDidMove});
}

bool RecordingCanvas::isEventEscape(const TDEvent &event) const
{
    const bool key = event.type == TDEvent::Type::KeyDown || event.type == TDEvent::Type::KeyUp;
    return key && (event.characters == QString(QChar(27)) ||
                   (event.characters == QStringLiteral(".") && (event.modifierFlags & TDEvent::Command)));
}

bool RecordingCanvas::pointInHandleAtPoint(Point point, Point handle, HandleType type) const
{
    return TDHandleImages::pointInHandleAtPoint(point, handle, type, zoomFactor);
}

bool RecordingCanvas::rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type) const
{
    return TDHandleImages::rectOverHandleAtPoint(rect, handle, type, zoomFactor);
}

TestShape::TestShape() : TestShape(PathBase::withRect(Rect(0, 0, 1, 1))) {}

TestShape::TestShape(const PathBase &path) : m_path(std::make_shared<TDBezierPath>(path)) {}

std::shared_ptr<TestShape> TestShape::withPath(const PathBase &path)
{
    auto shape = std::make_shared<TestShape>(path);
    shape->recalculatePath();
    return shape;
}

std::shared_ptr<TestShape> TestShape::inRect(const Rect &rect)
{
    auto shape = std::make_shared<TestShape>();
    shape->setInitialTransformation(transformForBounds(rect));
    shape->recalculatePath();
    return shape;
}

std::shared_ptr<Archivable> TestShape::decode(KeyedUnarchiver &unarchiver)
{
    auto shape = std::make_shared<TestShape>();
    shape->initWithDictionary(unarchiver.decodeObject());
    return shape;
}

void TestShape::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(QStringLiteral("TDTestShape"), &TestShape::decode);
}

QImage renderImage(int width, int height, const std::function<void(GraphicsContext &)> &draw)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        auto context = GraphicsContext::forImage(image, true);
        draw(*context);
        context->flush();
    }
    return image;
}

namespace {

bool paintedNear(const QImage &image, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px >= 0 && py >= 0 && px < image.width() && py < image.height() && image.pixelColor(px, py).alpha() > 0)
                return true;
        }
    return false;
}

} // namespace

int pixelsApart(const QImage &a, const QImage &b)
{
    int apart = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixelColor(x, y).alpha() > 128 && !paintedNear(b, x, y))
                ++apart;
            if (b.pixelColor(x, y).alpha() > 128 && !paintedNear(a, x, y))
                ++apart;
        }
    return apart;
}

int solidPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
    return n;
}

Pixel pixelAt(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    return Pixel{c.red(), c.green(), c.blue(), c.alpha()};
}

} // namespace scrivane::test
