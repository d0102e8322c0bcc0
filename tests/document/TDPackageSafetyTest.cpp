// Packages from strangers and saves under attack: links and special files
// inside a package, drawings that would be saved in a form that cannot be
// read again, paths a crashed save left empty, files changed behind the
// program's back, folders the user cannot write, and what opening reads.
// (Failures and crashes at every step of a save: TDPackageTest.cpp.)
// Every fixture is made here (links, pipes, sparse files), none is kept.

#include "ChangedFile.h"
#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPackageWrapper.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "platform/KeyedArchiver.h"
#include "platform/WorkBudget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace scrivane;
using namespace scrivane::doctest;

namespace {

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

int modeOf(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

int currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return int(mask);
}

void makeLink(const QString &target, const QString &link)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0)
        << link.toStdString();
}

void makePipe(const QString &path)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
}

void setMode(const QString &path, int mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0) << path.toStdString();
}

// A file of `size` bytes that holds no data: a hole from start to end.
void makeSparseFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size));
}

qint64 bytesOnDisk(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? qint64(info.st_blocks) * 512 : -1;
}

// Every file under the folder (links and hidden ones too) that holds `text`.
QStringList filesHolding(const QString &folder, const QByteArray &text)
{
    QStringList found;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                             QDir::NoDotAndDotDot)) {
        if (entry.isSymLink())
            continue;
        if (entry.isDir())
            found += filesHolding(entry.absoluteFilePath(), text);
        else if (entry.isFile() && readFile(entry.absoluteFilePath()).contains(text))
            found.append(entry.absoluteFilePath());
    }
    return found;
}

// A dictionary whose array at each level holds the array of the level
// below twice: small as stored with its sharing, 2^levels values unfolded.
PropertyList doublingArrays(int levels)
{
    PropertyList level{PropertyList::Array{PropertyList(QStringLiteral("leaf"))}};
    for (int i = 0; i < levels; ++i)
        level = PropertyList(PropertyList::Array{level, level});
    return level;
}

const QString KeyA = QString(56, QLatin1Char('A'));

} // namespace

// A received package with hidden links to private files, to a device, to a
// folder, with pipes and with a sparse file: a save carried links over by
// following them (leaking the file, reading /dev/zero until memory ran out,
// blocking on the pipe, failing on the folder).  Only regular files and
// folders are carried over now, never more open than they were.
TEST_F(PackageFixture, ASaveNeverCarriesWhatLinksAndSpecialFilesInThePackageLeadTo)
{
    const QString outside = folder + "/outside";
    QDir().mkpath(outside);
    writeFile(outside + "/private.txt", "secret of the user");
    setMode(outside + "/private.txt", 0600);
    writeFile(outside + "/private.png", solidPng(3, 3, Qt::yellow) + "secret of the user");

    auto picture = addImageShape(document, solidPng(2, 2, Qt::blue));
    // A fill whose picture the store does not hold: a save carries its file
    // over from the package, but not when that file is a link.
    const QString notInStore = QString(56, QLatin1Char('K'));
    auto unheld = add(document, "unheld");
    unheld->fillStyle()->setStyle(TDFillImage);
    unheld->fillStyle()->setImageKey(notInStore);
    const QString path = folder + "/received.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type)) << document.lastError().toStdString();

    makeLink(outside + "/private.txt", path + "/.secret");
    makeLink("/dev/zero", path + "/.zero");
    makePipe(path + "/.pipe");
    makeLink(outside, path + "/.folder");
    makeLink(outside + "/private.png", path + "/" + notInStore + ".png");
    writeFile(path + "/.kept", "kept");
    setMode(path + "/.kept", 0640);
    makeSparseFile(path + "/.sparse", 64LL << 20);
    QDir(path).mkdir(".nested");
    writeFile(path + "/.nested/inner.txt", "inner");
    makeLink(outside + "/private.txt", path + "/.nested/link");
    makePipe(path + "/.nested/pipe");

    // Where the file system keeps holes at all, the copy keeps them too.
    const bool holes = bytesOnDisk(path + "/.sparse") < (1LL << 20);
    add(document, "more");
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();

    const QString key = picture->fillStyle()->imageKey();
    EXPECT_EQ(folderEntries(path), (QStringList{".kept", ".nested", ".sparse", key + ".png", "data"}));
    EXPECT_EQ(folderEntries(path + "/.nested"), QStringList{"inner.txt"});
    EXPECT_TRUE(filesHolding(path, "secret of the user").isEmpty())
        << filesHolding(path, "secret of the user").join(", ").toStdString();
    EXPECT_EQ(readFile(path + "/.kept"), "kept");
    EXPECT_EQ(modeOf(path + "/.kept") & ~0640, 0);
    EXPECT_EQ(QFileInfo(path + "/.sparse").size(), 64LL << 20);
    if (holes) {
        EXPECT_LT(bytesOnDisk(path + "/.sparse"), 1LL << 20);
    }
    EXPECT_EQ(readFile(outside + "/private.txt"), "secret of the user");
    EXPECT_EQ(modeOf(outside + "/private.txt"), 0600);
    EXPECT_TRUE(leftovers(folder).isEmpty());
    EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  picture", "  unheld", "  more"}));
}

