#include "canvas/TDGraphicView.h"

#include "canvas/TDCursors.h"
#include "document/TDDocument.h"
#include "model/TDGroup.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStatusText.h"
#include "platform/StringTable.h"

namespace scrivane {

namespace {

QString hint(const char *key)
{
    return StringTable::lookup(QStringLiteral("StatusbarStrings"), QLatin1String(key));
}

} // namespace

bool TDGraphicView::editingGroup() const
{
    const TDGroup *current = m_document ? m_document->currentLayer() : nullptr;
    return current && current->layer();
}

QString TDGraphicView::statusHint(unsigned modifiers) const
{
    const bool S = modifiers & TDEvent::Shift;
    const bool A = modifiers & TDEvent::Alternate;
    const bool M = modifiers & TDEvent::Command;
    const bool C = modifiers & TDEvent::Control;
    using Arguments = std::vector<TDStatusText::Argument>;
    switch (drawMode()) {
    case Tool::Select: {
        if (m_selectedGraphics.empty())
            return hint(editingGroup() ? "Editing group.  *E end"
                                       : "Click/drag to select graphics.  *S toggle  *M underneath");
        if (C)
            return hint("Drag handles to rotate/skew.  *S constrain  *M static fill");
        const QString prefix = editingGroup() ? hint("Editing group.  *E end  ") : QString();
        if (m_selectedGraphics.size() == 1)
            return TDStatusText::format(hint("<b>%@ selected.</b> %@Drag handles to resize.  *C rotate/skew"),
                                        Arguments{TDStatusText::escaped(m_selectedGraphics.front()->name()), prefix});
        // Class tests (subclasses count: a layer is a group); the walk stops
        // once no test can hold.
        bool rectangles = true, ovals = true, groups = true;
        for (const TDGraphicPtr &g : m_selectedGraphics) {
            rectangles = rectangles && dynamic_cast<const TDRectangle *>(g.get());
            ovals = ovals && dynamic_cast<const TDOval *>(g.get());
            groups = groups && dynamic_cast<const TDGroup *>(g.get());
            if (!rectangles && !ovals && !groups)
                break;
        }
        const char *key = rectangles ? "<b>%d rectangles selected.</b> %@Drag handles to resize.  *C rotate/skew"
                          : ovals    ? "<b>%d ovals selected.</b> %@Drag handles to resize.  *C rotate/skew"
                          : groups   ? "<b>%d groups selected.</b> %@Drag handles to resize.  *C rotate/skew"
                                     : "<b>%d graphics selected.</b> %@Drag handles to resize.  *C rotate/skew";
        return TDStatusText::format(hint(key), Arguments{double(m_selectedGraphics.size()), prefix});
    }
    case Tool::Edit:
        return hint(m_selectedGraphics.empty()
                        ? "Double click/drag to edit graphics.  *S toggle  *A inside box  *M underneath"
                        : "Drag handles to edit selected graphics.  *S constrain  *A non-smooth curves  *A*M add node");
    case Tool::Paint:
        return hint("Drag to create a smooth Bezier path. Click on nodes to join to other paths.  *A no smoothing");
    case Tool::Polygon:
        return hint("Click to start a polygon. Click on nodes to join to other paths.");
    case Tool::Rectangle:
        if (S && A)
            return hint("Drag to create a square from the center.");
        if (S)
            return hint("Drag to create a square.");
        if (A)
            return hint("Drag to create a rectangle from the center.");
        return hint("Drag to create a rectangle.  *S square  *A from center");
    case Tool::Oval:
        if (S && A)
            return hint("Drag to create a circle from the center.");
        if (S)
            return hint("Drag to create a circle.");
        if (A)
            return hint("Drag to create an oval from the center.");
        return hint("Drag to create an oval.  *S circle  *A from center");
    case Tool::Text:
        return hint(A ? "Drag to create a textbox from the center."
                      : "Click to add text. Drag to create a textbox.  *S square  *A from center");
    case Tool::Zoom:
        return hint(A ? "Click to zoom out." : "Click to zoom in. Drag to zoom to an area.  *A zoom out");
    case Tool::Hand:
        return hint("Drag to move the document around.");
    case Tool::Dropper: {
        const int held = int(S) + int(A) + int(M);
        if (held == 0)
            return hint("Click to pickup styles.  *S Fill  *A Stroke  *M Effects");
        if (held == 3)
            return hint("Click to pickup styles.");
        const QString fill = S ? hint(held == 2 ? "Fill and " : "Fill") : QString();
        const QString stroke = A ? hint(held == 2 && !S ? "Stroke and " : "Stroke") : QString();
        const QString effects = M ? hint("Effects") : QString();
        return TDStatusText::format(hint("Click to pickup %@%@%@ styles."), Arguments{fill, stroke, effects});
    }
    }
    return QString();
}

void TDGraphicView::updateStatusText()
{
    // An empty text, not a null one: the document passes a null text over,
    // and the last drag's text would stay.
    const QString text = statusHint(m_lastModifiers);
    if (m_document)
        m_document->setStatusText(text.isNull() ? QStringLiteral("") : text);
}

void TDGraphicView::updateCursor()
{
    const TDCursors &cursors = TDCursors::shared();
    switch (drawMode()) {
    case Tool::Select:
        setCursor(Qt::ArrowCursor);
        break;
    case Tool::Edit:
        setCursor(cursors.cursor(TDCursors::Kind::EditArrow));
        break;
    case Tool::Paint:
        setCursor(cursors.cursor(TDCursors::Kind::Paintbrush));
        break;
    case Tool::Polygon:
    case Tool::Rectangle:
    case Tool::Oval:
    case Tool::Text:
        setCursor(cursors.cursor(TDCursors::Kind::Crosshair));
        break;
    case Tool::Zoom:
        setCursor(cursors.cursor(m_altKey ? TDCursors::Kind::ZoomOut : TDCursors::Kind::ZoomIn));
        break;
    case Tool::Hand:
        setCursor(cursors.cursor(TDCursors::Kind::HandOpen));
        break;
    case Tool::Dropper:
        setCursor(cursors.cursor(TDCursors::Kind::Dropper));
        break;
    }
    updateStatusText();
}

} // namespace scrivane
