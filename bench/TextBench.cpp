// Text: 10,000 characters laid out inside an oval (every line asking the
// shape walk for its fragment; also with hyphenation), 2,000 glyphs set along a curve and drawn,
// and one keystroke in a 10,000-character box that grows with its text (the
// layout redone to find the box's new size; it must stay under 16 ms).

#include "BenchSupport.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDRectangle.h"
#include "model/TDShapeWalk.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "platform/GraphicsContext.h"

#include <QImage>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace scrivane;

namespace {

const QString ShortWords =
    QStringLiteral("The quick brown fox jumps over the lazy dog while the cat sleeps by the fire. ");
// Words that the hyphenation patterns break.
const QString LongWords = QStringLiteral("Extraordinary internationalization characteristically demonstrates "
                                         "incomprehensible administrative responsibilities. ");

QString words(long characters, const QString &sentence = ShortWords)
{
    QString text;
    while (text.size() < characters)
        text += sentence;
    text.truncate(characters);
    return text;
}

void fill(QTextDocument &document, long characters, const QString &sentence = ShortWords)
{
    TDAttributedText::prepare(document);
    QTextCharFormat format = TDAttributedText::defaultCharFormat();
    format.setFontPointSize(9);
    QTextCursor(&document).insertText(words(characters, sentence), format);
}

void layoutInOval(benchmark::State &state, const QString &sentence, float hyphenation)
{
    bench::ensureApplication();
    const long characters = bench::size(10000, 500);
    QTextDocument document;
    fill(document, characters, sentence);
    PathBase oval;
    oval.appendOvalInRect(Rect(0, 0, 700, 700));
    const TDShapeWalk walk(oval);
    TDTextLayout layout;
    TDTextLayout::Container container;
    container.shape = &walk;
    container.size = Size(700, 700);
    container.padding = 5;
    container.hyphenation = hyphenation;
    for (auto _ : state) {
        layout.layout(document, container);
        benchmark::DoNotOptimize(layout.lineCount());
    }
    state.counters["lines"] = layout.lineCount();
    state.counters["characters"] = double(layout.laidOutCharacters());
    state.counters["hyphens"] = layout.hyphenCount();
}

void BM_TextLayoutInShape(benchmark::State &state)
{
    layoutInOval(state, ShortWords, 0);
}
BENCHMARK(BM_TextLayoutInShape)->Unit(benchmark::kMillisecond);

// Long words, laid out plainly and with hyphenation whenever a line is not
// full: each line that could take part of the next word lays its paragraph
// out again (one paragraph here, the worst case).
void BM_TextLayoutLongWords(benchmark::State &state)
{
    layoutInOval(state, LongWords, 0);
}
BENCHMARK(BM_TextLayoutLongWords)->Unit(benchmark::kMillisecond);

void BM_TextLayoutHyphenated(benchmark::State &state)
{
    layoutInOval(state, LongWords, 1);
}
BENCHMARK(BM_TextLayoutHyphenated)->Unit(benchmark::kMillisecond);

void BM_TextOnPath(benchmark::State &state)
{
    bench::ensureApplication();
    const long glyphs = bench::size(2000, 100);
    // A wide spiral long enough for every glyph at 6 points.
    PathBase spiral;
    spiral.moveTo(Point(1000, 1000));
    for (int i = 1; i <= 400; ++i) {
        const float a = float(i) * 0.2f, r = 40 + float(i) * 2.2f;
        spiral.lineTo(Point(1000 + r * std::cos(a), 1000 + r * std::sin(a)));
    }
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setDocumentPath(std::make_shared<TDBezierPath>(spiral));
    graphic->fillStyle()->setStyle(TDFillStyle::None);
    graphic->strokeStyle()->setStyle(TDStrokeStyle::TextStroke);
    graphic->strokeStyle()->setStrokeWidth(0.5f);
    graphic->strokeStyle()->setText(words(glyphs));
    QImage image(2000, 2000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        auto context = GraphicsContext::forImage(image, true);
        graphic->drawInView(nullptr, *context);
        context->flush();
    }
}
BENCHMARK(BM_TextOnPath)->Unit(benchmark::kMillisecond);

void BM_TypingAutoSize(benchmark::State &state)
{
    bench::ensureApplication();
    const long characters = bench::size(10000, 500);
    auto box = std::make_shared<TDRectangle>();
    box->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 10, 15)));
    box->fillStyle()->setStyle(TDFillStyle::TextFill);
    QTextDocument text;
    fill(text, characters);
    box->fillStyle()->setContents(text);
    box->fillStyle()->setBezierMode(false);
    QTextCursor cursor(box->fillStyle()->contents());
    cursor.movePosition(QTextCursor::End);
    int typed = 0;
    for (auto _ : state) {
        // One key: a character typed, then the box's new size.
        cursor.insertText((++typed % 20) ? QStringLiteral("a") : QStringLiteral(" "));
        benchmark::DoNotOptimize(box->requiredSize(1.0e6f));
    }
}
BENCHMARK(BM_TypingAutoSize)->Unit(benchmark::kMillisecond);

} // namespace
