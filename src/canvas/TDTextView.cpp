#include "canvas/TDTextView.h"

#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDTextLayout.h"
#include "platform/GraphicsContext.h"
#include "platform/NotificationCenter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

bool samePath(const PathBase &a, const PathBase &b)
{
    const auto ea = a.elements(), eb = b.elements();
    if (ea.size() != eb.size())
        return false;
    for (std::size_t i = 0; i < ea.size(); ++i)
        if (ea[i].type != eb[i].type || ea[i].points != eb[i].points)
            return false;
    return true;
}

} // namespace

const QString TDTextView::selectionDidChangeNotification = QStringLiteral("TDTextViewDidChangeSelection");
const QString TDTextView::typingAttributesDidChangeNotification =
    QStringLiteral("TDTextViewDidChangeTypingAttributes");

class TDTextView::Watch {
public:
    explicit Watch(TDTextView &view)
        : m_view(view), m_position(view.m_cursor.position()), m_anchor(view.m_cursor.anchor()),
          m_attributes(view.typingAttributes())
    {
    }
    ~Watch()
    {
        const QPointer<TDTextView> alive(&m_view);
        if (m_view.m_cursor.position() != m_position || m_view.m_cursor.anchor() != m_anchor)
            m_view.post(selectionDidChangeNotification, std::min(m_position, m_anchor));
        if (alive && m_view.typingAttributes() != m_attributes)
            m_view.post(typingAttributesDidChangeNotification, std::min(m_position, m_anchor));
    }
    Watch(const Watch &) = delete;
    Watch &operator=(const Watch &) = delete;

private:
    TDTextView &m_view;
    int m_position;
    int m_anchor;
    QTextCharFormat m_attributes;
};

void TDTextView::post(const QString &name, int oldLocation)
{
    QVariantMap info;
    info.insert(QStringLiteral("TextView"), QVariant::fromValue(static_cast<QObject *>(this)));
    info.insert(QStringLiteral("OldSelectedLocation"), oldLocation);
    NotificationCenter::defaultCenter().post(name, this, info);
}

TDTextView::TDTextView(const std::shared_ptr<TDGraphic> &graphic, const TDGraphicViewInterface::TextEditorSetup &setup)
    : m_graphic(graphic), m_frame(setup.frame), m_boundsSize(setup.boundsSize), m_outline(setup.outline),
      m_background(setup.background)
{
    if (TDFillStyle *f = fill(); f && f->contents()) {
        m_cursor = QTextCursor(f->contents());
        m_cursor.movePosition(QTextCursor::End);
    }
    post(selectionDidChangeNotification, m_cursor.position());
    post(typingAttributesDidChangeNotification, m_cursor.position());
}

TDTextView::~TDTextView() = default;

bool TDTextView::edits(const TDGraphic *graphic) const
{
    const auto g = m_graphic.lock();
    return g && g.get() == graphic;
}

TDFillStyle *TDTextView::fill() const
{
    const auto g = m_graphic.lock();
    if (!g || g->fillStyle()->style() != TDFillStyle::TextFill || !g->fillStyle()->contents())
        return nullptr;
    return g->fillStyle().get();
}

void TDTextView::setFrame(const Rect &frame, Size boundsSize)
{
    m_frame = frame;
    m_boundsSize = boundsSize;
}

void TDTextView::setOutline(const PathBase &outline)
{
    if (samePath(outline, m_outline))
        return;
    m_outline = outline;
}

Rect TDTextView::area() const
{
    return m_frame.insetBy(-3, -3);
}

AffineTransform TDTextView::textToCanvas() const
{
    const float sx = m_boundsSize.width > 0 ? m_frame.width() / m_boundsSize.width : 1;
    const float sy = m_boundsSize.height > 0 ? m_frame.height() / m_boundsSize.height : 1;
    AffineTransform t = AffineTransform::makeScale(sx > 0 ? sx : 1, sy > 0 ? sy : 1);
    t.append(AffineTransform::makeTranslation(m_frame.minX(), m_frame.minY()));
    return t;
}

Point TDTextView::textPoint(Point canvasPoint) const
{
    const std::optional<AffineTransform> back = textToCanvas().inverse();
    return back ? back->transformPoint(canvasPoint) : canvasPoint;
}

void TDTextView::changed()
{
    if (const auto g = m_graphic.lock())
        g->textDidChange();
}

void TDTextView::setCursor(const QTextCursor &cursor)
{
    Watch watch(*this);
    m_cursor = cursor;
}

void TDTextView::insertText(const QString &text)
{
    if (!fill() || m_cursor.isNull())
        return;
    Watch watch(*this);
    m_cursor.insertText(text);
    changed();
}

