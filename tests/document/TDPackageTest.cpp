// The package on disk: the document dictionary, save and open round trips,
// saves that fail at any step, untrusted packages, revert, images shared
// between packages.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDFolderIcon.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPackageWrapper.h"
#include "model/TDAttributedText.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <map>

using namespace scrivane;
using namespace scrivane::doctest;

TEST_F(PackageFixture, EveryKindOfGraphicAndTheSettingsRoundTrip)
{
    add(document, "plain");
    auto gradient = add(document, "gradient", Rect(40, 10, 30, 30));
    gradient->fillStyle()->setStyle(TDFillGradient);
    gradient->fillStyle()->setGradient(TDGradient::withColors(Color::black(), Color::calibratedRGB(0, 1, 0)));
    gradient->strokeStyle()->setStyle(TDStrokeLine);
    gradient->strokeStyle()->setStrokeWidth(3);
    gradient->setHasShadow(true);
    gradient->setAlphaValue(0.5f);
    gradient->setBlendMode(2);
    auto picture = addImageShape(document, solidPng(6, 6, Qt::blue));
    auto clipped = TDGroup::groupWithGraphics({TestShape::make(Rect(0, 0, 50, 50), Color::black()),
                                               TestShape::make(Rect(5, 5, 10, 10), Color::white())});
    clipped->setClip(true);
    document.addGraphic(clipped);
    auto upper = TDLayer::layerWithName("Upper", &document);
    upper->setVisibleQuiet(false);
    upper->addGraphic(TDGroup::groupWithGraphics({TestShape::make(Rect(1, 2, 3, 4), Color::white())}));
    document.setLayers({document.layers()[0], upper});
    document.setCurrentLayerIndex(1);
    document.setGridSpacing(12);
    document.setNumberOfSubGrids(4);
    document.setDrawsGrid(true);
    document.setGridSnap(true);
    document.setGridColor(Color::calibratedRGB(0.2f, 0.4f, 0.6f, 0.5f));
    document.setPagesWide(2);
    document.setInfoValue("title", QString("Harbour"));
    TDPrintInfo letter;
    letter.setPaperSize(Size(612, 792));
    letter.setMargins(18, 18, 36, 36);
    document.setPrintInfo(letter);

    const QString path = folder + "/drawing.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type)) << document.lastError().toStdString();
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(document.fileName(), path);
    const QString imageKey = picture->fillStyle()->imageKey();
    EXPECT_EQ(folderEntries(path), (QStringList{".directory", ".scrivane-icon.png", imageKey + ".png", "data"}));
    EXPECT_TRUE(leftovers(folder).isEmpty());

    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type)) << opened.lastError().toStdString();
    EXPECT_FALSE(opened.isDocumentEdited());
    EXPECT_FALSE(opened.undoManager()->canUndo());
    EXPECT_EQ(opened.currentLayer(), opened.layers()[1].get());
    EXPECT_EQ(opened.gridSpacing(), 12);
    EXPECT_EQ(opened.printInfo(), letter);
    // Everything that was written reads back into the same document.
    EXPECT_EQ(archive(opened.drawDocumentDictionaryForGraphics({})),
              archive(document.drawDocumentDictionaryForGraphics({})));
    // The image is there and drawn.
    const auto &openedPicture = opened.layers()[0]->graphics()[2];
    EXPECT_EQ(openedPicture->fillStyle()->imageKey(), imageKey);
    const QImage image = TDDocument::imageForGraphics({openedPicture}, 1, false, Rect(0, 0, 8, 8));
    EXPECT_TRUE(near(pixel(image, 4, 4), QColor(0, 0, 255)));
    EXPECT_EQ(TDGlobalImageStore::instance().entry(imageKey)->documents.size(), 2u);
}

TEST_F(PackageFixture, SavingInPlaceKeepsHiddenFilesAndDropsUnusedImages)
{
    auto picture = addImageShape(document, solidPng(3, 3, Qt::green));
    const QString path = folder + "/in-place.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    const QString key = picture->fillStyle()->imageKey();
    writeFile(path + "/.directory", "[Desktop Entry]\n");
    QDir(path).mkdir(".thumbnails");
    writeFile(path + "/.thumbnails/icon.png", "icon");

    document.removeGraphic(picture.get());
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
    ASSERT_TRUE(document.saveDocument());
    EXPECT_EQ(folderEntries(path), (QStringList{".directory", ".scrivane-icon.png", ".thumbnails", "data"}));
    EXPECT_EQ(readFile(path + "/.thumbnails/icon.png"), "icon");
    EXPECT_TRUE(leftovers(folder).isEmpty());
    EXPECT_FALSE(QFile::exists(path + "/" + key + ".png"));
}

