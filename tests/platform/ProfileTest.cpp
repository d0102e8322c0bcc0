// Colour profiles through lcms2: the folder scan, names, equality, the
// defaults, the linear profile, the soft proof of pixels and the
// soft-proof lookup table.

#include "platform/Profile.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <lcms2.h>

using namespace scrivane;

namespace {

// Ghostscript's CMYK output profile, installed with the program's
// dependencies.
const QString cmykProfilePath = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An sRGB display profile described by `name`.
QByteArray rgbProfileNamed(const QString &name)
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    cmsMLU *description = cmsMLUalloc(nullptr, 1);
    const std::wstring wide = name.toStdWString();
    cmsMLUsetWide(description, "en", "US", wide.c_str());
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    return saved(profile);
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString pathOf(const char *name) const { return QDir(folder.path()).filePath(QLatin1String(name)); }

    QTemporaryDir folder;
};

TEST_F(ProfileTest, TheFolderScanSkipsFilesThatAreNoProfiles)
{
    ASSERT_TRUE(writeFile(pathOf("a-linear.icc"), Profile::linearRGBData()));
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("sub")));
    ASSERT_TRUE(writeFile(pathOf("sub/b-named.icm"), rgbProfileNamed(QStringLiteral("Named"))));
    // A header that promises a profile and then breaks off, and junk.
    QByteArray broken = Profile::linearRGBData().left(200);
    ASSERT_TRUE(writeFile(pathOf("c-broken.icc"), broken));
    ASSERT_TRUE(writeFile(pathOf("d-junk.icc"), QByteArray(4096, 'x')));
    ASSERT_TRUE(writeFile(pathOf("e-not-a-profile.txt"), rgbProfileNamed(QStringLiteral("Ignored"))));

    const std::vector<ProfilePtr> profiles = Profile::arrayOfAllProfiles({folder.path()});
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0]->description(), QStringLiteral("Linear RGB Profile"));
    EXPECT_EQ(profiles[1]->description(), QStringLiteral("Named"));
    EXPECT_EQ(profiles[1]->classType(), Profile::displayClass);
    EXPECT_EQ(profiles[1]->spaceType(), Profile::rgbSpace);
    EXPECT_EQ(profiles[1]->path(), pathOf("sub/b-named.icm"));
}

TEST_F(ProfileTest, NamesAreCutToThirtySixCharactersOnCharacterBoundaries)
{
    struct Row {
        const char *name;
        QString description;
        QString expected;
    };
    const QString forty = QStringLiteral("0123456789012345678901234567890123456789");
    // A character outside the basic plane straddling the cut is left out
    // whole rather than halved.
    const QString straddling = QStringLiteral("01234567890123456789012345678901234") + QString::fromUcs4(U"\U0001F3A8") +
                               QStringLiteral("tail");
    const Row rows[] = {
        {"forty plain characters", forty, forty.left(36)},
        {"short name kept", QStringLiteral("Short"), QStringLiteral("Short")},
        {"exactly thirty-six", forty.left(36), forty.left(36)},
        {"pair at the cut", straddling, straddling.left(35)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(Profile::cutName(row.description), row.expected) << row.name;

    // The name of a scanned profile is its description so cut.
    ASSERT_TRUE(writeFile(pathOf("named.icc"), rgbProfileNamed(forty)));
    const ProfilePtr profile = Profile::profileWithIterateData(pathOf("named.icc"));
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->description(), forty.left(36));
}

TEST_F(ProfileTest, EqualityGoesByPathAndForProfilesWithoutOneByIdentity)
{
    ASSERT_TRUE(writeFile(pathOf("same.icc"), rgbProfileNamed(QStringLiteral("Same"))));
    const ProfilePtr scanned = Profile::profileWithIterateData(pathOf("same.icc"));
    const ProfilePtr opened = Profile::profileWithPath(pathOf("same.icc"));
    ASSERT_TRUE(scanned && opened);
    EXPECT_TRUE(scanned->isEqual(*opened));

    const ProfilePtr linearA = Profile::profileWithLinearRGB();
    const ProfilePtr linearB = Profile::profileWithLinearRGB();
    ASSERT_TRUE(linearA && linearB);
    EXPECT_FALSE(linearA->isEqual(*linearB));
    EXPECT_TRUE(linearA->isEqual(*linearA));
    EXPECT_FALSE(linearA->isEqual(*opened));
}

TEST_F(ProfileTest, LongPathsOpen)
{
    QString deep = folder.path();
    while (deep.size() < 600)
        deep += QStringLiteral("/a-rather-long-folder-name-for-the-test");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString path = deep + QStringLiteral("/profile.icc");
    ASSERT_TRUE(writeFile(path, rgbProfileNamed(QStringLiteral("Deep"))));
    const ProfilePtr profile = Profile::profileWithPath(path);
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->path(), path);
    EXPECT_EQ(profile->description(), QStringLiteral("Deep"));
}