TEST_F(PackageFixture, SavedFilesAreNeverMoreOpenThanWhatTheyReplace)
{
    const int mask = currentUmask();
    addImageShape(document, solidPng(2, 2, Qt::red));
    const QString path = folder + "/private.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    EXPECT_EQ(modeOf(path), 0777 & ~mask);
    EXPECT_EQ(modeOf(path + "/data"), 0666 & ~mask);

    // The user made the drawing private; saving keeps it so.
    setMode(path + "/data", 0600);
    setMode(path, 0700);
    add(document, "more");
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
    EXPECT_EQ(modeOf(path), 0700 & ~mask);
    for (const QString &name : folderEntries(path))
        EXPECT_EQ(modeOf(path + "/" + name) & ~0600, 0) << name.toStdString();

    // An older package's drawing is its "data.yaml".
    const QString older = makePackage(folder + "/older.scrivane", {{"data.yaml", "Layers:\n  - Name: Older\n"}});
    setMode(older + "/data.yaml", 0600);
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(older, Type)) << opened.lastError().toStdString();
    add(opened, "more");
    ASSERT_TRUE(opened.saveDocument()) << opened.lastError().toStdString();
    EXPECT_EQ(modeOf(older + "/data") & ~0600, 0);
}

// A 3 KB package whose info dictionary holds arrays shared twice per level,
// 22 levels deep, opened, but its save unfolded the sharing into 200 MB
// that the reader then refused, and the previous package was gone.
TEST_F(PackageFixture, ADrawingThatSharesItsPartsSavesSmallAndOpensAgain)
{
    PropertyList d = minimalDictionary();
    d.insert("Info", PropertyList(PropertyList::Dictionary{{"title", "shared"}, {"keywords", doublingArrays(22)}}));
    const QByteArray data = archive(d);
    ASSERT_LT(data.size(), 4096);
    const QString path = makePackage(folder + "/shared.scrivane", {{"data", data}});
    ASSERT_TRUE(document.readFromFile(path, Type)) << document.lastError().toStdString();
    add(document, "more");
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
    EXPECT_LT(QFileInfo(path + "/data").size(), 64 * 1024);
    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type)) << opened.lastError().toStdString();
    EXPECT_EQ(opened.infoDictionary().value("keywords"), doublingArrays(22));
}

