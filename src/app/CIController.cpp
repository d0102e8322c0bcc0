#include "app/CIController.h"

#include "app/FilterListView.h"
#include "app/FilterView.h"
#include "app/ScaleTransformer.h"
#include "app/TDEffectsPane.h"
#include "app/TDInspectorController.h"
#include "model/TDFilter.h"
#include "model/TDGraphic.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectRegistry.h"
#include "platform/effects/FilterCategory.h"

#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

CIController *g_shared = nullptr;

const QString InputImage = QStringLiteral("inputImage");
const QString InputBackgroundImage = QStringLiteral("inputBackgroundImage");
const QString InputTargetImage = QStringLiteral("inputTargetImage");

// One list for the life of the process: validations add to it, nothing
// clears it.
QStringList &positional()
{
    static QStringList names;
    return names;
}

} // namespace

CIController::CIController(TDEffectsPane *pane, TDInspectorController *inspector, QObject *parent)
    : QObject(parent), m_pane(pane), m_inspector(inspector)
{
    initialize();
    if (pane) {
        pane->interfaceView->setController(this);
        connect(pane, &TDEffectsPane::resized, this, &CIController::positionFilters);
    }
    m_dragRunner = [](FilterView *view, QMimeData *data, const QPixmap &face, QPoint hotSpot) {
        auto *drag = new QDrag(view);
        drag->setMimeData(data);
        drag->setPixmap(face);
        drag->setHotSpot(hotSpot);
        drag->exec(Qt::MoveAction);
    };
    g_shared = this;
    TDApplicationServices::setEffectsController(this);
    awakeFromNib();
    positionFilters();
}

CIController::~CIController()
{
    while (m_editDepth > 0)
        endEdit();
    if (TDApplicationServices::effectsController() == this)
        TDApplicationServices::setEffectsController(nullptr);
    if (g_shared == this)
        g_shared = nullptr;
    if (m_pane)
        m_pane->interfaceView->setController(nullptr);
    clearViews();
    delete m_addMenu;
}

CIController *CIController::defaultController()
{
    return g_shared;
}

void CIController::initialize()
{
    ScaleTransformer::setValueTransformer(QStringLiteral("x2 ScaleTransformer"), ScaleTransformer(2.0f));
    ScaleTransformer::setValueTransformer(QStringLiteral("x4 ScaleTransformer"), ScaleTransformer(4.0f));
    ScaleTransformer::setValueTransformer(QStringLiteral("x8 ScaleTransformer"), ScaleTransformer(8.0f));
    ScaleTransformer::setValueTransformer(QStringLiteral("NumberTransformer"), ScaleTransformer(1.0f));
    ScaleTransformer::setValueTransformer(QStringLiteral("AngleTransformer"), ScaleTransformer(0.0174532924f));
}

// --- The add menu ------------------------------------------------------------------------------------------

QStringList CIController::menuCategories()
{
    using namespace FilterCategory;
    QStringList categories;
    for (const char *category : {GeometryAdjustment, DistortionEffect, Blur, Sharpen, ColorAdjustment, ColorEffect,
                                 Stylize, HalftoneEffect, TileEffect, Generator, Gradient, CompositeOperation,
                                 Transition})
        categories << QString::fromLatin1(category);
    return categories;
}

void CIController::awakeFromNib()
{
    delete m_addMenu;
    m_addMenu = new QMenu(tr("Filters"));
    m_addMenu->setObjectName(QStringLiteral("Filters"));
    for (const QString &category : menuCategories())
        addCategory(category);
    if (m_pane)
        m_pane->addButton->setMenu(m_addMenu);
}

void CIController::addCategory(const QString &category)
{
    QMenu *submenu = m_addMenu->addMenu(EffectRegistry::categoryDisplayName(category));
    submenu->setObjectName(category);
    QFont font = submenu->font();
    font.setPointSize(12);
    submenu->menuAction()->setFont(font);
    addArray(EffectRegistry::shared().filterNames(category), submenu);
}

void CIController::addArray(const QStringList &filterNames, QMenu *menu)
{
    for (const QString &name : filterNames) {
        const std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(name);
        if (!filter || !validFilter(*filter))
            continue;
        QAction *item = menu->addAction(filter->classAttributes().displayName);
        QFont font = item->font();
        font.setPointSize(12);
        item->setFont(font);
        item->setData(name);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, [this, name] { add(name); });
    }
}

