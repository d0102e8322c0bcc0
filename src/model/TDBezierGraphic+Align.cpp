#include "model/TDBezierGraphic.h"

#include "model/TDBezierPath.h"

#include <algorithm>

namespace scrivane {

void TDBezierGraphic::alignNodes(const QList<int> &nodes, bool horizontally)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    QList<int> ids = nodes;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    auto path = std::make_shared<TDBezierPath>(*m_bezierPath);
    const int count = path->elementCount();
    auto valid = [count](int i) { return i >= 0 && i < count; };
    double sum = 0;
    int counted = 0;
    Point points[3];
    for (const int i : ids) {
        if (!valid(i))
            continue;
        switch (path->elementAtIndex(i, points)) {
        case PathElementType::MoveTo:
        case PathElementType::LineTo:
            sum += horizontally ? points[0].y : points[0].x;
            ++counted;
            break;
        case PathElementType::CurveTo:
            sum += horizontally ? points[2].y : points[2].x;
            ++counted;
            break;
        case PathElementType::ClosePath: break;
        }
    }
    if (counted == 0)
        return;
    const float mean = float(sum / counted);
    auto put = [horizontally, mean](Point &p) { (horizontally ? p.y : p.x) = mean; };
    for (int k = 0; k < ids.size(); ++k) {
        const int i = ids[k];
        if (!valid(i))
            continue;
        const PathElementType type = path->elementAtIndex(i, points);
        if (type == PathElementType::ClosePath)
            continue;
        if (type == PathElementType::CurveTo) {
            put(points[2]);
            put(points[1]);
            // The control that leaves the node before, when it moves too.
            if (std::binary_search(ids.begin(), ids.end(), i - 1))
                put(points[0]);
        } else {
            put(points[0]);
        }
        path->setAssociatedPoints(points, i);
        // The control that leaves this node, when the next node stays.
        const bool nextToo = k + 1 < ids.size() && ids[k + 1] == i + 1;
        if (!nextToo && valid(i + 1) && path->elementAtIndex(i + 1, points) == PathElementType::CurveTo) {
            put(points[0]);
            path->setAssociatedPoints(points, i + 1);
        }
    }
    setBezierPath(path);
}

} // namespace scrivane
