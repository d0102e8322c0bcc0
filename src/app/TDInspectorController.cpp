#include "app/TDInspectorController.h"

#include "app/CIController.h"
#include "app/JoystickView.h"
#include "app/RadiansToDegreesTransformer.h"
#include "app/TDColorWell.h"
#include "app/TDEffectsPane.h"
#include "app/TDDocumentWindow.h"
#include "app/TDFillPane.h"
#include "app/TDGridPane.h"
#include "app/TDLayerController.h"
#include "app/TDLayoutPane.h"
#include "app/TDShadowPane.h"
#include "app/TDSnapPanel.h"
#include "app/TDStrokePane.h"
#include "app/TDTextController.h"
#include "app/TDTextPane.h"
#include "app/TDTransformPane.h"
#include "canvas/TDCommandStep.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDStrokeStyle.h"
#include "platform/StringTable.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

TDInspectorController *g_shared = nullptr;

const QString RulerUnitsDidChange = QStringLiteral("Ruler units did change");

TDUndoManager *undoManagerOf(const TDGraphicView *view)
{
    TDDocument *document = view ? view->tdDocument() : nullptr;
    return document ? document->undoManager() : nullptr;
}

} // namespace

TDInspectorController::TDInspectorController(QObject *parent) : QObject(parent)
{
    m_styleGraphic = std::make_shared<TDGraphic>();
    m_selectedGraphics = {m_styleGraphic};
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TDInspectorController::windowDidUpdate);

    buildWindow();

    NotificationCenter &centre = NotificationCenter::defaultCenter();
    centre.addObserver(this, TDGraphic::didChangeNotification, nullptr,
                       [this](const Notification &) { graphicChanged(nullptr); });
    centre.addObserver(this, RulerUnitsDidChange, nullptr, [this](const Notification &) { scheduleRefresh(); });

    g_shared = this;
    TDApplicationServices::setInspector(this);
    scheduleRefresh();
}

TDInspectorController::~TDInspectorController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    endGesture();
    if (TDApplicationServices::inspector() == this)
        TDApplicationServices::setInspector(nullptr);
    if (g_shared == this)
        g_shared = nullptr;
    // The filter views live in a palette; their controller goes first.
    m_effects.reset();
    for (TDSnapPanel *palette : m_palettes)
        delete palette;
}

TDInspectorController *TDInspectorController::shared()
{
    return g_shared;
}

// --- Window ------------------------------------------------------------------------------------------

void TDInspectorController::buildWindow()
{
    m_fillPane = new TDFillPane;
    m_strokePane = new TDStrokePane;
    m_shadowPane = new TDShadowPane;
    m_transformPane = new TDTransformPane;
    m_layoutPane = new TDLayoutPane;
    m_gridPane = new TDGridPane;
    m_textPane = new TDTextPane;
    m_layerController = new TDLayerController(this);
    m_effectsPane = new TDEffectsPane;
    struct Made {
        Panel panel;
        const char *name;
        QString title;
        QWidget *pane;
    };
    const Made made[] = {
        {Panel::Fill, "fill", tr("Fill"), m_fillPane},
        {Panel::Stroke, "stroke", tr("Stroke"), m_strokePane},
        {Panel::Shadow, "effects", tr("Shadow and Opacity"), m_shadowPane},
        {Panel::Grid, "grid", tr("Grid"), m_gridPane},
        {Panel::Layout, "layout", tr("Layout"), m_layoutPane},
        {Panel::Layers, "layers", tr("Layers"), m_layerController->panel()},
        {Panel::Effects, "filters", tr("Effects"), m_effectsPane},
        {Panel::Transform, "transform", tr("Transform"), m_transformPane},
        {Panel::Text, "text", tr("Text"), m_textPane},
    };
    for (const Made &m : made)
        m_palettes[size_t(m.panel)] = new TDSnapPanel(QString::fromLatin1(m.name), m.title, m.pane);
    // One width for all, so that chains line up.
    int width = 0;
    for (const TDSnapPanel *p : palettes())
        width = std::max(width, p->width());
    for (TDSnapPanel *p : palettes())
        p->resize(width, p->height());
    // Panes that grow with their palette get the grip.
    palette(Panel::Layers)->setResizable(true);
    palette(Panel::Effects)->setResizable(true);
    m_textController = new TDTextController(m_textPane, this);

    connectShadowPane();
    connectDocumentPanes();
    connectFillPane();
    connectStrokePane();
    connectTransformPane();
    m_effects = std::make_unique<CIController>(m_effectsPane, this);
}

