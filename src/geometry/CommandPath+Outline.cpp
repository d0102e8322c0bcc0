#include "geometry/CommandPath.h"

#include "geometry/EngineCodes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace scrivane {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr int kOffsetDepth = 8;
// Round joins and caps take a radius a little over the offset, so that the
// chord of a half turn never exceeds the arc's diameter.
constexpr float kRoundRadius = 1.0001f;
// Pieces of a stroke that meet along a line overlap by this much (three
// grid steps): two edges meant to coincide, or nearly so, could cross once
// their ends are rounded to the grid and leave slivers inside the stroke.
constexpr float kSeam = 0.1f;

EnginePoint add(EnginePoint a, EnginePoint b)
{
    return {a.x + b.x, a.y + b.y};
}

EnginePoint sub(EnginePoint a, EnginePoint b)
{
    return {a.x - b.x, a.y - b.y};
}

EnginePoint scale(EnginePoint a, float k)
{
    return {a.x * k, a.y * k};
}

EnginePoint unit(EnginePoint v)
{
    const float l = std::hypot(v.x, v.y);
    return l > 0.0f ? EnginePoint{v.x / l, v.y / l} : v;
}

// The offset side of a unit direction.
EnginePoint normalOf(EnginePoint d)
{
    return {-d.y, d.x};
}

float dot(EnginePoint a, EnginePoint b)
{
    return a.x * b.x + a.y * b.y;
}

bool near(EnginePoint a, EnginePoint b, float within)
{
    return std::fabs(a.x - b.x) < within && std::fabs(a.y - b.y) < within;
}

// One curved piece of a source command, handed to an offset function.
struct OffsetPiece {
    int command = -1;
    // The piece runs against its source command: its parameters count down.
    bool reversed = false;
    float tStart = 0.0f, tEnd = 1.0f;
    CommandPath *destination = nullptr;
    EnginePoint start, end;
    // Cubic (Hermite form).
    EnginePoint startTangent, endTangent;
    // Quadratic.
    EnginePoint control;
    // Arc, over its parameter range from..to.
    ArcSpec arc;
    float from = 0.0f, to = 1.0f;
};

using OffsetFunction = void (*)(const OffsetPiece &, float tolerance, float w);

struct OffsetFunctions {
    OffsetFunction cubic;
    OffsetFunction quadratic;
    OffsetFunction arc;
};

void appendOffsetCubic(const OffsetPiece &piece, EnginePoint end, EnginePoint t0, EnginePoint t1, float ta, float tb)
{
    const int index = piece.destination->cubicTo(end.x, end.y, t0.x, t0.y, t1.x, t1.y);
    if (index < 0)
        return;
    PathCommand &c = piece.destination->command(index);
    c.associatedPoint = piece.command;
    c.tStart = piece.reversed ? 1 - ta : ta;
    c.tEnd = piece.reversed ? 1 - tb : tb;
}

// The factor by which the offset's speed differs from the source's: 1 + w / r.
float speedFactor(const CurveSample &s, float w)
{
    return std::fabs(s.radius) > 0.01f ? 1.0f + w / s.radius : 1.0f;
}

// The offset of the cubic (p0, t0, p1, t1) over the source range ta..tb:
// one cubic through the offset points of its ends with their offset
// tangents, halved while its middle misses the true offset.
void offsetCubicPiece(const OffsetPiece &piece, EnginePoint p0, EnginePoint t0, EnginePoint p1, EnginePoint t1,
                      float ta, float tb, float tolerance, float w, int depth)
{
    const CurveSample s0 = tangentOnCubicAt(0.0f, p0, p1, t0, t1, false);
    const CurveSample s1 = tangentOnCubicAt(1.0f, p0, p1, t0, t1, true);
    const EnginePoint o0 = add(s0.point, scale(normalOf(s0.tangent), w));
    const EnginePoint o1 = add(s1.point, scale(normalOf(s1.tangent), w));
    const EnginePoint ot0 = scale(s0.tangent, s0.speed * speedFactor(s0, w));
    const EnginePoint ot1 = scale(s1.tangent, s1.speed * speedFactor(s1, w));
    if (depth >= 1) {
        const CurveSample sm = tangentOnCubicAt(0.5f, p0, p1, t0, t1, false);
        const EnginePoint target = add(sm.point, scale(normalOf(sm.tangent), w));
        const EnginePoint middle = {(o0.x + o1.x) / 2 + (ot0.x - ot1.x) / 8, (o0.y + o1.y) / 2 + (ot0.y - ot1.y) / 8};
        if (std::hypot(middle.x - target.x, middle.y - target.y) > tolerance) {
            const EnginePoint d = sub(p1, p0);
            const EnginePoint m = {(p0.x + p1.x) / 2 + (t0.x - t1.x) / 8, (p0.y + p1.y) / 2 + (t0.y - t1.y) / 8};
            const EnginePoint tm = {0.75f * d.x - (t0.x + t1.x) / 8, 0.75f * d.y - (t0.y + t1.y) / 8};
            const float tmid = (ta + tb) / 2;
            offsetCubicPiece(piece, p0, scale(t0, 0.5f), m, tm, ta, tmid, tolerance, w, depth - 1);
            offsetCubicPiece(piece, m, tm, p1, scale(t1, 0.5f), tmid, tb, tolerance, w, depth - 1);
            return;
        }
    }
    appendOffsetCubic(piece, o1, ot0, ot1, ta, tb);
}

void offsetCubic(const OffsetPiece &piece, float tolerance, float w)
{
    offsetCubicPiece(piece, piece.start, piece.startTangent, piece.end, piece.endTangent, piece.tStart, piece.tEnd,
                     tolerance, w, kOffsetDepth);
}

