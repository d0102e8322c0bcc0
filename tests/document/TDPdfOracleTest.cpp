// The importer against poppler: pages written by cairo and by Qt's PDF
// writer are imported, the graphics drawn, and the pixels compared with
// the page as pdftoppm renders it.  EPS pictures go through Ghostscript.

#include "PdfTestSupport.h"

#include "document/TDGhostscript.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPdfImporter.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "document/TDDocument.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QBuffer>
#include <QLinearGradient>

#include <cairo.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::pdftest;

namespace {

constexpr double Width = 200;
constexpr double Height = 160;

void shapes(cairo_t *cr)
{
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 10, 10, 60, 40);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0.5, 0);
    cairo_set_line_width(cr, 6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 90, 20);
    cairo_line_to(cr, 150, 60);
    cairo_line_to(cr, 180, 20);
    cairo_stroke(cr);
    const double dash[] = {8, 4};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 10, 75);
    cairo_line_to(cr, 190, 75);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_source_rgb(cr, 0.1, 0.2, 0.8);
    cairo_move_to(cr, 20, 140);
    cairo_curve_to(cr, 60, 90, 100, 190, 140, 100);
    cairo_close_path(cr);
    cairo_fill(cr);
    // An even-odd star: its middle stays empty.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_source_rgb(cr, 0.9, 0.6, 0);
    for (int i = 0; i < 5; ++i) {
        const double angle = -M_PI / 2 + i * 4 * M_PI / 5;
        const double x = 165 + 28 * std::cos(angle);
        const double y = 120 + 28 * std::sin(angle);
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
}

void gradients(cairo_t *cr)
{
    cairo_pattern_t *linear = cairo_pattern_create_linear(10, 0, 110, 0);
    cairo_pattern_add_color_stop_rgb(linear, 0, 1, 0, 0);
    cairo_pattern_add_color_stop_rgb(linear, 1, 0, 0, 1);
    cairo_set_source(cr, linear);
    cairo_rectangle(cr, 10, 10, 100, 60);
    cairo_fill(cr);
    cairo_pattern_destroy(linear);
    cairo_pattern_t *radial = cairo_pattern_create_radial(140, 110, 0, 140, 110, 40);
    cairo_pattern_add_color_stop_rgb(radial, 0, 1, 1, 0);
    cairo_pattern_add_color_stop_rgb(radial, 1, 0, 0.5, 0);
    cairo_set_source(cr, radial);
    cairo_arc(cr, 140, 110, 40, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(radial);
}

void clipped(cairo_t *cr)
{
    cairo_arc(cr, 100, 80, 60, 0, 2 * M_PI);
    cairo_clip(cr);
    for (int i = 0; i < 10; ++i) {
        cairo_set_source_rgb(cr, i % 2, 0.3, 1 - i % 2);
        cairo_rectangle(cr, i * 20, 0, 20, Height);
        cairo_fill(cr);
    }
}

void transparent(cairo_t *cr)
{
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 20, 20, 100, 100);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 1, 0, 0, 0.5);
    cairo_rectangle(cr, 70, 50, 100, 80);
    cairo_fill(cr);
    // A group painted at half opacity.
    cairo_push_group(cr);
    cairo_set_source_rgb(cr, 0, 0.6, 0);
    cairo_rectangle(cr, 10, 100, 60, 40);
    cairo_fill(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.5);
}

void picture(cairo_t *cr)
{
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 30);
    cairo_t *ic = cairo_create(image);
    for (int y = 0; y < 30; y += 10) {
        for (int x = 0; x < 40; x += 10) {
            cairo_set_source_rgba(ic, x / 40.0, y / 30.0, 0.5, (x + y) % 20 == 0 ? 1.0 : 0.6);
            cairo_rectangle(ic, x, y, 10, 10);
            cairo_fill(ic);
        }
    }
    cairo_destroy(ic);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    cairo_rectangle(cr, 0, 0, Width, Height);
    cairo_fill(cr);
    cairo_set_source_surface(cr, image, 30, 40);
    cairo_paint(cr);
    cairo_surface_destroy(image);
}

// A page written by Qt's PDF writer.
QByteArray qtPdf()
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QSizeF(Width, Height), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(QRectF(10, 10, 80, 50), QColor(200, 30, 30));
        painter.setPen(QPen(QColor(20, 20, 160), 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(110, 20, 70, 50));
        QLinearGradient gradient(QPointF(10, 0), QPointF(190, 0));
        gradient.setColorAt(0, Qt::yellow);
        gradient.setColorAt(1, Qt::darkGreen);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawRect(QRectF(10, 90, 180, 50));
    }
    return data;
}

struct Scene {
    const char *name;
    QByteArray pdf;
    double allowed;
};

} // namespace

