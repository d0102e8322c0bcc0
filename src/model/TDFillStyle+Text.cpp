#include "model/TDFillStyle.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDDrawProtocol.h"
#include "model/TDGraphic.h"
#include "model/TDShapeWalk.h"
#include "model/TDTextLayout.h"
#include "platform/GraphicsContext.h"

#include <QTextBlock>
#include <QTextCursor>

#include <cmath>
#include <vector>

namespace scrivane {

namespace {

bool sameElements(const PathBase &a, const PathBase &b)
{
    const auto ea = a.elements(), eb = b.elements();
    if (ea.size() != eb.size() || a.windingRule() != b.windingRule())
        return false;
    for (std::size_t i = 0; i < ea.size(); ++i) {
        if (ea[i].type != eb[i].type || ea[i].points != eb[i].points)
            return false;
    }
    return true;
}

bool invertibleLinear(const AffineTransform &t)
{
    const double det = double(t.m11) * t.m22 - double(t.m12) * t.m21;
    return std::isfinite(det) && std::abs(det) > 1e-12;
}

} // namespace

void TDFillStyle::initText()
{
    if (m_contents)
        return;
    m_contents = std::make_unique<QTextDocument>();
    TDAttributedText::prepare(*m_contents);
    m_layout = std::make_unique<TDTextLayout>();
    m_shape = std::make_unique<TDShapeWalk>();
    m_bezierMode = true;
    m_containerSize = Size(200, 200);
    m_textBackground = false;
    QObject::connect(m_contents.get(), &QTextDocument::contentsChanged, m_contents.get(), [this] {
        if (!m_settingContents)
            textDidChange();
    });
}

void TDFillStyle::textDidChange()
{
    // Text written anew is text this system can read.
    m_textValues.remove(QStringLiteral("FillTextKey"));
    invalidateTextLayout();
    didChange();
}

void TDFillStyle::invalidateTextLayout()
{
    m_layoutValid = false;
}

void TDFillStyle::setContents(const QTextDocument &text)
{
    if (!m_contents || &text == m_contents.get())
        return;
    willChange();
    auto old = std::make_shared<QTextDocument>();
    TDAttributedText::copy(*m_contents, *old);
    registerUndo(false, QStringLiteral("setContents"), [old](TDFillStyle &s) { s.setContents(*old); });
    m_settingContents = true;
    TDAttributedText::copy(text, *m_contents);
    m_settingContents = false;
    textDidChange();
}

void TDFillStyle::registerContentsUndo(std::shared_ptr<QTextDocument> old)
{
    if (!old)
        return;
    registerUndo(false, QStringLiteral("setContents"), [old](TDFillStyle &s) { s.setContents(*old); });
}

void TDFillStyle::setContents(const QString &plainText)
{
    if (!m_contents)
        return;
    QTextDocument text;
    TDAttributedText::prepare(text);
    QTextCursor(&text).insertText(plainText, TDAttributedText::defaultCharFormat());
    setContents(text);
}

void TDFillStyle::setHyphenation(float factor)
{
    if (factor == m_hyphenation || !std::isfinite(factor))
        return;
    registerUndo(true, QStringLiteral("setHyphenation"), [old = m_hyphenation](TDFillStyle &s) {
        s.setHyphenation(old);
    });
    m_hyphenation = factor;
    invalidateTextLayout();
    didChange();
}

void TDFillStyle::setLineFragmentPadding(float padding)
{
    if (padding == m_padding || !std::isfinite(padding))
        return;
    registerUndo(true, QStringLiteral("setLineFragmentPadding"), [old = m_padding](TDFillStyle &s) {
        s.setLineFragmentPadding(old);
    });
    m_padding = padding;
    invalidateTextLayout();
    didChange();
}

void TDFillStyle::setTextBackground(bool on)
{
    if (on == m_textBackground)
        return;
    registerUndo(true, QStringLiteral("setTextBackground"), [old = m_textBackground](TDFillStyle &s) {
        s.setTextBackground(old);
    });
    m_textBackground = on;
    didChange();
}

void TDFillStyle::changeFont(const std::function<QFont(const QFont &)> &convert)
{
    if (m_style != TextFill || !m_contents || !convert)
        return;
    willChange();
    auto old = std::make_shared<QTextDocument>();
    TDAttributedText::copy(*m_contents, *old);
    registerUndo(false, QStringLiteral("setContents"), [old](TDFillStyle &s) { s.setContents(*old); });
    m_settingContents = true;
    const QFont base = m_contents->defaultFont();
    // The runs are taken first: changing a format splits and joins the
    // fragments a walk over them would still be using.
    struct Run {
        int from;
        int to;
        QFont font;
    };
    std::vector<Run> runs;
    for (QTextBlock block = m_contents->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                runs.push_back({fragment.position(), fragment.position() + fragment.length(),
                                fragment.charFormat().font().resolve(base)});
        }
    }
    QTextCursor cursor(m_contents.get());
    cursor.beginEditBlock();
    for (const Run &run : runs) {
        QTextCharFormat format;
        format.setFont(convert(run.font), QTextCharFormat::FontPropertiesAll);
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    m_settingContents = false;
    textDidChange();
}

void TDFillStyle::setBezierMode(bool on)
{
    if (on == m_bezierMode)
        return;
    m_bezierMode = on;
    invalidateTextLayout();
}

void TDFillStyle::setContainerSize(Size size)
{
    if (size == m_containerSize)
        return;
    m_containerSize = size;
    invalidateTextLayout();
}

void TDFillStyle::changedGeometry()
{
    TDGraphic *g = graphic();
    if (!m_contents || m_style != TextFill || !g)
        return;
    const std::shared_ptr<TDBezierPath> cached = g->cachedBezierPath();
    const AffineTransform linear = g->textTransformation().untranslatedTransformation();
    PathBase space;
    const std::optional<AffineTransform> inverse = linear.inverse();
    if (cached && inverse && invertibleLinear(linear)) {
        space.appendPath(*cached);
        space.setWindingRule(cached->windingRule());
        space.transform(*inverse);
    }
    const Rect bounds = space.bounds();
    m_textDrawAt = bounds.origin;
    space.transform(AffineTransform::makeTranslation(-bounds.minX(), -bounds.minY()));
    if (sameElements(space, m_textSpacePath))
        return;
    m_textSpacePath = space;
    *m_shape = TDShapeWalk(m_textSpacePath);
    if (m_bezierMode)
        m_containerSize = bounds.size;
    invalidateTextLayout();
}

const TDTextLayout &TDFillStyle::textLayout()
{
    if (!m_layout)
        m_layout = std::make_unique<TDTextLayout>();
    if (!m_contents) {
        m_layout->clear();
        return *m_layout;
    }
    changedGeometry();
    if (!m_layoutValid) {
        TDTextLayout::Container container;
        container.shape = m_bezierMode ? m_shape.get() : nullptr;
        container.size = m_bezierMode ? m_textSpacePath.bounds().size : m_containerSize;
        container.padding = m_padding;
        container.hyphenation = m_hyphenation;
        m_layout->layout(*m_contents, container);
        m_layoutValid = true;
    }
    return *m_layout;
}

void TDFillStyle::drawTextInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context, bool clip)
{
    const bool selected = view && view->graphicIsSelected(&graphic);
    const bool editing = view && view->graphicIsEditing(&graphic);
    if (!clip)
        context.save();
    if ((editing || selected) && !clip) {
        if (const std::shared_ptr<TDBezierPath> path = graphic.cachedBezierPath()) {
            context.setStrokeColor(Color::gray());
            LineStyle line;
            line.width = 1;
            context.setLineStyle(line);
            context.strokePath(*path, GraphicsContext::LineSource::Context);
        }
    }
    // While edited, the canvas's editor shows the text.
    if (editing && !clip) {
        context.restore();
        return;
    }
    changedGeometry();
    const TDTextLayout &layout = textLayout();
    const AffineTransform linear = graphic.textTransformation().untranslatedTransformation();
    if (!layout.isEmpty() && context.concatCTM(linear)) {
        if (clip) {
            PathBase outlines = layout.outlines();
            outlines.transform(AffineTransform::makeTranslation(m_textDrawAt.x, m_textDrawAt.y));
            context.addClip(outlines);
            // Undo the text transformation, keeping the clip.
            AffineTransform back = linear;
            back.invert();
            context.concatCTM(back);
        } else if (view && view->outlineView()) {
            LineStyle line;
            line.width = 1.0f / std::max(view->zoom(), 0.01f);
            context.setLineStyle(line);
            layout.draw(context, m_textDrawAt, TDTextLayout::Paint::Stroke);
        } else {
            const bool hairline = context.surfaceKind() == SurfaceKind::Raster && !selected;
            layout.draw(context, m_textDrawAt, hairline ? TDTextLayout::Paint::FillAndHairline : TDTextLayout::Paint::Fill);
        }
    }
    if (!clip)
        context.restore();
}

PathBase TDFillStyle::textOutlines()
{
    PathBase path;
    TDGraphic *g = graphic();
    if (!g || !m_contents)
        return path;
    changedGeometry();
    path = textLayout().outlines();
    AffineTransform t = AffineTransform::makeTranslation(m_textDrawAt.x, m_textDrawAt.y);
    t.append(g->textTransformation().untranslatedTransformation());
    path.transform(t);
    path.setWindingRule(WindingRule::NonZero);
    return path;
}

} // namespace scrivane
