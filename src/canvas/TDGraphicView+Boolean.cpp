#include "canvas/TDGraphicView.h"

#include "canvas/TDCommandStep.h"

#include "document/TDDocument.h"
#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PathPipelines.h"
#include "model/PathEngineBridge.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"

#include <QDebug>

namespace scrivane {

namespace {

int engineOperation(TDGraphicView::PathOperation operation)
{
    switch (operation) {
    case TDGraphicView::PathOperation::Intersect: return engine::kIntersection;
    case TDGraphicView::PathOperation::Subtract: return engine::kDifference;
    case TDGraphicView::PathOperation::XOR: return engine::kExclusiveOr;
    case TDGraphicView::PathOperation::Cut: return engine::kCut;
    default: return engine::kUnion;
    }
}

// The selected graphics' outlines, as drawn, for the engine.
std::vector<CommandPath> operandsOf(const TDGraphicArray &graphics)
{
    std::vector<CommandPath> operands;
    operands.reserve(graphics.size());
    for (const TDGraphicPtr &graphic : graphics) {
        CommandPath &commands = operands.emplace_back();
        if (const std::shared_ptr<TDBezierPath> path = graphic->cachedBezierPath())
            appendBezierPathToCommandPath(*path, commands);
    }
    return operands;
}

int combineOperands(const std::vector<CommandPath> &operands, int operation, CommandPath &result)
{
    std::vector<const CommandPath *> pointers;
    pointers.reserve(operands.size());
    for (const CommandPath &p : operands)
        pointers.push_back(&p);
    return booleanOfCommandPaths(pointers, operation, result);
}

} // namespace

void TDGraphicView::reportEngineFailure(int code)
{
    const QString message = engineFailureMessage(code);
    qWarning("%s", qPrintable(message));
    if (m_document)
        m_document->setStatusText(message);
}

void TDGraphicView::boolAdd()
{
    boolean(PathOperation::Add);
}

void TDGraphicView::boolSubtract()
{
    boolean(PathOperation::Subtract);
}

void TDGraphicView::boolIntersect()
{
    boolean(PathOperation::Intersect);
}

void TDGraphicView::boolXOR()
{
    boolean(PathOperation::XOR);
}

void TDGraphicView::boolCut()
{
    boolean(PathOperation::Cut);
}

void TDGraphicView::boolDivide()
{
    booleanDivide();
}

void TDGraphicView::installCombinedPath(const TDGraphicArray &operands, std::optional<TDBezierPath> path,
                                        const QString &actionName)
{
    TDCommandStep step(m_document->undoManager());
    const TDGraphicPtr first = operands.front();
    TDGraphicPtr result;
    if (path) {
        // A path graphic keeps everything but its path; any other graphic
        // gives way to its path conversion, which keeps its place and styles.
        const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(first->convertToBezier());
        if (bezier) {
            bezier->setDocumentPath(std::make_shared<TDBezierPath>(std::move(*path)));
            result = bezier;
        }
    } else {
        m_document->removeGraphic(first.get());
    }
    for (std::size_t i = 1; i < operands.size(); ++i)
        m_document->removeGraphic(operands[i].get());
    clearSelection();
    if (result)
        selectGraphic(result);
    step.name(actionName);
}

bool TDGraphicView::boolean(PathOperation operation)
{
    if (m_selectedGraphics.size() < 2 || !m_document)
        return false;
    const TDGraphicArray operands = m_selectedGraphics;
    CommandPath result;
    const int code = combineOperands(operandsOf(operands), engineOperation(operation), result);
    // A refusal changes nothing: the operands stay as they were.
    if (code != engine::kOk) {
        reportEngineFailure(code);
        return false;
    }
    static const char *const names[] = {"Add", "Intersect", "Subtract", "XOR", "Cut"};
    // Only a result with nothing in it (operands that do not meet) removes
    // the first graphic too.
    std::optional<TDBezierPath> path;
    if (result.commandCount() >= 2)
        path = bezierPathFromCommandPath(result);
    installCombinedPath(operands, std::move(path), QLatin1String(names[int(operation)]));
    return true;
}

bool TDGraphicView::booleanDivide()
{
    if (m_selectedGraphics.size() < 2 || !m_document)
        return false;
    const TDGraphicArray operands = m_selectedGraphics;
    const std::vector<CommandPath> paths = operandsOf(operands);
    CommandPath inside, outside;
    int code = combineOperands(paths, engine::kIntersection, inside);
    if (code == engine::kOk)
        code = combineOperands(paths, engine::kDifference, outside);
    if (code != engine::kOk) {
        reportEngineFailure(code);
        return false;
    }
    // One graphic holds both pieces as separate subpaths.
    std::optional<TDBezierPath> path;
    if (inside.commandCount() >= 2 || outside.commandCount() >= 2) {
        path = bezierPathFromCommandPath(inside);
        path->appendPath(bezierPathFromCommandPath(outside));
    }
    installCombinedPath(operands, std::move(path), QStringLiteral("Divide"));
    return true;
}

void TDGraphicView::boolOutline()
{
    if (m_selectedGraphics.empty() || !m_document)
        return;
    // Every outline is made before anything changes, so that a refusal
    // leaves the whole selection as it was.
    const TDGraphicArray graphics = m_selectedGraphics;
    std::vector<TDBezierPath> outlines;
    outlines.reserve(graphics.size());
    for (const TDGraphicPtr &graphic : graphics) {
        const std::shared_ptr<TDBezierPath> cached = graphic->cachedBezierPath();
        TDBezierPath path = cached ? TDBezierPath::bezierPathWithPath(*cached) : TDBezierPath();
        path.setWindingRule(graphic->fillStyle()->windingRule() == 0 ? WindingRule::NonZero : WindingRule::EvenOdd);
        QString error;
        std::optional<TDBezierPath> outline = path.outline(&error);
        if (!outline) {
            qWarning("%s", qPrintable(error));
            m_document->setStatusText(error);
            return;
        }
        outlines.push_back(std::move(*outline));
    }
    TDCommandStep step(m_document->undoManager());
    TDGraphicArray selection = graphics;
    for (std::size_t i = 0; i < graphics.size(); ++i) {
        const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(graphics[i]->convertToBezier());
        if (!bezier)
            continue;
        bezier->setDocumentPath(std::make_shared<TDBezierPath>(std::move(outlines[i])));
        // A graphic replaced by its conversion is replaced in the selection.
        selection[i] = bezier;
    }
    selectGraphics(selection);
    step.name(QStringLiteral("Outline"));
}

} // namespace scrivane
