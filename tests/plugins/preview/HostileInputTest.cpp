// Hostile packages through both command-line hosts, as a file manager and
// a desktop search run them unasked: scrivane-thumbnailer and
// scrivane-extract read a package the same way and refuse the same ones
// with the same status, never follow links out of it nor wait on pipes,
// never read what the drawing does not use, and stop at their work budget
// with one line of error and no output.  Every fixture is made here.

#include "PreviewTestSupport.h"

#include "TestEnvironment.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/WorkBudget.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include "PngHeader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

using namespace scrivane;
using namespace scrivane::previewtest;

namespace {

struct HostRun {
    int status = -1;
    QString output;
    QString errors;
};

HostRun run(const char *program, const QStringList &arguments)
{
    QProcess process;
    process.start(QString::fromUtf8(program), arguments);
    HostRun result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program << " did not finish";
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString folder()
{
    static const QString made = QString::fromStdString(test::temporaryFolder());
    return made;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(data);
}

// A package of the given files; a value that is a null array stays out.
QString package(const QString &name, const std::map<QString, QByteArray> &files)
{
    const QString path = QDir(folder()).filePath(name);
    QDir().mkpath(path);
    for (const auto &[file, data] : files)
        writeFile(QDir(path).filePath(file), data);
    return path;
}

void makeSparseFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size));
}

// A document with one path graphic of `count` line elements in a
// 1000-point square: long lines from side to side that all cross, or short
// steps along a row.
std::unique_ptr<TDDocument> pathDocument(int count, bool crossing)
{
    auto document = cornerDocument(false);
    PathBase path;
    path.moveTo(Point(0, 0));
    QRandomGenerator random(7);
    for (int i = 1; i <= count; ++i) {
        if (crossing)
            path.lineTo(Point(float(random.bounded(1000)), float(random.bounded(1000))));
        else
            path.lineTo(Point(float(i % 1000), float(i / 1000) * 0.01f));
    }
    auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
    graphic->strokeStyle()->setStyle(TDStrokeLine);
    document->layers()[0]->addGraphicVeryQuietly(graphic);
    return document;
}

// A drawing whose layer holds a rectangle filled with each of the images
// under the given keys.
std::unique_ptr<TDDocument> imagesDocument(const QStringList &keys)
{
    auto document = cornerDocument(false);
    for (const QString &key : keys) {
        auto graphic = rectangle(Rect(0, 0, 50, 50), Color::black());
        graphic->fillStyle()->setStyle(TDFillImage);
        graphic->fillStyle()->setImageKey(key);
        document->layers()[0]->addGraphicVeryQuietly(graphic);
    }
    return document;
}

QByteArray archiveOf(const PropertyList &root)
{
    return KeyedArchiver::archivedData(root).value_or(QByteArray());
}

// One kilobyte of YAML aliases naming aliases ten times over per level.
QByteArray billionLaughs()
{
    QByteArray text = "a0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
    for (int i = 1; i < 10; ++i) {
        text += QStringLiteral("a%1: &a%1 [").arg(i).toUtf8();
        for (int j = 0; j < 10; ++j)
            text += QStringLiteral("*a%1%2").arg(i - 1).arg(j < 9 ? ", " : "]\n").toUtf8();
    }
    return text + "Layers: [*a9]\n";
}

} // namespace