TEST_F(ProfileTest, ACorruptProfileIsRefusedNotFatal)
{
    QByteArray bytes = Profile::linearRGBData();
    // The tag directory's count made absurd.
    bytes[128] = char(0x7f);
    ASSERT_TRUE(writeFile(pathOf("corrupt.icc"), bytes));
    // Whatever lcms2 makes of it, the profile answers every question
    // without taking the process down.
    const int errorsBefore = Profile::errorCount();
    if (const ProfilePtr profile = Profile::profileWithPath(pathOf("corrupt.icc"))) {
        (void)profile->description();
        (void)profile->canProof();
        (void)profile->dataForSoftproofTextureWithGridSize(3);
    }
    EXPECT_GE(Profile::errorCount(), errorsBefore);
    EXPECT_EQ(Profile::profileWithPath(pathOf("missing.icc")), nullptr);
    EXPECT_EQ(Profile::profileWithData(QByteArray(64, '\0')), nullptr);
}

TEST_F(ProfileTest, DefaultsWithoutAStoredPathGiveAnEmptyProfile)
{
    UserDefaults::standard().removeObject(QStringLiteral("DefaultCMYKProfile"));
    const ProfilePtr profile = Profile::profileDefaultCMYK();
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->ref(), nullptr);
    EXPECT_EQ(profile->locationType(), Profile::LocationType::None);
    EXPECT_FALSE(profile->canProof());
}

TEST_F(ProfileTest, GenericAndLinearRGBProfiles)
{
    const ProfilePtr generic = Profile::profileWithGenericRGB();
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(generic->spaceType(), Profile::rgbSpace);
    const ProfilePtr linear = Profile::profileWithLinearRGB();
    ASSERT_NE(linear, nullptr);
    EXPECT_EQ(linear->classType(), Profile::displayClass);
    EXPECT_EQ(linear->spaceType(), Profile::rgbSpace);
    EXPECT_EQ(linear->description(), QStringLiteral("Linear RGB Profile"));
    EXPECT_TRUE(linear->path().isEmpty());
}

