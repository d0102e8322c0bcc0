#include "app/TDLayerController.h"

#include "app/TDDocumentWindow.h"
#include "app/TDLayerModel.h"
#include "app/TDLayerOutline.h"
#include "canvas/TDCommandStep.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NotificationCenter.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace scrivane {

namespace {

TDLayerController *g_shared = nullptr;

using LayerArray = std::vector<std::shared_ptr<TDLayer>>;

std::shared_ptr<TDGroup> sharedGroup(TDGroup *group)
{
    return group ? std::static_pointer_cast<TDGroup>(group->shared_from_this()) : nullptr;
}

// The layer array replaced as one change whose inverse is registered: undo
// brings back the array and the layer or group that was current.
void setLayersWithUndo(TDDocument &document, const LayerArray &layers, const std::shared_ptr<TDGroup> &current)
{
    const LayerArray old = document.layers();
    const std::shared_ptr<TDGroup> oldCurrent = sharedGroup(document.currentLayer());
    if (!document.replaceLayers(layers))
        return;
    if (TDUndoManager *undo = document.undoManager())
        undo->prepareWithInvocationTarget(document.objectId(), QStringLiteral("setLayers"),
                                          [doc = &document, old, oldCurrent] { setLayersWithUndo(*doc, old, oldCurrent); });
    if (current) {
        // Current only while it lies inside the document.
        const TDGroup *top = current.get();
        for (size_t steps = 0; top && top->layer() && steps < 4096; ++steps)
            top = top->layer().get();
        if (top && document.indexOfLayer(top) != TDNotFound)
            document.setCurrentLayer(current.get());
    }
    if (TDLayerControllerInterface *panel = TDApplicationServices::layerController())
        panel->invalidate();
}

void addLayerAt(TDDocument &document, const std::shared_ptr<TDLayer> &layer, int index)
{
    LayerArray layers = document.layers();
    index = std::clamp(index, 0, int(layers.size()));
    layers.insert(layers.begin() + index, layer);
    setLayersWithUndo(document, layers, layer);
    if (!layer->graphics().empty())
        layer->didChange();
}

// Nothing for the last layer: a document always has one.
void removeLayerFrom(TDDocument &document, const TDLayer *layer)
{
    LayerArray layers = document.layers();
    const auto found = std::find_if(layers.begin(), layers.end(), [layer](const auto &l) { return l.get() == layer; });
    if (found == layers.end() || layers.size() < 2)
        return;
    layers.erase(found);
    setLayersWithUndo(document, layers, nullptr);
}

// Copies of the graphics through the keyed archive, each a layer: a group
// that is no layer arrives as a layer with its values and (copied)
// children; any other graphic is refused (null).
std::vector<std::shared_ptr<TDLayer>> layerCopies(const TDGraphicArray &graphics)
{
    TDModelArchiving::registerClasses();
    std::vector<std::shared_ptr<TDLayer>> copies;
    for (const TDGraphicPtr &graphic : graphics) {
        if (!dynamic_cast<const TDGroup *>(graphic.get())) {
            copies.push_back(nullptr);
            continue;
        }
        QString error;
        const auto data = KeyedArchiver::archivedData(PropertyList(graphic), PropertyList::Format::Binary, &error);
        std::shared_ptr<TDLayer> copy;
        if (data) {
            KeyedUnarchiver unarchiver(*data);
            // The root is read first: it, and only it, becomes a layer.
            bool rootRead = false;
            unarchiver.setClass(
                [&rootRead](KeyedUnarchiver &u) -> std::shared_ptr<Archivable> {
                    if (!std::exchange(rootRead, true))
                        return TDLayer::decode(u);
                    return TDGroup::decode(u);
                },
                QStringLiteral("TDGroup"));
            if (const auto root = unarchiver.decodeRoot())
                copy = root->objectAs<TDLayer>();
            else
                error = unarchiver.errorString();
        }
        if (!copy)
            qWarning().noquote() << QStringLiteral("A layer could not be copied: %1").arg(error);
        copies.push_back(copy);
    }
    return copies;
}

} // namespace

