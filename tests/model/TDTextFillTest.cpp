// Text inside a shape: its stored form, its layout in the shape, its pixels
// and its PDF text, with the pinned test font.

#include "ModelTestDoubles.h"
#include "ShapeTestDoubles.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "platform/ArchivedColor.h"
#include "platform/GraphicsContext.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Hyphenator.h"

#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

namespace {

const QString Words = QStringLiteral(
    "The quick brown fox jumps over the lazy dog while the cat sleeps by the warm fire and the birds sing "
    "their morning songs in the tall old trees beside the quiet river that winds through the valley.");

// A shape whose fill is text in DejaVu Sans of `size` points, black, no
// stroke, no padding.
std::shared_ptr<TestShape> textShape(const PathBase &path, const QString &text, double size = 12,
                                     const QColor &color = Qt::black)
{
    auto shape = TestShape::withPath(path);
    shape->strokeStyle()->setStyle(TDStrokeNone);
    shape->fillStyle()->setStyle(TDFillText);
    shape->fillStyle()->setLineFragmentPadding(0);
    QTextDocument document;
    TDAttributedText::prepare(document);
    QTextCharFormat format = TDAttributedText::defaultCharFormat();
    format.setFontPointSize(size);
    format.setForeground(color);
    QTextCursor(&document).insertText(text, format);
    shape->fillStyle()->setContents(document);
    return shape;
}

PathBase rectPath(const Rect &r)
{
    PathBase p;
    p.appendRect(r);
    return p;
}

PathBase ovalPath(const Rect &r)
{
    PathBase p;
    p.appendOvalInRect(r);
    return p;
}

bool painted(const QImage &image, int x, int y)
{
    return pixelAt(image, x, y).a > 0;
}

int paintedCount(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += painted(image, x, y) ? 1 : 0;
    return n;
}

QImage drawn(TDGraphic &graphic, int width, int height)
{
    return renderImage(width, height, [&](GraphicsContext &context) { graphic.drawInView(nullptr, context); });
}

} // namespace

TEST(TDTextFill, TheTestFontIsDejaVu)
{
    EXPECT_EQ(QFontInfo(TDAttributedText::defaultFont()).family(), QStringLiteral("DejaVu Sans"));
}

TEST(TDTextFill, StyledTextSurvivesItsArchive)
{
    QTextDocument document;
    TDAttributedText::prepare(document);
    QTextCursor cursor(&document);
    QTextCharFormat plain = TDAttributedText::defaultCharFormat();
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    bold.setFontItalic(true);
    bold.setFontPointSize(20.5);
    bold.setForeground(QColor(255, 0, 0));
    bold.setBackground(QColor(0, 0, 255));
    bold.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    bold.setFontLetterSpacing(1.5);
    bold.setProperty(TDAttributedText::BaselineOffset, 3.0);
    cursor.insertText(QStringLiteral("plain "), plain);
    cursor.insertText(QStringLiteral("bold"), bold);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setProperty(TDAttributedText::LineHeightMultiple, 1.5);
    cursor.insertBlock(centred, plain);
    cursor.insertText(QStringLiteral("second"), plain);

    const auto data = TDAttributedText::archive(document);
    ASSERT_TRUE(data);
    QTextDocument read;
    QString error;
    ASSERT_TRUE(TDAttributedText::unarchive(*data, read, &error)) << error.toStdString();
    EXPECT_EQ(read.toPlainText(), QStringLiteral("plain bold\nsecond"));
    QTextCursor at(&read);
    at.setPosition(8);
    const QTextCharFormat f = at.charFormat();
    EXPECT_EQ(f.fontWeight(), QFont::Bold);
    EXPECT_TRUE(f.fontItalic());
    EXPECT_DOUBLE_EQ(f.fontPointSize(), 20.5);
    EXPECT_EQ(f.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(f.background().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(f.fontLetterSpacing(), 1.5);
    EXPECT_DOUBLE_EQ(f.doubleProperty(TDAttributedText::BaselineOffset), 3.0);
    at.setPosition(3);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Normal);
    const QTextBlock second = read.begin().next();
    EXPECT_EQ(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(TDAttributedText::lineHeightMultiple(second.blockFormat()), 1.5);
    // And written again it is the same archive.
    EXPECT_EQ(TDAttributedText::archive(read), data);
}

// The form older documents and the PDF importer hold: one run of
// attributes with a font object.
class OldFont : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("NSFont"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList(QStringLiteral("DejaVuSans-Bold")), QStringLiteral("NSName"));
        archiver.encodeDouble(18, QStringLiteral("NSSize"));
        archiver.encodeObject(PropertyList(QStringLiteral("DejaVu Sans")), QStringLiteral("NSFamily"));
    }
};