TEST(HostileInput, BothHostsReadPackagesAlikeAndNeverFollowLinksOutOfThem)
{
    const QString drawing = save(*cornerDocument(false), QStringLiteral("elsewhere.scrivane"));
    const QString words = QString::fromLatin1(archiveOf(PropertyList(QStringLiteral("words"))).toBase64());
    const QByteArray yamlWithText = QStringLiteral("Layers:\n"
                                                   "  - Name: Layer 1\n"
                                                   "    Graphics:\n"
                                                   "      - Name: Text 1\n"
                                                   "        Fill: {FillStyle: 4, FillTextKey: !!binary %1}\n")
                                        .arg(words)
                                        .toUtf8();
    PropertyList noLayers{PropertyList::Dictionary()};
    noLayers.insert(QStringLiteral("GridSpacing"), 3.0);

    const QString linkedData = package(QStringLiteral("linked-data.scrivane"), {});
    ASSERT_EQ(::symlink(QFile::encodeName(drawing + "/data").constData(),
                        QFile::encodeName(linkedData + "/data").constData()),
              0);
    const QString pipeData = package(QStringLiteral("pipe-data.scrivane"), {});
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipeData + "/data").constData(), 0600), 0);
    const QString hugeData = package(QStringLiteral("huge-data.scrivane"), {});
    makeSparseFile(hugeData + "/data", WorkBudget::Limits().bytes + 1);
    const QString hidden = save(*cornerDocument(false), QStringLiteral("hidden.scrivane"));
    makeSparseFile(hidden + "/.sparse", 3LL << 30);
    writeFile(hidden + "/.unreadable", "x");
    ASSERT_EQ(::chmod(QFile::encodeName(hidden + "/.unreadable").constData(), 0), 0);
    const QString linkedYaml = save(*cornerDocument(false), QStringLiteral("linked-yaml.scrivane"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(linkedYaml + "/data.yaml").constData()), 0);

    const struct {
        const char *name;
        QString path;
        int status;
        QString text; // what the extractor prints
    } cases[] = {
        {"a data that is a link out of the package", linkedData, 1, {}},
        {"a data that is a pipe", pipeData, 1, {}},
        {"a data larger than the budget", hugeData, 1, {}},
        {"no list of layers", package(QStringLiteral("no-layers.scrivane"), {{"data", archiveOf(noLayers)}}), 1, {}},
        {"a root that is not a dictionary",
         package(QStringLiteral("root.scrivane"), {{"data", archiveOf(PropertyList(QStringLiteral("text")))}}), 1, {}},
        {"a billion laughs in data.yaml", package(QStringLiteral("laughs.scrivane"), {{"data.yaml", billionLaughs()}}),
         1, {}},
        {"an older drawing in data.yaml", package(QStringLiteral("older.scrivane"), {{"data.yaml", yamlWithText}}), 0,
         QStringLiteral("words\n")},
        {"hidden files huge and unreadable", hidden, 0, {}},
        {"a data.yaml that is a link", linkedYaml, 0, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString output = QDir(folder()).filePath(QStringLiteral("hostile.png"));
        QFile::remove(output);
        // Previews draw empty drawings too: the status is the reading's.
        const HostRun thumbnail = run(THUMBNAILER, {QStringLiteral("--preview"), c.path, output});
        const HostRun text = run(EXTRACT, {c.path});
        EXPECT_EQ(thumbnail.status, c.status) << thumbnail.errors.toStdString();
        EXPECT_EQ(text.status, c.status) << text.errors.toStdString();
        EXPECT_EQ(QFile::exists(output), c.status == 0);
        EXPECT_EQ(text.output, c.text);
        if (c.status != 0) {
            EXPECT_EQ(thumbnail.errors.count(QLatin1Char('\n')), 1) << thumbnail.errors.toStdString();
            EXPECT_EQ(text.errors.count(QLatin1Char('\n')), 1) << text.errors.toStdString();
            // The same reason, from the same reader.
            EXPECT_EQ(thumbnail.errors.section(QStringLiteral(": "), 1),
                      text.errors.section(QStringLiteral(": "), 1));
        }
    }
}

// Thumbnails of drawings that cost little to store but minutes to draw, or
// gigabytes to hold, stop at the budget; the same number of elements that
// draw cheaply are drawn.
TEST(HostileInput, TheThumbnailerStopsAtItsWorkBudgetAndWritesNothing)
{
    const WorkBudget::Limits limits;
    const QString unusedImages = save(*cornerDocument(false), QStringLiteral("unused-images.scrivane"));
    // Large pictures nothing refers to are never read: read, the pixels
    // they declare would pass the budget many times over.
    for (int i = 0; i < 16; ++i)
        writeFile(unusedImages + "/" + QString(55, QLatin1Char('U')) + QString::number(i, 16) + ".png",
                  test::pngHeader(5600, 5600));
    const QStringList bigKeys{QString(56, QLatin1Char('B')), QString(56, QLatin1Char('C')),
                              QString(56, QLatin1Char('D'))};
    const QString bigImages = save(*imagesDocument(bigKeys), QStringLiteral("big-images.scrivane"));
    for (int i = 0; i < bigKeys.size(); ++i)
        writeFile(bigImages + "/" + bigKeys[i] + ".png", test::pngHeader(5600 + quint32(i), 5600));
    const QString sparseImage = save(*imagesDocument({bigKeys[0]}), QStringLiteral("sparse-image.scrivane"));
    makeSparseFile(sparseImage + "/" + bigKeys[0] + ".png", 3LL << 30);

    const struct {
        const char *name;
        QString path;
        const char *reason; // empty: a thumbnail is written
    } cases[] = {
        {"more path elements than the budget",
         save(*pathDocument(int(limits.pathElements) + 1, false), QStringLiteral("elements.scrivane")),
         "path elements"},
        {"crossing lines that sweep too many rows",
         save(*pathDocument(100000, true), QStringLiteral("crossing.scrivane")), "rows of path drawing"},
        {"as many short steps", save(*pathDocument(100000, false), QStringLiteral("steps.scrivane")), ""},
        {"large images nothing uses", unusedImages, ""},
        {"images declaring more pixels than the budget", bigImages, "image pixels"},
        {"an image file of gigabytes, not read", sparseImage, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString output = QDir(folder()).filePath(QStringLiteral("budget.png"));
        QFile::remove(output);
        const HostRun thumbnail = run(THUMBNAILER, {c.path, output});
        if (*c.reason == 0) {
            EXPECT_EQ(thumbnail.status, 0) << thumbnail.errors.toStdString();
            EXPECT_FALSE(QImage(output, "PNG").isNull());
            continue;
        }
        EXPECT_EQ(thumbnail.status, 1);
        EXPECT_TRUE(thumbnail.errors.contains(QString::fromUtf8(c.reason))) << thumbnail.errors.toStdString();
        EXPECT_EQ(thumbnail.errors.count(QLatin1Char('\n')), 1) << thumbnail.errors.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
}