bool TDTextView::takesShortcut(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier);
    if (mods & Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_Z:
        case Qt::Key_Y:
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_X:
        case Qt::Key_V:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
        }
    }
    // Keys that type or move the cursor.
    return !event->text().isEmpty() || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
           (event->key() >= Qt::Key_Home && event->key() <= Qt::Key_PageDown);
}

void TDTextView::moveVertically(int lines, QTextCursor::MoveMode mode)
{
    TDFillStyle *f = fill();
    if (!f)
        return;
    const TDTextLayout &layout = f->textLayout();
    const std::optional<Rect> caret = layout.caretRect(m_cursor.position());
    if (!caret) {
        m_cursor.movePosition(lines < 0 ? QTextCursor::Start : QTextCursor::End, mode);
        return;
    }
    const float y = lines < 0 ? caret->minY() - 1 : caret->maxY() + 1;
    const int position = layout.positionAt(Point(caret->minX(), y));
    m_cursor.setPosition(position, mode);
}

bool TDTextView::keyPress(QKeyEvent *event)
{
    TDFillStyle *f = fill();
    if (!f || m_cursor.isNull())
        return false;
    QTextDocument *document = f->contents();
    Watch watch(*this);
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier);
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const auto mode = shift ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    const int key = event->key();

    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (mods & Qt::AltModifier)) {
        // Alt+Return gives the keyboard back to the canvas.
        m_wantsToEnd = true;
        return true;
    }
    if (ctrl) {
        switch (key) {
        case Qt::Key_Z:
            if (shift)
                document->redo(&m_cursor);
            else
                document->undo(&m_cursor);
            changed();
            return true;
        case Qt::Key_Y:
            document->redo(&m_cursor);
            changed();
            return true;
        case Qt::Key_A:
            m_cursor.select(QTextCursor::Document);
            return true;
        case Qt::Key_C:
        case Qt::Key_X:
            if (m_cursor.hasSelection()) {
                if (QClipboard *clipboard = QGuiApplication::clipboard())
                    clipboard->setText(m_cursor.selection().toPlainText());
                if (key == Qt::Key_X) {
                    m_cursor.removeSelectedText();
                    changed();
                }
            }
            return true;
        case Qt::Key_V:
            if (QClipboard *clipboard = QGuiApplication::clipboard())
                insertText(clipboard->text());
            return true;
        case Qt::Key_Left:
            m_cursor.movePosition(QTextCursor::PreviousWord, mode);
            return true;
        case Qt::Key_Right:
            m_cursor.movePosition(QTextCursor::NextWord, mode);
            return true;
        case Qt::Key_Home:
            m_cursor.movePosition(QTextCursor::Start, mode);
            return true;
        case Qt::Key_End:
            m_cursor.movePosition(QTextCursor::End, mode);
            return true;
        default:
            return false;
        }
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_cursor.insertBlock();
        changed();
        return true;
    case Qt::Key_Backspace:
        m_cursor.deletePreviousChar();
        changed();
        return true;
    case Qt::Key_Delete:
        m_cursor.deleteChar();
        changed();
        return true;
    case Qt::Key_Left:
        m_cursor.movePosition(QTextCursor::PreviousCharacter, mode);
        return true;
    case Qt::Key_Right:
        m_cursor.movePosition(QTextCursor::NextCharacter, mode);
        return true;
    case Qt::Key_Up:
        moveVertically(-1, mode);
        return true;
    case Qt::Key_Down:
        moveVertically(1, mode);
        return true;
    case Qt::Key_Home:
        m_cursor.movePosition(QTextCursor::StartOfBlock, mode);
        return true;
    case Qt::Key_End:
        m_cursor.movePosition(QTextCursor::EndOfBlock, mode);
        return true;
    case Qt::Key_Tab:
        insertText(QStringLiteral("\t"));
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        insertText(text);
        return true;
    }
    return false;
}