TEST_F(PackageFixture, SaveAsOverAnExistingPackageReplacesIt)
{
    TDDocument other;
    add(other, "other's");
    const QString path = folder + "/taken.scrivane";
    ASSERT_TRUE(other.saveDocumentAs(path, Type));
    writeFile(path + "/.hidden", "of the other package");

    add(document, "mine");
    ASSERT_TRUE(document.saveDocumentAs(path, Type)) << document.lastError().toStdString();
    EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  mine"}));
    EXPECT_FALSE(QFile::exists(path + "/.hidden"));
    EXPECT_TRUE(leftovers(folder).isEmpty());

    // Over a plain file too.
    writeFile(folder + "/file.scrivane", "a file");
    ASSERT_TRUE(document.saveDocumentTo(folder + "/file.scrivane", Type));
    EXPECT_EQ(contentsOfPackage(folder + "/file.scrivane"), (QStringList{"Layer 1", "  mine"}));
    EXPECT_EQ(document.fileName(), path); // save to keeps the name
}

namespace {
// The ways a save replaces what stands at its path; each is run against a
// file system that fails, or stops as in a crash, at every step in turn.
struct SaveSequence {
    const char *name;
    bool inPlace; // a plain save over the document's own package
    bool existing;
    bool canExchange; // the file system swaps two entries in one step
};
const SaveSequence saveSequences[] = {
    {"save", true, true, true},
    {"save as over a package", false, true, true},
    {"first save", false, false, true},
    {"save where packages cannot be swapped", true, true, false},
    {"save as over a package where packages cannot be swapped", false, true, false},
};
const QStringList savedAfter{"Layer 1", "  old", "  picture", "  new", "  picture"};

// A document drawn and, as the sequence has it, saved at `path` (or another
// one saved there), then drawn on: what a save starts from.  Answers what
// the path holds before the save.
QStringList prepareSave(PackageFixture &fixture, const SaveSequence &sequence, TDDocument &doc,
                        const QString &path, int step)
{
    doc.undoManager()->setGroupsByEvent(false);
    fixture.add(doc, "old");
    fixture.addImageShape(doc, solidPng(5, 5, Qt::magenta));
    if (sequence.existing) {
        if (sequence.inPlace) {
            EXPECT_TRUE(doc.saveDocumentAs(path, Type));
        } else {
            TDDocument previous;
            fixture.add(previous, "old");
            fixture.addImageShape(previous, solidPng(5, 5, Qt::magenta));
            EXPECT_TRUE(previous.saveDocumentAs(path, Type));
        }
        writeFile(path + "/.kept", "hidden");
    }
    const QStringList before = sequence.existing ? contentsOfPackage(path) : QStringList();
    fixture.add(doc, "new");
    fixture.addImageShape(doc, solidPng(5, 5, QColor(step % 200, 10, 10)));
    return before;
}

bool runSave(const SaveSequence &sequence, TDDocument &doc, const QString &path, FailingFileSystem &fs)
{
    fs.canExchange = sequence.canExchange;
    FileSystemScope scope(&fs);
    return sequence.inPlace ? doc.saveDocument() : doc.saveDocumentAs(path, Type);
}
} // namespace

