#pragma once

#include "model/TDGraphic.h"
#include "platform/PathBase.h"

#include <QList>

#include <optional>
#include <vector>

namespace scrivane {

class TDFreehandStroke;

// The editable path graphic: freehand strokes, polygons, converted shapes,
// imported paths.  It owns a path in document coordinates (its shape
// transformation is the identity except while it is manipulated) and lets
// the canvas pick, drag and edit the path's nodes and control points.
//
// Node and control numbers, shared with the canvas:
// - n >= 0: the node at the end of element n (the point of a move or a
//   line, the end point of a curve).  A close is never a node, and a move
//   that is the last element is neither shown nor hit.
// - -4e (e >= 1): control 1 of curve element e, which leaves node e - 1.
// - -(4e + 1): control 2 of curve element e, which enters node e.
// - TDNotFound: nothing.
// Numbers that name no node or curve control (stale selections, numbers
// out of range) are ignored by the edits and answer TDNotFound, 0 or the
// zero point from the queries.
//
// Edits never change an installed path behind the undo manager's back:
// whole paths are installed with setBezierPath, and drags rewrite the live
// path from a copy taken when the manipulation starts, which undo puts
// back.
//
// Stored under "Path" (the path object) besides the keys of every graphic.
class TDBezierGraphic : public TDGraphic {
public:
    TDBezierGraphic();

    // A graphic owning a copy of the path (even-odd winding), with the
    // path's bounds.
    static std::shared_ptr<TDBezierGraphic> graphicWithBezierPath(const PathBase &path);
    void initWithBezierPath(const PathBase &path);

    std::shared_ptr<TDBezierPath> bezierPath() const override { return m_bezierPath; }
    // Installs the path itself (not a copy) with even-odd winding.  Undoable
    // (skippable: within one undo group the first path is what undo puts
    // back).  A null path installs an empty one.
    void setBezierPath(std::shared_ptr<TDBezierPath> path);
    // Installs a path given in document coordinates (as every cached path
    // is): the shape transformation becomes the identity first, so that it
    // is not applied to the path a second time.  Undoable.
    void setDocumentPath(std::shared_ptr<TDBezierPath> path);
    TDGraphicPtr convertToBezier() override;
    // Installs the path walked backwards.
    TDGraphicPtr reverse() override;

    // One new path graphic per subpath that draws, with this graphic's
    // styles and fill, stroke and text transformations, each added to the
    // document just beneath this graphic; empty (and nothing added) for a
    // path of fewer than two such subpaths.  This graphic stays; the caller
    // removes it.
    TDGraphicArray split();

    // Puts the given nodes on one line at their mean: the same y when
    // `horizontally`, else the same x, their control points with them (one
    // undoable change).  Numbers that name no node are left out.
    void alignNodes(const QList<int> &nodes, bool horizontally);

    // --- Through the polygon engine (TDBezierGraphic+Smooth.cpp) -----------------------------
    // Replaces the path by cubics that follow it within `threshold` points
    // (one undoable change).  False, with nothing changed, for a threshold
    // that is not a positive number or a graphic without a path.
    bool smoothWithThreshold(float threshold);
    // The drawn area of the stroke becomes the path (the stroke's width,
    // joins and caps, every subpath together), the transformations of fill
    // and stroke are reset and the stroke becomes a line of width 1 without
    // arrowheads; one undoable change that answers this graphic.  Nothing
    // changes, and the answer is null with the reason in `error`, when the
    // stroke has no outline (no width) or the engine refuses the path.
    TDGraphicPtr convertToOutline(QString *error = nullptr) override;
    // The second half of that conversion: installs an outline computed from
    // this graphic (strokeOutlinePath) and makes the stroke a thin line.
    void installOutline(TDBezierPath outline);

    // One element's points as a dictionary: "p[0]", "p[1]", "p[2]" and the
    // element number "i".
    static PropertyList pointDict(const Point points[3], int index);
    void setAssociatedPoints(const Point points[3], int index);
    // Replaces the points of element "i" (undoable); nothing for an element
    // the path does not have.
    void setAssociatedPointsDict(const PropertyList &dictionary);