void TDTextView::mousePress(Point canvasPoint, int clickCount, bool extend)
{
    TDFillStyle *f = fill();
    if (!f || m_cursor.isNull())
        return;
    Watch watch(*this);
    const int position = f->textLayout().positionAt(textPoint(canvasPoint));
    m_cursor.setPosition(position, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    if (clickCount == 2)
        m_cursor.select(QTextCursor::WordUnderCursor);
    else if (clickCount >= 3)
        m_cursor.select(QTextCursor::BlockUnderCursor);
}

void TDTextView::mouseDrag(Point canvasPoint)
{
    TDFillStyle *f = fill();
    if (!f || m_cursor.isNull())
        return;
    Watch watch(*this);
    m_cursor.setPosition(f->textLayout().positionAt(textPoint(canvasPoint)), QTextCursor::KeepAnchor);
}

void TDTextView::draw(GraphicsContext &context, float zoom)
{
    TDFillStyle *f = fill();
    if (!f)
        return;
    const TDTextLayout &layout = f->textLayout();
    const float z = zoom > 0 && std::isfinite(zoom) ? zoom : 1;
    context.save();
    if (!context.concatCTM(textToCanvas())) {
        context.restore();
        return;
    }
    const PathBase frame = PathBase::withRect(Rect(Point(), m_boundsSize));
    const PathBase &shape = m_outline.isEmpty() ? frame : m_outline;
    context.save();
    context.addClip(shape);
    context.setFillColor(m_background);
    context.fillPath(shape);
    if (m_cursor.hasSelection()) {
        context.setFillColor(Color::calibratedRGB(0.7f, 0.8f, 1.0f));
        for (const Rect &r : layout.selectionRects(m_cursor.selectionStart(), m_cursor.selectionEnd()))
            context.fillRect(r);
    }
    layout.draw(context, Point(), TDTextLayout::Paint::Fill);
    if (!m_cursor.hasSelection()) {
        if (const std::optional<Rect> caret = layout.caretRect(m_cursor.position())) {
            // One device pixel wide at any zoom.
            const float width = 1.0f / z;
            context.setFillColor(Color::black());
            context.fillRect(Rect(caret->minX() - width / 2, caret->minY(), width, caret->height()));
        }
    }
    LineStyle line;
    line.width = m_outline.isEmpty() ? 1.0f : 0.0f;
    context.setLineStyle(line);
    context.setStrokeColor(Color::blue());
    if (!m_outline.isEmpty())
        context.strokePath(m_outline, GraphicsContext::LineSource::Context);
    context.restore();
    if (m_outline.isEmpty()) {
        // The frame of a growing box, one point wide.
        context.setLineStyle(line);
        context.setStrokeColor(Color::blue());
        context.strokePath(PathBase::withRect(Rect(Point(), m_boundsSize).insetBy(0.5f, 0.5f)),
                           GraphicsContext::LineSource::Context);
    }
    context.restore();
}

// --- Attributes of the selection ---------------------------------------------------------

QTextDocument *TDTextView::document() const
{
    TDFillStyle *f = fill();
    return f ? f->contents() : nullptr;
}

QTextCharFormat TDTextView::typingAttributes() const
{
    QTextDocument *text = document();
    if (!text || m_cursor.isNull())
        return TDAttributedText::defaultCharFormat();
    QTextCharFormat format;
    if (m_cursor.hasSelection()) {
        QTextCursor first(text);
        first.setPosition(m_cursor.selectionStart() + 1);
        format = first.charFormat();
    } else {
        format = m_cursor.charFormat();
    }
    format.setFont(format.font().resolve(text->defaultFont()), QTextCharFormat::FontPropertiesAll);
    return format;
}

QTextBlockFormat TDTextView::paragraphAttributes() const
{
    return m_cursor.isNull() ? QTextBlockFormat() : m_cursor.blockFormat();
}

void TDTextView::changeAttributes(const std::function<QTextCharFormat(const QTextCharFormat &)> &convert)
{
    QTextDocument *text = document();
    if (!text || m_cursor.isNull() || !convert)
        return;
    Watch watch(*this);
    if (!m_cursor.hasSelection()) {
        // Only what is typed next takes them.
        m_cursor.setCharFormat(convert(typingAttributes()));
        return;
    }
    const int from = m_cursor.selectionStart(), to = m_cursor.selectionEnd();
    struct Run {
        int from;
        int to;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = text->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int a = std::max(from, fragment.position());
            const int b = std::min(to, fragment.position() + fragment.length());
            if (fragment.isValid() && b > a)
                runs.push_back({a, b, fragment.charFormat()});
        }
    }
    QTextCursor edit(text);
    edit.beginEditBlock();
    for (Run &run : runs) {
        run.format.setFont(run.format.font().resolve(text->defaultFont()), QTextCharFormat::FontPropertiesAll);
        edit.setPosition(run.from);
        edit.setPosition(run.to, QTextCursor::KeepAnchor);
        edit.setCharFormat(convert(run.format));
    }
    edit.endEditBlock();
    changed();
}

void TDTextView::changeFont(const std::function<QFont(const QFont &)> &convert)
{
    if (!convert)
        return;
    changeAttributes([&convert](const QTextCharFormat &format) {
        QTextCharFormat changed = format;
        changed.setFont(convert(format.font()), QTextCharFormat::FontPropertiesAll);
        return changed;
    });
}

void TDTextView::changeParagraphs(const std::function<void(QTextBlockFormat &)> &change)
{
    QTextDocument *text = document();
    if (!text || m_cursor.isNull() || !change)
        return;
    Watch watch(*this);
    const QTextBlock first = text->findBlock(m_cursor.selectionStart());
    const QTextBlock last = text->findBlock(m_cursor.selectionEnd());
    QTextCursor edit(text);
    edit.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        change(format);
        QTextCursor(block).setBlockFormat(format);
        if (block == last)
            break;
    }
    edit.endEditBlock();
    changed();
}

} // namespace scrivane