TDLayerController::TDLayerController(QObject *parent) : QObject(parent)
{
    m_model = new TDLayerModel(this);
    TDLayerModel::Rules rules;
    rules.outsideIsolation = [this](const TDGraphic *g) { return outsideIsolation(g); };
    rules.isSelected = [this](const TDGraphic *g) {
        const TDGraphicView *view = inspectingView();
        if (!view)
            return false;
        const TDGraphicArray &selection = view->selection();
        return std::any_of(selection.begin(), selection.end(), [g](const TDGraphicPtr &s) { return s.get() == g; });
    };
    rules.isFirstSelected = [this](const TDGraphic *g) {
        const TDGraphicView *view = inspectingView();
        return view && !view->selection().empty() && view->selection().front().get() == g;
    };
    rules.containsSelected = [this](const TDGraphic *g) { return containsSelected(g); };
    rules.edit = [this](const TDGraphicPtr &g, int column, const QVariant &value) { edit(g, column, value); };
    rules.dragStarted = [this](const TDGraphicArray &items) { m_dragged = items; };
    m_model->setRules(std::move(rules));

    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setInterval(10);
    connect(&m_reloadTimer, &QTimer::timeout, this, &TDLayerController::reload);
    buildPanel();

    NotificationCenter::defaultCenter().addObserver(this, TDGraphic::didChangeNotification, nullptr,
                                                    [this](const Notification &) { invalidate(); });
    if (!g_shared)
        g_shared = this;
    TDApplicationServices::setLayerController(this);
}

TDLayerController::~TDLayerController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (TDApplicationServices::layerController() == this)
        TDApplicationServices::setLayerController(nullptr);
    if (g_shared == this)
        g_shared = nullptr;
    // The panel may live in a palette that outlives the controller.
    if (m_panel) {
        m_outline->setModel(nullptr);
        delete m_panel;
    }
}

TDLayerController *TDLayerController::shared()
{
    return g_shared;
}

