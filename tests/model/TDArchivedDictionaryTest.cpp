// A graphic's stored dictionary is read in place from the archive the first
// time it is met, and as a built dictionary value otherwise (when the
// archive refers to it again, or through objectWithYAML).  Both ways must
// read the same values with the same warnings.

#include "model/TDFillStyle.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedUnarchiver.h"

#include <QtGlobal>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "HandBuiltPlist.h"

#include <vector>

using namespace scrivane;

namespace {

using namespace scrivane::handbuilt;

// Object 1 is a rectangle whose stored dictionary (object 3) names "Name"
// twice, holds an "alphaValue" of the wrong kind and styles with faults of
// their own; object 36 is a list of `listed`.  `fill` is what the
// dictionary's "Fill" refers to; `values` how many of its values are there.
QByteArray storedRectangle(uint64_t root, std::vector<uint64_t> listed, uint64_t fill = 17, int values = 9)
{
    plist_t list = plist_new_array();
    for (uint64_t reference : listed)
        plist_array_append_item(list, uid(reference));
    const uint64_t references[] = {6, 7, 9, 11, 13, 15, fill, 26, 34};
    plist_t stored = plist_new_array();
    for (int i = 0; i < values; ++i)
        plist_array_append_item(stored, uid(references[i]));
    std::vector<plist_t> objects = {
        str("$null"),
        dict({{"$0", uid(3)}, {"$class", uid(2)}}),
        description("TDRectangle"),
        dict({{"NS.keys", array({uid(5), uid(5), uid(8), uid(10), uid(12), uid(14), uid(16), uid(25), uid(33)})},
              {"NS.objects", stored},
              {"$class", uid(4)}}),
        description("NSDictionary"),
        str("Name"), // 5
        str("first"),
        str("second"),
        str("alphaValue"),
        str("half"),
        str("blendMode"), // 10
        plist_new_uint(3),
        str("Visible"),
        plist_new_bool(0),
        str("Roundness"),
        plist_new_real(0.3), // 15
        str("Fill"),
        dict({{"$0", uid(19)}, {"$class", uid(18)}}),
        description("TDFillStyle"),
        dict({{"NS.keys", array({uid(20), uid(21)})}, {"NS.objects", array({uid(22), uid(23)})}, {"$class", uid(4)}}),
        str("FillStyle"), // 20
        str("FillColor"),
        plist_new_uint(1),
        dict({{"space", plist_new_uint(1)},
              {"red", plist_new_real(0.25)},
              {"green", plist_new_real(0.5)},
              {"blue", plist_new_real(0.75)},
              {"alpha", plist_new_real(1)},
              {"$class", uid(24)}}),
        description("TDColor"),
        str("Stroke"), // 25
        dict({{"$0", uid(28)}, {"$class", uid(27)}}),
        description("TDStrokeStyle"),
        dict({{"NS.keys", array({uid(29), uid(30)})}, {"NS.objects", array({uid(31), uid(32)})}, {"$class", uid(4)}}),
        str("StrokeStyle"),
        str("StrokeWidth"), // 30
        str("wide"),
        plist_new_real(3),
        str("Transformation"),
        dict({{"m11", plist_new_real(2)},
              {"m12", plist_new_real(0)},
              {"m21", plist_new_real(0)},
              {"m22", plist_new_real(3)},
              {"tX", plist_new_real(10)},
              {"tY", plist_new_real(20)},
              {"$class", uid(35)}}),
        description("TDAffineTransform"), // 35
        dict({{"NS.objects", list}, {"$class", uid(37)}}),
        description("NSArray"),
    };
    plist_t all = plist_new_array();
    for (plist_t object : objects)
        plist_array_append_item(all, object);
    plist_t top = dict({{"$archiver", str("NSKeyedArchiver")},
                        {"$version", plist_new_uint(100000)},
                        {"$objects", all},
                        {"$top", dict({{"root", uid(root)}})}});
    return binaryList(top);
}

// The warnings logged while it lives.
class WarningLog {
public:
    WarningLog() { s_previous = qInstallMessageHandler(&WarningLog::record), s_lines.clear(); }
    ~WarningLog() { qInstallMessageHandler(s_previous); }
    const std::vector<QString> &lines() const { return s_lines; }

private:
    static void record(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type == QtWarningMsg)
            s_lines.push_back(message);
    }
    static inline std::vector<QString> s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

struct Reading {
    PropertyList yaml;
    std::vector<QString> warnings;
};

} // namespace