void offsetQuadratic(const OffsetPiece &piece, float tolerance, float w)
{
    const EnginePoint t0 = scale(sub(piece.control, piece.start), 2.0f);
    const EnginePoint t1 = scale(sub(piece.end, piece.control), 2.0f);
    offsetCubicPiece(piece, piece.start, t0, piece.end, t1, piece.tStart, piece.tEnd, tolerance, w, kOffsetDepth);
}

// The angle an arc sweeps, as the point and tangent evaluation walks it.
float arcSweep(EnginePoint start, const ArcSpec &arc)
{
    EnginePoint centre;
    float a0 = 0, a1 = 0;
    if (!arcCentreAndAngles(start, arc, false, centre, a0, a1))
        return 0.0f;
    if (arc.clockwise && a1 > a0)
        a0 += kTwoPi;
    else if (!arc.clockwise && a0 > a1)
        a0 -= kTwoPi;
    return std::fabs(a1 - a0);
}

void offsetArcPiece(const OffsetPiece &piece, float sweep, float from, float to, float tolerance, float w, int depth)
{
    const CurveSample s0 = tangentOnArcAt(from, piece.start, piece.arc);
    const CurveSample s1 = tangentOnArcAt(to, piece.start, piece.arc);
    const float length = (to - from) * sweep;
    const EnginePoint o0 = add(s0.point, scale(normalOf(s0.tangent), w));
    const EnginePoint o1 = add(s1.point, scale(normalOf(s1.tangent), w));
    const EnginePoint ot0 = scale(s0.tangent, s0.speed * speedFactor(s0, w) * length);
    const EnginePoint ot1 = scale(s1.tangent, s1.speed * speedFactor(s1, w) * length);
    if (depth >= 1) {
        const CurveSample sm = tangentOnArcAt((from + to) / 2, piece.start, piece.arc);
        const EnginePoint target = add(sm.point, scale(normalOf(sm.tangent), w));
        const EnginePoint middle = {(o0.x + o1.x) / 2 + (ot0.x - ot1.x) / 8, (o0.y + o1.y) / 2 + (ot0.y - ot1.y) / 8};
        if (std::hypot(middle.x - target.x, middle.y - target.y) > tolerance) {
            const float mid = (from + to) / 2;
            offsetArcPiece(piece, sweep, from, mid, tolerance, w, depth - 1);
            offsetArcPiece(piece, sweep, mid, to, tolerance, w, depth - 1);
            return;
        }
    }
    appendOffsetCubic(piece, o1, ot0, ot1, from, to);
}

void offsetArc(const OffsetPiece &piece, float tolerance, float w)
{
    offsetArcPiece(piece, arcSweep(piece.start, piece.arc), 0.0f, 1.0f, tolerance, w, kOffsetDepth);
}

constexpr OffsetFunctions kOffsetFunctions = {offsetCubic, offsetQuadratic, offsetArc};

// How far an offset curve may stray from the true offset.  Grows with the
// offset, but a thin line does not halve every curve to the full depth,
// and a wide one stays within what the later flattening keeps.
float offsetTolerance(float w)
{
    return std::clamp(0.0025f * w * w, 0.01f, 0.25f);
}

// Where the outline of one subpath ends: the last piece's end point and
// unit direction, for the cap.
struct OutlineEnd {
    EnginePoint point;
    EnginePoint direction;
};

class OutlineBuilder {
public:
    OutlineBuilder(const CommandPath &source, CommandPath &destination, float w, int join, float limit)
        : mSource(source)
        , mDestination(destination)
        , mW(w)
        , mJoin(join)
        , mLimit(limit)
        , mTolerance(offsetTolerance(std::fabs(w)))
    {
    }

    // Offsets commands first..end-1, first being a moveto.  Answers whether
    // anything was offset; `end` then describes the last piece.
    bool build(int first, int end, bool closed, bool continuing, OutlineEnd &last);
    // The commands being offset are another path's walked backwards: the
    // source command of each, for the offset commands to name.
    void setReversedSource(const std::vector<int> *sourceIndex) { mSourceIndex = sourceIndex; }

private:
    void startOrJoin(EnginePoint normal);
    void finishPiece(EnginePoint point, EnginePoint direction);
    void closeContour();
    void offsetLine(EnginePoint to, int command);
    void offsetCurve(int command, const OffsetPiece &piece, const CurveSample &s0, const CurveSample &s1, OffsetFunction f);
    void offsetBezier(int b, int count);
    // The piece for command i of the path being offset.
    OffsetPiece pieceFor(int i) const;

    const CommandPath &mSource;
    const std::vector<int> *mSourceIndex = nullptr;
    CommandPath &mDestination;
    float mW;
    int mJoin;
    float mLimit;
    float mTolerance;

    EnginePoint mCurrent;
    bool mStarted = false;
    bool mContinuing = false;
    bool mAny = false;
    EnginePoint mContourStart, mFirstNormal, mPreviousNormal;
    OutlineEnd mLast;
};

void OutlineBuilder::startOrJoin(EnginePoint normal)
{
    if (!mStarted) {
        mStarted = true;
        mContourStart = mCurrent;
        mFirstNormal = normal;
        if (!mContinuing)
            mDestination.moveTo(mCurrent.x + mW * normal.x, mCurrent.y + mW * normal.y);
        mContinuing = false;
        return;
    }
    CommandPath::addJoin(mDestination, mCurrent, mPreviousNormal, normal, mW, mJoin, mLimit);
}

void OutlineBuilder::finishPiece(EnginePoint point, EnginePoint direction)
{
    mCurrent = point;
    mPreviousNormal = normalOf(direction);
    mLast = {point, direction};
    mAny = true;
}