void TDLayerController::buildPanel()
{
    m_panel = new QWidget;
    m_panel->setObjectName(QStringLiteral("layersPanel"));
    auto *layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    m_outline = new TDLayerOutline(this, m_panel);
    m_outline->setModel(m_model);
    QHeaderView *header = m_outline->header();
    header->setSectionResizeMode(TDLayerModel::NameColumn, QHeaderView::Stretch);
    for (int column : {TDLayerModel::EditingColumn, TDLayerModel::VisibleColumn, TDLayerModel::LockedColumn}) {
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(column, 24);
    }
    // The disclosure of a group is kept in the group (and its document).
    const auto disclose = [this](const QModelIndex &index, bool open) {
        if (auto group = std::dynamic_pointer_cast<TDGroup>(m_model->graphicAt(index)))
            group->setExpanded(open);
    };
    connect(m_outline, &QTreeView::expanded, this, [disclose](const QModelIndex &i) { disclose(i, true); });
    connect(m_outline, &QTreeView::collapsed, this, [disclose](const QModelIndex &i) { disclose(i, false); });
    layout->addWidget(m_outline, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    auto *add = new QToolButton(m_panel);
    add->setText(QStringLiteral("+"));
    add->setToolTip(tr("New layer"));
    auto *remove = new QToolButton(m_panel);
    remove->setText(QStringLiteral("\u2212"));
    remove->setToolTip(tr("Remove the selected rows"));
    remove->setEnabled(false);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    // Room for the palette's height grip at the right.
    buttons->addStretch(1);
    buttons->addSpacing(14);
    layout->addLayout(buttons);
    m_addButton = add;
    m_removeButton = remove;
    connect(add, &QToolButton::clicked, this, &TDLayerController::addLayer);
    connect(remove, &QToolButton::clicked, this, &TDLayerController::removeLayer);
    connect(m_outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TDLayerController::updateRemoveButton);
}

void TDLayerController::updateRemoveButton()
{
    m_removeButton->setEnabled(m_outline->selectionModel() && m_outline->selectionModel()->hasSelection());
}

// --- What is shown ------------------------------------------------------------------------------------

void TDLayerController::setMainWindow(QWidget *window)
{
    TDGraphicView *view = nullptr;
    if (auto *documentWindow = qobject_cast<TDDocumentWindow *>(window))
        if (documentWindow->document())
            view = documentWindow->graphicView();
    inspect(view);
}

void TDLayerController::inspect(TDGraphicView *view)
{
    if (view == m_view)
        return;
    if (m_view)
        disconnect(m_view, nullptr, this, nullptr);
    m_view = view;
    if (view)
        // The snapshot must not outlive the document it shows.
        connect(view, &QObject::destroyed, this, [this] {
            m_view = nullptr;
            m_dragged.clear();
            m_pressKept.clear();
            reload();
        });
    m_outline->clearSelection();
    updateRemoveButton();
    invalidate();
}

TDGraphicView *TDLayerController::inspectingView() const
{
    return m_view.data();
}

TDDocument *TDLayerController::inspectingDocument() const
{
    return m_view ? m_view->tdDocument() : nullptr;
}

// --- Reloading ----------------------------------------------------------------------------------------------

void TDLayerController::invalidate()
{
    if (!m_reloadTimer.isActive())
        m_reloadTimer.start();
}

void TDLayerController::reload()
{
    if (m_editing) {
        invalidate();
        return;
    }
    m_reloadTimer.stop();
    // The rows selected and the row with the focus are found again in the
    // new snapshot.
    const TDGraphicArray selected = selectedItems();
    const TDGraphicPtr current = m_model->graphicAt(m_outline->currentIndex());
    TDDocument *document = inspectingDocument();
    m_model->reload(document);
    ++m_reloadCount;
    if (document)
        expandItemsIn(document->graphics());
    if (current) {
        const QModelIndex index = m_model->indexOf(current.get());
        if (index.isValid())
            m_outline->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    selectItems(selected);
    updateRemoveButton();
}

void TDLayerController::expandItemsIn(const TDGraphicArray &graphics)
{
    // Iterative: a deep tree does not deepen the stack.
    std::vector<const TDGraphicArray *> pending = {&graphics};
    while (!pending.empty()) {
        const TDGraphicArray *list = pending.back();
        pending.pop_back();
        for (const TDGraphicPtr &graphic : *list) {
            const auto *group = dynamic_cast<const TDGroup *>(graphic.get());
            if (!group)
                continue;
            if (group->expanded())
                m_outline->setExpanded(m_model->indexOf(group), true);
            pending.push_back(&group->graphics());
        }
    }
}

TDGraphicArray TDLayerController::selectedItems() const
{
    TDGraphicArray items;
    if (!m_outline->selectionModel())
        return items;
    QModelIndexList rows = m_outline->selectionModel()->selectedRows(TDLayerModel::NameColumn);
    std::vector<std::pair<int, TDGraphicPtr>> ordered;
    for (const QModelIndex &row : rows)
        if (TDGraphicPtr graphic = m_model->graphicAt(row))
            ordered.emplace_back(m_model->rowOrder(row), std::move(graphic));
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &[y, graphic] : ordered)
        items.push_back(std::move(graphic));
    return items;
}

void TDLayerController::selectItems(const TDGraphicArray &items)
{
    QItemSelection selection;
    for (const TDGraphicPtr &item : items) {
        const QModelIndex index = m_model->indexOf(item.get());
        if (index.isValid())
            selection.select(index, index.siblingAtColumn(TDLayerModel::ColumnCount - 1));
    }
    m_outline->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// --- Layers ----------------------------------------------------------------------------------------------

void TDLayerController::addLayer()
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return;
    TDCommandStep step(document->undoManager());
    const auto layer =
        TDLayer::layerWithName(QStringLiteral("Layer %1").arg(document->layers().size() + 1), document);
    addLayerAt(*document, layer, int(document->layers().size()));
    invalidate();
}

void TDLayerController::removeLayer()
{
    TDDocument *document = inspectingDocument();
    // What is removed is taken before anything changes.
    const TDGraphicArray items = selectedItems();
    if (!document || items.empty())
        return;
    TDCommandStep step(document->undoManager());
    TDGraphicViewInterface *view = document->graphicView();
    const TDGroup *current = document->currentLayer();
    bool currentRemoved = false;
    size_t layersRemoved = 0;
    for (const TDGraphicPtr &item : items)
        if (const auto *layer = dynamic_cast<const TDLayer *>(item.get());
            layer && !item->layer() && document->indexOfLayer(layer) != TDNotFound)
            ++layersRemoved;
    // A document never stands without a layer, even for a moment.
    if (layersRemoved > 0 && layersRemoved == document->layers().size())
        addLayerAt(*document, TDLayer::layerWithName(QStringLiteral("Layer 1"), document),
                   int(document->layers().size()));
    for (const TDGraphicPtr &item : items) {
        auto *group = dynamic_cast<TDGroup *>(item.get());
        for (const TDGraphic *g = current; g && !currentRemoved; g = g->layer().get())
            currentRemoved = g == item.get();
        if (group)
            group->deselectGraphics();
        if (item->layer()) {
            document->removeGraphic(item.get());
        } else if (auto *layer = dynamic_cast<TDLayer *>(item.get())) {
            if (view)
                view->deselectGraphic(layer);
            removeLayerFrom(*document, layer);
        }
    }
    if (currentRemoved)
        document->setCurrentLayer(document->layers().back().get());
    m_outline->clearSelection();
    step.name(QStringLiteral("Remove graphics"));
    invalidate();
}

// --- Rules ---------------------------------------------------------------------------------------------------

bool TDLayerController::graphicIsLocked(const TDGraphic *graphic)
{
    return graphic && (graphic->locked() || graphicInLocked(graphic));
}

bool TDLayerController::graphicInLocked(const TDGraphic *graphic)
{
    for (auto up = graphic ? graphic->layer() : nullptr; up; up = up->layer())
        if (up->locked())
            return true;
    return false;
}

bool TDLayerController::graphicInInvisible(const TDGraphic *graphic)
{
    for (auto up = graphic ? graphic->layer() : nullptr; up; up = up->layer())
        if (!up->visible())
            return true;
    return false;
}

bool TDLayerController::outsideIsolation(const TDGraphic *graphic) const
{
    const TDGraphicView *view = inspectingView();
    const TDDocument *document = inspectingDocument();
    if (!graphic || !view || !document || !view->isolationState())
        return false;
    const TDGroup *current = document->currentLayer();
    // The isolated group and its containers.
    for (const TDGraphic *g = current; g; g = g->layer().get())
        if (g == graphic)
            return false;
    // What lies inside it.
    for (auto up = graphic->layer(); up; up = up->layer())
        if (up.get() == current)
            return false;
    return true;
}

bool TDLayerController::containsSelected(const TDGraphic *graphic) const
{
    const TDGraphicView *view = inspectingView();
    if (!graphic || !view)
        return false;
    for (const TDGraphicPtr &selected : view->selection())
        for (const TDGraphic *g = selected.get(); g; g = g->layer().get())
            if (g == graphic)
                return true;
    return false;
}

bool TDLayerController::contained(const TDGraphic *graphic, const TDGraphicArray &graphics)
{
    for (const TDGraphic *g = graphic; g; g = g->layer().get())
        if (std::any_of(graphics.begin(), graphics.end(), [g](const TDGraphicPtr &o) { return o.get() == g; }))
            return true;
    return false;
}

// --- Cells ------------------------------------------------------------------------------------------------------

void TDLayerController::edit(const TDGraphicPtr &graphic, int column, const QVariant &value)
{
    TDDocument *document = inspectingDocument();
    TDCommandStep step(document ? document->undoManager() : nullptr);
    m_editing = true;
    switch (column) {
    case TDLayerModel::NameColumn:
        graphic->setName(value.toString());
        break;
    case TDLayerModel::VisibleColumn:
        graphic->setVisible(value.toBool());
        break;
    case TDLayerModel::LockedColumn:
        graphic->setLocked(value.toBool());
        break;
    default:
        break;
    }
    m_editing = false;
    if (document)
        document->invalidateGraphic(graphic.get());
    invalidate();
}

// --- Gestures --------------------------------------------------------------------------------------------------------

bool TDLayerController::applyPress(const TDGraphicPtr &item)
{
    TDGraphicView *view = inspectingView();
    if (!item || !view || graphicInLocked(item.get()) || outsideIsolation(item.get()))
        return false;
    if (m_pressCommand)
        m_pressSelect = std::none_of(m_pressKept.begin(), m_pressKept.end(),
                                     [&item](const TDGraphicPtr &kept) { return kept == item; });
    if (m_pressSelect) {
        view->selectGraphic(item);
        view->makeFirstSelected(item.get());
    } else {
        view->deselectGraphic(item.get());
    }
    reload();
    return true;
}

bool TDLayerController::beginPressSelection(const TDGraphicPtr &item, bool shift, bool command)
{
    TDGraphicView *view = inspectingView();
    m_pressing = false;
    if (!item || !view || graphicInLocked(item.get()) || outsideIsolation(item.get()))
        return false;
    m_pressCommand = command;
    m_pressKept = command ? view->selection() : TDGraphicArray();
    const TDGraphicArray &selection = view->selection();
    const bool selected =
        std::any_of(selection.begin(), selection.end(), [&item](const TDGraphicPtr &s) { return s == item; });
    m_pressSelect = !selected;
    if (!selected && !shift && !command)
        view->selectNone();
    if (shift)
        m_pressSelect = true;
    m_pressing = applyPress(item);
    return m_pressing;
}

bool TDLayerController::continuePressSelection(const TDGraphicPtr &item)
{
    if (!m_pressing)
        return false;
    m_pressing = applyPress(item);
    return m_pressing;
}

void TDLayerController::endPressSelection()
{
    m_pressing = false;
    m_pressKept.clear();
}

void TDLayerController::doublePress(const TDGraphicPtr &item)
{
    TDDocument *document = inspectingDocument();
    auto *group = dynamic_cast<TDGroup *>(item.get());
    if (!document || !group)
        return;
    if (TDGraphicView *view = inspectingView())
        view->deselectGraphic(group);
    document->setCurrentLayer(group);
    invalidate();
}

// --- Dragging rows --------------------------------------------------------------------------------------------------

bool TDLayerController::validateDrop(const TDGraphicPtr &into, int childIndex) const
{
    if (childIndex < 0 || m_dragged.empty() || !inspectingDocument())
        return false;
    if (into) {
        // Into a group that is neither dragged nor inside what is dragged.
        return dynamic_cast<const TDGroup *>(into.get()) && !contained(into.get(), m_dragged);
    }
    return std::all_of(m_dragged.begin(), m_dragged.end(),
                       [](const TDGraphicPtr &g) { return dynamic_cast<const TDGroup *>(g.get()) != nullptr; });
}

bool TDLayerController::acceptDrop(const TDGraphicPtr &into, int childIndex, bool copy)
{
    TDDocument *document = inspectingDocument();
    if (!document || !validateDrop(into, std::max(0, childIndex))) {
        m_dragged.clear();
        return false;
    }
    const int index = std::max(0, childIndex);
    const TDGraphicArray dragged = std::exchange(m_dragged, {});
    TDGraphicArray dropped;
    {
        TDCommandStep step(document->undoManager());
        if (auto *group = dynamic_cast<TDGroup *>(into.get())) {
            const int target = std::clamp(int(group->graphics().size()) - index, 0, int(group->graphics().size()));
            if (copy) {
                const size_t before = group->graphics().size();
                group->copyAllGraphics(dragged, target);
                const size_t added = group->graphics().size() - before;
                for (size_t i = 0; i < added; ++i)
                    dropped.push_back(group->graphics()[size_t(target) + i]);
            } else {
                // Layers leave the layer list with their own undo before
                // they go into the group.
                for (const TDGraphicPtr &item : dragged)
                    if (auto *layer = dynamic_cast<TDLayer *>(item.get()); layer && !item->layer())
                        removeLayerFrom(*document, layer);
                group->moveAllGraphics(dragged, target);
                dropped = dragged;
            }
        } else {
            const int target = int(document->layers().size()) - index;
            const auto placed = copy ? copyAllLayers(dragged, target) : moveAllLayers(dragged, target);
            dropped.assign(placed.begin(), placed.end());
        }
    }
    reload();
    selectItems(dropped);
    return true;
}

std::vector<std::shared_ptr<TDLayer>> TDLayerController::moveAllLayers(const TDGraphicArray &items, int target)
{
    TDDocument *document = inspectingDocument();
    std::vector<std::shared_ptr<TDLayer>> placed;
    if (!document)
        return placed;
    TDCommandStep step(document->undoManager());
    LayerArray layers = document->layers();
    // Groups that are no layers arrive as layers made from them.
    TDGraphicArray others;
    for (const TDGraphicPtr &item : items)
        if (!std::dynamic_pointer_cast<TDLayer>(item))
            others.push_back(item);
    const auto made = layerCopies(others);
    size_t nextMade = 0;
    std::vector<std::shared_ptr<TDLayer>> arriving;
    for (const TDGraphicPtr &item : items) {
        std::shared_ptr<TDLayer> layer = std::dynamic_pointer_cast<TDLayer>(item);
        if (!layer)
            layer = made[nextMade++];
        if (!layer)
            continue;
        if (const auto parent = item->layer()) {
            parent->removeGraphicAtIndex(parent->indexOfGraphic(item.get()));
        } else if (const auto found = std::find(layers.begin(), layers.end(), layer); found != layers.end()) {
            if (found - layers.begin() < target)
                --target;
            layers.erase(found);
        }
        arriving.push_back(layer);
    }
    target = std::clamp(target, 0, int(layers.size()));
    for (const auto &layer : arriving) {
        layers.insert(layers.begin() + target, layer);
        layer->setLayer(nullptr);
        placed.push_back(layer);
    }
    if (!layers.empty())
        setLayersWithUndo(*document, layers, sharedGroup(document->currentLayer()));
    invalidate();
    return placed;
}

std::vector<std::shared_ptr<TDLayer>> TDLayerController::copyAllLayers(const TDGraphicArray &items, int index)
{
    TDDocument *document = inspectingDocument();
    std::vector<std::shared_ptr<TDLayer>> placed;
    if (!document)
        return placed;
    TDCommandStep step(document->undoManager());
    LayerArray layers = document->layers();
    index = std::clamp(index, 0, int(layers.size()));
    for (const auto &copy : layerCopies(items)) {
        if (!copy)
            continue;
        layers.insert(layers.begin() + index, copy);
        placed.push_back(copy);
    }
    if (!placed.empty())
        setLayersWithUndo(*document, layers, sharedGroup(document->currentLayer()));
    invalidate();
    return placed;
}

} // namespace scrivane
