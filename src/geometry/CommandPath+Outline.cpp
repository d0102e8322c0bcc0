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

// What a curved piece is, for the offset functions and the folding test.
enum class PieceKind { Cubic, Quadratic, Arc };

// A piece's Hermite tangents (a quadratic raised to a cubic).
void hermiteOf(PieceKind kind, const OffsetPiece &piece, EnginePoint &t0, EnginePoint &t1)
{
    t0 = kind == PieceKind::Cubic ? piece.startTangent : scale(sub(piece.control, piece.start), 2.0f);
    t1 = kind == PieceKind::Cubic ? piece.endTangent : scale(sub(piece.end, piece.control), 2.0f);
}

// Whether the piece bends tighter than w somewhere (or stops, as at a
// cusp): its offset on the inner side would fold back over itself there,
// and the stroke's two sides would cancel instead of covering it.
bool folds(PieceKind kind, const OffsetPiece &piece, float w)
{
    if (kind == PieceKind::Arc) {
        const float small = std::min(std::fabs(piece.arc.radiusX), std::fabs(piece.arc.radiusY));
        const float large = std::max(std::fabs(piece.arc.radiusX), std::fabs(piece.arc.radiusY));
        return !(large > 0.0f) || small * small / large <= w;
    }
    EnginePoint t0, t1;
    hermiteOf(kind, piece, t0, t1);
    const float size =
        std::hypot(piece.end.x - piece.start.x, piece.end.y - piece.start.y) + std::hypot(t0.x, t0.y) + std::hypot(t1.x, t1.y);
    const auto tooTight = [&](float t, bool atEnd, float &radius) {
        const CurveSample c = tangentOnCubicAt(t, piece.start, piece.end, t0, t1, atEnd);
        radius = std::fabs(c.radius);
        return !(c.speed > 1e-4f * size) || !(radius > w);
    };
    constexpr int kSamples = 64;
    float tightest = INFINITY;
    int at = 0;
    for (int i = 0; i <= kSamples; ++i) {
        float radius = 0;
        if (tooTight(float(i) / kSamples, i == kSamples, radius))
            return true;
        if (radius < tightest) {
            tightest = radius;
            at = i;
        }
    }
    // Near a cusp the curvature peaks between two samples: the tightest
    // sample's neighbourhood is searched for the peak.
    float lo = float(std::max(at - 1, 0)) / kSamples, hi = float(std::min(at + 1, kSamples)) / kSamples;
    constexpr float kGolden = 0.618034f;
    float a = hi - kGolden * (hi - lo), b = lo + kGolden * (hi - lo);
    float ra = 0, rb = 0;
    if (tooTight(a, false, ra) || tooTight(b, false, rb))
        return true;
    for (int k = 0; k < 16; ++k) {
        if (ra < rb) {
            hi = b;
            b = a;
            rb = ra;
            a = hi - kGolden * (hi - lo);
            if (tooTight(a, false, ra))
                return true;
        } else {
            lo = a;
            a = b;
            ra = rb;
            b = lo + kGolden * (hi - lo);
            if (tooTight(b, false, rb))
                return true;
        }
    }
    return false;
}

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

// The piece as points within a fifth of a point of it, its start first.
void flattenPiece(PieceKind kind, const OffsetPiece &piece, std::vector<EnginePoint> &points)
{
    constexpr float kFine = 0.2f;
    points.assign(1, piece.start);
    if (kind == PieceKind::Arc) {
        CommandPath flat;
        flat.moveTo(piece.start.x, piece.start.y);
        flat.arcTo(piece.end.x, piece.end.y, piece.arc.radiusX, piece.arc.radiusY, piece.arc.angle, piece.arc.largeArc,
                   piece.arc.clockwise);
        flat.convertToPolylineNoSplit(kFine);
        points.clear();
        for (const PolylinePoint &p : flat.points())
            points.push_back({p.x, p.y});
        return;
    }
    EnginePoint t0, t1;
    hermiteOf(kind, piece, t0, t1);
    const EnginePoint c[4] = {piece.start, add(piece.start, scale(t0, 1.0f / 3)), sub(piece.end, scale(t1, 1.0f / 3)),
                              piece.end};
    flattenCubic(c, kFine, 12, points);
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
    // Starts the contour, or joins the previous piece with `join`.
    void startOrJoin(EnginePoint normal, int join);
    void finishPiece(EnginePoint point, EnginePoint direction);
    void closeContour();
    void offsetLine(EnginePoint to, int command, int join);
    void offsetCurve(int command, PieceKind kind, const OffsetPiece &piece, const CurveSample &s0,
                     const CurveSample &s1, OffsetFunction f);
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
    std::vector<EnginePoint> mChords;
};

void OutlineBuilder::startOrJoin(EnginePoint normal, int join)
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
    CommandPath::addJoin(mDestination, mCurrent, mPreviousNormal, normal, mW, join, mLimit);
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