class OldText : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("NSAttributedString"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList(QStringLiteral("old text")), QStringLiteral("NSString"));
        PropertyList attributes{PropertyList::Dictionary()};
        attributes.insert(QStringLiteral("NSFont"), PropertyList(std::make_shared<OldFont>()));
        attributes.insert(QStringLiteral("NSColor"), ArchivedColor::value(Color::calibratedRGB(0, 1, 0)));
        attributes.insert(QStringLiteral("NSLigature"), 2);
        archiver.encodeObject(attributes, QStringLiteral("NSAttributes"));
    }
};

TEST(TDTextFill, OlderTextIsReadAndItsUnknownAttributesAreKept)
{
    const auto data = KeyedArchiver::archivedData(PropertyList(std::make_shared<OldText>()));
    ASSERT_TRUE(data);
    QTextDocument read;
    ASSERT_TRUE(TDAttributedText::unarchive(*data, read));
    EXPECT_EQ(read.toPlainText(), QStringLiteral("old text"));
    QTextCursor at(&read);
    at.setPosition(2);
    EXPECT_EQ(at.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("DejaVu Sans")});
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(at.charFormat().fontPointSize(), 18);
    EXPECT_EQ(at.charFormat().foreground().color(), QColor(0, 255, 0));

    // Written in this system's form, the ligature setting is still there.
    const auto again = TDAttributedText::archive(read);
    ASSERT_TRUE(again);
    const auto root = KeyedUnarchiver::unarchive(*again);
    ASSERT_TRUE(root);
    const auto placeholder = root->objectAs<EncodedDictionary>();
    ASSERT_TRUE(placeholder);
    PropertyList runs;
    for (const ArchivedEntry &e : placeholder->entries())
        if (e.key == QLatin1String("TDRuns"))
            runs = e.value;
    ASSERT_TRUE(runs.isArray());
    ASSERT_EQ(runs.toArray().size(), 1u);
    EXPECT_EQ(runs.toArray()[0].value(QStringLiteral("NSLigature")).toInteger(), 2);
}

