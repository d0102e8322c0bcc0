#include "geometry/CommandPath.h"

#include "geometry/EngineStorage.h"

#include <cstdio>

namespace scrivane {

CommandPath::CommandPath() = default;
CommandPath::~CommandPath() = default;

void CommandPath::reset()
{
    mCommands.clear();
    mPendingBezier = -1;
    mPendingMoveTo = -1;
    mFlags = 0;
}

void CommandPath::resetPoints(int n)
{
    mPoints.clear();
    if (n > 0)
        engine::reserveFor(mPoints, std::size_t(n));
}

void CommandPath::setWeighted(bool on)
{
    if (mWeighted == on)
        return;
    mWeighted = on;
    resetPoints(pointCount());
}

void CommandPath::setBackData(bool on)
{
    if (mBackData == on)
        return;
    mBackData = on;
    resetPoints(pointCount());
}

void CommandPath::dump() const
{
    std::printf("path descr %i elems\n", commandCount());
    for (const PathCommand &c : mCommands) {
        std::printf("  [ %i %f %f ] ", c.associatedPoint, double(c.tStart), double(c.tEnd));
        if (c.weighted())
            std::printf(" w ");
        switch (c.type()) {
        case kPathMoveTo: std::printf("M %f %f %i\n", double(c.x), double(c.y), c.count); break;
        case kPathLineTo: std::printf("L %f %f\n", double(c.x), double(c.y)); break;
        case kPathCubicTo:
            std::printf("C %f %f %f %f %f %f\n", double(c.x), double(c.y), double(c.startTangentX),
                        double(c.startTangentY), double(c.endTangentX), double(c.endTangentY));
            break;
        case kPathBezierTo: std::printf("B %f %f %i\n", double(c.x), double(c.y), c.count); break;
        case kPathArcTo:
            std::printf("A %f %f %f %f %i %i\n", double(c.x), double(c.y), double(c.radiusX),
                        double(c.radiusY), int(c.largeArc), int(c.clockwise));
            break;
        case kPathClose: std::printf("Z\n"); break;
        case kPathIntermediatePoint: std::printf("I %f %f\n", double(c.x), double(c.y)); break;
        case kPathForcedPoint: std::printf("F\n"); break;
        default: std::printf("?\n"); break;
        }
    }
}

int CommandPath::append(const PathCommand &c)
{
    if (!engine::growAppend(mCommands, c))
        return -1;
    return commandCount() - 1;
}

// A command filled in where it lies: building it aside and copying it in
// costs more than the rest of a short command's work.
PathCommand *CommandPath::appendBlank(std::int32_t kind)
{
    if (mCommands.size() == mCommands.capacity() && !engine::reserveFor(mCommands, 2 * mCommands.size() + 1))
        return nullptr;
    PathCommand &c = mCommands.emplace_back(); // cannot throw: the room is there
    c.kind = kind;
    return &c;
}

void CommandPath::recordSubpathLength(int extra)
{
    // The open subpath's moveto is known; the walk back finds it otherwise.
    const int pending = mPendingMoveTo;
    if (pending >= 0 && pending < commandCount() && mCommands[std::size_t(pending)].type() == kPathMoveTo) {
        mCommands[std::size_t(pending)].count = commandCount() - pending + extra;
        mFlags &= ~kSubpathOpen;
        mPendingMoveTo = -1;
        return;
    }
    for (int i = commandCount() - 1; i >= 0; --i) {
        if (mCommands[std::size_t(i)].type() == kPathMoveTo) {
            mCommands[std::size_t(i)].count = commandCount() - i + extra;
            break;
        }
    }
    mFlags &= ~kSubpathOpen;
    mPendingMoveTo = -1;
}

int CommandPath::appendMoveTo(float x, float y, bool weighted, float w)
{
    PathCommand *c = appendBlank(kPathMoveTo | (weighted ? kPathWeighted : 0));
    if (!c)
        return -1;
    c->x = x;
    c->y = y;
    c->weight = weighted ? w : 1.0f;
    const int index = commandCount() - 1;
    mPendingMoveTo = index;
    mFlags |= kSubpathOpen;
    return index;
}

// Lineto, cubicto and arcto: a moveto at the end point when no subpath is
// open, else the command itself.
int CommandPath::appendSimple(PathCommand c)
{
    if (!(mFlags & kSubpathOpen))
        return appendMoveTo(c.x, c.y, c.weighted(), c.weight);
    return append(c);
}

void CommandPath::dropPendingBezier()
{
    if (mPendingBezier >= 0 && mPendingBezier <= commandCount())
        mCommands.resize(std::size_t(mPendingBezier));
    mPendingBezier = -1;
    mFlags &= ~(kBezierOpen | kBezierDelayed);
}

int CommandPath::moveTo(float x, float y)
{
    endBezier(x, y);
    if (mFlags & kSubpathOpen)
        recordSubpathLength(0);
    return appendMoveTo(x, y, false, 1.0f);
}

int CommandPath::moveToWeighted(float x, float y, float w)
{
    endBezierWeighted(x, y, w);
    if (mFlags & kSubpathOpen)
        recordSubpathLength(0);
    return appendMoveTo(x, y, true, w);
}

int CommandPath::lineTo(float x, float y)
{
    endBezier(x, y);
    if (!(mFlags & kSubpathOpen))
        return appendMoveTo(x, y, false, 1.0f);
    PathCommand *c = appendBlank(kPathLineTo);
    if (!c)
        return -1;
    c->x = x;
    c->y = y;
    return commandCount() - 1;
}

int CommandPath::lineToWeighted(float x, float y, float w)
{
    endBezierWeighted(x, y, w);
    PathCommand c;
    c.kind = kPathLineTo | kPathWeighted;
    c.x = x;
    c.y = y;
    c.weight = w;
    return appendSimple(c);
}

int CommandPath::cubicTo(float x, float y, float stx, float sty, float etx, float ety)
{
    endBezier(x, y);
    PathCommand c;
    c.kind = kPathCubicTo;
    c.x = x;
    c.y = y;
    c.startTangentX = stx;
    c.startTangentY = sty;
    c.endTangentX = etx;
    c.endTangentY = ety;
    return appendSimple(c);
}

int CommandPath::cubicToWeighted(float x, float y, float stx, float sty, float etx, float ety, float w)
{
    endBezierWeighted(x, y, w);
    PathCommand c;
    c.kind = kPathCubicTo | kPathWeighted;
    c.x = x;
    c.y = y;
    c.startTangentX = stx;
    c.startTangentY = sty;
    c.endTangentX = etx;
    c.endTangentY = ety;
    c.weight = w;
    return appendSimple(c);
}

int CommandPath::arcTo(float x, float y, float rx, float ry, float angle, bool largeArc, bool clockwise)
{
    endBezier(x, y);
    PathCommand c;
    c.kind = kPathArcTo;
    c.x = x;
    c.y = y;
    c.radiusX = rx;
    c.radiusY = ry;
    c.angle = angle;
    c.largeArc = largeArc;
    c.clockwise = clockwise;
    return appendSimple(c);
}

int CommandPath::arcToWeighted(float x, float y, float rx, float ry, float angle, bool largeArc,
                               bool clockwise, float w)
{
    endBezierWeighted(x, y, w);
    PathCommand c;
    c.kind = kPathArcTo | kPathWeighted;
    c.x = x;
    c.y = y;
    c.radiusX = rx;
    c.radiusY = ry;
    c.angle = angle;
    c.largeArc = largeArc;
    c.clockwise = clockwise;
    c.weight = w;
    return appendSimple(c);
}

int CommandPath::bezierTo(float x, float y)
{
    endBezier(x, y);
    if (!(mFlags & kSubpathOpen))
        return appendMoveTo(x, y, false, 1.0f);
    PathCommand c;
    c.kind = kPathBezierTo;
    c.x = x;
    c.y = y;
    const int index = append(c);
    if (index < 0)
        return -1;
    mPendingBezier = index;
    mFlags |= kBezierOpen;
    mFlags &= ~kBezierDelayed;
    return index;
}

int CommandPath::bezierToWeighted(float x, float y, float w)
{
    endBezierWeighted(x, y, w);
    if (!(mFlags & kSubpathOpen))
        return appendMoveTo(x, y, true, w);
    PathCommand c;
    c.kind = kPathBezierTo | kPathWeighted;
    c.x = x;
    c.y = y;
    c.weight = w;
    const int index = append(c);
    if (index < 0)
        return -1;
    mPendingBezier = index;
    mFlags |= kBezierOpen;
    mFlags &= ~kBezierDelayed;
    return index;
}

int CommandPath::delayedBezierTo()
{
    cancelBezier();
    if (!(mFlags & kSubpathOpen))
        return -1;
    PathCommand c;
    c.kind = kPathBezierTo;
    const int index = append(c);
    if (index < 0)
        return -1;
    mPendingBezier = index;
    mFlags |= kBezierOpen | kBezierDelayed;
    return index;
}

int CommandPath::delayedBezierToWeighted()
{
    cancelBezier();
    if (!(mFlags & kSubpathOpen))
        return -1;
    PathCommand c;
    c.kind = kPathBezierTo | kPathWeighted;
    const int index = append(c);
    if (index < 0)
        return -1;
    mPendingBezier = index;
    mFlags |= kBezierOpen | kBezierDelayed;
    return index;
}

int CommandPath::intermBezierTo(float x, float y)
{
    if (mPendingBezier < 0)
        return lineTo(x, y);
    if (mCommands[std::size_t(mPendingBezier)].weighted())
        return intermBezierToWeighted(x, y, 1.0f);
    PathCommand c;
    c.kind = kPathIntermediatePoint;
    c.x = x;
    c.y = y;
    const int index = append(c);
    if (index >= 0)
        mCommands[std::size_t(mPendingBezier)].count += 1;
    return index;
}

int CommandPath::intermBezierToWeighted(float x, float y, float w)
{
    if (mPendingBezier < 0)
        return lineToWeighted(x, y, w);
    if (!mCommands[std::size_t(mPendingBezier)].weighted())
        return intermBezierTo(x, y);
    PathCommand c;
    c.kind = kPathIntermediatePoint | kPathWeighted;
    c.x = x;
    c.y = y;
    c.weight = w;
    const int index = append(c);
    if (index >= 0)
        mCommands[std::size_t(mPendingBezier)].count += 1;
    return index;
}

int CommandPath::endBezier(float x, float y)
{
    if (mPendingBezier < 0)
        return -1;
    const int index = mPendingBezier;
    PathCommand &b = mCommands[std::size_t(index)];
    if (mFlags & kBezierDelayed) {
        b.x = x;
        b.y = y;
        if (b.weighted())
            b.weight = 1.0f;
    }
    mPendingBezier = -1;
    mFlags &= ~(kBezierOpen | kBezierDelayed);
    return index;
}

int CommandPath::endBezierWeighted(float x, float y, float w)
{
    if (mPendingBezier < 0)
        return -1;
    const int index = mPendingBezier;
    PathCommand &b = mCommands[std::size_t(index)];
    if (mFlags & kBezierDelayed) {
        b.x = x;
        b.y = y;
        b.weight = w;
    }
    mPendingBezier = -1;
    mFlags &= ~(kBezierOpen | kBezierDelayed);
    return index;
}

int CommandPath::finishBezier()
{
    if (mPendingBezier >= 0) {
        if (mFlags & kBezierDelayed) {
            dropPendingBezier();
        } else {
            mPendingBezier = -1;
            mFlags &= ~(kBezierOpen | kBezierDelayed);
        }
    }
    return -1;
}

int CommandPath::cancelBezier()
{
    if (mPendingBezier >= 0)
        dropPendingBezier();
    mFlags &= ~(kBezierOpen | kBezierDelayed);
    return -1;
}

int CommandPath::close()
{
    cancelBezier();
    if (!(mFlags & kSubpathOpen))
        return -1;
    recordSubpathLength(1);
    return appendBlank(kPathClose) ? commandCount() - 1 : -1;
}

int CommandPath::closeSubpath(int extra)
{
    if (!(mFlags & kSubpathOpen))
        return -1;
    recordSubpathLength(extra);
    return -1;
}

int CommandPath::forcePoint()
{
    finishBezier();
    if (!(mFlags & kSubpathOpen))
        return -1;
    return appendBlank(kPathForcedPoint) ? commandCount() - 1 : -1;
}

int CommandPath::addPoint(float x, float y, float weight, int command, float t, bool moveTo)
{
    if (!moveTo && !mPoints.empty() && mPoints.back().x == x && mPoints.back().y == y)
        return -1;
    PolylinePoint p;
    p.kind = moveTo ? kPolylineMoveTo : kPolylinePoint;
    p.x = x;
    p.y = y;
    p.weight = mWeighted ? weight : 1.0f;
    p.command = mBackData ? command : -1;
    p.t = mBackData ? t : 0.0f;
    if (!engine::growAppend(mPoints, p))
        return -1;
    return pointCount() - 1;
}

int CommandPath::addPointWeighted(float x, float y, float weight, bool moveTo)
{
    return addPoint(x, y, weight, -1, 0.0f, moveTo);
}

int CommandPath::addPointBack(float x, float y, int command, float t, bool moveTo)
{
    return addPoint(x, y, 1.0f, command, t, moveTo);
}

int CommandPath::addPointPlain(float x, float y, bool moveTo)
{
    return addPoint(x, y, 1.0f, -1, 0.0f, moveTo);
}

int CommandPath::addForcedPoint()
{
    if (mPoints.empty() || mPoints.back().kind != kPolylinePoint)
        return -1;
    PolylinePoint p = mPoints.back();
    p.kind = kPolylineForced;
    if (!engine::growAppend(mPoints, p))
        return -1;
    return pointCount() - 1;
}

int CommandPath::addForcedPointWeighted()
{
    return addForcedPoint();
}

int CommandPath::addForcedPointBack()
{
    return addForcedPoint();
}

int CommandPath::addForcedPointPlain()
{
    return addForcedPoint();
}

} // namespace scrivane
