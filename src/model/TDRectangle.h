#pragma once

#include "model/TDGraphic.h"

namespace scrivane {

// The rectangle with rounded corners, also the box of text graphics (fill
// style 4).  Its own geometry is the unit square, placed in the document by
// the shape transformation, so moving, scaling, rotating and skewing never
// touch the rectangle's own data.  Its one own property is the corner
// roundness: the corner radius as a fraction of the shorter side in the
// document, 0 for square corners up to 0.5 for fully rounded ends.
//
// On the canvas it shows three handles: the roundness handle (-1) at the
// centre of the corner arc at the origin corner, and two handles that scale
// the height (-2, the middle of the y = 0 edge) and the width (-3, the
// middle of the x = 0 edge) symmetrically about the centre.
//
// Stored under "Roundness" besides the keys of every graphic.
class TDRectangle : public TDGraphic {
public:
    TDRectangle();

    float roundness() const { return m_roundness; }
    // Clamped to [0, 0.5]; nothing when that is the current value.  Undoable
    // (skippable) unless manipulating.
    void setRoundness(float roundness);

    // The rounded rectangle in the unit square; square corners (roundness
    // 0) are one path shared by every rectangle.
    std::shared_ptr<TDBezierPath> bezierPath() const override;
    // "rect" while the shape transformation only scales and moves (mirrored
    // too), else the path.
    XmlElement svgShape() override;

    // Handle points in document coordinates: 1 where the x = 0 edge meets
    // the corner arc at the origin corner, 2 where the y = 0 edge meets it,
    // -1 the arc's centre, -2 and -3 the middles of the y = 0 and x = 0
    // edges.  `original` reads the state at the start of the manipulation.
    // The zero point for any other number.
    Point node(int n) const override { return node(n, false); }
    Point node(int n, bool original) const;
    int oppositeControl(int) const { return 0; }
    // -1, -2 or -3, the first whose handle holds the point; else TDNotFound.
    using TDGraphic::nodeUnderPoint;
    int nodeUnderPoint(Point point, TDGraphicViewInterface *view) override;

    void startManipulation() override;
    // Undo then restores the roundness of the start together with the shape.
    void stopManipulation() override;
    // Drags handle -1, -2 or -3 by the total drag transformation since the
    // manipulation started, and shows the new value in the status line.  A
    // drag that needs to invert a singular shape transformation changes
    // nothing.
    void transformControl(int control, const AffineTransform &transform) override
    {
        transformControl(control, transform, 0);
    }
    void transformControl(int control, const AffineTransform &transform, unsigned modifierFlags) override;

    void drawEditingInView(TDDrawProtocol *view, GraphicsContext &context) override;
    // The outline dashed, the roundness guide and the three handles (the
    // handles only when drawn for a canvas).
    void drawHandlesInView(TDGraphicViewInterface *view, GraphicsContext &context);

    // The x scale over the y scale of the shape transformation, which turns
    // the roundness into circular corners.  For an exact quarter turn or a
    // flat rectangle, where the diagonal ratio means nothing, the ratio of
    // the lengths of the two transformed axes; 0 when that means nothing
    // either (the corners are then square).
    static float cornerAspect(const AffineTransform &transform);

    // --- Dictionary form ------------------------------------------------------------
    PropertyList toYAML() const override;
    // The graphic's keys, then "Roundness" through setRoundness (clamped).
    static std::shared_ptr<TDRectangle> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDRectangle"); }
    QStringList archiveClassHierarchy() const override;
    // From an archive the stored roundness is kept as it stands until it is
    // next set.
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString defaultNameFormat() const override;

private:
    float m_originalRoundness = 0;
    float m_roundness = 0;
};

} // namespace scrivane