    // The pending outgoing control point while the polygon tool builds the
    // path; drawn as a control handle during creation.
    Point nextControlPoint() const { return m_nextControlPoint; }
    void setNextControlPoint(Point point) { m_nextControlPoint = point; }

    // --- Nodes --------------------------------------------------------------------------
    // Node numbers ascending, each once (selections come in any order).
    static std::vector<int> sortedNodes(const QList<int> &nodes);
    // The node's point; the zero point for a close and any other number.
    Point node(int n) const override;
    using TDGraphic::nodeUnderPoint;
    int nodeUnderPoint(Point point, TDGraphicViewInterface *view) override
    {
        return nodeUnderPoint(point, view, false);
    }
    // The first node or control whose handle holds the point, visiting the
    // elements from the first (or, reversed, from the last).  A curve offers
    // its control points only when the node they belong to is selected.
    int nodeUnderPoint(Point point, TDGraphicViewInterface *view, bool reverse) override;
    // The nodes (never controls) whose handles the rectangle touches,
    // ascending.
    QList<int> nodesUnderRect(const Rect &rect, TDGraphicViewInterface *view) override;
    // The smallest rectangle holding the given nodes' points; the zero
    // rectangle when none of them is a node.
    Rect boundsForNodes(const QList<int> &nodes) const;

    // --- Path edits (TDBezierGraphic+Edits.cpp) ----------------------------------------------
    // Each builds a new path from the old one and installs it as one
    // undoable change; node numbers that name no node are passed over, and
    // an edit that cannot apply leaves the path as it is.
    //
    // Straight segments ending at the nodes become curves with their
    // control points at the thirds (they still look straight).
    void curveNodes(const QList<int> &nodes);
    // Curves ending at the nodes become straight lines.
    void flatNodes(const QList<int> &nodes);
    // Each node becomes two coincident nodes joined by a segment of no
    // length, which can then be dragged apart.
    void splitNodes(const QList<int> &nodes);
    // The squared distance between two nodes' points.
    float distanceSqrFromIndex(int a, int b) const;
    // Joins the first of the nodes with the nearest of the others (the
    // earliest of equally near ones); nothing with fewer than two.
    void connectNodes(const QList<int> &nodes);
    // Joins two open ends (the start or the end of an open subpath) by a
    // line, reversing a subpath where both are starts or both ends; the two
    // ends of one subpath close it.  Nothing unless both are open ends.
    void connectNodes(int a, int b);
    // Removes the nodes; the segment that ended at a removed inner node goes
    // with it, and a subpath whose start was removed starts at its next
    // node.  When nothing is left to draw the graphic leaves its document.
    void deleteNodes(const QList<int> &nodes);
    // Opens the path at the nodes.  An open subpath falls apart there; a
    // closed one becomes open paths running from one cut node around to the
    // next, so that a single cut gives one path that starts and ends at the
    // cut node.  Subpaths without a cut node stay as they are.
    void cutNodes(const QList<int> &nodes);
    // Inserts a node into element `element` at curve parameter t (in
    // [0, 1]; a close is split as its closing line) and answers the new
    // node's number; TDNotFound, with nothing changed, for an element that
    // is neither a line, a curve nor a close.
    int splitPath(int element, float t);

    // --- Manipulation ----------------------------------------------------------------------
    // Takes the start-of-drag copy of the path and registers it for undo.
    void startManipulation() override;
    // Applies the shape transformation to the path and resets it.
    void stopManipulation() override;
    // Moves the nodes (with the control points that belong to them) by the
    // total drag transformation, from the start-of-drag path.
    void transformNodes(const QList<int> &nodes, const AffineTransform &transform) override;
    // Moves a control point by the total drag transformation.  Without
    // modifiers the node stays smooth (the opposite control turns with it)
    // or tangent to a straight neighbour; Option leaves the opposite side
    // alone; Command keeps the control on its line; Shift rounds its angle
    // around the node to 15 degrees.
    void transformControl(int control, const AffineTransform &transform) override
    {
        transformControl(control, transform, 0);
    }
    void transformControl(int control, const AffineTransform &transform, unsigned modifierFlags) override;
    // The other control of the same node (in the start-of-drag path), or 0.
    int oppositeControl(int control) const;

