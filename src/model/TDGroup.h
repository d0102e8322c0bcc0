#pragma once

#include "model/TDGraphic.h"

namespace scrivane {

// A graphic that holds other graphics.  The child array is the z-order
// (index 0 drawn first, the last on top).  With the clip flag set and at
// least two children the last child clips the others and is not painted.
// The group's own shadow, blend mode and opacity apply to its children as a
// whole; its own fill and stroke are never painted.
//
// The child-list operations (TDGroup+Graphics.cpp) are the one place where
// graphics enter and leave a container: they keep the children's back
// references, register their inverses for undo and refresh the views.
//
// Stored under "Graphics" (the children), "Clip" (when set) and
// "Expanded" (when set), besides the keys of every graphic.
class TDGroup : public TDGraphic {
public:
    TDGroup();
    ~TDGroup() override;

    static std::shared_ptr<TDGroup> groupWithGraphics(const TDGraphicArray &graphics);
    // The children are taken as given; their document and parent are set
    // when the group joins a container.
    void initWithGraphics(const TDGraphicArray &graphics);

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }
    bool clip() const override { return m_clip; }
    // Undoable (skippable); recomputes the bounds.
    void setClip(bool clip) override;
    // The last child (whatever the flag says), or null.
    TDGraphicPtr clipGraphic() const;
    // Whether the clip flag is set and there are at least two children.
    bool clips() const { return m_clip && m_graphics.size() >= 2; }

    // Moves the children into the parent at the group's place; the group
    // leaves the parent.  Both steps register their undo.
    void ungroup();
    // Entering the group: it becomes the document's current layer.
    void startEditingWithEvent(const TDEvent *event, TDGraphicViewInterface *view) override;
    void setVisible(bool visible) override;
    void setLocked(bool locked) override;
    bool containsImage() const override;
    void update();

    // --- Geometry ---------------------------------------------------------------------
    // A new path with every child's cached path, even-odd.
    std::shared_ptr<TDBezierPath> cachedBezierPath() override;
    // One child: its clip path; otherwise the union of the children's.
    std::shared_ptr<TDBezierPath> clipPath() override;
    // From the children (only the clip graphic when clipping): no change
    // protocol.
    void calculateBounds();
    // The same after `child` was appended as the last child: the bounds
    // the children had, united with the new one's (what calculateBounds
    // answers, without visiting every child again).
    void calculateBoundsAfterAppending(const TDGraphic &child);
    // Undoable (skippable) recomputation inside a change bracket.
    void recalculateBounds();
    Rect editingBounds() const override { return m_drawingBounds; }
    Rect drawingBoundsWithoutEffects() const override;
    // The union of the children's drawing bounds, as last computed.
    const Rect &childrenDrawingBounds() const { return m_drawingBounds; }

    void transformWithTransformation(const AffineTransform &transform, bool transfromFill,
                                     bool transformStroke, bool transformShape) override;
    using TDGraphic::transformWithTransformation;
    void startManipulation() override;
    void stopManipulation() override;
    void cancelManipulation() override;

    bool hitTest(Point point) override;
    bool hitTestRect(const Rect &rect) override;

    // --- Change protocol -------------------------------------------------------------
    void willChange() override;
    void didChange() override;

    // --- Drawing --------------------------------------------------------------------------
    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override;
    // The group alone while it is edited in isolation: every child, the clip
    // graphic included, without clip, shadow, blend, opacity or effects.
    void drawInViewIsolation(TDDrawProtocol *view, GraphicsContext &context);
    void drawSelectionInView(TDGraphicViewInterface *view, GraphicsContext &context) override;
    bool hasDrawn() const { return m_hasDrawn; }
    // A "g" of the children's elements; a clipping group puts its last
    // child's clip path into a "clipPath" and clips the others with it.
    XmlElement svg(TDSvgContext &context) override;

    // --- Child list (TDGroup+Graphics.cpp) ---------------------------------------------
    // The child array itself.
    const TDGraphicArray &graphics() const { return m_graphics; }
    // Changes whenever the child array does (what is in it, or its order).
    quint64 childrenVersion() const { return m_childrenVersion; }
    int indexOfGraphic(const TDGraphic *graphic) const;
    int indexOfObjectIdenticalTo(const TDGraphic *graphic) const { return indexOfGraphic(graphic); }

    void addGraphic(const TDGraphicPtr &graphic);
    void addGraphicVeryQuietly(const TDGraphicPtr &graphic);
    void insertGraphic(const TDGraphicPtr &graphic, int index);
    // Puts the graphic directly beneath `existing`; nothing when `existing`
    // is not a child.
    void addGraphic(const TDGraphicPtr &graphic, const TDGraphic *existing);
    void addGraphicsQuietly(const TDGraphicArray &graphics);
    void addGraphicsQuietly(const TDGraphicArray &graphics, int index);
    void addGraphics(const TDGraphicArray &graphics);
    // Undo puts the graphic back at its index.  An index out of range does
    // nothing.
    void removeGraphicAtIndex(int index);
    void removeGraphic(const TDGraphic *graphic);
    // Undo puts every graphic back at the index it had.
    void removeGraphics(const TDGraphicArray &graphics);
    void removeAllGraphics();
    // Clamps the target to the children's range; false when the graphic
    // already stands there (or is not a child).
    bool moveGraphic(const TDGraphicPtr &graphic, int index);
    // False when `old` is not a child.
    bool replaceGraphic(const TDGraphic *old, const TDGraphicPtr &replacement);
    // Replaces the children one by one, each step undoable.
    void setGraphics(const TDGraphicArray &graphics);
    // Takes the array as the children: no undo, no back references.
    void _setGraphics(const TDGraphicArray &graphics);
    // As _setGraphics, then every child joins this group and its document.
    void setGraphicsWithDoc(const TDGraphicArray &graphics);
    // Every descendant leaves the canvas's selection (last child first).
    void deselectGraphics();
    void invalidateGraphic(TDGraphic *graphic);
    // Moves the graphics (from wherever they are) to `index`, in one undo
    // group; answers the final index.
    int moveAllGraphics(const TDGraphicArray &graphics, int index);
    // Inserts deep copies (through the keyed archive) at `index`.
    void copyAllGraphics(const TDGraphicArray &graphics, int index);

    // Every child joins the document and this group, recursively.
    void setDocument(TDDocumentInterface *document) override;

    // --- Dictionary form ------------------------------------------------------------------
    PropertyList toYAML() const override;
    void initWithValues(const TDDictionaryReader &values) override;
    static std::shared_ptr<TDGroup> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDGroup"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString defaultNameFormat() const override;

protected:
    // Layers name their visibility and lock undo actions differently.
    virtual QString visibleActionName() const { return QStringLiteral("Set graphic visible"); }
    virtual QString lockedActionName() const { return QStringLiteral("Set graphic locked"); }
    void refreshLayersPanel() const;
    void resizeCanvas() const;

private:
    void drawChildren(TDDrawProtocol *view, GraphicsContext &context, size_t count);
    // Every change of the child array goes through here.
    void childrenChanged() { ++m_childrenVersion; }
    // Makes the graphic a child of this group in this group's document.
    void adopt(const TDGraphicPtr &graphic);
    // The inverse of removeGraphics: each graphic back at its old index
    // (ascending indexes).
    void restoreGraphics(const std::vector<std::pair<int, TDGraphicPtr>> &placed);

    TDGraphicArray m_graphics;
    quint64 m_childrenVersion = 0;
    Rect m_drawingBounds;
    bool m_hasDrawn = false;
    bool m_clip = false;
    bool m_expanded = false;
};

} // namespace scrivane