TDSnapPanel *TDInspectorController::palette(Panel panel) const
{
    const size_t tag = size_t(panel);
    return tag < m_palettes.size() ? m_palettes[tag] : nullptr;
}

std::vector<TDSnapPanel *> TDInspectorController::palettes() const
{
    std::vector<TDSnapPanel *> made;
    for (TDSnapPanel *palette : m_palettes)
        if (palette)
            made.push_back(palette);
    return made;
}

void TDInspectorController::showInspector(int tag)
{
    if (tag < 0 || size_t(tag) >= m_palettes.size())
        return;
    TDSnapPanel *shown = m_palettes[size_t(tag)];
    if (!shown)
        return;
    if (shown->isVisible()) {
        shown->closePalette();
        return;
    }
    shown->orderFront();
    shown->jog();
    windowDidUpdate();
}

Rect TDInspectorController::windowZoomRect() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return Rect();
    const QRect visible = screen->availableGeometry();
    const Rect frame(float(visible.x()), float(visible.y()), float(visible.width()), float(visible.height()));
    // Document windows keep clear of the panels that stand at an edge of
    // the screen, once any of them is shown.
    std::vector<TDSnapPanel *> considered;
    for (Panel panel : {Panel::Fill, Panel::Stroke, Panel::Shadow, Panel::Grid, Panel::Layout, Panel::Layers,
                        Panel::Effects})
        if (TDSnapPanel *p = palette(panel))
            considered.push_back(p);
    if (std::none_of(considered.begin(), considered.end(), [](const TDSnapPanel *p) { return p->isVisible(); }))
        return frame;
    int left = int(frame.minX());
    int right = int(frame.maxX());
    int atLeft = 0;
    int atRight = 0;
    for (const TDSnapPanel *p : considered) {
        const QRect panel = p->frameGeometry();
        if (panel.x() < frame.minX() + 75) {
            ++atLeft;
            left = std::max(left, panel.x() + panel.width() + 15);
        }
        if (panel.x() + panel.width() > frame.maxX() - 75) {
            ++atRight;
            right = std::min(right, panel.x() - 15);
        }
    }
    Rect answer = frame;
    if (atLeft > 0 && atRight <= atLeft) {
        answer.origin.x = float(left);
        answer.size.width = frame.width() - (float(left) - frame.minX());
    } else if (atRight > atLeft) {
        answer.size.width = float(right) - frame.minX();
    }
    return answer;
}

// --- What is inspected ---------------------------------------------------------------------------------

void TDInspectorController::setMainWindow(QWidget *window)
{
    TDGraphicView *candidate = nullptr;
    if (auto *documentWindow = qobject_cast<TDDocumentWindow *>(window))
        if (documentWindow->document())
            candidate = documentWindow->graphicView();
    inspect(candidate);
}

void TDInspectorController::inspect(TDGraphicView *candidate)
{
    if (candidate == m_view)
        return;
    endGesture();
    m_view = candidate;
    m_layerController->inspect(candidate);
    if (candidate)
        connect(candidate, &QObject::destroyed, this, &TDInspectorController::scheduleRefresh,
                Qt::UniqueConnection);
    graphicChanged(nullptr);
}

TDGraphicView *TDInspectorController::inspectingView() const
{
    return m_view.data();
}

TDDocument *TDInspectorController::inspectingDocument() const
{
    return m_view ? m_view->tdDocument() : nullptr;
}