OffsetPiece OutlineBuilder::pieceFor(int i) const
{
    OffsetPiece piece;
    piece.destination = &mDestination;
    piece.start = mCurrent;
    piece.end = mSource.command(i).point();
    if (mSourceIndex) {
        piece.command = i < int(mSourceIndex->size()) ? (*mSourceIndex)[std::size_t(i)] : -1;
        piece.reversed = true;
    } else {
        piece.command = i;
    }
    return piece;
}

void OutlineBuilder::offsetLine(EnginePoint to, int command)
{
    const EnginePoint d = sub(to, mCurrent);
    const float l = std::hypot(d.x, d.y);
    if (!(l > 0.0f))
        return;
    const EnginePoint u = {d.x / l, d.y / l};
    const EnginePoint n = normalOf(u);
    startOrJoin(n);
    const int index = mDestination.lineTo(to.x + mW * n.x, to.y + mW * n.y);
    if (index >= 0 && command >= 0) {
        const OffsetPiece piece = pieceFor(command);
        PathCommand &c = mDestination.command(index);
        c.associatedPoint = piece.command;
        c.tStart = piece.reversed ? 1.0f : 0.0f;
        c.tEnd = piece.reversed ? 0.0f : 1.0f;
    }
    finishPiece(to, u);
}

void OutlineBuilder::offsetCurve(int command, const OffsetPiece &piece, const CurveSample &s0, const CurveSample &s1,
                                 OffsetFunction f)
{
    // Without a direction at either end (an arc that cannot join its
    // points, a cubic folded onto a point) the piece is a straight line.
    if (!(s0.tangent.x != 0.0f || s0.tangent.y != 0.0f) || !(s1.tangent.x != 0.0f || s1.tangent.y != 0.0f)) {
        offsetLine(piece.end, command);
        return;
    }
    startOrJoin(normalOf(s0.tangent));
    f(piece, mTolerance, mW);
    finishPiece(piece.end, s1.tangent);
}

void OutlineBuilder::offsetBezier(int b, int count)
{
    const PathCommand &bezier = mSource.command(b);
    const EnginePoint end = bezier.point();
    if (count == 0) {
        offsetLine(end, b);
        return;
    }
    EnginePoint spanStart = mCurrent;
    for (int k = 0; k < count; ++k) {
        const EnginePoint control = mSource.command(b + 1 + k).point();
        const EnginePoint spanEnd = k + 1 < count
            ? EnginePoint{(control.x + mSource.command(b + 2 + k).x) / 2, (control.y + mSource.command(b + 2 + k).y) / 2}
            : end;
        OffsetPiece piece = pieceFor(b + 1 + k);
        piece.start = spanStart;
        piece.end = spanEnd;
        piece.control = control;
        const CurveSample s0 = tangentOnQuadraticAt(0.0f, spanStart, control, spanEnd, false);
        const CurveSample s1 = tangentOnQuadraticAt(1.0f, spanStart, control, spanEnd, true);
        if (s0.tangent.x != 0.0f || s0.tangent.y != 0.0f || s1.tangent.x != 0.0f || s1.tangent.y != 0.0f)
            offsetCurve(b + 1 + k, piece, s0, s1, kOffsetFunctions.quadratic);
        spanStart = spanEnd;
    }
}

void OutlineBuilder::closeContour()
{
    if (!mStarted)
        return;
    // The closing segment, then the join back into the first piece.
    if (!near(mCurrent, mContourStart, 0.0001f))
        offsetLine(mContourStart, -1);
    CommandPath::addJoin(mDestination, mContourStart, mPreviousNormal, mFirstNormal, mW, mJoin, mLimit);
    mDestination.close();
    mStarted = false;
}

bool OutlineBuilder::build(int first, int end, bool closed, bool continuing, OutlineEnd &last)
{
    mContinuing = continuing;
    mStarted = false;
    mAny = false;
    mCurrent = mSource.command(first).point();
    for (int i = first + 1; i < end; ++i) {
        const PathCommand &c = mSource.command(i);
        const int type = c.type();
        if (type == kPathMoveTo) {
            if (closed)
                closeContour();
            mStarted = false;
            mCurrent = c.point();
            continue;
        }
        if (type == kPathForcedPoint || type == kPathIntermediatePoint)
            continue;
        if (type == kPathClose) {
            closeContour();
            continue;
        }
        if (isZeroLengthCommand(mSource, i, mCurrent))
            continue;
        switch (type) {
        case kPathLineTo: offsetLine(c.point(), i); break;
        case kPathCubicTo: {
            OffsetPiece piece = pieceFor(i);
            piece.startTangent = c.startTangent();
            piece.endTangent = c.endTangent();
            const CurveSample s0 = tangentOnCubicAt(0.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, false);
            const CurveSample s1 = tangentOnCubicAt(1.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, true);
            offsetCurve(i, piece, s0, s1, kOffsetFunctions.cubic);
            break;
        }
        case kPathArcTo: {
            OffsetPiece piece = pieceFor(i);
            piece.arc = c.arc();
            const CurveSample s0 = tangentOnArcAt(0.0f, piece.start, piece.arc);
            const CurveSample s1 = tangentOnArcAt(1.0f, piece.start, piece.arc);
            offsetCurve(i, piece, s0, s1, kOffsetFunctions.arc);
            break;
        }
        case kPathBezierTo: {
            int count = std::max(0, c.count);
            while (count > 0 && (i + count >= end || mSource.command(i + count).type() != kPathIntermediatePoint))
                --count;
            offsetBezier(i, count);
            i += count;
            break;
        }
        default: break;
        }
    }
    if (closed)
        closeContour();
    last = mLast;
    return mAny;
}