    // --- Creation with the mouse (TDBezierGraphic+Create.cpp) ---------------------------------
    // The freehand stroke (Drag) or the polygon clicks (any other mode),
    // tracked by the canvas.  A stroke that starts on the open end of a
    // selected path (within 5 screen pixels; Option draws a new path
    // anyway) goes on that path, as one undoable change of it, and the
    // answer is false: this graphic is not to be added.
    void createWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationMode mode,
                         CreationCompletion completion) override;
    // An open end of a path graphic: its first point (atStart) or its last
    // node.
    struct PathEnd {
        std::shared_ptr<TDBezierGraphic> graphic;
        bool atStart = false;
        Point point;
    };
    // The first of the graphics whose path is open and has an end within the
    // capture distance (squared distance under 25 / zoom) of the point; the
    // start is tried before the end.
    static std::optional<PathEnd> pathEndNear(const TDGraphicArray &graphics, Point point, float zoom);
    // The end's path with the stroke (which starts at the end's point) joined
    // on: before its start walked backwards, or after its end.
    static TDBezierPath extendedPath(const PathEnd &end, const TDBezierPath &stroke);

    // A freehand stroke: manipulated and created from the start, the pen's
    // pressure replacing the stroke's curve with a tablet; the stroke shown
    // as it grows (its path is the live and the drawn path at once); at the
    // end refitted into curves within 3 screen pixels, the nodes between two
    // curves made smooth unless `smoothNodes` is false.  finishStroke answers
    // whether there is a path (two elements at least).
    void beginStroke(bool tablet);
    void showStroke(const TDFreehandStroke &stroke);
    bool finishStroke(const TDFreehandStroke &stroke, bool smoothNodes);

    // What the polygon tool shows while it builds the path, besides the
    // path: the first press's handle while it is dragged out, the handle of
    // the node being placed, and whether a click would close the path.  The
    // tool's own state stays with the tool; the graphic draws this.
    struct Construction {
        bool firstPressDragged = false;
        Point pointer;
        bool curveDrag = false;
        Point pendingHandle;
        bool firstNodeHighlighted = false;
    };
    // Set while the path is built (the graphic is being created), none after.
    void setConstruction(std::optional<Construction> construction);
    const std::optional<Construction> &construction() const { return m_construction; }
    // The path drawn while it is built: the path plus the segment to the
    // pointer.
    void setPreviewPath(std::shared_ptr<TDBezierPath> preview);
    // The nodes shown selected while the path is built: all but the first,
    // which joins them while a click would close the path.
    QList<int> constructionNodes() const;
    // Handles on the first point and the last node, where the paint and
    // polygon tools go on with a selected path.
    void drawStartAndEndHandles(TDGraphicViewInterface *view) const;
    // The construction handles of the polygon tool and their lines.
    void drawExtraHandles(TDGraphicViewInterface *view, GraphicsContext &context) const;

    // --- Drawing ---------------------------------------------------------------------------
    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override;
    void drawEditingInView(TDDrawProtocol *view, GraphicsContext &context) override;
    // Control lines and handles of the selected nodes, and every node's
    // handle.
    void drawHandles(const QList<int> &selectedNodes, TDGraphicViewInterface *view, GraphicsContext &context);

    // --- Dictionary form ---------------------------------------------------------------------
    PropertyList toYAML() const override;
    void initWithValues(const TDDictionaryReader &values) override;
    static std::shared_ptr<TDBezierGraphic> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDBezierGraphic"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);

private:
    // The pressure array of older documents: the stroke's pressure curve.
    void readLegacyPressure(const PropertyList &values);
    // Writes element `index` of the start-of-drag path back into the live
    // path, when both still have that element of the same kind.
    void restoreElement(int index);
    bool sameElement(int index) const;

    std::shared_ptr<TDBezierPath> m_bezierPath;
    std::shared_ptr<TDBezierPath> m_originalBezierPath;
    Point m_nextControlPoint;
    std::optional<Construction> m_construction;
};

} // namespace scrivane