TEST_F(PackageFixture, AFailureAtAnyStepLeavesThePreviousPackageWhole)
{
    for (const SaveSequence &sequence : saveSequences) {
        int failures = 0;
        for (int step = 0;; ++step) {
            SCOPED_TRACE(testing::Message() << sequence.name << ", failing operation " << step);
            const QString base = freshFolder();
            const QString path = base + "/target.scrivane";
            TDDocument doc;
            const QStringList before = prepareSave(*this, sequence, doc, path, step);
            FailingFileSystem fs;
            fs.failAt = step;
            const bool saved = runSave(sequence, doc, path, fs);
            if (fs.failedOperation.isEmpty()) {
                ASSERT_TRUE(saved) << doc.lastError().toStdString();
                EXPECT_GT(failures, 3);
                break;
            }
            ++failures;
            if (saved) {
                // Only the package's picture and what follows the move into
                // place may fail without failing the save: flushing the
                // folder, removing the backup.
                const bool icon = fs.failedOperation == "writeFile" &&
                                  TDFolderIcon::entryNames().contains(QFileInfo(fs.failedPath).fileName());
                EXPECT_TRUE(icon || fs.failedOperation == "syncDirectory" ||
                            fs.failedOperation == "removeRecursively")
                    << fs.failedOperation.toStdString();
                EXPECT_EQ(contentsOfPackage(path), savedAfter);
                continue;
            }
            EXPECT_FALSE(doc.lastError().isEmpty());
            EXPECT_TRUE(doc.isDocumentEdited());
            if (sequence.existing) {
                EXPECT_EQ(contentsOfPackage(path), before);
                EXPECT_EQ(readFile(path + "/.kept"), "hidden");
            } else {
                EXPECT_FALSE(QFile::exists(path));
            }
            EXPECT_TRUE(leftovers(base).isEmpty()) << leftovers(base).join(", ").toStdString();
        }
    }
}

// The save swapped packages with two renames, and a crash between them
// left nothing at the path.  Now it swaps them in one step where the file
// system can, and opening a path that an interrupted save left empty puts
// back what the save left beside it.
TEST_F(PackageFixture, ACrashAtAnyStepOfASaveLeavesAWholeDrawingAtThePath)
{
    for (const SaveSequence &sequence : saveSequences) {
        int restored = 0;
        for (int step = 0;; ++step) {
            SCOPED_TRACE(testing::Message() << sequence.name << ", crash at operation " << step);
            const QString base = freshFolder();
            const QString path = base + "/target.scrivane";
            TDDocument doc;
            const QStringList before = prepareSave(*this, sequence, doc, path, step);
            FailingFileSystem fs;
            fs.failAt = step;
            fs.crashes = true;
            runSave(sequence, doc, path, fs);
            if (fs.failedOperation.isEmpty()) {
                EXPECT_EQ(contentsOfPackage(path), savedAfter);
                break;
            }
            const bool empty = !QFileInfo::exists(path);
            TDDocument reader;
            const bool opened = reader.readFromFile(path, Type);
            restored += empty && opened;
            if (sequence.existing) {
                ASSERT_TRUE(opened) << reader.lastError().toStdString();
                EXPECT_TRUE(contents(reader) == before || contents(reader) == savedAfter)
                    << contents(reader).join('|').toStdString();
            } else if (opened) {
                EXPECT_EQ(contents(reader), savedAfter);
            } else {
                EXPECT_FALSE(QFileInfo::exists(path));
            }
        }
        // Only where the path was ever left empty is anything put back.
        EXPECT_EQ(restored > 0, !sequence.canExchange || !sequence.existing) << sequence.name;
    }
}

TEST_F(PackageFixture, OpeningPicksYamlOverDataAndAppliesSettingsThroughTheClamps)
{
    PropertyList d = minimalDictionary("From data");
    d.insert("pages wide", 0);
    d.insert("pages high", -4);
    d.insert("SubGrids", 0);
    d.insert("Graphic Number", -5);
    d.insert("custom width", -10.0);
    d.insert("GridColor", QString("not a colour"));
    d.insert("Current Layer", 99);
    PropertyList print{PropertyList::Dictionary()};
    print.insert("NSPaperSize", QString("{612, 792}"));
    d.insert("PrintInfo", print);
    const QString plain = makePackage(folder + "/plain.scrivane", {{"data", archive(d)}});
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(plain, Type)) << opened.lastError().toStdString();
    EXPECT_EQ(opened.gridSpacing(), 28.35f); // absent: the new document's
    EXPECT_EQ(opened.pagesWide(), 1);
    EXPECT_EQ(opened.pagesHigh(), 1);
    EXPECT_EQ(opened.numberOfSubGrids(), 1);
    EXPECT_EQ(opened.peekGraphicNumber(), 1);
    EXPECT_GE(opened.customSize().width, 1);
    EXPECT_EQ(opened.gridColor(), Color::calibratedWhite(0, 0.3f));
    EXPECT_EQ(opened.currentLayer(), opened.layers()[0].get());
    EXPECT_EQ(opened.printInfo().paperSize(), Size(612, 792));

    const QString both =
        makePackage(folder + "/both.scrivane",
                    {{"data", archive(d)}, {"data.yaml", "Layers:\n  - Name: From yaml\nGridSpacing: 7\n"}});
    ASSERT_TRUE(opened.readFromFile(both, Type)) << opened.lastError().toStdString();
    EXPECT_EQ(contents(opened), QStringList{"From yaml"});
    EXPECT_EQ(opened.gridSpacing(), 7);
}

