#include "canvas/TDGraphicView.h"

#include "canvas/TDCommandStep.h"
#include "canvas/TDToolStrip.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <typeinfo>

namespace scrivane {

namespace {

// The tool a letter picks, typed without modifiers.
std::optional<Tool> toolForLetter(QChar letter)
{
    switch (letter.unicode()) {
    case 'v':
        return Tool::Select;
    case 'a':
        return Tool::Edit;
    case 'b':
        return Tool::Paint;
    case 'p':
        return Tool::Polygon;
    case 'm':
        return Tool::Rectangle;
    case 'n':
        return Tool::Oval;
    case 't':
        return Tool::Text;
    case 'z':
        return Tool::Zoom;
    case 'h':
        return Tool::Hand;
    case 'i':
        return Tool::Dropper;
    default:
        return std::nullopt;
    }
}

constexpr unsigned chordModifiers = TDEvent::Command | TDEvent::Alternate | TDEvent::Control;

QString strokeScaleKey()
{
    return UserDefaults::standard().string(QStringLiteral("stroke scale key"));
}

QString shapeScaleKeys()
{
    return UserDefaults::standard().string(QStringLiteral("shape scale key"));
}

} // namespace

bool TDGraphicView::keyDown(const TDEvent &event)
{
    // Dead keys and input methods type nothing of their own: only keys the
    // canvas knows by their code go on.
    const QChar k = event.characters.isEmpty() ? QChar() : event.characters.front();
    const bool plain = !(event.modifierFlags & chordModifiers);

    if (plain && k >= QLatin1Char('0') && k <= QLatin1Char('9') && event.key >= Qt::Key_0 &&
        event.key <= Qt::Key_9) {
        const int digit = k.digitValue();
        if (m_drawModeController)
            m_drawModeController->selectCell(digit == 0 ? 10 : digit);
        return true;
    }

    float step = event.modifierFlags & TDEvent::Shift ? 10.0f : 1.0f;
    // Alt moves by one screen pixel.
    if (event.modifierFlags & TDEvent::Alternate)
        step /= zoom();

    if (!k.isNull()) {
        if (m_transformStroke && !strokeScaleKey().isEmpty() &&
            QString(k).compare(strokeScaleKey(), Qt::CaseInsensitive) == 0) {
            m_transformStroke = false;
            m_hasMoused = false;
        } else if (shapeScaleKeys().contains(k)) {
            m_transformShape = false;
            m_hasMoused = false;
        }
    }

    switch (event.key) {
    case Qt::Key_Up:
        nudge(0, -step);
        return true;
    case Qt::Key_Down:
        nudge(0, step);
        return true;
    case Qt::Key_Left:
        nudge(-step, 0);
        return true;
    case Qt::Key_Right:
        nudge(step, 0);
        return true;
    default:
        break;
    }

    if (isEventEscape(event)) {
        if (editingGraphic() || m_mode == EditState::EditTool)
            stopEditing();
        else
            leaveGroup();
        updateStatusText();
        return true;
    }

    if (event.key == Qt::Key_Return || event.key == Qt::Key_Enter) {
        if (editingGraphic() || m_mode == EditState::EditTool) {
            stopEditing();
        } else {
            const TDGraphicPtr first = m_selectedGraphics.empty() ? nullptr : m_selectedGraphics.front();
            if (first && (std::dynamic_pointer_cast<TDGroup>(first) || first->fillStyle()->style() == TDFillText)) {
                first->startEditingWithEvent(nullptr, this);
            } else {
                selectTool(Tool::Edit);
                m_mode = EditState::EditTool;
            }
        }
        updateStatusText();
        return true;
    }

    if (event.key == Qt::Key_Space) {
        // A held space repeats: the temporary tool is taken once.
        if (event.autoRepeat)
            return true;
        const Tool tool = drawMode();
        if (event.modifierFlags & (TDEvent::Command | TDEvent::Control)) {
            m_modeBefore = tool;
            m_modeBeforeLock = toolLocked();
            selectTool(Tool::Zoom);
            m_didJustKeyZoom = true;
        } else if (tool != Tool::Hand) {
            m_modeBefore = tool;
            m_modeBeforeLock = toolLocked();
            // Chosen twice: locked until the space is let go.
            selectTool(Tool::Hand);
            selectTool(Tool::Hand);
        }
        return true;
    }

    m_letterDown = true;
    if (plain && toolForLetter(k))
        return true;
    if (event.key == Qt::Key_Tab && plain) {
        insertTab();
        return true;
    }
    // Delete and Backspace are told apart by their keys, not by the
    // characters some keyboards give them.
    if (event.key == Qt::Key_Delete || event.key == Qt::Key_Backspace) {
        deleteSelection();
        return true;
    }
    return false;
}

bool TDGraphicView::keyUp(const TDEvent &event)
{
    const QChar k = event.characters.isEmpty() ? QChar() : event.characters.front();
    if (!k.isNull()) {
        if (!strokeScaleKey().isEmpty() && QString(k).compare(strokeScaleKey(), Qt::CaseInsensitive) == 0) {
            m_transformStroke = true;
            // Held during a drag: it only changed the drag.
            if (m_hasMoused)
                return true;
        } else if (shapeScaleKeys().contains(k)) {
            m_transformShape = true;
            if (m_hasMoused)
                return true;
        }
    }
    if (event.key == Qt::Key_Space) {
        if (drawMode() == Tool::Hand && m_modeBefore) {
            const Tool before = *m_modeBefore;
            m_modeBefore.reset();
            selectTool(before);
            if (m_modeBeforeLock)
                selectTool(before);
            return true;
        }
    }
    const bool plain = !(event.modifierFlags & chordModifiers);
    if (plain && !editingGraphic() && m_letterDown) {
        if (const std::optional<Tool> tool = toolForLetter(k)) {
            selectTool(*tool);
            return true;
        }
    }
    m_letterDown = false;
    return false;
}

void TDGraphicView::flagsChanged(const TDEvent &event)
{
    m_didJustKeyZoom = false;
    m_altKey = event.modifierFlags & TDEvent::Alternate;
    if (!(event.modifierFlags & TDEvent::Command))
        m_trackingWithCommand = false;
    if (bool(event.modifierFlags & TDEvent::Control) != m_secondaryEditing)
        invalidateSelection();
    updateCursor();
}

void TDGraphicView::insertTab()
{
    if (!m_selectedGraphics.empty())
        makeFirstSelected(m_selectedGraphics.back().get());
}

void TDGraphicView::leaveGroup()
{
    TDGroup *current = m_document ? m_document->currentLayer() : nullptr;
    const std::shared_ptr<TDGroup> parent = current ? current->layer() : nullptr;
    if (!parent)
        return;
    // The group is selected in the layer that holds it.
    const auto group = std::static_pointer_cast<TDGroup>(current->shared_from_this());
    group->calculateBounds();
    clearSelection();
    selectGraphic(group);
    m_document->setCurrentLayer(parent.get());
    setNeedsDisplay();
}

void TDGraphicView::nudge(float dx, float dy)
{
    if ((dx == 0 && dy == 0) || m_selectedGraphics.empty())
        return;
    const TDGraphicArray graphics = m_selectedGraphics;
    for (const TDGraphicPtr &g : graphics) {
        g->willChange();
        g->startManipulation();
    }
    const AffineTransform t = AffineTransform::makeTranslation(dx, dy);
    if (m_mode == EditState::EditTool) {
        setNeedsDisplayInRect(insetRectForEditHandles(editingBoundsFor(graphics)));
        for (const TDGraphicPtr &g : graphics) {
            const QList<int> nodes = selectedNodesForGraphic(g.get());
            if (!nodes.isEmpty())
                g->transformNodes(nodes, t);
        }
        setNeedsDisplayInRect(insetRectForEditHandles(editingBoundsFor(graphics)));
    } else {
        invalidateSelection();
        for (const TDGraphicPtr &g : graphics)
            g->transformWithTransformation(t, true, true);
        invalidateSelection();
    }
    for (const TDGraphicPtr &g : graphics) {
        g->stopManipulation();
        g->didChange();
    }
}

// --- Stacking order -----------------------------------------------------------------------------------

namespace {

std::shared_ptr<TDGroup> containerOf(const TDGraphicPtr &graphic)
{
    return graphic ? graphic->layer() : nullptr;
}

} // namespace

bool TDGraphicView::gathersAcrossContainers() const
{
    // While a group is edited the graphics stay in their own containers.
    const TDGroup *current = m_document ? m_document->currentLayer() : nullptr;
    if (!current)
        return true;
    const TDGroup &edited = *current;
    return typeid(edited) != typeid(TDGroup);
}

void TDGraphicView::sendToBack()
{
    const TDGraphicArray ordered = orderedSelectedGraphics();
    const std::shared_ptr<TDGroup> target = ordered.empty() ? nullptr : containerOf(ordered.back());
    if (!target)
        return;
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    bool moved = false;
    for (size_t i = 0; i < ordered.size(); ++i) {
        const TDGraphicPtr &g = ordered[i];
        const std::shared_ptr<TDGroup> own = containerOf(g);
        if (!own)
            continue;
        if (own != target && gathersAcrossContainers()) {
            const TDGraphicPtr keep = g;
            own->removeGraphic(g.get());
            target->insertGraphic(keep, int(i));
            moved = true;
        } else {
            moved = own->moveGraphic(g, int(i)) || moved;
        }
    }
    invalidateSelection();
    if (moved)
        step.name(QStringLiteral("Send To Back"));
}

void TDGraphicView::bringToFront()
{
    const TDGraphicArray ordered = orderedSelectedGraphics();
    const std::shared_ptr<TDGroup> target = ordered.empty() ? nullptr : containerOf(ordered.back());
    if (!target)
        return;
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    bool moved = false;
    int k = 0;
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) {
        ++k;
        const TDGraphicPtr &g = *it;
        const std::shared_ptr<TDGroup> own = containerOf(g);
        if (!own)
            continue;
        const int position = int(target->graphics().size()) - k;
        if (own != target && gathersAcrossContainers()) {
            const TDGraphicPtr keep = g;
            own->removeGraphic(g.get());
            target->insertGraphic(keep, std::clamp(position + 1, 0, int(target->graphics().size())));
            moved = true;
        } else {
            moved = own->moveGraphic(g, position) || moved;
        }
    }
    invalidateSelection();
    if (moved)
        step.name(QStringLiteral("Bring To Front"));
}

void TDGraphicView::sendBackward()
{
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    bool moved = false;
    for (const TDGraphicPtr &g : orderedSelectedGraphics()) {
        const std::shared_ptr<TDGroup> own = containerOf(g);
        if (!own)
            continue;
        const int index = own->indexOfGraphic(g.get());
        if (index > 0 && !graphicIsSelected(own->graphics()[size_t(index - 1)].get()))
            moved = own->moveGraphic(g, index - 1) || moved;
    }
    invalidateSelection();
    if (moved)
        step.name(QStringLiteral("Send Backward"));
}

void TDGraphicView::bringForward()
{
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    bool moved = false;
    const TDGraphicArray ordered = orderedSelectedGraphics();
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) {
        const TDGraphicPtr &g = *it;
        const std::shared_ptr<TDGroup> own = containerOf(g);
        if (!own)
            continue;
        const int index = own->indexOfGraphic(g.get());
        if (index >= 0 && index + 1 < int(own->graphics().size()) &&
            !graphicIsSelected(own->graphics()[size_t(index + 1)].get()))
            moved = own->moveGraphic(g, index + 1) || moved;
    }
    invalidateSelection();
    if (moved)
        step.name(QStringLiteral("Bring Forward"));
}

} // namespace scrivane