// The subpath first..end-1 walked backwards into `reversed` (reset first),
// without its closes; `sourceIndex` receives the source command of each
// reversed command.
void reverseSubpath(const CommandPath &path, int first, int end, CommandPath &reversed, std::vector<int> &sourceIndex)
{
    reversed.reset();
    sourceIndex.clear();
    auto from = [&](int index, int source) {
        if (index < 0)
            return;
        if (sourceIndex.size() <= std::size_t(index))
            sourceIndex.resize(std::size_t(index) + 1, -1);
        sourceIndex[std::size_t(index)] = source;
    };
    int lastDrawing = -1;
    for (int i = end - 1; i > first && lastDrawing < 0; --i) {
        const int type = path.command(i).type();
        if (type == kPathLineTo || type == kPathCubicTo || type == kPathArcTo || type == kPathBezierTo
            || type == kPathIntermediatePoint)
            lastDrawing = i;
    }
    if (lastDrawing < 0)
        return;
    // A run of intermediate points ends at its bezier's end point.
    int endOf = lastDrawing;
    while (endOf > first && path.command(endOf).type() == kPathIntermediatePoint)
        --endOf;
    const EnginePoint startPoint =
        path.command(endOf).type() == kPathBezierTo ? path.command(endOf).point() : path.command(lastDrawing).point();
    reversed.moveTo(startPoint.x, startPoint.y);
    auto before = [&](int i) {
        EnginePoint p = path.command(first).point();
        path.previousPoint(i - 1, p.x, p.y);
        return p;
    };
    for (int i = lastDrawing; i > first; --i) {
        const PathCommand &c = path.command(i);
        switch (c.type()) {
        case kPathLineTo: {
            const EnginePoint p = before(i);
            from(reversed.lineTo(p.x, p.y), i);
            break;
        }
        case kPathCubicTo: {
            const EnginePoint p = before(i);
            from(reversed.cubicTo(p.x, p.y, -c.endTangentX, -c.endTangentY, -c.startTangentX, -c.startTangentY), i);
            break;
        }
        case kPathArcTo: {
            const EnginePoint p = before(i);
            from(reversed.arcTo(p.x, p.y, c.radiusX, c.radiusY, c.angle, c.largeArc, !c.clockwise), i);
            break;
        }
        case kPathBezierTo:
        case kPathIntermediatePoint: {
            // Back to the bezier that owns the run.
            int b = i;
            while (b > first && path.command(b).type() == kPathIntermediatePoint)
                --b;
            if (path.command(b).type() != kPathBezierTo) {
                // Intermediate points with no bezier: a line to its point.
                const EnginePoint p = before(i);
                from(reversed.lineTo(p.x, p.y), i);
                break;
            }
            const EnginePoint p = before(b);
            if (i == b) {
                from(reversed.lineTo(p.x, p.y), i);
                break;
            }
            from(reversed.bezierTo(p.x, p.y), b);
            for (int k = i; k > b; --k)
                from(reversed.intermBezierTo(path.command(k).x, path.command(k).y), k);
            reversed.finishBezier();
            i = b;
            break;
        }
        default: break;
        }
    }
}

// The subpaths of a path: moveto index and end (exclusive).
template <typename Visit>
void forEachSubpath(const CommandPath &path, Visit visit)
{
    const int n = path.commandCount();
    int i = 0;
    while (i < n) {
        if (path.command(i).type() != kPathMoveTo) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < n && path.command(end).type() != kPathMoveTo)
            ++end;
        visit(i, end);
        i = end;
    }
}

bool hasDrawing(const CommandPath &path, int first, int end)
{
    for (int i = first + 1; i < end; ++i) {
        const int type = path.command(i).type();
        if (type != kPathClose && type != kPathForcedPoint && type != kPathMoveTo)
            return true;
    }
    return false;
}


// --- The stroke outline -----------------------------------------------------------------------
//
// The stroke is built of pieces that each turn the same way: a band along
// every drawing command (its two offsets joined at its ends), a wedge on
// the outer side of every join, and the caps.  Where they overlap the
// windings add up, never cancel, so the non-zero rule fills exactly the
// area the stroke covers.  (Two offsets round a whole subpath would not do:
// where a curve bends tighter than the offset, the inner offset folds back
// and cancels the outer one, leaving holes inside the stroke.)  A command
// that bends that tightly is covered by the bands of its flattening and
// round wedges between them instead.

enum class PieceKind { Line, Cubic, Quadratic, Arc };

struct StrokePiece {
    PieceKind kind = PieceKind::Line;
    int command = -1;
    bool reversed = false;
    EnginePoint start, end;
    EnginePoint startTangent, endTangent; // cubic, Hermite form
    EnginePoint control;                  // quadratic
    ArcSpec arc;
    EnginePoint startDirection, endDirection; // unit
    float chord = 0.0f;

    StrokePiece backwards() const
    {
        StrokePiece r = *this;
        r.reversed = !reversed;
        r.start = end;
        r.end = start;
        r.startTangent = scale(endTangent, -1);
        r.endTangent = scale(startTangent, -1);
        r.arc.end = start;
        r.arc.clockwise = !arc.clockwise;
        r.startDirection = scale(endDirection, -1);
        r.endDirection = scale(startDirection, -1);
        return r;
    }

    // Whether the piece bends tighter than w anywhere (or stops, as at a
    // cusp): its offsets would fold there.
    bool folds(float w) const
    {
        switch (kind) {
        case PieceKind::Line: return false;
        case PieceKind::Arc: {
            const float small = std::min(std::fabs(arc.radiusX), std::fabs(arc.radiusY));
            const float large = std::max(std::fabs(arc.radiusX), std::fabs(arc.radiusY));
            return !(large > 0.0f) || small * small / large <= w;
        }
        default: break;
        }
        const EnginePoint t0 = kind == PieceKind::Cubic ? startTangent : scale(sub(control, start), 2.0f);
        const EnginePoint t1 = kind == PieceKind::Cubic ? endTangent : scale(sub(end, control), 2.0f);
        const float size = std::hypot(end.x - start.x, end.y - start.y) + std::hypot(t0.x, t0.y) + std::hypot(t1.x, t1.y);
        constexpr int kSamples = 64;
        for (int i = 0; i <= kSamples; ++i) {
            const CurveSample c = tangentOnCubicAt(float(i) / kSamples, start, end, t0, t1, i == kSamples);
            if (!(c.speed > 1e-4f * size) || std::fabs(c.radius) <= w)
                return true;
        }
        return false;
    }
};

