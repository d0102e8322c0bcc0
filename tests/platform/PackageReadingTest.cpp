// Reading packages as untrusted input: which entries a package has, what
// is checked before an entry is read, and the work budget that bounds a
// run of the programs that read packages unasked.

#include "TestEnvironment.h"

#include "platform/PackageFolder.h"
#include "platform/WorkBudget.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace scrivane;

namespace {
void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}
} // namespace

TEST(PackageFolder, HasOnlyTheRegularFilesAndReadsEachAfterCheckingIt)
{
    const QString path = QString::fromStdString(test::temporaryFolder()) + "/entries.scrivane";
    QDir().mkpath(path + "/folder");
    writeFile(path + "/data", "drawing");
    writeFile(path + "/big.png", QByteArray(100, 'x'));
    writeFile(path + "/.hidden", "hidden");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(path + "/zero.png").constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path + "/pipe.png").constData(), 0600), 0);

    QString error;
    const auto package = PackageFolder::open(path, &error);
    ASSERT_TRUE(package) << error.toStdString();
    EXPECT_TRUE(package->isFolder());
    EXPECT_EQ(package->entryNames(), (QStringList{"big.png", "data"}));
    EXPECT_EQ(package->entrySize("big.png"), 100);

    WorkBudget::Limits limits;
    limits.bytes = 50;
    WorkBudget budget(limits);
    EXPECT_EQ(package->read("data", 1000, &budget, &error), QByteArray("drawing"));
    EXPECT_FALSE(package->read("big.png", 99, &budget, &error));
    EXPECT_TRUE(error.contains("larger than 99 bytes")) << error.toStdString();
    EXPECT_FALSE(package->read("big.png", 1000, &budget, &error));
    EXPECT_TRUE(error.contains("bytes of memory")) << error.toStdString();
    EXPECT_FALSE(package->read("zero.png", 1000, nullptr, &error));
    EXPECT_FALSE(package->read(".hidden", 1000, nullptr, &error));

    // An entry turned into a pipe after the listing is refused, not waited
    // on; one read before is not read again.
    ASSERT_TRUE(QFile::remove(path + "/big.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path + "/big.png").constData(), 0600), 0);
    EXPECT_FALSE(package->read("big.png", 1000, nullptr, &error));
    EXPECT_TRUE(error.contains("not a regular file")) << error.toStdString();
    ASSERT_TRUE(QFile::remove(path + "/data"));
    EXPECT_EQ(package->read("data", 1000, nullptr, &error), QByteArray("drawing"));

    EXPECT_FALSE(PackageFolder::open(path + "/pipe.png", &error));
    EXPECT_FALSE(PackageFolder::open(path + "/missing", &error));
    EXPECT_TRUE(error.contains("no document")) << error.toStdString();
}

TEST(WorkBudget, EachBoundRefusesPastItsLimitAndTheFirstReasonStays)
{
    using namespace std::chrono_literals;
    std::chrono::steady_clock::time_point now{};
    WorkBudget::Limits limits;
    limits.bytes = 10;
    limits.imagePixels = 10;
    limits.pathElements = 10;
    limits.rasterRows = 10;
    limits.time = 5s;
    const struct {
        const char *name;
        std::function<bool(WorkBudget &)> charge;
        const char *reason;
    } cases[] = {
        {"bytes", [](WorkBudget &b) { return b.chargeBytes(6) && b.chargeBytes(5); }, "10 bytes of memory"},
        {"image pixels", [](WorkBudget &b) { return b.chargeImagePixels(11); }, "10 image pixels"},
        {"path elements", [](WorkBudget &b) { return b.chargePathElements(10) && b.chargePathElements(1); },
         "10 path elements"},
        {"path elements of a whole drawing",
         [](WorkBudget &b) { return b.chargePathElements(6) && b.chargePathElementsInAll(11); }, "10 path elements"},
        {"raster rows", [](WorkBudget &b) { return b.chargeRasterRows(-1); }, "10 rows"},
        {"time",
         [&now](WorkBudget &b) {
             now += 4s;
             const bool early = b.checkTime();
             now += 2s;
             return early && b.checkTime();
         },
         "5 seconds"},
    };
    for (const auto &c : cases) {
        WorkBudget budget(limits, [&now] { return now; });
        EXPECT_FALSE(c.charge(budget)) << c.name;
        EXPECT_TRUE(budget.exhausted()) << c.name;
        EXPECT_TRUE(budget.failure().contains(QString::fromUtf8(c.reason))) << budget.failure().toStdString();
        // Once spent, nothing more is granted and the reason stays.
        const QString first = budget.failure();
        EXPECT_FALSE(budget.chargeBytes(0)) << c.name;
        EXPECT_EQ(budget.failure(), first);
    }
    WorkBudget roomy(limits, [&now] { return now; });
    // Elements charged while a drawing was read are part of its whole.
    EXPECT_TRUE(roomy.chargeBytes(10) && roomy.chargePathElements(6) && roomy.chargePathElementsInAll(10) &&
                roomy.checkTime());
    EXPECT_FALSE(roomy.exhausted());
}