TEST(TDTextFill, JunkIsNoTextAndLeavesTheDocumentAlone)
{
    QTextDocument read;
    read.setPlainText(QStringLiteral("kept"));
    QString error;
    EXPECT_FALSE(TDAttributedText::unarchive(QByteArray("junk"), read, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(read.toPlainText(), QStringLiteral("kept"));
}

TEST(TDTextFill, TheFillDictionaryKeepsTextAndSettings)
{
    auto shape = textShape(rectPath(Rect(0, 0, 100, 50)), QStringLiteral("hello"));
    shape->fillStyle()->setLineFragmentPadding(3);
    shape->fillStyle()->setHyphenation(0.5f);
    shape->fillStyle()->setTextBackground(true);
    const PropertyList dictionary = shape->fillStyle()->toYAML();
    const auto read = TDFillStyle::objectWithYAML(dictionary);
    ASSERT_TRUE(read->hasText());
    EXPECT_EQ(read->contents()->toPlainText(), QStringLiteral("hello"));
    EXPECT_FLOAT_EQ(read->lineFragmentPadding(), 3);
    EXPECT_FLOAT_EQ(read->hyphenation(), 0.5f);
    EXPECT_TRUE(read->textBackground());
    EXPECT_EQ(read->toYAML(), dictionary);
}

TEST(TDTextFill, UnreadableStoredTextIsWrittenBackUnchanged)
{
    PropertyList fill{PropertyList::Dictionary()};
    fill.insert(QStringLiteral("FillStyle"), TDFillStyle::TextFill);
    fill.insert(QStringLiteral("FillTextKey"), PropertyList(QByteArray("not an archive")));
    fill.insert(QStringLiteral("FillText"), PropertyList(QByteArray("typedstream")));
    const auto style = TDFillStyle::objectWithYAML(fill);
    const PropertyList written = style->toYAML();
    EXPECT_EQ(written.value(QStringLiteral("FillTextKey")).toData(), QByteArray("not an archive"));
    EXPECT_EQ(written.value(QStringLiteral("FillText")).toData(), QByteArray("typedstream"));
}

TEST(TDTextFill, TextInARectangleStartsOnePointBelowTheTopAndWraps)
{
    auto shape = textShape(rectPath(Rect(0, 0, 120, 200)), Words);
    const TDTextLayout &layout = shape->fillStyle()->textLayout();
    ASSERT_GT(layout.lineCount(), 3);
    EXPECT_NEAR(layout.usedRect().minY(), 1, 0.01);
    EXPECT_LE(layout.usedRect().maxX(), 120.01);
    EXPECT_EQ(layout.laidOutCharacters(), Words.size());
}

TEST(TDTextFill, TextThatDoesNotFitIsNotShown)
{
    auto shape = textShape(rectPath(Rect(0, 0, 120, 40)), Words);
    const TDTextLayout &layout = shape->fillStyle()->textLayout();
    EXPECT_EQ(layout.lineCount(), 2); // 12-point DejaVu lines are 14 high
    EXPECT_LT(layout.laidOutCharacters(), Words.size());
}

TEST(TDTextFill, NoGlyphPixelsOutsideAnOval)
{
    const Rect box(10, 10, 180, 120);
    auto shape = textShape(ovalPath(box), Words + Words, 11);
    const QImage image = drawn(*shape, 200, 140);
    ASSERT_GT(paintedCount(image), 500);
    const PathBase oval = ovalPath(box);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!painted(image, x, y))
                continue;
            // A pixel touched by a glyph has at least one corner inside.
            const bool inside = oval.containsPoint(Point(x, y)) || oval.containsPoint(Point(x + 1, y)) ||
                                oval.containsPoint(Point(x, y + 1)) || oval.containsPoint(Point(x + 1, y + 1));
            ASSERT_TRUE(inside) << x << ", " << y;
        }
    }
}

TEST(TDTextFill, NoGlyphPixelsInsideTheHoleOfARing)
{
    PathBase ring = rectPath(Rect(0, 0, 200, 200));
    ring.appendPath(rectPath(Rect(60, 60, 80, 80)));
    ring.setWindingRule(WindingRule::EvenOdd);
    auto shape = textShape(ring, Words + Words + Words, 10);
    const QImage image = drawn(*shape, 200, 200);
    ASSERT_GT(paintedCount(image), 500);
    int inHole = 0, besideHole = 0;
    for (int y = 61; y < 139; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (!painted(image, x, y))
                continue;
            if (x >= 61 && x < 139)
                ++inHole;
            else
                ++besideHole;
        }
    }
    EXPECT_EQ(inHole, 0);
    EXPECT_GT(besideHole, 100); // lines go on left and right of the hole
}

TEST(TDTextFill, TheLayoutIsKeptAcrossPaintsAndRedoneWhenTheShapeChanges)
{
    auto shape = textShape(rectPath(Rect(0, 0, 120, 100)), Words);
    const TDTextLayout *layout = &shape->fillStyle()->textLayout();
    const quint64 first = layout->generation();
    drawn(*shape, 130, 110);
    drawn(*shape, 130, 110);
    EXPECT_EQ(shape->fillStyle()->textLayout().generation(), first);
    shape->setTransformation(AffineTransform::makeScale(2, 1));
    drawn(*shape, 130, 110);
    EXPECT_GT(shape->fillStyle()->textLayout().generation(), first);
    const quint64 second = shape->fillStyle()->textLayout().generation();
    QTextCursor(shape->fillStyle()->contents()).insertText(QStringLiteral("more "));
    drawn(*shape, 130, 110);
    EXPECT_GT(shape->fillStyle()->textLayout().generation(), second);
}

TEST(TDTextFill, OutlinesCoincideWithTheDrawnText)
{
    auto shape = textShape(rectPath(Rect(5, 5, 190, 90)), Words, 14);
    shape->setTextTransformation(AffineTransform::makeRotationByDegrees(10));
    const QImage text = drawn(*shape, 200, 120);
    const TDBezierPath outlines = shape->convertTextToBezier();
    const QImage filled = renderImage(200, 120, [&](GraphicsContext &context) {
        context.setFillColor(Color::black());
        context.fillPath(outlines);
    });
    ASSERT_GT(solidPixels(text), 300);
    EXPECT_EQ(pixelsApart(text, filled), 0);
}

