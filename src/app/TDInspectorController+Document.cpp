// The layout and grid panes: page size, margins and grid of the inspected
// document.  None of these registers undo (they are settings of the
// document, not of the drawing).

#include "app/TDColorWell.h"
#include "app/TDGridPane.h"
#include "app/TDInspectorController.h"
#include "app/TDLayoutPane.h"
#include "app/UnitsTransformer.h"
#include "document/TDDocument.h"
#include "document/TDPrintInfo.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

namespace scrivane {

namespace {

// The largest paper side the document takes, in points.
constexpr double MaximumPaperSide = 100000;

// "2 pages", "1 page", and the same in the person's language.
bool endsInPages(const QString &text)
{
    const QString t = text.trimmed();
    for (const QString &word : {QStringLiteral("pages"), QStringLiteral("page"), TDInspectorController::tr("pages"),
                                TDInspectorController::tr("page")})
        if (t.endsWith(word, Qt::CaseInsensitive))
            return true;
    return false;
}

QString pagesText(int pages)
{
    return QStringLiteral("%1 %2").arg(pages).arg(pages < 2 ? TDInspectorController::tr("page")
                                                             : TDInspectorController::tr("pages"));
}

} // namespace

void TDInspectorController::connectDocumentPanes()
{
    TDLayoutPane &l = *m_layoutPane;
    onText(l.documentWidth, [this](const QString &t) { return documentWidth(t); });
    onText(l.documentHeight, [this](const QString &t) { return documentHeight(t); });
    on(l.documentSizeInPages, &QCheckBox::clicked, [this](bool on) { documentSizeInPages(on); });
    onText(l.documentMarginLeft, [this](const QString &t) { return documentMargin(Edge::Left, t); });
    onText(l.documentMarginRight, [this](const QString &t) { return documentMargin(Edge::Right, t); });
    onText(l.documentMarginTop, [this](const QString &t) { return documentMargin(Edge::Top, t); });
    onText(l.documentMarginBottom, [this](const QString &t) { return documentMargin(Edge::Bottom, t); });

    TDGridPane &g = *m_gridPane;
    on(g.documentGridColor, &TDColorWell::colorChanged, [this](const Color &c) { documentGridColor(c); });
    on(g.documentGridDraw, &QCheckBox::clicked, [this](bool on) { documentGridDraw(on); });
    on(g.documentGridFront, &QCheckBox::clicked, [this](bool on) { documentGridFront(on); });
    on(g.documentGridSnap, &QCheckBox::clicked, [this](bool on) { documentGridSnap(on); });
    on(g.documentGridAlign, &QCheckBox::clicked, [this](bool on) { documentGridAlign(on); });
    onText(g.documentGridSize, [this](const QString &t) { return documentGridSize(t); });
    on(g.documentGridSteps, &QSpinBox::valueChanged, [this](int v) { documentGridSteps(v); });
    on(g.documentGridStepsSlider, &QSlider::valueChanged, [this](int v) { documentGridSteps(v); });
}

void TDInspectorController::updateDocumentPanes()
{
    TDDocument *document = inspectingDocument();
    TDLayoutPane &l = *m_layoutPane;
    TDGridPane &g = *m_gridPane;
    const std::initializer_list<QWidget *> controls{
        l.documentWidth,      l.documentHeight,      l.documentMarginLeft,      l.documentMarginRight,
        l.documentMarginTop,  l.documentMarginBottom, g.documentGridColor,      g.documentGridDraw,
        g.documentGridFront,  g.documentGridSize,    g.documentGridSnap,        g.documentGridAlign,
        g.documentGridSteps,  g.documentGridStepsSlider};
    for (QWidget *control : controls)
        control->setEnabled(document != nullptr);
    l.documentSizeInPages->setEnabled(document != nullptr);
    if (!document)
        return;
    updatePageInfo();
    const QSignalBlocker b1(l.documentSizeInPages), b2(g.documentGridDraw), b3(g.documentGridFront),
        b4(g.documentGridSnap), b5(g.documentGridAlign), b6(g.documentGridSteps), b7(g.documentGridStepsSlider);
    l.documentSizeInPages->setChecked(document->sizeInPages());
    const TDPrintInfo &print = document->printInfo();
    show(l.documentMarginLeft, UnitsTransformer::transformedValue(print.leftMargin()));
    show(l.documentMarginRight, UnitsTransformer::transformedValue(print.rightMargin()));
    show(l.documentMarginTop, UnitsTransformer::transformedValue(print.topMargin()));
    show(l.documentMarginBottom, UnitsTransformer::transformedValue(print.bottomMargin()));
    show(g.documentGridSize, UnitsTransformer::transformedValue(document->gridSpacing()));
    g.documentGridColor->setColor(document->gridColor());
    g.documentGridDraw->setChecked(document->drawsGrid());
    g.documentGridFront->setChecked(document->drawsGridInFront());
    g.documentGridSnap->setChecked(document->snapToGrid());
    g.documentGridAlign->setChecked(document->gridPixelAligned());
    g.documentGridSteps->setValue(document->numberOfSubGrids());
    g.documentGridStepsSlider->setValue(document->numberOfSubGrids());
}

void TDInspectorController::updatePageInfo()
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return;
    if (document->sizeInPages()) {
        show(m_layoutPane->documentWidth, pagesText(document->pagesWide()));
        show(m_layoutPane->documentHeight, pagesText(document->pagesHigh()));
    } else {
        const Rect paper = document->paperBounds();
        show(m_layoutPane->documentWidth, UnitsTransformer::transformedValue(paper.width()));
        show(m_layoutPane->documentHeight, UnitsTransformer::transformedValue(paper.height()));
    }
}

