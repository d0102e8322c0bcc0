#pragma once

#include "model/TDApplicationServices.h"
#include "model/TDModelTypes.h"
#include "app/FilterView.h"
#include "app/TDEffectsPane.h"
#include "platform/PropertyList.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QMimeData;

namespace scrivane {

class EffectFilter;


class TDFilter;
class TDGraphicView;
class TDInspectorController;

// The effects list: shows the effect chain of the inspected graphic as one
// filter view per effect, offers every filter the views can edit in the
// add menu (grouped by category, from the effects registry), and writes
// each change of the list (add, delete, reorder, enable, a parameter) to
// every selected graphic as one new effect list, one undo step per edit
// (a slider drag or a point pick is one step).
//
// The views edit copies; the graphics never share them.  The list is
// rebuilt when the graphic, its effect list or its effects resolution
// changes, except right after one of its own parameter edits for that same
// graphic, so that the control being dragged stays alive.  A view from an
// earlier build, or a list shown for a graphic that is no longer the
// inspected one, pushes nothing.
class CIController : public QObject, public TDEffectsControllerInterface {
    Q_OBJECT
public:
    // The new controller becomes the shared one (and the model's effects
    // controller) until it is destroyed.  The inspector may be null: then
    // the list edits the shown graphic alone.
    CIController(TDEffectsPane *pane, TDInspectorController *inspector, QObject *parent = nullptr);
    ~CIController() override;
    static CIController *defaultController();

    // Registers the value transformers the filter views use by name.
    static void initialize();
    // Builds the add menu from the registry.
    void awakeFromNib();
    QMenu *addMenu() const { return m_addMenu; }
    TDEffectsPane *pane() const { return m_pane; }

    // --- Showing ---------------------------------------------------------------------------------
    void setGraphic(const TDGraphicPtr &graphic);
    const TDGraphicPtr &shownGraphic() const { return m_shownGraphic; }
    // The effects resolution the views show lengths at.
    void setScale_n(const PropertyList &resolution);
    // Lays the views out top to bottom.
    void positionFilters();
    const std::vector<FilterView *> &filterViewArray() const { return m_filterViewArray; }
    // Counts the builds of the list; views remember the one they belong to.
    quint64 generation() const { return m_generation; }
    // The inspected canvas, where a position is picked; null without one.
    TDGraphicView *inspectingView() const;

    // --- Changing ------------------------------------------------------------------------------------
    // A new effect of that filter, at the end of the list.
    void add(const QString &filterName);
    void addFilter(const std::shared_ptr<TDFilter> &effect);
    void deleteView(FilterView *view);
    // Moves the view being dragged so that it lands before the view that
    // is at `index` now (the count: last).
    void moveFilterToIndex(int index);
    void setDragging(FilterView *view);
    FilterView *dragging() const { return m_dragging; }
    // -1 when no view of the list is being dragged.
    int draggingIndex() const;
    // Pushes the list to the selected graphics; a view from another build,
    // or a list that is not the inspected graphic's, pushes nothing
    // (false).
    bool update(FilterView *from = nullptr);
    // A view's input changed.
    void observeValueForKeyPath(const QString &key, FilterView *view);
    // Held by the inspector while it changes the effects resolution.
    void setPushingEdits(bool pushing) { m_pushingEdits = pushing; }
    // A press to release on a slider (or a point pick): one undo step.
    void beginEdit();
    void endEdit();

    // --- The add menu ------------------------------------------------------------------------------------
    // Whether the views can edit every input of the filter; notes the
    // filters with position, 3-D position or rectangle inputs.
    bool validFilter(const EffectFilter &filter);
    void addCategory(const QString &category);
    void addArray(const QStringList &filterNames, QMenu *menu);
    QStringList positionalFilters() const override;
    // The categories of the menu, in order.
    static QStringList menuCategories();
    int state() const { return 1; }

    // --- Dragging views --------------------------------------------------------------------------------------
    // Runs the drag of a view (QDrag by default; tests replace it).
    using DragRunner = std::function<void(FilterView *view, QMimeData *data, const QPixmap &face, QPoint hotSpot)>;
    void setDragRunner(DragRunner runner) { m_dragRunner = std::move(runner); }
    // Starts dragging the view: it becomes `dragging` and the drag carries
    // a token of this drag.
    void startDrag(FilterView *view, const QPixmap &face, QPoint hotSpot);
    // Whether the data is that of the drag under way of a view still in
    // the list.
    bool isDragOfThisList(const QMimeData &data) const;

private:
    void clearViews();
    FilterView *makeView(const std::shared_ptr<TDFilter> &effect);
    bool isCurrent(const FilterView *view) const;

    QPointer<TDEffectsPane> m_pane;
    QPointer<TDInspectorController> m_inspector;
    QMenu *m_addMenu = nullptr;
    std::vector<FilterView *> m_filterViewArray;
    QPointer<FilterView> m_dragging;
    QByteArray m_dragToken;
    quint64 m_dragCount = 0;
    DragRunner m_dragRunner;

    // What the list shows: the graphic (held), its effect list's
    // generation and its effects resolution when the list was built.
    TDGraphicPtr m_shownGraphic;
    quint64 m_shownList = 0;
    int m_shownResolution = -1;
    quint64 m_generation = 0;
    bool m_skipNextRebuild = false;
    bool m_pushingEdits = false;
    int m_editDepth = 0;
};

} // namespace scrivane