// Distance from p to the segment a-b.
float distanceToSegment(EnginePoint p, EnginePoint a, EnginePoint b)
{
    const EnginePoint d = sub(b, a);
    const float l2 = dot(d, d);
    const float u = l2 > 0.0f ? std::clamp(dot(sub(p, a), d) / l2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(p.x - a.x - u * d.x, p.y - a.y - u * d.y);
}

// Appends the cubic (control points c) halved until its control points lie
// within `tolerance` of its chord (of the chord itself, not its line, so
// that the point of a cusp is not cut off), its end included.
void flattenCubic(const EnginePoint c[4], float tolerance, int depth, std::vector<EnginePoint> &out)
{
    if (depth <= 0
        || (distanceToSegment(c[1], c[0], c[3]) <= tolerance && distanceToSegment(c[2], c[0], c[3]) <= tolerance)) {
        out.push_back(c[3]);
        return;
    }
    const EnginePoint ab = scale(add(c[0], c[1]), 0.5f), bc = scale(add(c[1], c[2]), 0.5f),
                      cd = scale(add(c[2], c[3]), 0.5f);
    const EnginePoint abc = scale(add(ab, bc), 0.5f), bcd = scale(add(bc, cd), 0.5f);
    const EnginePoint m = scale(add(abc, bcd), 0.5f);
    const EnginePoint first[4] = {c[0], ab, abc, m}, second[4] = {m, bcd, cd, c[3]};
    flattenCubic(first, tolerance, depth - 1, out);
    flattenCubic(second, tolerance, depth - 1, out);
}

// One closed loop of the outline: points joined by lines, or by arcs of
// the round radius about a corner.
struct LoopPoint {
    EnginePoint point;
    bool arc = false; // the edge into this point is an arc
    bool clockwise = false;
    EnginePoint middle{}; // the arc's middle, which tells which way it bulges
};

class StrokeOutliner {
public:
    StrokeOutliner(const CommandPath &source, CommandPath &destination, float w, int join, int cap, float limit)
        : mSource(source)
        , mDestination(destination)
        , mW(w)
        , mJoin(join)
        , mCap(cap)
        , mLimit(limit)
        , mTolerance(offsetTolerance(w))
    {
    }

    // Commands first..end-1 of the source, first a moveto, no closes.
    void subpath(int first, int end, bool closed);

private:
    void collect(int first, int end);
    void band(const StrokePiece &piece);
    void polygonalBand(const StrokePiece &piece);
    void offset(const StrokePiece &piece);
    // `seam`: how far the loop may reach back into the bands it meets.
    void wedge(EnginePoint corner, EnginePoint in, EnginePoint out, int join, float seam);
    void capAt(EnginePoint point, EnginePoint outward, float seam);
    void emitLoop(std::vector<LoopPoint> loop);

    const CommandPath &mSource;
    CommandPath &mDestination;
    float mW;
    int mJoin;
    int mCap;
    float mLimit;
    float mTolerance;
    std::vector<StrokePiece> mPieces;
};

void StrokeOutliner::collect(int first, int end)
{
    mPieces.clear();
    EnginePoint current = mSource.command(first).point();
    auto finish = [&](StrokePiece piece, const CurveSample &s0, const CurveSample &s1) {
        piece.chord = std::hypot(piece.end.x - piece.start.x, piece.end.y - piece.start.y);
        const bool turns = (s0.tangent.x != 0.0f || s0.tangent.y != 0.0f) && (s1.tangent.x != 0.0f || s1.tangent.y != 0.0f);
        if (!turns) {
            piece.kind = PieceKind::Line;
            const CurveSample s = tangentOnSegmentAt(0.0f, piece.start, piece.end);
            if (!(s.speed > 0.0f))
                return;
            piece.startDirection = piece.endDirection = s.tangent;
        } else {
            piece.startDirection = s0.tangent;
            piece.endDirection = s1.tangent;
        }
        mPieces.push_back(piece);
    };
    for (int i = first + 1; i < end; ++i) {
        const PathCommand &c = mSource.command(i);
        const int type = c.type();
        if (type == kPathForcedPoint || type == kPathIntermediatePoint || type == kPathClose || type == kPathMoveTo)
            continue;
        if (isZeroLengthCommand(mSource, i, current)) {
            if (type != kPathBezierTo)
                current = c.point();
            continue;
        }
        StrokePiece piece;
        piece.command = i;
        piece.start = current;
        piece.end = c.point();
        switch (type) {
        case kPathLineTo: {
            const CurveSample s = tangentOnSegmentAt(0.0f, current, piece.end);
            finish(piece, s, s);
            break;
        }
        case kPathCubicTo:
            piece.kind = PieceKind::Cubic;
            piece.startTangent = c.startTangent();
            piece.endTangent = c.endTangent();
            finish(piece, tangentOnCubicAt(0.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, false),
                   tangentOnCubicAt(1.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, true));
            break;
        case kPathArcTo:
            piece.kind = PieceKind::Arc;
            piece.arc = c.arc();
            finish(piece, tangentOnArcAt(0.0f, piece.start, piece.arc), tangentOnArcAt(1.0f, piece.start, piece.arc));
            break;
        case kPathBezierTo: {
            int count = std::max(0, c.count);
            while (count > 0 && (i + count >= end || mSource.command(i + count).type() != kPathIntermediatePoint))
                --count;
            if (count == 0) {
                const CurveSample s = tangentOnSegmentAt(0.0f, current, piece.end);
                finish(piece, s, s);
                break;
            }
            EnginePoint spanStart = current;
            for (int k = 0; k < count; ++k) {
                const EnginePoint control = mSource.command(i + 1 + k).point();
                const EnginePoint spanEnd = k + 1 < count
                    ? EnginePoint{(control.x + mSource.command(i + 2 + k).x) / 2, (control.y + mSource.command(i + 2 + k).y) / 2}
                    : piece.end;
                StrokePiece span;
                span.kind = PieceKind::Quadratic;
                span.command = i + 1 + k;
                span.start = spanStart;
                span.end = spanEnd;
                span.control = control;
                finish(span, tangentOnQuadraticAt(0.0f, spanStart, control, spanEnd, false),
                       tangentOnQuadraticAt(1.0f, spanStart, control, spanEnd, true));
                spanStart = spanEnd;
            }
            i += count;
            break;
        }
        default: continue;
        }
        current = c.point();
    }
}

void StrokeOutliner::offset(const StrokePiece &piece)
{
    OffsetPiece o;
    o.command = piece.command;
    o.reversed = piece.reversed;
    o.destination = &mDestination;
    o.start = piece.start;
    o.end = piece.end;
    o.startTangent = piece.startTangent;
    o.endTangent = piece.endTangent;
    o.control = piece.control;
    o.arc = piece.arc;
    switch (piece.kind) {
    case PieceKind::Cubic: kOffsetFunctions.cubic(o, mTolerance, mW); break;
    case PieceKind::Quadratic: kOffsetFunctions.quadratic(o, mTolerance, mW); break;
    case PieceKind::Arc: kOffsetFunctions.arc(o, mTolerance, mW); break;
    case PieceKind::Line: {
        const EnginePoint n = normalOf(piece.endDirection);
        const int index = mDestination.lineTo(piece.end.x + mW * n.x, piece.end.y + mW * n.y);
        if (index >= 0) {
            PathCommand &c = mDestination.command(index);
            c.associatedPoint = piece.command;
            c.tStart = piece.reversed ? 1.0f : 0.0f;
            c.tEnd = piece.reversed ? 0.0f : 1.0f;
        }
        break;
    }
    }
}

void StrokeOutliner::band(const StrokePiece &piece)
{
    if (piece.folds(mW)) {
        polygonalBand(piece);
        return;
    }
    // Back along the right side, across the start, on along the left side
    // and across the end.
    const EnginePoint n0 = normalOf(piece.startDirection), n1 = normalOf(piece.endDirection);
    mDestination.moveTo(piece.end.x - mW * n1.x, piece.end.y - mW * n1.y);
    offset(piece.backwards());
    mDestination.lineTo(piece.start.x + mW * n0.x, piece.start.y + mW * n0.y);
    offset(piece);
    mDestination.close();
}

// The piece as points within a twentieth of a point of it, its start first.
void flattenPiece(const StrokePiece &piece, std::vector<EnginePoint> &points)
{
    constexpr float kFine = 0.05f;
    points.assign(1, piece.start);
    switch (piece.kind) {
    case PieceKind::Cubic:
    case PieceKind::Quadratic: {
        const EnginePoint t0 = piece.kind == PieceKind::Cubic ? piece.startTangent : scale(sub(piece.control, piece.start), 2.0f);
        const EnginePoint t1 = piece.kind == PieceKind::Cubic ? piece.endTangent : scale(sub(piece.end, piece.control), 2.0f);
        const EnginePoint c[4] = {piece.start, add(piece.start, scale(t0, 1.0f / 3)), sub(piece.end, scale(t1, 1.0f / 3)),
                                  piece.end};
        flattenCubic(c, kFine, 12, points);
        break;
    }
    case PieceKind::Arc: {
        CommandPath flat;
        flat.moveTo(piece.start.x, piece.start.y);
        flat.arcTo(piece.end.x, piece.end.y, piece.arc.radiusX, piece.arc.radiusY, piece.arc.angle, piece.arc.largeArc,
                   piece.arc.clockwise);
        flat.convertToPolylineNoSplit(kFine);
        points.clear();
        for (const PolylinePoint &p : flat.points())
            points.push_back({p.x, p.y});
        break;
    }
    case PieceKind::Line: points.push_back(piece.end); break;
    }
}

void StrokeOutliner::polygonalBand(const StrokePiece &piece)
{
    std::vector<EnginePoint> points;
    flattenPiece(piece, points);
    // Inside the piece every chord's band reaches a little past its ends
    // into its neighbours' (the joins there are round, which that stays
    // within), so that no two of them merely touch; the joins and caps at
    // the piece's own ends take its own directions, and round wedges turn
    // those into the first and last chords'.
    const float reach = std::min(kSeam, mW / 2);
    std::vector<StrokePiece> chords;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        StrokePiece chord;
        chord.start = points[i];
        chord.end = points[i + 1];
        const CurveSample s = tangentOnSegmentAt(0.0f, chord.start, chord.end);
        if (!(s.speed > 0.0f))
            continue;
        chord.startDirection = chord.endDirection = s.tangent;
        chord.chord = s.speed;
        chords.push_back(chord);
    }
    if (chords.empty())
        return;
    for (std::size_t i = 0; i < chords.size(); ++i) {
        StrokePiece longer = chords[i];
        if (i > 0)
            longer.start = sub(longer.start, scale(longer.startDirection, reach));
        if (i + 1 < chords.size())
            longer.end = add(longer.end, scale(longer.endDirection, reach));
        band(longer);
        if (i > 0)
            wedge(chords[i].start, chords[i - 1].endDirection, chords[i].startDirection, engine::kJoinRound, reach);
    }
    const float seamStart = std::min(kSeam, chords.front().chord / 2), seamEnd = std::min(kSeam, chords.back().chord / 2);
    wedge(piece.start, piece.startDirection, chords.front().startDirection, engine::kJoinRound, seamStart);
    wedge(piece.end, chords.back().endDirection, piece.endDirection, engine::kJoinRound, seamEnd);
}

