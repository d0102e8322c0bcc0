#pragma once

// Point and tangent evaluation on the pieces a command path is made of:
// segments, quadratic spans, cubics in Hermite form (end points and
// derivative vectors) and elliptic arcs given by their end points.

namespace scrivane {

struct EnginePoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Position, unit tangent, speed (length of the derivative) and signed radius
// of curvature at one parameter of a piece.
struct CurveSample {
    EnginePoint point;
    EnginePoint tangent;
    float speed = 0.0f;
    float radius = 0.0f;
};

// An elliptic arc in end point form, reached from a start point.
struct ArcSpec {
    EnginePoint end;
    float radiusX = 0.0f;
    float radiusY = 0.0f;
    float angle = 0.0f; // rotation of the x radius, radians
    bool largeArc = false;
    bool clockwise = false;
};

EnginePoint quadraticPointAt(float t, EnginePoint p0, EnginePoint p1, EnginePoint p2);

// Derivative at t of the cubic with end points p0, p1 and end derivatives
// t0, t1.
EnginePoint cubicTangentAt(float t, EnginePoint p0, EnginePoint t0, EnginePoint p1, EnginePoint t1);

// Start and end angle of an arc about its centre (radians).  Answers false
// and leaves both untouched when the arc has no defined centre (its end is
// its start, a radius is not positive, or a value is not finite).
bool arcAnglesFromEndpoints(EnginePoint start, const ArcSpec &arc, float &startAngle, float &endAngle);

// The centre and the two angles of an arc as the flattening uses them; the
// chord in the ellipse's unit frame is limited to the diameter when
// `limitChord` is set.  False when the arc has no defined centre.
bool arcCentreAndAngles(EnginePoint start, const ArcSpec &arc, bool limitChord, EnginePoint &centre,
                        float &startAngle, float &endAngle);

CurveSample tangentOnSegmentAt(float t, EnginePoint start, EnginePoint end);
// `reverse` is set when the sample is taken at the far end, so that a
// tangent found from a higher derivative points along the direction of
// travel.
CurveSample tangentOnQuadraticAt(float t, EnginePoint start, EnginePoint control, EnginePoint end,
                                 bool reverse);
CurveSample tangentOnCubicAt(float t, EnginePoint start, EnginePoint end, EnginePoint startTangent,
                             EnginePoint endTangent, bool reverse);
CurveSample tangentOnArcAt(float t, EnginePoint start, const ArcSpec &arc);

} // namespace scrivane