TEST_F(ProfileTest, OnlyGreyRGBAndCMYKProfilesProof)
{
    ASSERT_TRUE(writeFile(pathOf("lab.icc"), saved(cmsCreateLab4Profile(nullptr))));
    const ProfilePtr lab = Profile::profileWithPath(pathOf("lab.icc"));
    ASSERT_NE(lab, nullptr);
    EXPECT_FALSE(lab->canProof());
    QImage pixels(4, 4, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(QColor(0, 0, 255));
    EXPECT_FALSE(lab->softProof(pixels, pixels.rect()));
    EXPECT_EQ(pixels.pixelColor(1, 1), QColor(0, 0, 255));
}

TEST_F(ProfileTest, ACMYKProofDullsSaturatedBlueAndKeepsWhite)
{
    if (!QFile::exists(cmykProfilePath))
        GTEST_SKIP() << "no CMYK profile installed";
    const ProfilePtr cmyk = Profile::profileWithPath(cmykProfilePath);
    ASSERT_NE(cmyk, nullptr);
    EXPECT_EQ(cmyk->spaceType(), Profile::cmykSpace);
    ASSERT_TRUE(cmyk->canProof());
    QImage pixels(8, 2, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::white);
    for (int x = 0; x < 4; ++x)
        pixels.setPixelColor(x, 0, QColor(0, 0, 255));
    ASSERT_TRUE(cmyk->softProof(pixels, pixels.rect()));
    const QColor blue = pixels.pixelColor(0, 0);
    EXPECT_GT(std::abs(blue.red()) + std::abs(blue.green()) + std::abs(255 - blue.blue()), 40)
        << blue.name().toStdString();
    const QColor white = pixels.pixelColor(6, 1);
    EXPECT_GE(white.red(), 253);
    EXPECT_GE(white.green(), 253);
    EXPECT_GE(white.blue(), 253);
    // Only the area asked for changes.
    QImage partly(8, 1, QImage::Format_ARGB32_Premultiplied);
    partly.fill(QColor(0, 0, 255));
    cmyk->softProof(partly, QRect(0, 0, 4, 1));
    EXPECT_EQ(partly.pixelColor(6, 0), QColor(0, 0, 255));
    EXPECT_NE(partly.pixelColor(1, 0), QColor(0, 0, 255));

    const std::vector<ProfilePtr> listed =
        Profile::arrayOfAllProfilesWithSpace(Profile::cmykSpace, {QFileInfo(cmykProfilePath).path()});
    ASSERT_FALSE(listed.empty());
    for (const ProfilePtr &profile : listed) {
        EXPECT_EQ(profile->spaceType(), Profile::cmykSpace);
        EXPECT_TRUE(profile->classType() == Profile::outputClass || profile->classType() == Profile::displayClass);
    }
}

TEST_F(ProfileTest, EveryPixelIsProofedAsItsColourAloneWouldBe)
{
    if (!QFile::exists(cmykProfilePath))
        GTEST_SKIP() << "no CMYK profile installed";
    const ProfilePtr cmyk = Profile::profileWithPath(cmykProfilePath);
    ASSERT_TRUE(cmyk && cmyk->canProof());
    // Runs of one colour, colours that come back on later rows and in the
    // same row, a colour in every pixel of a row, and a translucent one.
    const QColor palette[] = {QColor(0, 0, 255), QColor(255, 255, 255), QColor(20, 200, 40),
                              QColor(250, 10, 10), QColor(90, 90, 90, 128)};
    QImage pixels(40, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            pixels.setPixelColor(x, y,
                                 y == 3 ? QColor(x * 6, 255 - x * 6, 128) : palette[(x / (y + 2) + y) % 5]);
    const QImage before = pixels;
    ASSERT_TRUE(cmyk->softProof(pixels, pixels.rect()));
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) {
            QImage alone(1, 1, QImage::Format_ARGB32_Premultiplied);
            alone.setPixel(0, 0, before.pixel(x, y));
            cmyk->softProof(alone, alone.rect());
            ASSERT_EQ(pixels.pixel(x, y), alone.pixel(0, 0)) << x << ", " << y;
            EXPECT_EQ(qAlpha(pixels.pixel(x, y)), qAlpha(before.pixel(x, y)));
        }
}

TEST_F(ProfileTest, TheLookupTableIsBoundedAndMapsWhiteToWhite)
{
    const ProfilePtr linear = Profile::profileWithLinearRGB();
    ASSERT_NE(linear, nullptr);
    for (const unsigned n : {0u, 1u, Profile::maximumGridSize + 1, 0xFFFFFFFFu})
        EXPECT_TRUE(linear->dataForSoftproofTextureWithGridSize(n).isEmpty()) << n;
    const unsigned n = 5;
    const QByteArray table = linear->dataForSoftproofTextureWithGridSize(n);
    ASSERT_EQ(table.size(), qsizetype(n * n * n * 16));
    const auto *entries = reinterpret_cast<const float *>(table.constData());
    const float *last = entries + (n * n * n - 1) * 4;
    EXPECT_NEAR(last[0], 1.0f, 0.02f);
    EXPECT_NEAR(last[1], 1.0f, 0.02f);
    EXPECT_NEAR(last[2], 1.0f, 0.02f);
    EXPECT_EQ(last[3], 1.0f);
    // Red varies fastest: the second entry is a dark red.
    EXPECT_GT(entries[4], entries[5]);
}

} // namespace
