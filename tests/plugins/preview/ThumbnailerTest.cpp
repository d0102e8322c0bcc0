// scrivane-thumbnailer run as a file manager runs it, on packages the
// document code saved: the PNG it writes, and a non-zero status with one
// line of error, and no output, whenever it cannot write one.

#include "PreviewTestSupport.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QUrl>

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::previewtest;

namespace {

struct HostRun {
    int status = -1;
    QString errors;
};

HostRun thumbnailer(const QStringList &arguments,
                    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(THUMBNAILER), arguments);
    HostRun run;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "scrivane-thumbnailer did not finish";
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QString outputPath(const QString &name)
{
    return QDir(QString::fromStdString(test::temporaryFolder())).filePath(name);
}

const QColor Red(255, 0, 0), White(255, 255, 255);

} // namespace

TEST(Thumbnailer, WritesThumbnailsFittingTheSizeAndPreviewsOfTheWholePaper)
{
    // Thumbnails frame every graphic, hidden ones too: the drawing for
    // thumbnails has no hidden layer, the one for previews has.
    const QString drawing = save(*cornerDocument(false));
    const QString withHiddenLayer = save(*cornerDocument(), QStringLiteral("hidden.scrivane"));
    const struct {
        QStringList options;
        QSize size;
    } cases[] = {
        {{}, QSize(256, 128)},                       // the default size
        {{QStringLiteral("-s"), QStringLiteral("64")}, QSize(64, 32)},
        {{QStringLiteral("--preview")}, QSize(595, 842)}, // one pixel a point
        {{QStringLiteral("--preview"), QStringLiteral("-s"), QStringLiteral("421")}, QSize(298, 421)},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString output = outputPath(QStringLiteral("out%1.png").arg(n++));
        const bool isPreview = c.options.contains(QStringLiteral("--preview"));
        const HostRun run = thumbnailer(c.options + QStringList{isPreview ? withHiddenLayer : drawing, output});
        ASSERT_EQ(run.status, 0) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
        const QImage image(output, "PNG");
        ASSERT_FALSE(image.isNull()) << c.options.join(' ').toStdString();
        EXPECT_EQ(image.size(), c.size) << c.options.join(' ').toStdString();
        const double scale = double(image.height()) / (isPreview ? 842 : 50);
        if (isPreview) {
            // Red rectangle in the top-left corner on white paper; the hidden
            // layer's rectangle is not drawn.
            EXPECT_TRUE(near(pixel(image, int(70 * scale), int(55 * scale)), Red));
            EXPECT_TRUE(near(pixel(image, int(10 * scale), int(10 * scale)), White));
            EXPECT_TRUE(near(pixel(image, int(350 * scale), int(450 * scale)), White));
        } else {
            EXPECT_TRUE(near(pixel(image, image.width() / 2, image.height() / 2), Red));
            EXPECT_TRUE(near(pixel(image, 1, 1), Red));
        }
    }
}

TEST(Thumbnailer, TakesFileURIsAsFileManagersPassThem)
{
    const QString package = save(*cornerDocument(false), QStringLiteral("with space é.scrivane"));
    const QString output = outputPath(QStringLiteral("uri.png"));
    const HostRun run = thumbnailer({QStringLiteral("-s"), QStringLiteral("32"),
                                 QUrl::fromLocalFile(package).toString(QUrl::FullyEncoded), output});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(QImage(output, "PNG").size(), QSize(32, 16));
}

TEST(Thumbnailer, LoadsNoPdfRendererForADrawingWithoutPdfPictures)
{
    // Start-up is most of a thumbnail's time; the run-time loader reports
    // every library it maps.
    const QString output = outputPath(QStringLiteral("plain.png"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    const HostRun run = thumbnailer({save(*cornerDocument(false)), output}, environment);
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    ASSERT_TRUE(run.errors.contains(QLatin1String("ScrivanePreview.so"))) << "the loader reported nothing";
    EXPECT_FALSE(run.errors.contains(QLatin1String("libpoppler")));
}

TEST(Thumbnailer, ImagesStayWithinTheLargestSide)
{
    // A long strip of paper: at one pixel a point the preview would be
    // 20,000 pixels wide.
    const auto document = cornerDocument(false);
    document->setSizeInPages(false);
    document->setWidth(20000);
    document->setHeight(1000);
    const QString package = save(*document);
    const QString output = outputPath(QStringLiteral("strip.png"));
    const HostRun run = thumbnailer({QStringLiteral("--preview"), package, output});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(QImage(output, "PNG").size(), QSize(4096, 205));
}

TEST(Thumbnailer, FailsWithOneLineAndNoOutput)
{
    const QString folder = QString::fromStdString(test::temporaryFolder());
    const QString good = save(*cornerDocument());
    const QString withoutData = QDir(folder).filePath(QStringLiteral("nodata.scrivane"));
    QDir().mkpath(withoutData);
    const QString junk = QDir(folder).filePath(QStringLiteral("junk.scrivane"));
    QDir().mkpath(junk);
    QFile data(QDir(junk).filePath(QStringLiteral("data")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("bplist00 but not really");
    data.close();
    auto emptyDocument = std::make_unique<TDDocument>();
    const QString empty = save(*emptyDocument, QStringLiteral("empty.scrivane"));

    const struct {
        const char *what;
        QStringList arguments;
        int status;
    } cases[] = {
        {"missing input", {QDir(folder).filePath(QStringLiteral("missing.scrivane"))}, 1},
        {"package without data", {withoutData}, 1},
        {"data that is no archive", {junk}, 1},
        {"thumbnail of an empty drawing", {empty}, 1},
        {"size zero", {QStringLiteral("-s"), QStringLiteral("0"), good}, 2},
        {"size not a number", {QStringLiteral("-s"), QStringLiteral("big"), good}, 2},
        {"size too large", {QStringLiteral("-s"), QStringLiteral("100000"), good}, 2},
        {"unknown option", {QStringLiteral("--frobnicate"), good}, 2},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString output = outputPath(QStringLiteral("fail%1.png").arg(n++));
        const HostRun run = thumbnailer(c.arguments + QStringList{output});
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.errors.toStdString();
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("scrivane-thumbnailer: "))) << c.what;
        EXPECT_EQ(run.errors.count(QLatin1Char('\n')), 1) << c.what << ": " << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(output)) << c.what;
    }

    // An output that cannot be written.
    const HostRun run = thumbnailer({good, QDir(folder).filePath(QStringLiteral("no/such/folder/out.png"))});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors.count(QLatin1Char('\n')), 1) << run.errors.toStdString();

    // A wrong number of operands shows the usage.
    EXPECT_EQ(thumbnailer({good}).status, 2);
}