TEST_F(PackageFixture, AnIsolatedGroupSavedAsCurrentOpensOnTheBottomLayer)
{
    auto group = TDGroup::groupWithGraphics({TestShape::make(Rect(0, 0, 5, 5), Color::black())});
    document.addGraphic(group);
    document.setLayers({document.layers()[0], TDLayer::layerWithName("Top", &document)});
    document.setCurrentLayer(group.get());
    EXPECT_EQ(document.drawDocumentDictionaryForGraphics({}).value("Current Layer").toInteger(), TDNotFound);
    const QString path = folder + "/isolated.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type));
    EXPECT_EQ(opened.currentLayer(), opened.layers()[0].get());
}

TEST_F(PackageFixture, BadPackagesAreRefusedWithAClearErrorAndChangeNothing)
{
    add(document, "kept");
    struct Case {
        const char *name;
        std::map<QString, QByteArray> files;
        const char *message;
    };
    PropertyList noLayers{PropertyList::Dictionary()};
    noLayers.insert("GridSpacing", 3.0);
    const Case cases[] = {
        {"no data", {{"image.png", solidPng(1, 1, Qt::red)}}, "no “data” file"},
        {"junk data", {{"data", "this is not an archive"}}, "“data” file cannot be read"},
        {"a root that is not a dictionary",
         {{"data", archive(PropertyList(QString("text")))}},
         "holds no drawing"},
        {"no layers", {{"data", archive(noLayers)}}, "no list of layers"},
        {"bad yaml", {{"data.yaml", "Layers: [unclosed"}}, "“data.yaml” cannot be read"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = makePackage(folder + "/" + c.name, c.files);
        EXPECT_FALSE(document.readFromFile(path, Type));
        EXPECT_TRUE(document.lastError().contains(QString::fromUtf8(c.message)))
            << document.lastError().toStdString();
        EXPECT_EQ(contents(document), (QStringList{"Layer 1", "  kept"}));
        EXPECT_FALSE(TDUndoManager::createsGraphics());
    }
    const QString good = makePackage(folder + "/good.scrivane", {{"data", archive(minimalDictionary())}});
    for (const QString &type : {QString("dxf"), QString("Some Other Document")}) {
        EXPECT_FALSE(document.readFromFile(good, type));
        EXPECT_EQ(contents(document), (QStringList{"Layer 1", "  kept"}));
    }
    EXPECT_FALSE(document.readFromFile(folder + "/missing.scrivane", Type));
    EXPECT_TRUE(document.readFromFile(good, TDDocument::VerdaneType));
    EXPECT_FALSE(TDUndoManager::createsGraphics());
}

TEST_F(PackageFixture, ARevertThatFailsLeavesTheDocumentAsItWas)
{
    auto picture = addImageShape(document, solidPng(2, 2, Qt::cyan));
    const QString path = folder + "/revert.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    ASSERT_TRUE(document.revertDocumentToSaved());
    add(document, "unsaved");
    const QStringList before = contents(document);
    const QString key = document.layers()[0]->graphics()[0]->fillStyle()->imageKey();

    writeFile(path + "/data", "damaged");
    EXPECT_FALSE(document.revertDocumentToSaved());
    EXPECT_EQ(contents(document), before);
    EXPECT_TRUE(document.isDocumentEdited());
    ASSERT_NE(TDGlobalImageStore::instance().entry(key), nullptr);
    EXPECT_NE(document.fileWrapper(), nullptr);
    EXPECT_FALSE(TDUndoManager::createsGraphics());
}

TEST_F(PackageFixture, TheSamePictureFromTwoPackagesUnderTwoKeysStaysWithBoth)
{
    const QByteArray png = solidPng(4, 4, QColor(10, 200, 30));
    auto packageWithImage = [&](const QString &name, const QString &key) {
        return packageUsingImage(folder + "/" + name, key, png);
    };
    const QString keyA = QString(56, QLatin1Char('A'));
    const QString keyB = QString(56, QLatin1Char('B'));
    // A name that is no safe key: the fill must follow the key made for it.
    const QString keyC = "c.." + QString(56, QLatin1Char('C'));
    auto a = std::make_unique<TDDocument>();
    TDDocument b;
    TDDocument c;
    ASSERT_TRUE(a->readFromFile(packageWithImage("a.scrivane", keyA), Type));
    ASSERT_TRUE(b.readFromFile(packageWithImage("b.scrivane", keyB), Type));
    const QString usedByB = b.layers()[0]->graphics()[0]->fillStyle()->imageKey();
    EXPECT_EQ(usedByB, keyA);
    a.reset();
    const auto image = TDGlobalImageStore::instance().image(usedByB);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->data, png);

    // Saved again, B's package holds the picture under the key it uses.
    ASSERT_TRUE(b.saveDocument()) << b.lastError().toStdString();
    EXPECT_TRUE(QFile::exists(folder + "/b.scrivane/" + keyA + ".png"));

    const QByteArray other = solidPng(4, 4, QColor(1, 2, 3));
    const QString pathC = packageUsingImage(folder + "/c.scrivane", keyC, other);
    ASSERT_TRUE(c.readFromFile(pathC, Type));
    const QString usedByC = c.layers()[0]->graphics()[0]->fillStyle()->imageKey();
    EXPECT_NE(usedByC, keyC);
    EXPECT_TRUE(TDGlobalImageStore::isSafeKey(usedByC));
    EXPECT_EQ(TDGlobalImageStore::instance().image(usedByC)->data, other);
}