bool CIController::validFilter(const EffectFilter &filter)
{
    if (filter.name() == QStringLiteral("CIConstantColorGenerator"))
        return false;
    for (const InputAttribute &input : filter.inputAttributes()) {
        if (input.key == InputImage || input.key == InputTargetImage || input.key == InputBackgroundImage)
            continue;
        switch (input.kind) {
        case ValueKind::Number:
            if (!input.hasSliderRange() && input.type != InputType::Boolean)
                return false;
            break;
        case ValueKind::Color:
        case ValueKind::Transform:
            break;
        case ValueKind::Vector:
            if ((input.type == InputType::Position || input.type == InputType::Position3 ||
                 input.type == InputType::Rectangle) &&
                !positional().contains(filter.name()))
                positional().append(filter.name());
            break;
        default:
            return false;
        }
    }
    return true;
}

QStringList CIController::positionalFilters() const
{
    return positional();
}

// --- Showing ------------------------------------------------------------------------------------------------

TDGraphicView *CIController::inspectingView() const
{
    return m_inspector ? m_inspector->inspectingView() : nullptr;
}

void CIController::setGraphic(const TDGraphicPtr &graphic)
{
    if (m_skipNextRebuild) {
        m_skipNextRebuild = false;
        // Only the graphic whose parameter was just pushed keeps its views;
        // another one is shown as it is.
        if (graphic && graphic == m_shownGraphic)
            return;
    }
    const quint64 list = graphic ? graphic->filterArrayGeneration() : 0;
    const int resolution = graphic ? graphic->filterResolution() : -1;
    if (graphic == m_shownGraphic && list == m_shownList && resolution == m_shownResolution && m_generation > 0)
        return;
    m_shownGraphic = graphic;
    m_shownList = list;
    m_shownResolution = resolution;

    clearViews();
    if (graphic) {
        for (const auto &effect : graphic->filterArray()) {
            if (!effect)
                continue;
            std::shared_ptr<TDFilter> copy = effect->copy();
            // A filter view never holds an image.
            if (EffectFilter *filter = copy->filter())
                for (const QString &key : {InputImage, InputBackgroundImage})
                    if (filter->hasInput(key))
                        filter->setValue(key, EffectValue());
            m_filterViewArray.push_back(makeView(copy));
        }
    }
    positionFilters();
}

void CIController::clearViews()
{
    ++m_generation;
    m_dragToken.clear();
    for (FilterView *view : m_filterViewArray) {
        view->setController(nullptr);
        view->hide();
        // A view may be in the middle of its own signal (its delete button).
        view->deleteLater();
    }
    m_filterViewArray.clear();
}

FilterView *CIController::makeView(const std::shared_ptr<TDFilter> &effect)
{
    auto *view = new FilterView(effect, this, m_generation, m_pane ? m_pane->interfaceView : nullptr);
    view->show();
    return view;
}

void CIController::setScale_n(const PropertyList &resolution)
{
    for (FilterView *view : m_filterViewArray)
        view->setScale_n(resolution);
}

void CIController::positionFilters()
{
    float y = 2.0f;
    for (FilterView *view : m_filterViewArray) {
        view->move(0, int(y));
        y += float(view->QWidget::height()) + 2.0f;
    }
    if (!m_pane)
        return;
    const QSize content = m_pane->scrollView->viewport()->size();
    m_pane->interfaceView->resize(std::max(content.width(), FilterView::Width),
                                  std::max(int(std::ceil(y)), content.height()));
    m_pane->interfaceView->update();
}

// --- Changing -----------------------------------------------------------------------------------------------

bool CIController::isCurrent(const FilterView *view) const
{
    return view && view->generation() == m_generation &&
           std::find(m_filterViewArray.begin(), m_filterViewArray.end(), view) != m_filterViewArray.end();
}

void CIController::add(const QString &filterName)
{
    std::shared_ptr<TDFilter> effect = TDFilter::filterWithName(filterName);
    if (!effect)
        return;
    effect->setEnabled(true);
    effect->setExpanded(true);
    addFilter(effect);
    // The new list and, for the first effect, effects switched on: one step.
    beginEdit();
    const bool pushed = update();
    if (pushed && m_filterViewArray.size() == 1 && m_inspector)
        m_inspector->usesFilters(state() == 1);
    endEdit();
}

