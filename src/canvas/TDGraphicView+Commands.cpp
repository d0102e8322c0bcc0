#include "canvas/TDGraphicView.h"

#include "canvas/TDCommandStep.h"

#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDGroup.h"

#include <QDebug>

#include <algorithm>

namespace scrivane {

namespace {

TDUndoManager *undoOf(TDDocument *document)
{
    return document ? document->undoManager() : nullptr;
}

// The alignments by tag, each the translation that puts the graphic's
// bounds b onto the reference's bounds r.
enum class AlignEdge { Left = 10, Right, Top, Bottom, HorizontalCentre, VerticalCentre };

Point alignment(AlignEdge edge, const Rect &r, const Rect &b)
{
    switch (edge) {
    case AlignEdge::Left: return Point(r.minX() - b.minX(), 0);
    case AlignEdge::Right: return Point(r.maxX() - b.maxX(), 0);
    case AlignEdge::Top: return Point(0, r.minY() - b.minY());
    case AlignEdge::Bottom: return Point(0, r.maxY() - b.maxY());
    case AlignEdge::HorizontalCentre: return Point(r.midX() - b.midX(), 0);
    case AlignEdge::VerticalCentre: return Point(0, r.midY() - b.midY());
    }
    return Point();
}

constexpr int kFlipHorizontallyTag = 5;
constexpr int kDistributeHorizontallyTag = 20;

} // namespace

void TDGraphicView::translateGraphic(TDGraphic &graphic, float dx, float dy)
{
    if (dx == 0 && dy == 0)
        return;
    graphic.startManipulation();
    graphic.transformWithTransformation(AffineTransform::makeTranslation(dx, dy));
    graphic.stopManipulation();
}

// --- Group and ungroup --------------------------------------------------------------------------

void TDGraphicView::group()
{
    if (m_selectedGraphics.size() < 2 || !m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    const auto newGroup = std::make_shared<TDGroup>();
    m_document->addGraphic(newGroup, m_selectedGraphics.front().get());
    // The members keep their stacking order inside the group, bottom first.
    const TDGraphicArray members = orderedSelectedGraphics();
    for (const TDGraphicPtr &member : members)
        m_document->removeGraphic(member.get());
    newGroup->setGraphicsWithDoc(members);
    clearSelection();
    selectGraphic(newGroup);
    step.name(QStringLiteral("Group"));
}

void TDGraphicView::ungroup()
{
    if (m_selectedGraphics.empty() || !m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    TDGraphicArray children;
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        const auto group = std::dynamic_pointer_cast<TDGroup>(graphic);
        if (!group || !group->layer())
            continue;
        const TDGraphicArray members = group->graphics();
        children.insert(children.end(), members.begin(), members.end());
        group->ungroup();
        m_document->removeGraphic(group.get());
    }
    if (!children.empty())
        addToSelectionGraphics(children);
    step.name(QStringLiteral("Ungroup"));
}

// --- Align ----------------------------------------------------------------------------------------

void TDGraphicView::align(int tag)
{
    if (!m_document)
        return;
    if (drawMode() == Tool::Edit) {
        TDCommandStep step(undoOf(m_document));
        for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
            const QList<int> nodes = selectedNodesForGraphic(graphic.get());
            if (const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(graphic); bezier && !nodes.isEmpty())
                bezier->alignNodes(nodes, tag == int(AlignEdge::HorizontalCentre));
        }
        return;
    }
    if (m_selectedGraphics.size() < 2 || tag < int(AlignEdge::Left) || tag > int(AlignEdge::VerticalCentre))
        return;
    const TDGraphicArray graphics = m_selectedGraphics;
    const Rect reference = graphics.front()->bounds();
    invalidateSelection();
    {
        TDCommandStep step(undoOf(m_document));
        for (std::size_t i = 1; i < graphics.size(); ++i) {
            const Point move = alignment(AlignEdge(tag), reference, graphics[i]->bounds());
            translateGraphic(*graphics[i], move.x, move.y);
        }
        step.name(QStringLiteral("Align"));
    }
    invalidateSelection();
}

// --- Split and combine ------------------------------------------------------------------------------

void TDGraphicView::split()
{
    if (m_selectedGraphics.empty() || !m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    TDGraphicArray pieces;
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(graphic);
        if (!bezier)
            continue;
        const TDGraphicArray parts = bezier->split();
        if (parts.empty())
            continue;
        pieces.insert(pieces.end(), parts.begin(), parts.end());
        m_document->removeGraphic(bezier.get());
    }
    if (!pieces.empty())
        addToSelectionGraphics(pieces);
    step.name(QStringLiteral("Split"));
}


void TDGraphicView::combine()
{
    if (m_selectedGraphics.size() < 2 || !m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    const TDGraphicArray graphics = m_selectedGraphics;
    const auto target = std::dynamic_pointer_cast<TDBezierGraphic>(graphics.front()->convertToBezier());
    if (!target)
        return;
    // Every outline as drawn, the target's included: a shape transformation
    // of the target is baked into the new path, not applied to it again.
    const std::shared_ptr<TDBezierPath> own = target->cachedBezierPath();
    auto path = std::make_shared<TDBezierPath>(own ? TDBezierPath::bezierPathWithPath(*own) : TDBezierPath());
    for (std::size_t i = 1; i < graphics.size(); ++i) {
        if (const std::shared_ptr<TDBezierPath> other = graphics[i]->cachedBezierPath())
            path->appendPath(*other);
        m_document->removeGraphic(graphics[i].get());
    }
    target->setDocumentPath(path);
    selectGraphics({target});
    step.name(QStringLiteral("Combine"));
}

// --- Conversions ------------------------------------------------------------------------------------

void TDGraphicView::convertSelection(const std::function<TDGraphicPtr(TDGraphic &, QString *)> &convert,
                                     const QString &actionName)
{
    stopTextEditing();
    if (m_selectedGraphics.empty() || !m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    TDGraphicArray results;
    QString firstError;
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        QString error;
        TDGraphicPtr result = convert(*graphic, &error);
        if (!result && firstError.isEmpty())
            firstError = error;
        results.push_back(result ? result : graphic);
    }
    selectGraphics(results);
    step.name(actionName);
    if (!firstError.isEmpty()) {
        qWarning("%s", qPrintable(firstError));
        m_document->setStatusText(firstError);
    }
}

void TDGraphicView::convertToBezier()
{
    convertSelection([](TDGraphic &g, QString *) { return g.convertToBezier(); },
                     QStringLiteral("Convert to bezier curve"));
}

void TDGraphicView::convertToOutline()
{
    convertSelection([](TDGraphic &g, QString *error) { return g.convertToOutline(error); },
                     QStringLiteral("Convert to outline"));
}

void TDGraphicView::convertToBitmap()
{
    convertSelection([](TDGraphic &g, QString *error) { return g.convertToBitmap(error); },
                     QStringLiteral("Convert to bitmap"));
}

void TDGraphicView::reversePath()
{
    convertSelection([](TDGraphic &g, QString *) { return g.reverse(); }, QStringLiteral("Reverse Path"));
}

// --- Node commands -----------------------------------------------------------------------------------

void TDGraphicView::actNodes(NodeEdit edit, const QString &actionName)
{
    if (!m_document)
        return;
    TDCommandStep step(undoOf(m_document));
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        const QList<int> nodes = selectedNodesForGraphic(graphic.get());
        if (const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(graphic); bezier && !nodes.isEmpty())
            (bezier.get()->*edit)(nodes);
    }
    step.name(actionName);
}

void TDGraphicView::curveNodes()
{
    actNodes(&TDBezierGraphic::curveNodes, QStringLiteral("Curve Nodes"));
}

void TDGraphicView::lineNodes()
{
    actNodes(&TDBezierGraphic::flatNodes, QStringLiteral("Flatten Nodes"));
}

void TDGraphicView::splitNodes()
{
    actNodes(&TDBezierGraphic::splitNodes, QStringLiteral("Split Nodes"));
}

void TDGraphicView::cutNodes()
{
    actNodes(&TDBezierGraphic::cutNodes, QStringLiteral("Cut Nodes"));
}

void TDGraphicView::connectNodes()
{
    actNodes(static_cast<NodeEdit>(&TDBezierGraphic::connectNodes), QStringLiteral("Connect Nodes"));
}

// --- Flip and distribute ------------------------------------------------------------------------------

void TDGraphicView::flip(int tag)
{
    const TDGraphicArray graphics = m_selectedGraphics;
    const Rect bounds = selectedBounds();
    invalidateSelection();
    if (!graphics.empty()) {
        const float cx = bounds.midX(), cy = bounds.midY();
        AffineTransform mirror = AffineTransform::makeTranslation(-cx, -cy);
        mirror.append(tag == kFlipHorizontallyTag ? AffineTransform::makeScale(-1, 1) : AffineTransform::makeScale(1, -1));
        mirror.append(AffineTransform::makeTranslation(cx, cy));
        // One step of its own, whatever event the command came with.
        TDCommandStep step(undoOf(m_document));
        for (const TDGraphicPtr &graphic : graphics) {
            graphic->startManipulation();
            graphic->transformWithTransformation(mirror);
            graphic->stopManipulation();
        }
        step.name(QStringLiteral("Flip"));
    }
    invalidateSelection();
}

void TDGraphicView::distribute(int tag)
{
    if (m_selectedGraphics.size() < 2 || !m_document)
        return;
    const bool horizontally = tag == kDistributeHorizontallyTag;
    TDGraphicArray sorted = m_selectedGraphics;
    // Stable: graphics at the same place keep their selection order.
    std::stable_sort(sorted.begin(), sorted.end(), [horizontally](const TDGraphicPtr &a, const TDGraphicPtr &b) {
        return horizontally ? a->bounds().minX() < b->bounds().minX() : a->bounds().minY() < b->bounds().minY();
    });
    auto start = [horizontally](const Rect &r) { return horizontally ? r.minX() : r.minY(); };
    auto extent = [horizontally](const Rect &r) { return horizontally ? r.width() : r.height(); };
    const std::size_t n = sorted.size();
    double gaps = 0;
    for (std::size_t i = 1; i < n; ++i) {
        const Rect before = sorted[i - 1]->bounds(), here = sorted[i]->bounds();
        gaps += double(start(here)) - (double(start(before)) + extent(before));
    }
    const double gap = gaps / double(n - 1);
    {
        TDCommandStep step(undoOf(m_document));
        double edge = double(start(sorted[0]->bounds())) + extent(sorted[0]->bounds());
        // The last graphic stays where it is: the gaps were measured to it.
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const Rect here = sorted[i]->bounds();
            const double target = edge + gap;
            const float move = float(target - start(here));
            translateGraphic(*sorted[i], horizontally ? move : 0, horizontally ? 0 : move);
            edge = target + extent(here);
        }
        step.name(QStringLiteral("Distribute"));
    }
    invalidateSelection();
}

} // namespace scrivane