TDGraphic *TDInspectorController::visibleGraphic() const
{
    if (m_view && !m_view->selection().empty())
        return m_view->selection().front().get();
    return m_styleGraphic.get();
}

TDGraphicArray TDInspectorController::targets() const
{
    if (m_view && !m_view->selection().empty())
        return m_view->selection();
    return {m_styleGraphic};
}

TDUndoManager *TDInspectorController::undoManager() const
{
    return undoManagerOf(m_view);
}

// --- Refresh --------------------------------------------------------------------------------------------

void TDInspectorController::graphicChanged(TDGraphic *)
{
    m_needsUpdate = true;
    scheduleRefresh();
}

void TDInspectorController::scheduleRefresh()
{
    m_needsUpdate = true;
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void TDInspectorController::refreshSelection()
{
    m_selectedGraphics = m_view ? m_view->selection() : TDGraphicArray();
    if (m_selectedGraphics.empty())
        m_selectedGraphics = {m_styleGraphic};
}

void TDInspectorController::windowDidUpdate()
{
    if (!m_needsUpdate)
        return;
    m_refreshTimer.stop();
    refreshSelection();
    TDGraphic *shown = visibleGraphic();
    m_updating = true;
    updateTransform(m_view ? m_view->selection() : TDGraphicArray());
    updateFill(shown);
    updateStroke(shown);
    updateShadowAndEffects(shown);
    updateDocumentPanes();
    if (m_effects)
        m_effects->setGraphic(m_selectedGraphics.front());
    m_needsUpdate = false;
    m_updating = false;
}

void TDInspectorController::show(QLineEdit *field, const QString &text)
{
    const QSignalBlocker quiet(field);
    field->setText(text);
}

void TDInspectorController::updateShadowAndEffects(TDGraphic *graphic)
{
    TDShadowPane &p = *m_shadowPane;
    const bool enabled = graphic && m_view;
    for (QWidget *control : std::initializer_list<QWidget *>{p.shadowCheck, p.shadowColorWell, p.shadowRadiusSlider,
                                                            p.shadowView, p.effectAlpha, p.effectAlphaField,
                                                            p.filterCheck, p.filterResolution, p.blendMode})
        control->setEnabled(enabled);
    if (!enabled)
        return;
    const QSignalBlocker b1(p.shadowCheck), b2(p.shadowRadiusSlider), b3(p.effectAlpha), b4(p.filterCheck),
        b5(p.filterResolution), b6(p.blendMode);
    const int imageItem = p.filterResolution->findData(TDShadowPane::ImageResolutionTag);
    if (graphic->canOptimiseImageFilters()) {
        if (imageItem < 0)
            p.filterResolution->addItem(tr("Image"), TDShadowPane::ImageResolutionTag);
    } else if (imageItem >= 0) {
        p.filterResolution->removeItem(imageItem);
    }
    p.blendMode->setCurrentIndex(std::max(0, p.blendMode->findData(graphic->blendMode())));
    p.shadowView->setAngle(float(RadiansToDegreesTransformer::transformedValue(graphic->shadowAngle())),
                           graphic->shadowDistance());
    p.shadowCheck->setTristate(false);
    p.shadowCheck->setChecked(graphic->hasShadow());
    p.shadowColorWell->setColor(graphic->shadowColor());
    p.shadowRadiusSlider->setValue(int(std::lround(graphic->shadowRadius())));
    p.effectAlpha->setValue(int(std::lround(graphic->alphaValue() * TDShadowPane::AlphaSliderScale)));
    show(p.effectAlphaField, QLocale().toString(double(graphic->alphaValue()), 'f', 2));
    if (isMixed([](const TDGraphic &g) { return std::optional(g.blendMode()); }))
        p.blendMode->setCurrentIndex(-1);
    if (isMixed([](const TDGraphic &g) { return std::optional(g.alphaValue()); }))
        show(p.effectAlphaField, QString());
    if (isMixed([](const TDGraphic &g) { return std::optional(g.hasShadow()); }))
        p.shadowCheck->setCheckState(Qt::PartiallyChecked);
    p.filterCheck->setChecked(graphic->usesFilters());
    const int resolution = p.filterResolution->findData(graphic->filterResolution());
    if (resolution >= 0)
        p.filterResolution->setCurrentIndex(resolution);
}

// --- Applying changes -------------------------------------------------------------------------------------

void TDInspectorController::inStep(const QString &name, const std::function<void()> &change)
{
    TDUndoManager *undo = undoManager();
    if (m_gestureUndo && m_gestureUndo == undo && m_gestureView == m_view) {
        change();
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), name));
        return;
    }
    TDCommandStep step(undo);
    change();
    step.name(name);
}