void CIController::addFilter(const std::shared_ptr<TDFilter> &effect)
{
    if (!effect)
        return;
    FilterView *view = makeView(effect);
    const TDGraphic *selected = m_inspector ? m_inspector->selectedGraphic() : m_shownGraphic.get();
    if (selected)
        view->setScale(selected->filterResolution());
    m_filterViewArray.push_back(view);
    positionFilters();
}

void CIController::deleteView(FilterView *view)
{
    if (!isCurrent(view))
        return;
    m_filterViewArray.erase(std::find(m_filterViewArray.begin(), m_filterViewArray.end(), view));
    view->setController(nullptr);
    view->hide();
    view->deleteLater();
    positionFilters();
    update();
}

void CIController::setDragging(FilterView *view)
{
    m_dragging = view;
}

int CIController::draggingIndex() const
{
    const auto found = std::find(m_filterViewArray.begin(), m_filterViewArray.end(), m_dragging.data());
    return !m_dragging || found == m_filterViewArray.end() ? -1 : int(found - m_filterViewArray.begin());
}

void CIController::moveFilterToIndex(int target)
{
    const int from = draggingIndex();
    // The view left the list (or the list was rebuilt) since the drag
    // began: there is nothing to move.
    if (from < 0)
        return;
    FilterView *view = m_filterViewArray[size_t(from)];
    m_filterViewArray.erase(m_filterViewArray.begin() + from);
    const int index = from < target ? target - 1 : target;
    if (index >= 0 && size_t(index) < m_filterViewArray.size())
        m_filterViewArray.insert(m_filterViewArray.begin() + index, view);
    else
        m_filterViewArray.push_back(view);
    positionFilters();
    update();
}

bool CIController::update(FilterView *from)
{
    if (from && !isCurrent(from))
        return false;
    // The list belongs to the graphic it was built for: when the inspector
    // now shows another one (the selection changed and the panes are not
    // refreshed yet), nothing is pushed.
    if (!m_shownGraphic)
        return false;
    if (m_inspector && m_inspector->visibleGraphic() != m_shownGraphic.get()) {
        // The views may hold edits no graphic has: the next showing
        // rebuilds them, whatever graphic it is for.
        m_shownList = 0;
        return false;
    }
    TDFilterArray filters;
    filters.reserve(m_filterViewArray.size());
    for (FilterView *view : m_filterViewArray)
        filters.push_back(view->filter());
    if (!m_inspector) {
        m_shownGraphic->setFilterArrayUndoable(filters);
        return true;
    }
    m_inspector->applySelector([&filters](TDGraphic &graphic) { graphic.setFilterArrayUndoable(filters); },
                               QStringLiteral("Set filter data"));
    return true;
}

void CIController::observeValueForKeyPath(const QString &, FilterView *view)
{
    if (m_pushingEdits || !isCurrent(view))
        return;
    m_pushingEdits = true;
    const bool pushed = update(view);
    m_pushingEdits = false;
    if (pushed)
        m_skipNextRebuild = true;
}

void CIController::beginEdit()
{
    ++m_editDepth;
    if (m_editDepth == 1 && m_inspector)
        m_inspector->beginGesture();
}

void CIController::endEdit()
{
    if (m_editDepth == 0)
        return;
    --m_editDepth;
    if (m_editDepth == 0 && m_inspector)
        m_inspector->endGesture();
}

// --- Dragging views ----------------------------------------------------------------------------------------------

void CIController::startDrag(FilterView *view, const QPixmap &face, QPoint hotSpot)
{
    if (!isCurrent(view))
        return;
    setDragging(view);
    m_dragToken = QByteArray::number(m_generation) + '/' + QByteArray::number(++m_dragCount);
    auto *data = new QMimeData;
    data->setData(FilterListView::DraggedFilterType, m_dragToken);
    const QByteArray token = m_dragToken;
    m_dragRunner(view, data, face, hotSpot);
    // A drop that arrives after its drag ended is not taken.
    if (m_dragToken == token)
        m_dragToken.clear();
}

bool CIController::isDragOfThisList(const QMimeData &data) const
{
    return !m_dragToken.isEmpty() && data.data(FilterListView::DraggedFilterType) == m_dragToken &&
           draggingIndex() >= 0;
}

} // namespace scrivane