void StrokeOutliner::emitLoop(std::vector<LoopPoint> loop)
{
    const std::size_t n = loop.size();
    if (n < 3)
        return;
    // Which way it turns, an arc counted by its middle.
    double area = 0;
    auto edge = [&area](EnginePoint a, EnginePoint b) { area += double(a.x) * b.y - double(b.x) * a.y; };
    for (std::size_t i = 0; i < n; ++i) {
        const LoopPoint &to = loop[(i + 1) % n];
        if (to.arc) {
            edge(loop[i].point, to.middle);
            edge(to.middle, to.point);
        } else {
            edge(loop[i].point, to.point);
        }
    }
    if (area > 0) {
        // Every loop turns as the bands do: walk it the other way round.
        std::vector<LoopPoint> reversed;
        auto into = [&](std::size_t i, std::size_t from) {
            reversed.push_back({loop[i].point, loop[from].arc, !loop[from].clockwise, loop[from].middle});
        };
        into(0, 1);
        for (std::size_t i = n - 1; i >= 1; --i)
            into(i, (i + 1) % n);
        loop = std::move(reversed);
    }
    const float r = kRoundRadius * mW;
    mDestination.moveTo(loop[0].point.x, loop[0].point.y);
    for (std::size_t i = 1; i <= n; ++i) {
        const LoopPoint &p = loop[i % n];
        if (p.arc)
            mDestination.arcTo(p.point.x, p.point.y, r, r, 0.0f, false, p.clockwise);
        else if (i < n)
            mDestination.lineTo(p.point.x, p.point.y);
    }
    mDestination.close();
}