TEST(TDPdfOracle, ImportedPagesDrawAsPopplerRendersThem)
{
    if (pdftoppm(cairoPdf(10, 10, [](cairo_t *) {})).isNull())
        GTEST_SKIP() << "pdftoppm is not installed";
    const Scene scenes[] = {
        {"shapes", cairoPdf(Width, Height, shapes), 0.02},
        {"gradients", cairoPdf(Width, Height, gradients), 0.02},
        {"clip", cairoPdf(Width, Height, clipped), 0.02},
        {"transparency", cairoPdf(Width, Height, transparent), 0.02},
        {"picture", cairoPdf(Width, Height, picture), 0.02},
        {"Qt's writer", qtPdf(), 0.02},
    };
    for (const Scene &scene : scenes) {
        const QImage expected = pdftoppm(scene.pdf);
        ASSERT_FALSE(expected.isNull()) << scene.name;
        const TDGraphicArray graphics = import(scene.pdf);
        ASSERT_FALSE(graphics.empty()) << scene.name;
        const QImage actual = render(graphics, Rect(0, 0, float(Width), float(Height)));
        ASSERT_EQ(actual.size(), expected.size()) << scene.name;
        const double share = differingShare(actual, expected, 48);
        EXPECT_LT(share, scene.allowed) << scene.name;
        if (share >= scene.allowed) {
            expected.save(QStringLiteral("/tmp/oracle-%1-poppler.png").arg(QLatin1String(scene.name)));
            actual.save(QStringLiteral("/tmp/oracle-%1-imported.png").arg(QLatin1String(scene.name)));
        }
    }
}

TEST(TDPdfOracle, EpsPictureIsImportedThroughGhostscript)
{
    if (TDGhostscript::program().isEmpty())
        GTEST_SKIP() << "Ghostscript is not installed";
    const QByteArray eps = cairoEps(120, 80, [](cairo_t *cr) {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 10, 10, 50, 30);
        cairo_fill(cr);
    });
    const auto size = TDGhostscript::boundingBoxSize(eps);
    ASSERT_TRUE(size);
    TDGlobalImageStore &store = TDGlobalImageStore::instance();
    const QString key = store.addGlobalImage(eps, QString(), QStringLiteral("eps"), nullptr);
    ASSERT_NE(key, "!");
    EXPECT_FLOAT_EQ(store.entry(key)->size.width, size->width);
    QString error;
    const auto pdf = store.pdfData(key, &error);
    ASSERT_TRUE(pdf) << error.toStdString();
    const auto graphics = TDPdfImporter::graphicsForFirstPage(
        *pdf, TDGraphic::transformForBounds(Rect(0, 0, size->width, size->height)), &error);
    ASSERT_TRUE(graphics) << error.toStdString();
    // The red rectangle, where cairo drew it within the bounding box.
    bool found = false;
    std::function<void(const TDGraphicArray &)> look = [&](const TDGraphicArray &list) {
        for (const TDGraphicPtr &g : list) {
            if (auto group = std::dynamic_pointer_cast<TDGroup>(g))
                look(group->graphics());
            else if (g->fillStyle()->style() == TDFillStyle::ColorFill &&
                     g->fillStyle()->color().redComponent() > 0.9 && g->fillStyle()->color().greenComponent() < 0.1)
                found = std::fabs(g->bounds().width() - 50) < 1 && std::fabs(g->bounds().height() - 30) < 1;
        }
    };
    look(*graphics);
    EXPECT_TRUE(found);

    // PostScript that is no picture fails with Ghostscript's reason.
    const QString bad = store.addGlobalImage("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nthis is not postscript\n",
                                             QString(), QStringLiteral("eps"), nullptr);
    EXPECT_FALSE(store.pdfData(bad, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(TDPdfOracle, PdfAndEpsPicturesDrawTheirFirstPageWhereTheyArePlaced)
{
    const auto squares = [](cairo_t *cr) {
        // The whole page is inked, so that the EPS bounding box is the page.
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.8);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, 60, 40);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, 60, 40, 60, 40);
        cairo_fill(cr);
        shapes(cr);
    };
    const QByteArray pdf = cairoPdf(Width, Height, squares);
    struct Case {
        const char *name;
        QByteArray data;
        QString extension;
    };
    std::vector<Case> cases{{"pdf", pdf, QStringLiteral("pdf")}};
    if (!TDGhostscript::program().isEmpty())
        cases.push_back({"eps", cairoEps(Width, Height, squares), QStringLiteral("eps")});
    const QImage expected = pdftoppm(pdf);
    for (const Case &c : cases) {
        TDDocument document;
        const auto picture = std::make_shared<TDRectangle>();
        document.addGraphic(picture);
        picture->fillStyle()->setStyle(TDFillStyle::ImageFill);
        picture->fillStyle()->setImageKey(document.addImage(c.data, c.extension));
        picture->strokeStyle()->setStyle(TDStrokeStyle::None);
        const auto place = [&picture](const Rect &where) {
            const AffineTransform placed = TDGraphic::transformForBounds(where);
            picture->setTransformation(placed);
            picture->setFillTransformation(placed);
        };

        // At its own size it is the page as poppler renders it.
        if (!expected.isNull()) {
            place(Rect(0, 0, float(Width), float(Height)));
            const QImage actual = render({picture}, Rect(0, 0, float(Width), float(Height)));
            const double share = differingShare(actual, expected, 48);
            EXPECT_LT(share, 0.01) << c.name;
            if (share >= 0.01)
                actual.save(QStringLiteral("/tmp/oracle-picture-%1.png").arg(QLatin1String(c.name)));
        }

        // Twice the size, moved by (10, 20).
        place(Rect(10, 20, float(2 * Width), float(2 * Height)));
        const QImage image = render({picture}, Rect(0, 0, float(2 * Width + 20), float(2 * Height + 30)));
        EXPECT_EQ(image.pixel(60, 60), qRgb(255, 0, 0)) << c.name << ": the red square, upright";
        EXPECT_EQ(image.pixel(200, 150), qRgb(0, 0, 255)) << c.name << ": the blue square";
        EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255)) << c.name << ": outside the picture";
    }
}
