#pragma once

#include "model/TDApplicationServices.h"
#include "model/TDModelTypes.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QAbstractButton;

namespace scrivane {

class TDDocument;
class TDGraphicView;
class TDGroup;
class TDLayer;
class TDLayerModel;
class TDLayerOutline;

// The layers panel: the tree of the front document's layers and graphics
// (TDLayerModel in a TDLayerOutline), with buttons to add and remove layers.
// From it a person selects graphics on the canvas, sees what is selected
// and which layer or group is being edited, renames, hides and locks
// graphics, makes a group current, and moves or copies rows by dragging
// them.  Every change is one undo step of the document; moving graphics
// between the layer list and groups registers the inverse of each change,
// so undo restores the exact tree.
//
// The rest of the program says that something changed with invalidate
// (coalesced: any number of calls within one pass of the event loop make
// one reload) or reload.  Each reload takes a new snapshot of the tree and
// keeps the rows' selection and the groups' disclosure.
class TDLayerController : public QObject, public TDLayerControllerInterface {
    Q_OBJECT
public:
    // The new controller is the application's layers panel until it goes.
    explicit TDLayerController(QObject *parent = nullptr);
    ~TDLayerController() override;
    static TDLayerController *shared();

    // The panel's widget; whoever shows it (the layers palette) takes it.
    QWidget *panel() const { return m_panel; }
    TDLayerOutline *outline() const { return m_outline; }
    TDLayerModel *model() const { return m_model; }
    QAbstractButton *addButton() const { return m_addButton; }
    QAbstractButton *removeButton() const { return m_removeButton; }

    // --- What is shown -------------------------------------------------------------------
    // The document of a document window (any other window, or none: an
    // empty tree).
    void setMainWindow(QWidget *window);
    void inspect(TDGraphicView *view);
    TDGraphicView *inspectingView() const;
    TDDocument *inspectingDocument() const;

    // --- Reloading -----------------------------------------------------------------------
    void invalidate() override;
    void reload() override;
    bool reloadPending() const { return m_reloadTimer.isActive(); }
    int reloadCount() const { return m_reloadCount; }
    // Opens the rows of the groups (at any depth) whose disclosure is stored open.
    void expandItemsIn(const TDGraphicArray &graphics);

    // --- Layers ---------------------------------------------------------------------------
    // A new layer "Layer n" (n = number of layers + 1) on top, made current.
    void addLayer();
    // Removes the graphics and layers of the selected rows as one step
    // "Remove graphics"; a document left without layers gets a new one, and
    // when the current layer went the topmost becomes current.
    void removeLayer();
    // The rows selected in the outline, top first.
    TDGraphicArray selectedItems() const;
    void selectItems(const TDGraphicArray &items);

    // --- Rules ---------------------------------------------------------------------------
    // The graphic or a container of it is locked.
    static bool graphicIsLocked(const TDGraphic *graphic);
    // A container of the graphic (not the graphic itself) is locked; hidden.
    static bool graphicInLocked(const TDGraphic *graphic);
    static bool graphicInInvisible(const TDGraphic *graphic);
    // In isolation only the isolated group, its containers and what is
    // inside it may be changed.
    bool outsideIsolation(const TDGraphic *graphic) const;
    // Selected on the canvas, or a group holding a selected graphic.
    bool containsSelected(const TDGraphic *graphic) const;
    // The graphic or a container of it is among the graphics.
    static bool contained(const TDGraphic *graphic, const TDGraphicArray &graphics);

    // --- Gestures of the outline ---------------------------------------------------------------
    // A press in the editing column: the first row decides whether the rows
    // passed are selected or deselected (Shift always selects; Ctrl decides
    // each row by the selection at the press).  False when the row stops
    // the gesture (no row, inside a locked container, outside isolation).
    bool beginPressSelection(const TDGraphicPtr &item, bool shift, bool command);
    bool continuePressSelection(const TDGraphicPtr &item);
    void endPressSelection();
    // A double press in the editing column: a group becomes the current
    // layer (isolated when nested).
    void doublePress(const TDGraphicPtr &item);

    // --- Dragging rows ---------------------------------------------------------------------------
    const TDGraphicArray &draggedItems() const { return m_dragged; }
    void setDraggedItems(const TDGraphicArray &items) { m_dragged = items; }
    // Whether the dragged rows may drop into `into` (null: between layers)
    // at the outline's child index (below 0: onto the row itself, refused).
    bool validateDrop(const TDGraphicPtr &into, int childIndex) const;
    // Moves (or copies) the dragged rows there as one undo step and selects
    // the rows that show them; the dragged list is cleared.
    bool acceptDrop(const TDGraphicPtr &into, int childIndex, bool copy);
    // Into the layer list at `target` (an index of the layer array); the
    // first item ends topmost.  Groups that are no layers arrive as layers
    // made from them.  Answers the layers placed.
    std::vector<std::shared_ptr<TDLayer>> moveAllLayers(const TDGraphicArray &items, int target);
    std::vector<std::shared_ptr<TDLayer>> copyAllLayers(const TDGraphicArray &items, int index);

private:
    void buildPanel();
    void updateRemoveButton();
    void edit(const TDGraphicPtr &graphic, int column, const QVariant &value);
    bool applyPress(const TDGraphicPtr &item);

    TDLayerModel *m_model = nullptr;
    QPointer<QWidget> m_panel;
    TDLayerOutline *m_outline = nullptr;
    QAbstractButton *m_addButton = nullptr;
    QAbstractButton *m_removeButton = nullptr;
    QPointer<TDGraphicView> m_view;
    QTimer m_reloadTimer;
    int m_reloadCount = 0;
    // Set while a cell's edit runs: a reload then waits for the timer.
    bool m_editing = false;

    // The press gesture under way.
    bool m_pressing = false;
    bool m_pressSelect = false;
    bool m_pressCommand = false;
    TDGraphicArray m_pressKept;

    TDGraphicArray m_dragged;
};

} // namespace scrivane