void StrokeOutliner::wedge(EnginePoint p, EnginePoint a, EnginePoint b, int join, float seam)
{
    const float turn = a.x * b.y - a.y * b.x, straight = dot(a, b);
    if (std::fabs(turn) < 0.0001f) {
        if (straight > 0.0f) {
            // Straight on: a short piece across the seam between the bands.
            const EnginePoint n = scale(normalOf(a), mW), e = scale(a, seam);
            emitLoop({{add(sub(p, e), n)}, {add(add(p, e), n)}, {sub(add(p, e), n)}, {sub(sub(p, e), n)}});
        } else if (join == engine::kJoinRound) {
            // Turning right round, a round join covers the half round beyond
            // the corner.
            capAt(p, a, seam);
        }
        return;
    }
    // The outer side of the turn, where the bands leave a gap.
    const float side = turn > 0 ? -1.0f : 1.0f;
    const EnginePoint oa = scale(normalOf(a), side), ob = scale(normalOf(b), side);
    const EnginePoint in = add(p, scale(oa, mW)), out = add(p, scale(ob, mW));
    // The wedge reaches back along both centre lines into the bands.
    std::vector<LoopPoint> loop = {{sub(p, scale(a, seam))}, {in}};
    switch (join) {
    case engine::kJoinRound:
        loop.push_back({out, true, oa.x * ob.y - oa.y * ob.x < 0, add(p, scale(unit(add(oa, ob)), mW))});
        break;
    case engine::kJoinMiter: {
        const EnginePoint m = add(oa, ob);
        const float l = std::hypot(m.x, m.y);
        const float c = l > 0.0f ? dot(scale(m, 1 / l), ob) : 0.0f;
        if (c > 0.0f && 1.0f / c <= mLimit)
            loop.push_back({add(p, scale(m, mW / (l * c)))});
        loop.push_back({out});
        break;
    }
    default: loop.push_back({out}); break;
    }
    loop.push_back({add(p, scale(b, seam))});
    // and past the corner on the inner side, where the bands' ends cross.
    loop.push_back({sub(p, scale(unit(add(oa, ob)), std::min(seam, mW / 2)))});
    emitLoop(std::move(loop));
}

void StrokeOutliner::capAt(EnginePoint p, EnginePoint d, float seam)
{
    const EnginePoint n = normalOf(d);
    const EnginePoint left = add(p, scale(n, mW)), right = sub(p, scale(n, mW)), ahead = scale(d, mW);
    // Each cap reaches a little back into its band.
    const EnginePoint back = scale(d, -seam);
    const LoopPoint behind[] = {{add(right, back)}, {add(left, back)}};
    switch (mCap) {
    case engine::kCapSquare:
        emitLoop({{left}, {add(left, ahead)}, {add(right, ahead)}, {right}, behind[0], behind[1]});
        break;
    case engine::kCapRound: emitLoop({{left}, {right, true, true, add(p, ahead)}, behind[0], behind[1]}); break;
    case engine::kCapPointed: emitLoop({{left}, {add(p, ahead)}, {right}, behind[0], behind[1]}); break;
    default: break;
    }
}

void StrokeOutliner::subpath(int first, int end, bool closed)
{
    collect(first, end);
    if (mPieces.empty())
        return;
    if (closed && !near(mPieces.back().end, mPieces.front().start, 0.0001f)) {
        StrokePiece closing;
        closing.start = mPieces.back().end;
        closing.end = mPieces.front().start;
        const CurveSample s = tangentOnSegmentAt(0.0f, closing.start, closing.end);
        closing.startDirection = closing.endDirection = s.tangent;
        if (s.speed > 0.0f)
            mPieces.push_back(closing);
    }
    for (const StrokePiece &piece : mPieces)
        band(piece);
    // Seams reach no further than halfway along a piece.
    auto seamOf = [](const StrokePiece &piece) { return std::min(kSeam, piece.chord / 2); };
    for (std::size_t i = 0; i + 1 < mPieces.size(); ++i)
        wedge(mPieces[i].end, mPieces[i].endDirection, mPieces[i + 1].startDirection, mJoin,
              std::min(seamOf(mPieces[i]), seamOf(mPieces[i + 1])));
    if (closed) {
        wedge(mPieces.back().end, mPieces.back().endDirection, mPieces.front().startDirection, mJoin,
              std::min(seamOf(mPieces.back()), seamOf(mPieces.front())));
        return;
    }
    capAt(mPieces.front().start, scale(mPieces.front().startDirection, -1), seamOf(mPieces.front()));
    capAt(mPieces.back().end, mPieces.back().endDirection, seamOf(mPieces.back()));
}

} // namespace