void TDInspectorController::applySelector(const std::function<void(TDGraphic &)> &setter, const QString &name)
{
    if (!m_view) {
        setter(*m_styleGraphic);
        return;
    }
    const TDGraphicArray graphics = targets();
    inStep(name, [&] {
        for (const TDGraphicPtr &graphic : graphics)
            setter(*graphic);
    });
}

void TDInspectorController::applyFillSelector(const std::function<void(TDFillStyle &)> &setter, const QString &name)
{
    applySelector(
        [&setter](TDGraphic &graphic) {
            if (graphic.fillStyle())
                setter(*graphic.fillStyle());
        },
        name);
}

void TDInspectorController::applyStrokeSelector(const std::function<void(TDStrokeStyle &)> &setter,
                                                const QString &name)
{
    applySelector(
        [&setter](TDGraphic &graphic) {
            if (graphic.strokeStyle())
                setter(*graphic.strokeStyle());
        },
        name);
}

void TDInspectorController::beginGesture()
{
    if (m_gestureUndo)
        return;
    TDUndoManager *undo = undoManager();
    if (!undo)
        return;
    undo->beginUndoGrouping();
    m_gestureUndo = undo;
    m_gestureView = m_view;
}

void TDInspectorController::endGesture()
{
    TDUndoManager *undo = std::exchange(m_gestureUndo, nullptr);
    // The manager went away with its canvas's document when the window
    // closed during the gesture.
    if (undo && m_gestureView && undoManagerOf(m_gestureView) == undo)
        undo->endUndoGrouping();
    m_gestureView = nullptr;
}

void TDInspectorController::connectGesture(QAbstractSlider *slider)
{
    connect(slider, &QAbstractSlider::sliderPressed, this, &TDInspectorController::beginGesture);
    connect(slider, &QAbstractSlider::sliderReleased, this, &TDInspectorController::endGesture);
}

void TDInspectorController::onText(QLineEdit *field, std::function<bool(const QString &)> action)
{
    connect(field, &QLineEdit::editingFinished, this, [this, field, action] {
        if (m_updating || !field->isModified())
            return;
        field->setModified(false);
        const bool taken = action(field->text());
        // Taken or not, the field shows what the model holds now.
        scheduleRefresh();
        if (!taken)
            windowDidUpdate();
    });
}