void OutlineBuilder::offsetLine(EnginePoint to, int command, int join)
{
    const EnginePoint d = sub(to, mCurrent);
    const float l = std::hypot(d.x, d.y);
    if (!(l > 0.0f))
        return;
    const EnginePoint u = {d.x / l, d.y / l};
    const EnginePoint n = normalOf(u);
    startOrJoin(n, join);
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

void OutlineBuilder::offsetCurve(int command, PieceKind kind, const OffsetPiece &piece, const CurveSample &s0,
                                 const CurveSample &s1, OffsetFunction f)
{
    // Without a direction at either end (an arc that cannot join its
    // points, a cubic folded onto a point) the piece is a straight line.
    if (!(s0.tangent.x != 0.0f || s0.tangent.y != 0.0f) || !(s1.tangent.x != 0.0f || s1.tangent.y != 0.0f)) {
        offsetLine(piece.end, command, mJoin);
        return;
    }
    // Where the piece bends tighter than the offset, its chords are offset
    // instead: the inner side then turns back through each corner, and
    // the round outer joins follow the curve.
    if (folds(kind, piece, std::fabs(mW))) {
        std::vector<EnginePoint> &points = mChords;
        flattenPiece(kind, piece, points);
        for (std::size_t i = 1; i < points.size(); ++i)
            offsetLine(points[i], command, i == 1 ? mJoin : engine::kJoinRound);
        return;
    }
    startOrJoin(normalOf(s0.tangent), mJoin);
    f(piece, mTolerance, mW);
    finishPiece(piece.end, s1.tangent);
}

void OutlineBuilder::offsetBezier(int b, int count)
{
    const PathCommand &bezier = mSource.command(b);
    const EnginePoint end = bezier.point();
    if (count == 0) {
        offsetLine(end, b, mJoin);
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
            offsetCurve(b + 1 + k, PieceKind::Quadratic, piece, s0, s1, kOffsetFunctions.quadratic);
        spanStart = spanEnd;
    }
}

void OutlineBuilder::closeContour()
{
    if (!mStarted)
        return;
    // The closing segment, then the join back into the first piece.
    if (!near(mCurrent, mContourStart, 0.0001f))
        offsetLine(mContourStart, -1, mJoin);
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
        case kPathLineTo: offsetLine(c.point(), i, mJoin); break;
        case kPathCubicTo: {
            OffsetPiece piece = pieceFor(i);
            piece.startTangent = c.startTangent();
            piece.endTangent = c.endTangent();
            const CurveSample s0 = tangentOnCubicAt(0.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, false);
            const CurveSample s1 = tangentOnCubicAt(1.0f, piece.start, piece.end, piece.startTangent, piece.endTangent, true);
            offsetCurve(i, PieceKind::Cubic, piece, s0, s1, kOffsetFunctions.cubic);
            break;
        }
        case kPathArcTo: {
            OffsetPiece piece = pieceFor(i);
            piece.arc = c.arc();
            const CurveSample s0 = tangentOnArcAt(0.0f, piece.start, piece.arc);
            const CurveSample s1 = tangentOnArcAt(1.0f, piece.start, piece.arc);
            offsetCurve(i, PieceKind::Arc, piece, s0, s1, kOffsetFunctions.arc);
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

void addCap(CommandPath &destination, const OutlineEnd &end, float w, int cap)
{
    const EnginePoint p = end.point, d = end.direction, n = normalOf(d);
    switch (cap) {
    case engine::kCapSquare:
        destination.lineTo(p.x + w * d.x + w * n.x, p.y + w * d.y + w * n.y);
        destination.lineTo(p.x + w * d.x - w * n.x, p.y + w * d.y - w * n.y);
        destination.lineTo(p.x - w * n.x, p.y - w * n.y);
        break;
    case engine::kCapRound:
        destination.arcTo(p.x - w * n.x, p.y - w * n.y, kRoundRadius * w, kRoundRadius * w, 0.0f, false, true);
        break;
    case engine::kCapPointed:
        destination.lineTo(p.x + w * d.x, p.y + w * d.y);
        destination.lineTo(p.x - w * n.x, p.y - w * n.y);
        break;
    default: destination.lineTo(p.x - w * n.x, p.y - w * n.y); break;
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
    // A nearly straight join counts as inner on both sides, its sliver
    // being too thin to matter; a turning back must be outer on one side
    // at least, or the half disk round its corner is left out.
    const float slack = d > 0.0f ? 0.001f : 0.0f;
    const bool inner = w >= 0.0f ? cross > -slack : cross < slack;
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
    outlineWithCaps(destination, w, join, cap, cap, miterLimit);
}

void CommandPath::outlineWithCaps(CommandPath &destination, float w, int join, int startCap, int endCap,
                                  float miterLimit)
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
    CommandPath reversed;
    std::vector<int> sourceIndex;
    OutlineBuilder forward(*this, destination, w, join, miterLimit);
    OutlineBuilder backward(reversed, destination, w, join, miterLimit);
    backward.setReversedSource(&sourceIndex);
    forEachSubpath(*this, [&](int first, int end) {
        if (!hasDrawing(*this, first, end))
            return;
        int last = end;
        while (last > first + 1 && command(last - 1).type() == kPathClose)
            --last;
        const bool closed = last < end;
        reverseSubpath(*this, first, last, reversed, sourceIndex);
        if (reversed.commandCount() < 2)
            return;
        OutlineEnd reversedEnd, forwardEnd;
        if (closed) {
            reversed.close();
            backward.build(0, reversed.commandCount(), true, false, reversedEnd);
            forward.build(first, last + 1, true, false, forwardEnd);
            return;
        }
        // A subpath that draws nothing (a dot) has no direction for its
        // caps: it is left out.
        if (!backward.build(0, reversed.commandCount(), false, false, reversedEnd))
            return;
        addCap(destination, reversedEnd, w, startCap);
        forward.build(first, last, false, true, forwardEnd);
        addCap(destination, forwardEnd, w, endCap);
        destination.close();
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