// What the reader would refuse is never written over a package that opens.
TEST_F(PackageFixture, ASaveThatCouldNotBeOpenedAgainFailsAndLeavesThePreviousPackage)
{
    PropertyList deep{PropertyList::Array{}};
    for (int i = 0; i < 600; ++i)
        deep = PropertyList(PropertyList::Array{deep});
    const struct {
        const char *name;
        PropertyList keywords;
        const char *reason;
    } cases[] = {
        {"more values than the reader takes", doublingArrays(25), "unfolds into more than"},
        {"nested deeper than the reader goes", deep, "nests deeper than"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TDDocument doc;
        add(doc, "saved");
        const QString path = freshFolder() + "/limits.scrivane";
        ASSERT_TRUE(doc.saveDocumentAs(path, Type));
        doc.setInfoValue("keywords", c.keywords);
        EXPECT_FALSE(doc.saveDocument());
        EXPECT_TRUE(doc.lastError().contains("cannot be opened again")) << doc.lastError().toStdString();
        EXPECT_TRUE(doc.lastError().contains(c.reason)) << doc.lastError().toStdString();
        EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  saved"}));
        EXPECT_TRUE(leftovers(QFileInfo(path).absolutePath()).isEmpty());
    }
}

TEST_F(PackageFixture, OpeningAnEmptyPathPutsBackTheNewestWholeDrawingASaveLeftBeside)
{
    add(document, "kept");
    const QString path = folder + "/interrupted.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    ASSERT_TRUE(QDir().rename(path, folder + "/.interrupted.scrivane.scrivanebak-1a"));
    // A new package whose drawing was cut short is no candidate.
    makePackage(folder + "/.interrupted.scrivane.scrivanetmp-2b", {{"data", "bplist00 cut"}});
    // Nor is a package of another name.
    TDDocument other;
    add(other, "other");
    ASSERT_TRUE(other.saveDocumentAs(folder + "/other.scrivane", Type));
    ASSERT_TRUE(QDir().rename(folder + "/other.scrivane", folder + "/.other.scrivane.scrivanebak-3c"));

    TDDocument opened;
    ASSERT_TRUE(opened.readFromFile(path, Type)) << opened.lastError().toStdString();
    EXPECT_EQ(contents(opened), (QStringList{"Layer 1", "  kept"}));
    EXPECT_EQ(leftovers(folder),
              (QStringList{".interrupted.scrivane.scrivanetmp-2b", ".other.scrivane.scrivanebak-3c"}));
    EXPECT_FALSE(opened.readFromFile(folder + "/never.scrivane", Type));

    // The previous package of an older drawing holds only "data.yaml".
    makePackage(folder + "/.older.scrivane.scrivanebak-4d", {{"data.yaml", "Layers:\n  - Name: Older\n"}});
    ASSERT_TRUE(opened.readFromFile(folder + "/older.scrivane", Type)) << opened.lastError().toStdString();
    EXPECT_EQ(contents(opened), QStringList{"Older"});
}

// An in-place save replaced whatever stood at the path, as if it were still
// the package the document came from.
TEST_F(PackageFixture, ASaveInPlaceNoticesThatThePathChangedBehindItsBack)
{
    struct Case {
        const char *name;
        std::function<void(const QString &path, const QString &elsewhere)> change;
        bool link = false;
    };
    const auto remove = [](const QString &path) { ASSERT_TRUE(QDir(path).removeRecursively()); };
    const Case cases[] = {
        {"another package put in its place",
         [&](const QString &path, const QString &) {
             remove(path);
             TDDocument intruder;
             add(intruder, "intruder");
             ASSERT_TRUE(intruder.saveDocumentAs(path, Type));
         }},
        {"a plain file put in its place",
         [&](const QString &path, const QString &) {
             remove(path);
             writeFile(path, "someone's notes");
         }},
        {"a link to a package elsewhere put in its place",
         [&](const QString &path, const QString &elsewhere) {
             remove(path);
             makeLink(elsewhere, path);
         },
         true},
        {"removed", [&](const QString &path, const QString &) { remove(path); }},
        {"its drawing rewritten in place",
         [&](const QString &path, const QString &) { ASSERT_TRUE(test::rewriteBehindTheProgramsBack(path)); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = freshFolder();
        const QString path = base + "/mine.scrivane";
        const QString elsewhere = base + "/elsewhere.scrivane";
        TDDocument other;
        add(other, "elsewhere");
        ASSERT_TRUE(other.saveDocumentAs(elsewhere, Type));
        TDDocument doc;
        add(doc, "mine");
        ASSERT_TRUE(doc.saveDocumentAs(path, Type));
        ASSERT_TRUE(doc.saveDocument()); // its own save is no change
        c.change(path, elsewhere);
        const QStringList changed = folderEntries(base);
        const QByteArray notes = readFile(path);

        add(doc, "more");
        EXPECT_TRUE(doc.fileChangedOnDisk());
        EXPECT_FALSE(doc.saveDocument());
        EXPECT_TRUE(doc.lastSaveFoundFileChanged());
        EXPECT_TRUE(doc.lastError().contains("changed, replaced or removed")) << doc.lastError().toStdString();
        EXPECT_EQ(folderEntries(base), changed);
        EXPECT_EQ(readFile(path), notes);

        // Saving anyway writes the drawing, through a link into the package
        // it names.
        ASSERT_TRUE(doc.saveDocument(TDDocumentBase::ChangedFile::Overwrite)) << doc.lastError().toStdString();
        EXPECT_FALSE(doc.lastSaveFoundFileChanged());
        EXPECT_EQ(QFileInfo(path).isSymLink(), c.link);
        EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  mine", "  more"}));
        if (c.link) {
            EXPECT_EQ(contentsOfPackage(elsewhere), (QStringList{"Layer 1", "  mine", "  more"}));
        }
        EXPECT_FALSE(doc.fileChangedOnDisk());
        EXPECT_TRUE(doc.saveDocument());
        EXPECT_TRUE(leftovers(base).isEmpty());
    }
}

// An older package holds its drawing in "data.yaml" only: a change to it
// went unnoticed, and so did a "data.yaml" put beside "data", which the
// next opening reads instead.
TEST_F(PackageFixture, AChangedYamlDrawingIsNoticedBeforeASaveInPlace)
{
    const QByteArray yaml = "Layers:\n  - Name: From yaml\n";
    struct Case {
        const char *name;
        std::map<QString, QByteArray> files;
        std::function<void(const QString &path)> change;
    };
    const Case cases[] = {
        {"its data.yaml rewritten",
         {{"data.yaml", yaml}},
         [](const QString &path) { ASSERT_TRUE(test::rewriteBehindTheProgramsBack(path, "data.yaml")); }},
        {"a data.yaml put beside its data",
         {{"data", archive(minimalDictionary())}},
         [&](const QString &path) {
             writeFile(path + "/data.yaml", yaml);
             ASSERT_TRUE(test::rewriteBehindTheProgramsBack(path, "data.yaml"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = makePackage(freshFolder() + "/older.scrivane", c.files);
        TDDocument doc;
        ASSERT_TRUE(doc.readFromFile(path, Type)) << doc.lastError().toStdString();
        EXPECT_FALSE(doc.fileChangedOnDisk());
        c.change(path);
        EXPECT_TRUE(doc.fileChangedOnDisk());
        add(doc, "mine");
        EXPECT_FALSE(doc.saveDocument());
        EXPECT_TRUE(doc.lastSaveFoundFileChanged());
        ASSERT_TRUE(doc.saveDocument(TDDocumentBase::ChangedFile::Overwrite)) << doc.lastError().toStdString();
        EXPECT_FALSE(doc.fileChangedOnDisk());
    }
}

// Save as onto a link replaced the link and left the package it named
// stale.
TEST_F(PackageFixture, SaveAsOntoALinkWritesThePackageItNamesOrRefuses)
{
    TDDocument other;
    add(other, "old");
    const QString target = folder + "/real.scrivane";
    ASSERT_TRUE(other.saveDocumentAs(target, Type));
    const QString link = folder + "/link.scrivane";
    makeLink(target, link);
    add(document, "mine");
    ASSERT_TRUE(document.saveDocumentAs(link, Type)) << document.lastError().toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentsOfPackage(target), (QStringList{"Layer 1", "  mine"}));
    EXPECT_EQ(document.fileName(), link);

    const QString dangling = folder + "/dangling.scrivane";
    makeLink(folder + "/nowhere.scrivane", dangling);
    EXPECT_FALSE(document.saveDocumentAs(dangling, Type));
    EXPECT_TRUE(document.lastError().contains("does not exist")) << document.lastError().toStdString();
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(folder + "/nowhere.scrivane"));
    EXPECT_TRUE(leftovers(folder).isEmpty());
}

// A save into a package folder the user may not write reported success and
// left a hidden backup behind every time.
TEST_F(PackageFixture, ASaveIntoAFolderTheUserCannotWriteFailsAndLeavesNothing)
{
    if (runningAsRoot())
        GTEST_SKIP() << "permissions do not stop the superuser";
    add(document, "kept");
    const QString path = folder + "/locked.scrivane";
    ASSERT_TRUE(document.saveDocumentAs(path, Type));
    setMode(path, 0555);
    add(document, "unsaved");
    EXPECT_FALSE(document.saveDocument());
    EXPECT_TRUE(document.lastError().contains("no permission")) << document.lastError().toStdString();
    EXPECT_TRUE(leftovers(folder).isEmpty());
    EXPECT_EQ(contentsOfPackage(path), (QStringList{"Layer 1", "  kept"}));
    setMode(path, 0755);

    // A read-only folder of the user's inside the package goes with the
    // previous package.
    QDir(path).mkdir(".readonly");
    writeFile(path + "/.readonly/inside", "x");
    setMode(path + "/.readonly", 0555);
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
    ASSERT_TRUE(document.saveDocument()) << document.lastError().toStdString();
    EXPECT_TRUE(leftovers(folder).isEmpty()) << leftovers(folder).join(", ").toStdString();
    EXPECT_EQ(readFile(path + "/.readonly/inside"), "x");
    setMode(path + "/.readonly", 0755);
}

// Opening read every file of a package whole, hidden ones and images
// nothing used included, following links and waiting on pipes.
TEST_F(PackageFixture, OpeningReadsOnlyTheRegularFilesTheDrawingUses)
{
    const QByteArray used = solidPng(4, 4, QColor(1, 2, 3));
    const QByteArray unused = solidPng(4, 4, QColor(3, 2, 1));
    const QString path = packageUsingImage(folder + "/entries.scrivane", KeyA, used);
    writeFile(path + "/" + QString(56, QLatin1Char('E')) + ".png", unused);
    makeLink("/dev/zero", path + "/" + QString(56, QLatin1Char('Z')) + ".png");
    makePipe(path + "/" + QString(56, QLatin1Char('P')) + ".png");
    makeSparseFile(path + "/.hidden", 3LL << 30);
    writeFile(path + "/.unreadable", "x");
    setMode(path + "/.unreadable", 0);

    ASSERT_TRUE(document.readFromFile(path, Type)) << document.lastError().toStdString();
    const TDGlobalImageStore &store = TDGlobalImageStore::instance();
    ASSERT_NE(store.entry(KeyA), nullptr);
    EXPECT_EQ(store.entry(KeyA)->data, used);
    for (const QString &key : store.keys())
        EXPECT_NE(store.entry(key)->data, unused);
    setMode(path + "/.unreadable", 0644);

    // A "data" that is a link (to a drawing outside, here) is not read.
    const QString linked = makePackage(folder + "/linked.scrivane", {});
    makeLink(path + "/data", linked + "/data");
    EXPECT_FALSE(document.readFromFile(linked, Type));
    EXPECT_TRUE(document.lastError().contains("no “data” file")) << document.lastError().toStdString();
}

TEST_F(PackageFixture, ALoadWithABudgetRefusesWhatWouldPassIt)
{
    const QString path = packageUsingImage(folder + "/budget.scrivane", KeyA, solidPng(300, 200, Qt::red));
    {
        // And a path of eleven elements.
        TDDocument withPath;
        ASSERT_TRUE(withPath.readFromFile(path, Type)) << withPath.lastError().toStdString();
        PathBase elements;
        elements.moveTo(Point(0, 0));
        for (int i = 1; i <= 10; ++i)
            elements.lineTo(Point(float(i), float(i % 2)));
        withPath.addGraphic(TDBezierGraphic::graphicWithBezierPath(elements));
        ASSERT_TRUE(withPath.saveDocument()) << withPath.lastError().toStdString();
    }
    struct Case {
        const char *name;
        WorkBudget::Limits limits;
        const char *reason; // empty: it opens
    };
    WorkBudget::Limits few;
    WorkBudget::Limits fewBytes = few;
    fewBytes.bytes = 1000;
    WorkBudget::Limits fewPixels = few;
    fewPixels.imagePixels = 300 * 200 - 1;
    WorkBudget::Limits fewValues = few;
    fewValues.values = 10;
    WorkBudget::Limits fewElements = few;
    fewElements.pathElements = 10;
    const Case cases[] = {
        {"within the budget", few, ""},
        {"more bytes", fewBytes, "bytes of memory"},
        {"more image pixels", fewPixels, "image pixels"},
        {"more values", fewValues, "more than 10 values"},
        // Refused while the path is read, before it is built into a graphic.
        {"more path elements", fewElements, "10 path elements"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TDDocument doc;
        doc.setWorkBudget(std::make_shared<WorkBudget>(c.limits));
        const bool opened = doc.readFromFile(path, Type);
        EXPECT_EQ(opened, *c.reason == 0) << doc.lastError().toStdString();
        EXPECT_TRUE(doc.lastError().contains(QString::fromUtf8(c.reason))) << doc.lastError().toStdString();
    }
}