TEST_F(PackageFixture, TheThumbnailShowsTheDrawingOnTheDocumentPicture)
{
    const QImage empty = document.thumbnailIcon();
    ASSERT_EQ(empty.size(), QSize(128, 128));
    EXPECT_TRUE(near(pixel(empty, 64, 80), QColor(255, 255, 255)));
    EXPECT_EQ(pixel(empty, 2, 2).alpha(), 0);

    add(document, "wide", Rect(0, 0, 200, 100));
    const QImage icon = document.thumbnailIcon();
    // 76 × 38 pixels centred in the area at (27, 46) of 76 × 69.
    EXPECT_TRUE(near(pixel(icon, 65, 80), QColor(255, 0, 0)));
    EXPECT_TRUE(near(pixel(icon, 65, 50), QColor(255, 255, 255)));

    QString written;
    TDDocument::setIconWriter([&written](const QString &path, const QImage &image) {
        written = path;
        EXPECT_EQ(image.size(), QSize(128, 128));
    });
    const QString path = folder + "/icon.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    TDDocument::setIconWriter(nullptr);
    EXPECT_EQ(written, path);
}

// File managers show a package's picture from a hidden PNG that a hidden
// ".directory" entry names; the reader takes neither for an image, and a
// later save draws the picture anew instead of keeping the old one.
TEST_F(PackageFixture, ThePackageCarriesItsPictureWhichTheReaderIgnores)
{
    add(document, "wide", Rect(0, 0, 200, 100));
    const QString path = folder + "/pictured.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));

    const QImage picture(path + "/" + TDFolderIcon::ImageName);
    ASSERT_EQ(picture.size(), QSize(128, 128));
    EXPECT_TRUE(near(pixel(picture, 65, 80), QColor(255, 0, 0)));
    EXPECT_EQ(readFile(path + "/" + TDFolderIcon::DirectoryEntryName),
              QByteArray("[Desktop Entry]\nIcon=./.scrivane-icon.png\n"));
    EXPECT_FALSE(QFile::exists(path + "/Icon\r"));

    TDDocument reader;
    ASSERT_TRUE(reader.readFromFile(path, Type)) << reader.lastError().toStdString();
    EXPECT_EQ(contents(reader), (QStringList{"Layer 1", "  wide"}));
    EXPECT_TRUE(reader.getAllImages().isEmpty());
    ASSERT_TRUE(reader.fileWrapper());

    // Saved again in place with the drawing emptied: the picture follows.
    document.layers()[0]->removeGraphic(document.layers()[0]->graphics()[0].get());
    ASSERT_TRUE(document.saveDocument());
    EXPECT_TRUE(near(pixel(QImage(path + "/" + TDFolderIcon::ImageName), 65, 80), QColor(255, 255, 255)));
}