bool isZeroLengthCommand(const CommandPath &path, int command, EnginePoint start)
{
    if (command < 0 || command >= path.commandCount())
        return true;
    const PathCommand &c = path.command(command);
    auto still = [&](EnginePoint p) { return near(p, start, 1e-5f); };
    switch (c.type()) {
    case kPathLineTo: return still(c.point());
    case kPathCubicTo: {
        // The polynomial's non-constant coefficients, per coordinate.
        const EnginePoint p0 = start, p1 = c.point(), t0 = c.startTangent(), t1 = c.endTangent();
        auto small = [](float v) { return std::fabs(v) < 0.0001f; };
        return small(t1.x + t0.x + 2 * p0.x - 2 * p1.x) && small(t1.y + t0.y + 2 * p0.y - 2 * p1.y)
            && small(3 * p1.x - 3 * p0.x - 2 * t0.x - t1.x) && small(3 * p1.y - 3 * p0.y - 2 * t0.y - t1.y)
            && small(t0.x) && small(t0.y);
    }
    case kPathArcTo:
        return still(c.point()) && (!c.largeArc || c.radiusX < 1e-5f || c.radiusY < 1e-5f);
    case kPathBezierTo: {
        if (!still(c.point()))
            return false;
        for (int k = 1; k <= c.count && command + k < path.commandCount(); ++k) {
            const PathCommand &p = path.command(command + k);
            if (p.type() != kPathIntermediatePoint)
                break;
            if (!still(p.point()))
                return false;
        }
        return true;
    }
    default: return true;
    }
}

void CommandPath::addJoin(CommandPath &destination, EnginePoint p, EnginePoint a, EnginePoint b, float w, int join,
                          float limit)
{
    const EnginePoint q = add(p, scale(b, w));
    const float d = dot(a, b);
    const float cross = a.x * b.y - b.x * a.y;
    const bool inner = w >= 0.0f ? cross > -0.001f : cross < 0.001f;
    if (inner) {
        // The overlap this leaves is cut away by the normalisation.
        if (d > 0.999f)
            return;
        if (d >= -0.999f)
            destination.lineTo(p.x, p.y);
        destination.lineTo(q.x, q.y);
        return;
    }
    switch (join) {
    case engine::kJoinRound: {
        const float r = kRoundRadius * std::fabs(w);
        destination.arcTo(q.x, q.y, r, r, 0.0f, false, w > 0.0f);
        return;
    }
    case engine::kJoinMiter: {
        EnginePoint m = add(a, b);
        const float l = std::hypot(m.x, m.y);
        if (l > 0.0f) {
            m = {m.x / l, m.y / l};
            const float bm = dot(b, m);
            if (bm > 0.0f) {
                const float delta = w / bm;
                if (delta / w <= limit)
                    destination.lineTo(p.x + delta * m.x, p.y + delta * m.y);
            }
        }
        destination.lineTo(q.x, q.y);
        return;
    }
    default: destination.lineTo(q.x, q.y); return;
    }
}

void CommandPath::outline(CommandPath &destination, float w, int join, int cap, float miterLimit)
{
    cancelBezier();
    closeSubpath(0);
    if (commandCount() < 2 || &destination == this)
        return;
    destination.reset();
    destination.setWeighted(false);
    destination.setBackData(false);
    if (!(w > 0.0f) || !std::isfinite(w))
        return;
    StrokeOutliner outliner(*this, destination, w, join, cap, miterLimit);
    forEachSubpath(*this, [&](int first, int end) {
        int last = end;
        while (last > first + 1 && command(last - 1).type() == kPathClose)
            --last;
        outliner.subpath(first, last, last < end);
    });
}

void CommandPath::offsetPath(CommandPath &destination, float distance, int join, int /*cap*/, float miterLimit)
{
    if (commandCount() < 3 || &destination == this)
        return;
    destination.reset();
    destination.setWeighted(false);
    destination.setBackData(false);
    OutlineBuilder builder(*this, destination, distance, join, miterLimit);
    OutlineEnd end;
    forEachSubpath(*this, [&](int first, int last) { builder.build(first, last, true, false, end); });
}

void CommandPath::offsetPathReversed(CommandPath &destination, float distance, int join, int /*cap*/,
                                     float miterLimit)
{
    if (commandCount() < 3 || &destination == this)
        return;
    destination.reset();
    destination.setWeighted(false);
    destination.setBackData(false);
    CommandPath reversed;
    std::vector<int> sourceIndex;
    OutlineBuilder builder(reversed, destination, distance, join, miterLimit);
    builder.setReversedSource(&sourceIndex);
    OutlineEnd end;
    forEachSubpath(*this, [&](int first, int last) {
        if (!hasDrawing(*this, first, last))
            return;
        while (last > first + 1 && command(last - 1).type() == kPathClose)
            --last;
        reverseSubpath(*this, first, last, reversed, sourceIndex);
        if (reversed.commandCount() < 2)
            return;
        reversed.close();
        builder.build(0, reversed.commandCount(), true, false, end);
    });
}

} // namespace scrivane