void TDInspectorController::showMessage(const QString &message)
{
    if (m_messageSink) {
        m_messageSink(message);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Image"), message, QMessageBox::Ok, palette(Panel::Fill));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// --- Shadow, blend mode, opacity, effects -----------------------------------------------------------------------

void TDInspectorController::connectShadowPane()
{
    TDShadowPane &p = *m_shadowPane;
    p.shadowView->setMaxOffset(15);
    on(p.shadowColorWell, &TDColorWell::colorChanged, [this](const Color &c) { shadowColorWellAction(c); });
    on(p.shadowRadiusSlider, &QSlider::valueChanged, [this](int v) { shadowRadiusAction(float(v)); });
    connectGesture(p.shadowRadiusSlider);
    on(p.shadowCheck, &QCheckBox::clicked, [this](bool on) { shadowAction(on); });
    on(p.shadowView, &JoystickView::offsetChanged, [this](float offset) { shadowOffset(offset); });
    on(p.shadowView, &JoystickView::angleChanged, [this](float radians) { shadowAngle(radians); });
    connect(p.shadowView, &JoystickView::pressed, this, &TDInspectorController::beginGesture);
    connect(p.shadowView, &JoystickView::released, this, &TDInspectorController::endGesture);
    on(p.blendMode, &QComboBox::activated, [this](int index) { blendAction(m_shadowPane->blendMode->itemData(index).toInt()); });
    on(p.effectAlpha, &QSlider::valueChanged,
       [this](int v) { effectAlpha(float(v) / TDShadowPane::AlphaSliderScale); });
    connectGesture(p.effectAlpha);
    onText(p.effectAlphaField, [this](const QString &text) { return effectAlphaText(text); });
    on(p.filterCheck, &QCheckBox::clicked, [this](bool on) { usesFilters(on); });
    on(p.filterResolution, &QComboBox::activated,
       [this](int index) { filterResolution(m_shadowPane->filterResolution->itemData(index).toInt()); });
}

void TDInspectorController::shadowColorWellAction(const Color &color)
{
    applySelector([&color](TDGraphic &g) { g.setShadowColor(color); }, QStringLiteral("Set Shadow Colour"));
}

void TDInspectorController::shadowRadiusAction(float radius)
{
    radius = std::max(0.0f, radius);
    applySelector([radius](TDGraphic &g) { g.setShadowRadius(radius); }, QStringLiteral("Set Shadow Radius"));
}

void TDInspectorController::shadowAction(bool on)
{
    applySelector([on](TDGraphic &g) { g.setHasShadow(on); }, QStringLiteral("Set Shadow"));
}

void TDInspectorController::shadowOffset(float offset)
{
    applySelector([offset](TDGraphic &g) { g.setShadowDistance(offset); }, QStringLiteral("Set Shadow Position"));
}

void TDInspectorController::shadowAngle(float angle)
{
    applySelector([angle](TDGraphic &g) { g.setShadowAngle(angle); }, QStringLiteral("Set Shadow Position"));
}

void TDInspectorController::blendAction(int mode)
{
    if (mode < 0 || mode > 15)
        return;
    applySelector([mode](TDGraphic &g) { g.setBlendMode(mode); }, QStringLiteral("Set Blend Mode"));
}

void TDInspectorController::effectAlpha(float alpha)
{
    if (std::isnan(alpha))
        return;
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    applySelector([alpha](TDGraphic &g) { g.setAlphaValue(alpha); }, QStringLiteral("Set Alpha Value"));
    // Slider and field follow each other.
    const QSignalBlocker quiet(m_shadowPane->effectAlpha);
    m_shadowPane->effectAlpha->setValue(int(std::lround(alpha * TDShadowPane::AlphaSliderScale)));
    show(m_shadowPane->effectAlphaField, QLocale().toString(double(alpha), 'f', 2));
}

bool TDInspectorController::effectAlphaText(const QString &text)
{
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    effectAlpha(float(value));
    return true;
}

void TDInspectorController::usesFilters(bool on)
{
    applySelector([on](TDGraphic &g) { g.setUsesFilters(on); }, QStringLiteral("Set Filters Enabled"));
}

void TDInspectorController::filterResolution(int resolution)
{
    // The effects list must not take the change of each graphic for an
    // edit of its own.
    if (m_effects)
        m_effects->setPushingEdits(true);
    applySelector([resolution](TDGraphic &g) { g.setFilterResolution(resolution); },
                  QStringLiteral("Set Filter Resolution"));
    if (m_effects) {
        m_effects->setPushingEdits(false);
        m_effects->setScale_n(PropertyList(resolution));
    }
}

void TDInspectorController::edit()
{
    if (!m_view || m_view->selection().empty())
        return;
    m_view->selection().front()->startEditingWithEvent(nullptr, m_view);
}

} // namespace scrivane