bool TDInspectorController::documentSizeInPages(bool on)
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return false;
    // The check box turns it off as well as on.
    document->setSizeInPages(on);
    updatePageInfo();
    return true;
}

bool TDInspectorController::documentDimension(Axis axis, const QString &text)
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return false;
    const bool horizontal = axis == Axis::Horizontal;
    bool taken = false;
    if (document->sizeInPages()) {
        const std::optional<double> pages = UnitsTransformer::leadingNumber(text);
        if (pages && *pages >= 1 && *pages <= 1000 && *pages == std::floor(*pages)) {
            horizontal ? document->setPagesWide(int(*pages)) : document->setPagesHigh(int(*pages));
            taken = true;
        }
    } else {
        std::optional<double> points;
        if (endsInPages(text)) {
            const Rect page = document->pageBounds();
            if (const std::optional<double> count = UnitsTransformer::leadingNumber(text))
                points = *count * (horizontal ? page.width() : page.height());
        } else {
            points = UnitsTransformer::lengthFromText(text);
        }
        if (points && *points > 0 && *points <= MaximumPaperSide) {
            horizontal ? document->setWidth(float(*points)) : document->setHeight(float(*points));
            taken = true;
        }
    }
    updatePageInfo();
    return taken;
}

bool TDInspectorController::documentMargin(Edge edge, const QString &text)
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return false;
    const std::optional<double> points = UnitsTransformer::lengthFromText(text);
    if (!points || *points < 0)
        return false;
    TDPrintInfo print = document->printInfo();
    float left = print.leftMargin(), right = print.rightMargin(), top = print.topMargin(),
          bottom = print.bottomMargin();
    switch (edge) {
    case Edge::Left:
        left = float(*points);
        break;
    case Edge::Right:
        right = float(*points);
        break;
    case Edge::Top:
        top = float(*points);
        break;
    case Edge::Bottom:
        bottom = float(*points);
        break;
    }
    // A page needs at least one point between its margins.
    const Size paper = print.paperSize();
    if (double(left) + right > paper.width - 1 || double(top) + bottom > paper.height - 1)
        return false;
    print.setMargins(left, right, top, bottom);
    document->setPrintInfo(print);
    updatePageInfo();
    return true;
}

bool TDInspectorController::withDocument(const std::function<void(TDDocument &)> &change)
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return false;
    change(*document);
    return true;
}

bool TDInspectorController::documentGridColor(const Color &color)
{
    return withDocument([&](TDDocument &document) { document.setGridColor(color); });
}

bool TDInspectorController::documentGridDraw(bool on)
{
    return withDocument([&](TDDocument &document) { document.setDrawsGrid(on); });
}

bool TDInspectorController::documentGridFront(bool on)
{
    return withDocument([&](TDDocument &document) { document.setDrawsGridInFront(on); });
}

bool TDInspectorController::documentGridSnap(bool on)
{
    return withDocument([&](TDDocument &document) { document.setGridSnap(on); });
}

bool TDInspectorController::documentGridAlign(bool on)
{
    return withDocument([&](TDDocument &document) { document.setGridPixelAligned(on); });
}

bool TDInspectorController::documentGridSize(const QString &text)
{
    TDDocument *document = inspectingDocument();
    const std::optional<double> points = UnitsTransformer::lengthFromText(text);
    if (!document || !points || *points <= 0 || *points > MaximumPaperSide)
        return false;
    document->setGridSpacing(float(*points));
    return true;
}

bool TDInspectorController::documentGridSteps(int steps)
{
    TDDocument *document = inspectingDocument();
    if (!document)
        return false;
    document->setNumberOfSubGrids(steps);
    const QSignalBlocker b1(m_gridPane->documentGridSteps), b2(m_gridPane->documentGridStepsSlider);
    m_gridPane->documentGridSteps->setValue(document->numberOfSubGrids());
    m_gridPane->documentGridStepsSlider->setValue(document->numberOfSubGrids());
    return true;
}

} // namespace scrivane
