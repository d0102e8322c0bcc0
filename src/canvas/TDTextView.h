#pragma once

#include "model/TDGraphicViewInterface.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <QTextCursor>

#include <memory>
#include <optional>

class QKeyEvent;

namespace scrivane {

class GraphicsContext;
class TDFillStyle;

// The in-place text editor of a graphic with a text fill.  It is not a
// widget: the canvas draws it with its own transformation, so that it
// follows the zoom like the drawing, and hands it the keys and presses
// that fall on it while the graphic is edited.
//
// The editor works in the graphic's text space at the graphic's scale
// (rotation and skew are not shown while editing): its frame is a
// rectangle of the canvas showing `boundsSize` of text space.  With an
// outline (the shape in text space) the text is clipped to it and the
// outline is drawn around it in blue; without one the frame is outlined.
// The text itself is the fill's QTextDocument, edited through a cursor, so
// typing is undone by the document's own undo (Ctrl+Z while editing).
//
// The graphic is held weakly: when it goes away the editor edits nothing.
class TDTextView {
public:
    TDTextView(const std::shared_ptr<TDGraphic> &graphic, const TDGraphicViewInterface::TextEditorSetup &setup);
    ~TDTextView();
    TDTextView(const TDTextView &) = delete;
    TDTextView &operator=(const TDTextView &) = delete;

    std::shared_ptr<TDGraphic> graphic() const { return m_graphic.lock(); }
    bool edits(const TDGraphic *graphic) const;

    const Rect &frame() const { return m_frame; }
    void setFrame(const Rect &frame, Size boundsSize);
    const PathBase &outline() const { return m_outline; }
    // Setting the same outline again keeps it.
    void setOutline(const PathBase &outline);
    // The canvas area the editor paints (its frame with a margin).
    Rect area() const;

    // Canvas points and text space.
    Point textPoint(Point canvasPoint) const;
    AffineTransform textToCanvas() const;

    // A key: answers whether the editor took it.  Alt+Return asks to end
    // the editing (`wantsToEnd` answers true afterwards).
    bool keyPress(QKeyEvent *event);
    // Whether the editor takes the key before the window's shortcuts (the
    // keys of editing: typing, Ctrl+Z, Ctrl+A, the clipboard keys).
    static bool takesShortcut(QKeyEvent *event);
    bool wantsToEnd() const { return m_wantsToEnd; }

    // A press at a canvas point: one click places the cursor (Shift
    // extends), two select a word, three a paragraph.
    void mousePress(Point canvasPoint, int clickCount, bool extend);
    // A drag from the press extends the selection.
    void mouseDrag(Point canvasPoint);

    const QTextCursor &cursor() const { return m_cursor; }
    void setCursor(const QTextCursor &cursor) { m_cursor = cursor; }
    // Inserts text at the cursor with its typing attributes.
    void insertText(const QString &text);

    // Paints the editor over the drawing (document coordinates).
    void draw(GraphicsContext &context, float zoom);

private:
    TDFillStyle *fill() const;
    void changed();
    void moveVertically(int lines, QTextCursor::MoveMode mode);

    std::weak_ptr<TDGraphic> m_graphic;
    Rect m_frame;
    Size m_boundsSize;
    PathBase m_outline;
    Color m_background;
    QTextCursor m_cursor;
    bool m_wantsToEnd = false;
};

} // namespace scrivane