namespace {

const QString LongWords = QStringLiteral(
    "An extraordinary internationalization characteristically demonstrates incomprehensibilities "
    "of administrative responsibilities.");

} // namespace

TEST(TDTextFill, HyphenationFillsEmptyLinesWithoutTouchingTheText)
{
    if (!Hyphenator::forLanguage())
        GTEST_SKIP() << "no hyphenation patterns installed (scripts/install-deps installs them)";
    auto shape = textShape(rectPath(Rect(0, 0, 110, 400)), LongWords);
    const int plainLines = shape->fillStyle()->textLayout().lineCount();
    EXPECT_EQ(shape->fillStyle()->textLayout().hyphenCount(), 0);

    shape->fillStyle()->setHyphenation(1);
    const TDTextLayout &layout = shape->fillStyle()->textLayout();
    EXPECT_GT(layout.hyphenCount(), 0);
    EXPECT_LE(layout.lineCount(), plainLines);
    EXPECT_LE(layout.usedRect().maxX(), 110.01);
    EXPECT_EQ(layout.laidOutCharacters(), LongWords.size());
    EXPECT_EQ(shape->fillStyle()->contents()->toPlainText(), LongWords);

    // A line fuller than the factor asks for is left as it is.
    shape->fillStyle()->setHyphenation(0.05f);
    EXPECT_EQ(shape->fillStyle()->textLayout().hyphenCount(), 0);
}

TEST(TDTextFill, PositionsOfHyphenatedTextAreTheDocumentsOwn)
{
    if (!Hyphenator::forLanguage())
        GTEST_SKIP() << "no hyphenation patterns installed";
    auto shape = textShape(rectPath(Rect(0, 0, 110, 400)), LongWords);
    shape->fillStyle()->setHyphenation(1);
    const TDTextLayout &layout = shape->fillStyle()->textLayout();
    ASSERT_GT(layout.hyphenCount(), 0);
    // Every position has a caret, and a click on the caret finds the
    // position again; a whole selection covers every line.
    for (int position = 0; position <= LongWords.size(); ++position) {
        const std::optional<Rect> caret = layout.caretRect(position);
        ASSERT_TRUE(caret) << position;
        const Point middle(caret->minX() + 0.01f, caret->minY() + caret->height() / 2);
        EXPECT_EQ(layout.positionAt(middle), position) << position;
    }
    EXPECT_EQ(int(layout.selectionRects(0, int(LongWords.size())).size()), layout.lineCount());
}

TEST(TDTextFill, TextRunsShowHyphensOnlyWhereLinesBreak)
{
    if (!Hyphenator::forLanguage())
        GTEST_SKIP() << "no hyphenation patterns installed";
    auto shape = textShape(rectPath(Rect(0, 0, 110, 400)), LongWords);
    shape->fillStyle()->setHyphenation(1);
    const TDTextLayout &layout = shape->fillStyle()->textLayout();
    ASSERT_GT(layout.hyphenCount(), 0);
    QString shown;
    int hyphenated = 0;
    for (const TDTextLayout::TextRun &run : layout.textRuns()) {
        EXPECT_FALSE(run.text.contains(QChar(0x00AD)));
        ASSERT_FALSE(run.stops.empty());
        EXPECT_EQ(run.stops.back().first, run.text.size());
        QString text = run.text;
        // A run ending a line broken inside a word shows the hyphen.
        if (text.endsWith(QLatin1Char('-')) && !LongWords.contains(text)) {
            ++hyphenated;
            text.chop(1);
        }
        shown += text;
    }
    EXPECT_EQ(hyphenated, layout.hyphenCount());
    EXPECT_EQ(shown, LongWords);
}

TEST(TDTextFill, HyphenatedTextDrawsWithinItsShape)
{
    if (!Hyphenator::forLanguage())
        GTEST_SKIP() << "no hyphenation patterns installed";
    const Rect box(10, 10, 100, 300);
    auto shape = textShape(rectPath(box), LongWords);
    shape->fillStyle()->setHyphenation(1);
    const QImage image = drawn(*shape, 130, 320);
    ASSERT_GT(paintedCount(image), 300);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (painted(image, x, y)) {
                ASSERT_TRUE(x >= 9 && x <= 111) << x << ", " << y;
            }
        }
    }
}

