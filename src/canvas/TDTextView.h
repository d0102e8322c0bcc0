#pragma once

#include "model/TDGraphicViewInterface.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <QObject>
#include <QTextCursor>

#include <functional>
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
//
// Panels follow the editor through two notifications of the default
// centre, posted with the editor as object and in the user info under
// "TextView" (a QObject, so that a listener can check what it got and hold
// it weakly): selectionDidChange (with "OldSelectedLocation", where the
// selection started before) when the cursor or selection moved, and
// typingAttributesDidChange when the attributes at the cursor changed.
// Both are posted once when the editor opens.
class TDTextView : public QObject {
    Q_OBJECT
public:
    static const QString selectionDidChangeNotification;
    static const QString typingAttributesDidChangeNotification;

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
    void setCursor(const QTextCursor &cursor);
    // Inserts text at the cursor with its typing attributes.
    void insertText(const QString &text);

    // Paints the editor over the drawing (document coordinates).
    void draw(GraphicsContext &context, float zoom);
    // The colour painted behind the text.
    const Color &background() const { return m_background; }

    // --- Attributes of the selection ----------------------------------------------
    // The text edited (null when the graphic went away).
    QTextDocument *document() const;
    // The attributes new typing gets: those of the selection's first
    // character, else those at the cursor; the font resolved against the
    // text's.
    QTextCharFormat typingAttributes() const;
    QTextBlockFormat paragraphAttributes() const;
    // Every run of attributes in the selection becomes what `convert` makes
    // of it (the typing attributes do when nothing is selected); one step
    // of the editor's undo.
    void changeAttributes(const std::function<QTextCharFormat(const QTextCharFormat &)> &convert);
    // The fonts of the selection (or the typing font) through `convert`.
    void changeFont(const std::function<QFont(const QFont &)> &convert);
    // Every paragraph the selection touches (the cursor's paragraph when
    // nothing is selected) through `change`; one step of the editor's undo.
    void changeParagraphs(const std::function<void(QTextBlockFormat &)> &change);

private:
    // Notes the cursor and attributes before an edit, and posts what the
    // edit changed of them when it goes.
    class Watch;
    void post(const QString &name, int oldLocation);
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
