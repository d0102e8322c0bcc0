#include "CanvasTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>
#include <QVBoxLayout>

namespace scrivane::canvastest {

std::shared_ptr<TDRectangle> filledRectangle(const Rect &rect, const Color &color)
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(color);
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    graphic->recalculatePath();
    return graphic;
}

void CanvasTest::SetUp()
{
    UserDefaults::standard().registerDefaults({{QStringLiteral("auto center"), true},
                                               {QStringLiteral("autolockTools"), false},
                                               {QStringLiteral("select new graphics"), true}});
    TDApplicationServices::setInspector(&inspector);
    document = std::make_unique<TDDocument>();
    window = std::make_unique<QWidget>();
    window->resize(900, 700);
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    toolbar = new TDDocumentToolbar(window.get());
    scroll = new ScalingScrollView(window.get());
    layout->addWidget(toolbar);
    layout->addWidget(scroll);
    view = new TDGraphicView;
    scroll->setDocumentView(view);
    view->setDocument(document.get());
    toolbar->setupToolbar(document.get(), view);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    view->calculateSize();
    QApplication::processEvents();
}

void CanvasTest::TearDown()
{
    window.reset();
    document.reset();
    TDApplicationServices::setInspector(nullptr);
}

void CanvasTest::addQuietly(const TDGraphicPtr &graphic)
{
    graphic->setDocument(document.get());
    layer().addGraphic(graphic);
    document->undoManager()->removeAllActions();
}

QPointF CanvasTest::at(Point point) const
{
    return view->widgetPointFromDocument(point);
}

namespace {

void send(QWidget *widget, QEvent::Type type, QPointF where, Qt::MouseButton button, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers modifiers)
{
    const QPointF global = widget->mapToGlobal(where);
    QMouseEvent event(type, where, global, button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void CanvasTest::press(QPointF where, Qt::KeyboardModifiers modifiers)
{
    send(view, QEvent::MouseButtonPress, where, Qt::LeftButton, Qt::LeftButton, modifiers);
}

void CanvasTest::move(QPointF where, Qt::KeyboardModifiers modifiers)
{
    send(view, QEvent::MouseMove, where, Qt::NoButton, Qt::LeftButton, modifiers);
}

void CanvasTest::release(QPointF where, Qt::KeyboardModifiers modifiers)
{
    send(view, QEvent::MouseButtonRelease, where, Qt::LeftButton, Qt::NoButton, modifiers);
}

void CanvasTest::hover(QPointF where, Qt::KeyboardModifiers modifiers)
{
    send(view, QEvent::MouseMove, where, Qt::NoButton, Qt::NoButton, modifiers);
}

void CanvasTest::doubleClick(QPointF where, Qt::KeyboardModifiers modifiers)
{
    send(view, QEvent::MouseButtonDblClick, where, Qt::LeftButton, Qt::LeftButton, modifiers);
    release(where, modifiers);
    QApplication::processEvents();
}

void CanvasTest::pen(QEvent::Type type, QPointF where, double pressure)
{
    const QPointF global = view->mapToGlobal(where);
    const Qt::MouseButton button = type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton;
    QTabletEvent event(type, QPointingDevice::primaryPointingDevice(), where, global, pressure, 0, 0, 0, 0, 0,
                       Qt::NoModifier, button, buttons);
    QApplication::sendEvent(view, &event);
}

void CanvasTest::drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers, int steps)
{
    press(from, modifiers);
    for (int i = 1; i <= steps; ++i)
        move(from + (to - from) * (double(i) / steps), modifiers);
    release(to, modifiers);
    QApplication::processEvents();
}

void CanvasTest::click(QPointF where, Qt::KeyboardModifiers modifiers)
{
    press(where, modifiers);
    release(where, modifiers);
    QApplication::processEvents();
}

void CanvasTest::key(Qt::Key k, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(view, k, modifiers);
}

void CanvasTest::chooseTool(Tool tool)
{
    TDToolStrip *strip = toolbar->toolStrip();
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(tagOfTool(tool) * TDToolStrip::cellSize + 10, 10));
}

} // namespace scrivane::canvastest