namespace {
// Refuses to write the files of one name.
class RefusingFileSystem : public TDPackageFileSystem {
public:
    explicit RefusingFileSystem(QString name) : m_name(std::move(name)) {}
    bool writeFile(const QString &path, const QByteArray &data, int mode, QString *error) override
    {
        if (QFileInfo(path).fileName() == m_name) {
            *error = QStringLiteral("refused");
            return false;
        }
        return TDPackageFileSystem::writeFile(path, data, mode, error);
    }

private:
    QString m_name;
};
} // namespace

TEST_F(PackageFixture, APictureThatCannotBeWrittenNeverFailsTheSave)
{
    add(document, "kept");
    const QString path = folder + "/unpictured.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    for (const QString &entry : TDFolderIcon::entryNames()) {
        SCOPED_TRACE(entry.toStdString());
        RefusingFileSystem fs(entry);
        FileSystemScope scope(&fs);
        ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
        EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  kept"}));
        EXPECT_FALSE(QFile::exists(path + "/" + entry));
    }
}

TEST_F(PackageFixture, AutosaveWritesACopyOnlyWhenThereIsSomethingNew)
{
    const QString copy = folder + "/autosaved.scrivane";
    document.setAutosavedContentsFileName(copy);
    EXPECT_TRUE(document.autosaveDocument());
    EXPECT_FALSE(QFile::exists(copy));

    document.undoManager()->beginUndoGrouping();
    add(document, "draft");
    document.undoManager()->endUndoGrouping();
    ASSERT_TRUE(document.hasUnautosavedChanges());
    ASSERT_TRUE(document.autosaveDocument()) << document.lastError().toStdString();
    EXPECT_EQ(contentsOfPackage(copy), (QStringList{"Layer 1", "  draft"}));
    EXPECT_FALSE(document.hasUnautosavedChanges());
    // The document itself is still unsaved and keeps its name.
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_TRUE(document.fileName().isEmpty());
    EXPECT_FALSE(document.saveDocument());
}

TEST_F(PackageFixture, RectanglesOvalsPathsAndEffectsRoundTrip)
{
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setTransformation(TDGraphic::transformForBounds(Rect(10, 10, 60, 30)));
    rectangle->setRoundness(0.2f);
    auto arc = std::make_shared<TDOval>();
    arc->setTransformation(TDGraphic::transformForBounds(Rect(80, 10, 40, 40)));
    arc->setAngleA(30);
    arc->setAngleB(200);
    arc->setJoined(true);
    PathBase path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(50, 80), Point(10, 20), Point(30, 40));
    path.lineTo(Point(90, 5));
    auto curve = TDBezierGraphic::graphicWithBezierPath(path);
    const auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    ASSERT_TRUE(blur);
    rectangle->setFilterArray({blur});
    rectangle->setUsesFilters(true);
    for (const TDGraphicPtr &graphic : TDGraphicArray{rectangle, arc, curve})
        document.addGraphic(graphic);
    document.addGraphic(
        TDGroup::groupWithGraphics({std::make_shared<TDRectangle>(), std::make_shared<TDOval>()}));

    const QString path1 = folder + "/shapes.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path1, Type)) << document.lastError().toStdString();
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path1, Type)) << opened.lastError().toStdString();
    const TDGraphicArray &children = opened.layers()[0]->graphics();
    ASSERT_EQ(children.size(), 4u);
    const auto openedRectangle = std::dynamic_pointer_cast<TDRectangle>(children[0]);
    const auto openedArc = std::dynamic_pointer_cast<TDOval>(children[1]);
    const auto openedCurve = std::dynamic_pointer_cast<TDBezierGraphic>(children[2]);
    ASSERT_TRUE(openedRectangle && openedArc && openedCurve);
    EXPECT_EQ(openedRectangle->roundness(), 0.2f);
    EXPECT_EQ(openedRectangle->filterArray().size(), 1u);
    EXPECT_EQ(openedArc->angleA(), 30);
    EXPECT_EQ(openedArc->angleB(), 200);
    EXPECT_TRUE(openedArc->joined());
    EXPECT_EQ(openedCurve->bounds(), curve->bounds());
    EXPECT_EQ(archive(opened.drawDocumentDictionaryForGraphics({})),
              archive(document.drawDocumentDictionaryForGraphics({})));
    // And they draw the same.
    const QImage before =
        TDDocument::imageForGraphics(document.visibleGraphics(), 1, true, Rect(0, 0, 130, 90));
    const QImage after = TDDocument::imageForGraphics(opened.visibleGraphics(), 1, true, Rect(0, 0, 130, 90));
    EXPECT_EQ(before, after);
}