TEST(TDArchivedDictionary, AGraphicReadInPlaceReadsAsOneReadFromItsDictionary)
{
    TDModelArchiving::registerClasses();
    std::vector<Reading> readings;
    // In place: the rectangle is the root.
    {
        WarningLog log;
        const auto root = KeyedUnarchiver::unarchive(storedRectangle(1, {}));
        ASSERT_TRUE(root);
        const auto rectangle = root->objectAs<TDRectangle>();
        ASSERT_TRUE(rectangle);
        readings.push_back({rectangle->toYAML(), log.lines()});

        EXPECT_EQ(rectangle->name(), QStringLiteral("second")); // as a dictionary value keeps it
        EXPECT_EQ(rectangle->alphaValue(), 1.0f);
        EXPECT_EQ(rectangle->blendMode(), 3);
        EXPECT_FALSE(rectangle->visible());
        EXPECT_FLOAT_EQ(rectangle->roundness(), 0.3f);
        EXPECT_EQ(rectangle->fillStyle()->style(), TDFillColor);
        EXPECT_EQ(rectangle->fillStyle()->color(), Color::calibratedRGB(0.25f, 0.5f, 0.75f));
        EXPECT_EQ(rectangle->strokeStyle()->strokeWidth(), 3.0f);
        EXPECT_EQ(rectangle->transformation(), AffineTransform(2, 0, 0, 3, 10, 20));
        EXPECT_EQ(log.lines().size(), 2u); // the alpha and the stroke style
    }
    // Built: the dictionary is read as a value before the rectangle meets it.
    {
        WarningLog log;
        const auto root = KeyedUnarchiver::unarchive(storedRectangle(36, {3, 1}));
        ASSERT_TRUE(root);
        const auto rectangle = root->at(1).objectAs<TDRectangle>();
        ASSERT_TRUE(rectangle);
        readings.push_back({rectangle->toYAML(), log.lines()});
    }
    // Through objectWithYAML.
    PropertyList stored;
    {
        WarningLog log;
        const auto root = KeyedUnarchiver::unarchive(storedRectangle(3, {}));
        ASSERT_TRUE(root && root->isDictionary());
        stored = *root;
        readings.push_back({TDRectangle::objectWithYAML(stored)->toYAML(), log.lines()});
    }
    for (size_t i = 1; i < readings.size(); ++i) {
        EXPECT_EQ(readings[i].yaml, readings[0].yaml) << i;
        EXPECT_EQ(readings[i].warnings, readings[0].warnings) << i;
    }

    // A dictionary read in place and met again is built then, the same.
    const auto root = KeyedUnarchiver::unarchive(storedRectangle(36, {1, 3}));
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->at(0).objectAs<TDRectangle>());
    EXPECT_EQ(root->at(1), stored);
}

TEST(TDArchivedDictionary, FaultsInADictionaryReadInPlaceEndTheReading)
{
    TDModelArchiving::registerClasses();
    const struct {
        const char *name;
        QByteArray data;
        const char *message;
    } cases[] = {
        {"holds its graphic", storedRectangle(1, {}, 1), "archived object 1 contains itself"},
        {"refers outside", storedRectangle(1, {}, 99), "object 99, which does not exist"},
        {"a value short", storedRectangle(1, {}, 17, 8), "archived NSDictionary 3 has 9 keys but 8 values"},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(KeyedUnarchiver::unarchive(c.data, &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << c.name << ": " << error.toStdString();
    }
}
