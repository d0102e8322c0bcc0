#include "model/TDGraphic.h"

#include "model/TDApplicationServices.h"
#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// One text is edited at a time in the whole program.
struct EditingState {
    bool autoSizeRequest = false;
    bool autoSizing = false;
    // The editor's frame as last sized: its origin and the last required
    // size, to repaint what a shrinking box leaves behind.
    Rect lastEditorRect;
    // The text as editing found it: the whole edit is one undo step of the
    // document.
    std::shared_ptr<QTextDocument> before;
    std::optional<QByteArray> beforeArchive;
};

EditingState &editingState()
{
    static EditingState state;
    return state;
}

// The required size asked while a box grows: as wide as a line can be.
constexpr float GrowingWidthLimit = 1.0e6f;

} // namespace

Size TDGraphic::maxSize()
{
    // Qt's fixed-point layout holds no wider line; beyond it "unlimited"
    // would overflow into nonsense.
    return Size(TDTextLayout::MaxLineWidth, TDTextLayout::MaxLineWidth);
}

bool TDGraphic::autoSizeRequest()
{
    return editingState().autoSizeRequest;
}

void TDGraphic::setAutoSizeRequest(bool request)
{
    editingState().autoSizeRequest = request;
}

bool TDGraphic::autoSizing()
{
    return editingState().autoSizing;
}

void TDGraphic::createTextWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationCompletion completion)
{
    // The box shows as a thin blue line while it is dragged out.
    m_strokeStyle->setStyle(TDStrokeStyle::Line);
    m_strokeStyle->setStrokeWidth(1);
    m_strokeStyle->setColor(Color::blue());
    std::weak_ptr<TDGraphic> weak = weak_from_this();
    trackCreation(event, view, [weak, completion](bool completed, bool moved) {
        const auto graphic = weak.lock();
        if (graphic) {
            graphic->m_fillStyle->setStyle(TDFillStyle::TextFill);
            graphic->m_strokeStyle->setColor(Color::black());
            graphic->m_strokeStyle->setStyle(TDStrokeStyle::None);
            const Size size = graphic->bounds().size;
            setAutoSizeRequest(!moved || minSize().height > size.height || minSize().width > size.width);
        }
        if (completion)
            completion(graphic && completed);
    });
}

void TDGraphic::startEditingWithEvent(const TDEvent *, TDGraphicViewInterface *view)
{
    if (m_fillStyle->style() != TDFillStyle::TextFill || !view) {
        didChange();
        return;
    }
    EditingState &state = editingState();
    // Another text being edited stops first: one edit at a time.
    view->stopTextEditing();
    view->selectGraphics(TDGraphicArray{shared_from_this()});
    m_textEditing = true;
    TDFillStyle &fill = *m_fillStyle;
    fill.setBezierMode(true);
    fill.changedGeometry();
    view->saveRulers();

    TDGraphicViewInterface::TextEditorSetup setup;
    // A see-through colour shows as that colour over white.
    const Color color = fill.color();
    setup.background = color.alpha() < 1 ? color.blendedWithFraction(1 - color.alpha(), Color::white()).withAlpha(1)
                                         : color;
    PathBase outline = fill.textSpacePath();
    Size size = outline.bounds().size;
    const bool growing = state.autoSizeRequest;
    if (growing)
        size = minSize();
    const AffineTransform &t = m_textTransformation;
    const float sx = std::hypot(t.m11, t.m12), sy = std::hypot(t.m21, t.m22);
    setup.frame = Rect(bounds().origin, Size(sx * size.width, sy * size.height));
    setup.boundsSize = size;
    if (growing) {
        fill.setContainerSize(size);
        fill.setBezierMode(false);
        state.autoSizing = true;
        state.autoSizeRequest = false;
    } else {
        setup.outline = outline;
        state.autoSizing = false;
    }
    state.lastEditorRect = setup.frame;
    state.before = std::make_shared<QTextDocument>();
    TDAttributedText::copy(*fill.contents(), *state.before);
    state.beforeArchive = TDAttributedText::archive(*fill.contents());
    // Typing is undone inside the editor, step by step, until it closes.
    fill.contents()->clearUndoRedoStacks();
    view->openTextEditor(this, setup);
    view->setEditingGraphic(this);
    didChange();
    textDidChange();
    if (TDAppDelegateInterface *delegate = TDApplicationServices::appDelegate())
        delegate->setEditingText(true);
}

void TDGraphic::textDidChange()
{
    EditingState &state = editingState();
    if (!m_textEditing || !state.autoSizing)
        return;
    const Size needed = requiredSize(GrowingWidthLimit);
    const AffineTransform &t = m_textTransformation;
    const float sx = std::hypot(t.m11, t.m12), sy = std::hypot(t.m21, t.m22);
    const Rect frame(state.lastEditorRect.origin, Size(sx * needed.width, sy * needed.height));
    TDGraphicViewInterface *view = graphicView();
    if (view) {
        // What a shrinking box leaves behind is repainted with it.
        view->setNeedsDisplayInRect(state.lastEditorRect.united(frame).insetBy(-2, -2));
        view->resizeTextEditor(this, frame, needed);
    }
    state.lastEditorRect = frame;
}

void TDGraphic::endEditing()
{
    if (!m_textEditing)
        return;
    m_textEditing = false;
    EditingState &state = editingState();
    TDGraphicViewInterface *view = graphicView();
    if (state.autoSizing) {
        state.autoSizing = false;
        const Size needed = requiredSize(GrowingWidthLimit);
        const Rect before = state.lastEditorRect;
        setTransformation(transformForBounds(Rect(bounds().origin, needed)));
        if (view)
            view->setNeedsDisplayInRect(before.insetBy(-2, -2));
    }
    m_fillStyle->setBezierMode(true);
    if (state.before && m_fillStyle->contents() &&
        TDAttributedText::archive(*m_fillStyle->contents()) != state.beforeArchive) {
        m_fillStyle->registerContentsUndo(state.before);
        if (TDUndoManager *undo = undoManager())
            undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Typing")));
    }
    state.before.reset();
    state.beforeArchive.reset();
    if (m_fillStyle->contents())
        m_fillStyle->contents()->clearUndoRedoStacks();
    if (view) {
        view->cleanRulers();
        view->setNeedsDisplayInRect(updateBounds());
        view->closeTextEditor(this);
    }
    didChange();
}

Size TDGraphic::requiredSize(float widthLimit)
{
    TDFillStyle &fill = *m_fillStyle;
    if (!fill.hasText() || fill.contents()->isEmpty())
        return minSize();
    const float limit = std::isfinite(widthLimit) ? std::clamp(widthLimit, 0.0f, maxSize().width) : maxSize().width;
    fill.setContainerSize(Size(limit, maxSize().height));
    const Rect used = fill.textLayout().usedRect();
    return Size(std::max(used.width() + 1, minSize().width), std::max(used.height() + 3, minSize().height));
}

TDBezierPath TDGraphic::convertTextToBezier()
{
    TDBezierPath path(m_fillStyle->textOutlines());
    path.setWindingRule(WindingRule::NonZero);
    return path;
}

} // namespace scrivane