TEST_F(PackageFixture, ManyGraphicsKeepTheirOwnTransformations)
{
    // Values made while archiving (each graphic's transformation, colours)
    // live only for a moment; a later one must never be written as a
    // reference to an earlier one that had the same address.
    for (int i = 0; i < 3000; ++i) {
        auto rectangle = std::make_shared<TDRectangle>();
        rectangle->setTransformation(TDGraphic::transformForBounds(Rect(float(i), float(i % 97), 5, 7)));
        document.layers()[0]->addGraphicVeryQuietly(rectangle);
    }
    const QString path = folder + "/many.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type));
    const TDGraphicArray &children = opened.layers()[0]->graphics();
    ASSERT_EQ(children.size(), 3000u);
    int wrong = 0;
    for (int i = 0; i < 3000; ++i)
        wrong += children[size_t(i)]->transformation() !=
                 TDGraphic::transformForBounds(Rect(float(i), float(i % 97), 5, 7));
    EXPECT_EQ(wrong, 0);
}

TEST_F(PackageFixture, StyledTextAndItsSettingsRoundTrip)
{
    auto box = add(document, "text", Rect(10, 10, 200, 100));
    TDFillStyle &fill = *box->fillStyle();
    fill.setStyle(TDFillText);
    QTextDocument text;
    TDAttributedText::prepare(text);
    QTextCursor cursor(&text);
    QTextCharFormat plain = TDAttributedText::defaultCharFormat();
    cursor.insertText(QStringLiteral("plain "), plain);
    QTextCharFormat styled = plain;
    styled.setFontFamilies(QStringList{QStringLiteral("DejaVu Serif")});
    styled.setFontWeight(QFont::Bold);
    styled.setFontItalic(true);
    styled.setFontPointSize(21.5);
    styled.setForeground(QColor(200, 10, 30));
    styled.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    styled.setFontLetterSpacing(2.5);
    styled.setProperty(TDAttributedText::BaselineOffset, 4.0);
    cursor.insertText(QStringLiteral("styled"), styled);
    QTextBlockFormat paragraph;
    paragraph.setAlignment(Qt::AlignHCenter);
    paragraph.setProperty(TDAttributedText::LineHeightMultiple, 1.5);
    cursor.insertBlock(paragraph);
    cursor.insertText(QStringLiteral("second"), plain);
    fill.setContents(text);
    fill.setLineFragmentPadding(7);
    fill.setHyphenation(0.6f);
    fill.setTextBackground(true);

    const QString path = folder + "/text.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type)) << document.lastError().toStdString();
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type)) << opened.lastError().toStdString();
    const TDFillStyle &read = *opened.layers()[0]->graphics().back()->fillStyle();
    ASSERT_EQ(read.style(), TDFillText);
    ASSERT_TRUE(read.contents());
    EXPECT_EQ(read.contents()->toPlainText(), QStringLiteral("plain styled\nsecond"));
    EXPECT_EQ(read.lineFragmentPadding(), 7);
    EXPECT_EQ(read.hyphenation(), 0.6f);
    EXPECT_TRUE(read.textBackground());

    QTextCursor at(read.contents());
    at.setPosition(8);
    const QTextCharFormat back = at.charFormat();
    EXPECT_EQ(back.font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(back.font().bold());
    EXPECT_TRUE(back.font().italic());
    EXPECT_EQ(back.font().pointSizeF(), 21.5);
    EXPECT_EQ(back.foreground().color(), QColor(200, 10, 30));
    EXPECT_EQ(back.fontLetterSpacing(), 2.5);
    EXPECT_EQ(back.doubleProperty(TDAttributedText::BaselineOffset), 4.0);
    at.setPosition(3);
    EXPECT_EQ(at.charFormat().font().resolve(read.contents()->defaultFont()).family(), QStringLiteral("DejaVu Sans"));
    const QTextBlock second = read.contents()->begin().next();
    EXPECT_EQ(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(TDAttributedText::lineHeightMultiple(second.blockFormat()), 1.5);
    EXPECT_EQ(TDAttributedText::lineHeightMultiple(read.contents()->begin().blockFormat()), 1.0);
}