TEST(TDTextFill, ChangeFontConvertsEveryRunOnceAndUndoesInOneStep)
{
    ShapeScene scene;
    auto shape = scene.add(textShape(rectPath(Rect(0, 0, 300, 100)), QString()));
    QTextDocument text;
    TDAttributedText::prepare(text);
    QTextCursor cursor(&text);
    for (const double size : {10.0, 20.0, 30.0, 10.0}) {
        QTextCharFormat format = TDAttributedText::defaultCharFormat();
        format.setFontPointSize(size);
        cursor.insertText(QStringLiteral("ab "), format);
    }
    shape->fillStyle()->setContents(text);
    scene.document.undo().removeAllActions();
    // Doubling makes neighbouring runs alike, which joins them while the
    // change goes on.
    shape->fillStyle()->changeFont([](const QFont &font) {
        QFont f = font;
        f.setPointSizeF(font.pointSizeF() == 10 ? 20 : font.pointSizeF() * 2);
        return f;
    });
    const auto sizeAt = [&](int position) {
        QTextCursor c(shape->fillStyle()->contents());
        c.setPosition(position + 1);
        return c.charFormat().font().pointSizeF();
    };
    EXPECT_EQ(sizeAt(0), 20);
    EXPECT_EQ(sizeAt(3), 40);
    EXPECT_EQ(sizeAt(6), 60);
    EXPECT_EQ(sizeAt(9), 20);
    scene.document.undo().undo();
    EXPECT_EQ(sizeAt(0), 10);
    EXPECT_EQ(sizeAt(6), 30);
}

TEST(TDTextFill, ExportedPdfHoldsTheTextAsText)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("text.pdf"));
    auto shape = textShape(rectPath(Rect(10, 10, 300, 100)), QStringLiteral("Searchable words here"), 14);
    {
        auto context = GraphicsContext::forPdfFile(pdf, Size(320, 120), true);
        ASSERT_TRUE(context);
        shape->drawInView(nullptr, *context);
        ASSERT_TRUE(context->finish());
    }
    QProcess process;
    process.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).contains(QStringLiteral("Searchable words here")));
}

struct RequiredSizeRow {
    const char *name;
    QString text;
    float widthLimit;
    float minWidth, maxWidth, height; // expected
};

class RequiredSizeTable : public ::testing::TestWithParam<RequiredSizeRow> {};

TEST_P(RequiredSizeTable, IsTheUsedAreaPlusAMarginNeverBelowTheMinimum)
{
    const RequiredSizeRow &row = GetParam();
    auto shape = textShape(rectPath(Rect(0, 0, 10, 15)), row.text);
    shape->fillStyle()->setBezierMode(false);
    const Size size = shape->requiredSize(row.widthLimit);
    EXPECT_GE(size.width, row.minWidth);
    EXPECT_LE(size.width, row.maxWidth);
    EXPECT_NEAR(size.height, row.height, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RequiredSizeTable,
    ::testing::Values(
        // DejaVu Sans 12 pt: lines 14 high (+1 top inset is not used in a
        // plain box), so one line needs 14 + 3.
        RequiredSizeRow{"empty_text_is_the_minimum", QString(), 1e6f, 10, 10, 15},
        RequiredSizeRow{"one_letter_is_at_least_the_minimum_width", QStringLiteral("i"), 1e6f, 10, 10, 17},
        RequiredSizeRow{"a_word_is_its_width_plus_one", QStringLiteral("Scrivane"), 1e6f, 50, 70, 17},
        RequiredSizeRow{"two_paragraphs_are_two_lines", QStringLiteral("one\ntwo"), 1e6f, 20, 40, 31},
        RequiredSizeRow{"a_narrow_limit_wraps", QStringLiteral("aaa bbb ccc"), 30, 10, 31, 3 * 14 + 3},
        RequiredSizeRow{"an_unlimited_width_is_clamped", QStringLiteral("wide"), INFINITY, 20, 40, 17}),
    [](const ::testing::TestParamInfo<RequiredSizeRow> &info) { return std::string(info.param.name); });
