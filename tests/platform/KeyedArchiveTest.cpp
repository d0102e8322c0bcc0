#include "ArchiveTestSupport.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/ArchivedTransform.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlistBridge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "HandBuiltPlist.h"

#include <initializer_list>
#include <utility>

using namespace scrivane;
using scrivane::test::archive;
using scrivane::test::runPython;
using scrivane::test::StoredGraphic;

namespace {

// Keyed values of every inline kind plus references, as a class that no
// reader knows.
class UnknownThing : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("TDFutureGraphic"); }
    QStringList archiveClassHierarchy() const override
    {
        return {QStringLiteral("TDFutureGraphic"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
    }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList::Dictionary{{"Name", "Star 1"}, {"Points", 5}});
        archiver.encodeBool(true, QStringLiteral("enabled"));
        archiver.encodeInteger(-3, QStringLiteral("scale"));
        archiver.encodeDouble(0.25, QStringLiteral("ratio"));
        archiver.encodeBytes(QByteArray("\x00\x01\xff", 3), QStringLiteral("blob"));
        archiver.encodePoint(Point(1.5f, -2.0f), QStringLiteral("centre"));
        archiver.encodeObject(PropertyList::Array{"a", 2.5}, QStringLiteral("list"));
    }
};

// Reads one keyed boolean, to check kind mismatches.
class KeyedFlag : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("TestKeyedFlag"); }
    void encode(KeyedArchiver &) const override {}
};

class KeyedArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StoredGraphic::registerClass();
        KeyedUnarchiver::registerClass(QStringLiteral("TestKeyedFlag"),
                                       [](KeyedUnarchiver &u) -> std::shared_ptr<Archivable> {
                                           u.decodeBool(QStringLiteral("flag"));
                                           return std::make_shared<KeyedFlag>();
                                       });
    }
    void SetUp() override
    {
        EncodedDictionary::setFiltersLost(false);
        EncodedDictionary::setWarningHook({});
    }
};

PropertyList everyKind()
{
    auto graphic = std::make_shared<StoredGraphic>(PropertyList::Dictionary{
        {"Name", "Rect 1"},
        {"Visible", true},
        {"alphaValue", 0.5},
        {"Pressure",
         PropertyList::Array{ArchivedPoint::value(Point(0, 1)), ArchivedPoint::value(Point(1, 0.25f))}},
    });
    return PropertyList::Dictionary{
        {"string", "text"},
        {"unicode", QStringLiteral("gr\u00fc\u00df \u20ac \U0001F600")},
        {"empty string", ""},
        {"with NUL", QString::fromUtf16(u"a\0b", 3)},
        {"zero", 0},
        {"negative", -1},
        {"largest", std::numeric_limits<qint64>::max()},
        {"smallest", std::numeric_limits<qint64>::min()},
        {"real", 1.5},
        {"tiny real", 1e-300},
        {"float", double(0.1f)},
        {"yes", true},
        {"no", false},
        {"data", QByteArray("\x00\x01\x02\xfe\xff", 5)},
        {"empty data", QByteArray()},
        {"date", QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 678), Qt::UTC)},
        {"old date", QDateTime(QDate(1850, 1, 1), QTime(0, 0), Qt::UTC)},
        {"array", PropertyList::Array{1, "two", PropertyList(), PropertyList::Array{}}},
        {"dictionary", PropertyList::Dictionary{{"inner", PropertyList::Dictionary{{"deeper", 3}}}}},
        {"empty dictionary", PropertyList::Dictionary{}},
        {"graphic", graphic},
        {"point", ArchivedPoint::value(Point(-0.5f, 3e7f))},
        {"colour", ArchivedColor::value(Color::deviceCMYK(0.1f, 0.2f, 0.3f, 0.4f, 0.5f))},
        {"transform", ArchivedTransform::value(AffineTransform(2, 0.5f, -0.25f, 1, 10.5f, -3))},
    };
}

} // namespace

TEST_F(KeyedArchive, RoundTripsEveryValueKindInBothFormats)
{
    const PropertyList root = everyKind();
    for (const auto format : {PropertyList::Format::Binary, PropertyList::Format::Xml}) {
        QString error;
        const auto data = KeyedArchiver::archivedData(root, format, &error);
        ASSERT_TRUE(data) << error.toStdString();
        const auto decoded = KeyedUnarchiver::unarchive(*data, &error);
        ASSERT_TRUE(decoded) << error.toStdString();
        EXPECT_EQ(*decoded, root);
        EXPECT_EQ(decoded->value("date").toDate(), root.value("date").toDate());
        EXPECT_EQ(decoded->value("with NUL").toString().size(), 3);
        EXPECT_TRUE(decoded->value("graphic").objectAs<StoredGraphic>());
    }
}

// The reader works on the binary layout itself, so it must take any
// writer's choices: libplist's own writer uses other integer and reference
// widths, UTF-16 for text beyond ASCII and its own object order.  Enough
// objects that references need more than one byte; one value shared by
// many objects.
TEST_F(KeyedArchive, ReadsTheSameArchiveInAnotherWritersLayout)
{
    PropertyList::Array graphics;
    const PropertyList shared = ArchivedColor::value(Color::calibratedRGB(0.25f, 0.5f, 1));
    for (int i = 0; i < 400; ++i)
        graphics.emplace_back(std::make_shared<StoredGraphic>(PropertyList::Dictionary{
            {"Name", QStringLiteral("\u00c9toile %1").arg(i)}, {"Index", i}, {"Colour", shared}}));
    PropertyList root = everyKind();
    root.insert(QStringLiteral("graphics"), PropertyList(std::move(graphics)));

    const QByteArray ours = archive(root);
    plist_t tree = nullptr;
    plist_from_bin(ours.constData(), uint32_t(ours.size()), &tree);
    ASSERT_TRUE(tree);
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(tree, &bytes, &length);
    plist_free(tree);
    ASSERT_TRUE(bytes);
    const QByteArray theirs(bytes, qsizetype(length));
    free(bytes);
    ASSERT_NE(theirs, ours);

    for (const QByteArray &data : {ours, theirs}) {
        QString error;
        const auto decoded = KeyedUnarchiver::unarchive(data, &error);
        ASSERT_TRUE(decoded) << error.toStdString();
        EXPECT_EQ(*decoded, root);
        const PropertyList &read = decoded->value("graphics").toArray().at(399);
        const PropertyList &first = decoded->value("graphics").toArray().at(0);
        EXPECT_EQ(read.objectAs<StoredGraphic>()->dictionary.value("Name").toString(),
                  QStringLiteral("\u00c9toile 399"));
        // A value referred to from many objects is still one object.
        EXPECT_EQ(first.objectAs<StoredGraphic>()->dictionary.value("Colour").toObject(),
                  read.objectAs<StoredGraphic>()->dictionary.value("Colour").toObject());
    }
}

TEST_F(KeyedArchive, NullAndScalarRootsRoundTrip)
{
    for (const PropertyList &root :
         {PropertyList(), PropertyList("only"), PropertyList(7), PropertyList(false)})
        EXPECT_EQ(KeyedUnarchiver::unarchive(archive(root)), root);
}

TEST_F(KeyedArchive, AnObjectMetTwiceIsStoredOnceAndDecodedOnce)
{
    auto shared = std::make_shared<StoredGraphic>(PropertyList::Dictionary{{"Name", "Shared"}});
    const PropertyList root = PropertyList::Array{shared, shared, std::make_shared<StoredGraphic>()};
    const auto decoded = KeyedUnarchiver::unarchive(archive(root));
    ASSERT_TRUE(decoded);
    const auto first = decoded->at(0).objectAs<StoredGraphic>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, decoded->at(1).objectAs<StoredGraphic>());
    EXPECT_NE(first, decoded->at(2).objectAs<StoredGraphic>());
}

TEST_F(KeyedArchive, AnObjectThatContainsItselfCannotBeArchived)
{
    auto loop = std::make_shared<StoredGraphic>();
    loop->dictionary = PropertyList::Dictionary{{"Self", loop}};
    QString error;
    EXPECT_FALSE(KeyedArchiver::archivedData(PropertyList(loop), PropertyList::Format::Binary, &error));
    EXPECT_TRUE(error.contains("contains itself")) << error.toStdString();
    loop->dictionary = {}; // break the cycle for the leak checker
}

// python3's plistlib reads the binary output independently and describes
// the layout it finds.
TEST_F(KeyedArchive, PythonReadsTheClassicLayout)
{
    auto graphic =
        std::make_shared<StoredGraphic>(PropertyList::Dictionary{{"Name", "Rect 1"}, {"Locked", false}});
    const PropertyList root = PropertyList::Dictionary{
        {"Layers", PropertyList::Array{graphic, std::make_shared<StoredGraphic>()}},
        {"GridSpacing", 28.35},
        {"Current Layer", -1},
    };
    const char *script = R"(
import plistlib, sys, json
a = plistlib.loads(sys.stdin.buffer.read())
objs = a['$objects']
def get(uid): return objs[uid.data]
def value(uid):
    o = get(uid)
    if isinstance(o, dict):
        cls = get(o['$class'])
        name = cls['$classname']
        if name == 'NSDictionary':
            return {value(k): value(v) for k, v in zip(o['NS.keys'], o['NS.objects'])}
        if name == 'NSArray':
            return [value(v) for v in o['NS.objects']]
        return {'class': name, 'classes': cls['$classes'], 'keys': sorted(k for k in o if k != '$class'),
                'unkeyed': value(o['$0'])}
    return o
names = [o['$classname'] for o in objs if isinstance(o, dict) and '$classname' in o]
print(json.dumps({'archiver': a['$archiver'], 'version': a['$version'], 'null': objs[0],
                  'root': value(a['$top']['root']), 'classes': sorted(names)}))
)";
    int exitCode = 0;
    const auto output = runPython(QString::fromUtf8(script), archive(root), &exitCode);
    if (!output)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(exitCode, 0) << output->toStdString();
    const QJsonObject found = QJsonDocument::fromJson(*output).object();
    EXPECT_EQ(found["archiver"].toString(), "NSKeyedArchiver");
    EXPECT_EQ(found["version"].toInt(), 100000);
    EXPECT_EQ(found["null"].toString(), "$null");
    // Each class is described once.
    EXPECT_EQ(found["classes"].toVariant().toStringList(),
              QStringList({"NSArray", "NSDictionary", "TestGraphic"}));
    const QJsonObject rootObject = found["root"].toObject();
    EXPECT_DOUBLE_EQ(rootObject["GridSpacing"].toDouble(), 28.35);
    EXPECT_EQ(rootObject["Current Layer"].toInt(), -1);
    const QJsonObject layer = rootObject["Layers"].toArray().at(0).toObject();
    EXPECT_EQ(layer["class"].toString(), "TestGraphic");
    EXPECT_EQ(layer["classes"].toVariant().toStringList(), QStringList({"TestGraphic", "TestBase"}));
    EXPECT_EQ(layer["keys"].toVariant().toStringList(), QStringList({"$0"}));
    EXPECT_EQ(layer["unkeyed"].toObject()["Name"].toString(), "Rect 1");
    EXPECT_FALSE(layer["unkeyed"].toObject()["Locked"].toBool(true));
}

// The other direction: an archive written by python's own binary writer
// (other reference sizes, shared strings) decodes.
TEST_F(KeyedArchive, ReadsAnArchiveWrittenByPython)
{
    const char *script = R"(
import plistlib, sys
U = plistlib.UID
objs = ['$null',
        {'NS.keys': [U(2), U(3)], 'NS.objects': [U(4), U(5)], '$class': U(6)},
        'Name', 'Layers', 'Drawing', {'NS.objects': [U(7), U(0)], '$class': U(8)},
        {'$classname': 'NSMutableDictionary', '$classes': ['NSMutableDictionary', 'NSDictionary', 'NSObject']},
        {'$0': U(9), '$class': U(10)},
        {'$classname': 'NSMutableArray', '$classes': ['NSMutableArray', 'NSArray', 'NSObject']},
        {'NS.keys': [U(2)], 'NS.objects': [U(11)], '$class': U(6)},
        {'$classname': 'TestGraphic', '$classes': ['TestGraphic', 'NSObject']},
        'Rect 1']
sys.stdout.buffer.write(plistlib.dumps({'$archiver': 'NSKeyedArchiver', '$version': 100000,
    '$top': {'root': U(1)}, '$objects': objs}, fmt=plistlib.FMT_BINARY))
)";
    int exitCode = 0;
    const auto output = runPython(QString::fromUtf8(script), {}, &exitCode);
    if (!output)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(exitCode, 0);
    QString error;
    const auto decoded = KeyedUnarchiver::unarchive(*output, &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->value("Name").toString(), "Drawing");
    const auto graphic = decoded->value("Layers").at(0).objectAs<StoredGraphic>();
    ASSERT_TRUE(graphic);
    EXPECT_EQ(graphic->dictionary.value("Name").toString(), "Rect 1");
    EXPECT_TRUE(decoded->value("Layers").at(1).isNull());
}

TEST_F(KeyedArchive, AnUnknownClassBecomesAPlaceholderThatIsWrittenBackUnchanged)
{
    QStringList warned;
    EncodedDictionary::setWarningHook([&](const QString &name) { warned.append(name); });
    const PropertyList root =
        PropertyList::Array{std::make_shared<UnknownThing>(), std::make_shared<UnknownThing>()};
    const auto decoded = KeyedUnarchiver::unarchive(archive(root));
    ASSERT_TRUE(decoded);
    const auto placeholder = decoded->at(0).objectAs<EncodedDictionary>();
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->objectForKey("Name").toString(), "Star 1");
    EXPECT_TRUE(placeholder->objectForKey("Missing").isNull());
    EXPECT_EQ(warned, QStringList({"TDFutureGraphic"})); // once per load, not per object
    EXPECT_TRUE(EncodedDictionary::filtersLost());

    // Written back and read again: same class, same hierarchy, same values
    // in the same forms.
    const auto again = KeyedUnarchiver::unarchive(archive(*decoded));
    ASSERT_TRUE(again);
    const auto copy = again->at(1).objectAs<EncodedDictionary>();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->archiveClassName(), "TDFutureGraphic");
    EXPECT_EQ(copy->archiveClassHierarchy(), QStringList({"TDFutureGraphic", "TDGraphic", "NSObject"}));
    auto sorted = [](std::vector<ArchivedEntry> entries) {
        std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.key < b.key; });
        return entries;
    };
    EXPECT_EQ(sorted(copy->entries()), sorted(placeholder->entries()));
    EXPECT_EQ(copy->entries().size(), 7u);
    EXPECT_EQ(copy->description(), "{Name = \"Star 1\"; Points = 5;}");
}

TEST_F(KeyedArchive, ClassesCanBeSubstitutedPerUnarchiverOrForTheProcess)
{
    const QByteArray data =
        archive(PropertyList(std::make_shared<StoredGraphic>(PropertyList::Dictionary{{"Name", "x"}})));
    {
        KeyedUnarchiver unarchiver(data);
        unarchiver.setClass(&EncodedDictionary::decode, StoredGraphic::name());
        const auto root = unarchiver.decodeRoot();
        ASSERT_TRUE(root);
        EXPECT_TRUE(root->objectAs<EncodedDictionary>());
    }
    EXPECT_TRUE(KeyedUnarchiver::unarchive(data)->objectAs<StoredGraphic>());
    KeyedUnarchiver::setGlobalClass(&EncodedDictionary::decode, StoredGraphic::name());
    const auto placeholder = KeyedUnarchiver::unarchive(data)->objectAs<EncodedDictionary>();
    KeyedUnarchiver::setGlobalClass({}, StoredGraphic::name());
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->objectForKey("Name").toString(), "x");
    EXPECT_TRUE(KeyedUnarchiver::unarchive(data)->objectAs<StoredGraphic>());
}

TEST_F(KeyedArchive, ColoursKeepTheirSpaceAndTransformsTheirCoefficients)
{
    const Color colours[] = {Color::calibratedWhite(0.3f, 0.33f), Color::calibratedRGB(0.1f, 0.2f, 0.3f),
                             Color::deviceWhite(1), Color::deviceRGB(1, 0.5f, 0, 0.25f),
                             Color::deviceCMYK(0.9f, 0.1f, 0.0f, 1.0f, 0.7f)};
    PropertyList::Array values;
    for (const Color &colour : colours)
        values.push_back(ArchivedColor::value(colour));
    const AffineTransform transforms[] = {AffineTransform(),
                                          AffineTransform(0.1f, 0.2f, 0.3f, 0.4f, 1e6f, -1e-6f)};
    for (const AffineTransform &transform : transforms)
        values.push_back(ArchivedTransform::value(transform));
    const auto decoded = KeyedUnarchiver::unarchive(archive(values));
    ASSERT_TRUE(decoded);
    for (size_t i = 0; i < std::size(colours); ++i)
        EXPECT_EQ(ArchivedColor::fromValue(decoded->at(i)), colours[i]) << i;
    for (size_t i = 0; i < std::size(transforms); ++i)
        EXPECT_EQ(ArchivedTransform::fromValue(decoded->at(std::size(colours) + i)), transforms[i]) << i;
    EXPECT_FALSE(ArchivedColor::fromValue(decoded->at(std::size(colours))));
}

TEST_F(KeyedArchive, PointsAreStoredAsBraceText)
{
    EXPECT_EQ(KeyedArchiver::stringFromPoint(Point(1.5f, -2)), "{1.5, -2}");
    EXPECT_EQ(KeyedArchiver::stringFromPoint(Point(0.1f, 3e7f)), "{0.1, 3e+07}");
    EXPECT_EQ(KeyedUnarchiver::pointFromString(" {0.1 ,3e+07} ").value(), Point(0.1f, 3e7f));
    for (const char *bad : {"", "{1}", "{1, 2", "1, 2}", "{a, b}", "{1, 2} x"})
        EXPECT_FALSE(KeyedUnarchiver::pointFromString(bad)) << bad;
}

TEST_F(KeyedArchive, EveryTruncationIsAnErrorAndNoByteFlipCrashes)
{
    const QByteArray data = archive(everyKind());
    for (qsizetype length = 0; length < data.size(); ++length) {
        QString error;
        EXPECT_FALSE(KeyedUnarchiver::unarchive(data.left(length), &error)) << length;
        EXPECT_FALSE(error.isEmpty()) << length;
    }
    for (qsizetype i = 0; i < data.size(); ++i) {
        for (const char flip : {char(0x01), char(0x80), char(0xff)}) {
            QByteArray corrupt = data;
            corrupt[i] = char(corrupt[i] ^ flip);
            QString error;
            const auto result = KeyedUnarchiver::unarchive(corrupt, &error);
            EXPECT_TRUE(result || !error.isEmpty());
        }
    }
}

namespace {

// Hand-built archives, for structures no writer of ours produces.
using namespace scrivane::handbuilt;

QByteArray rawArchive(std::vector<plist_t> objects, plist_t rootEntry,
                      plist_t version = plist_new_uint(100000))
{
    plist_t all = plist_new_array();
    plist_array_append_item(all, str("$null"));
    for (plist_t object : objects)
        plist_array_append_item(all, object);
    plist_t top = dict({{"$archiver", str("NSKeyedArchiver")},
                        {"$version", version},
                        {"$objects", all},
                        {"$top", rootEntry ? dict({{"root", rootEntry}}) : plist_new_dict()}});
    return binaryList(top);
}

struct HostileCase {
    const char *name;
    QByteArray data;
    const char *message;
};

} // namespace

TEST_F(KeyedArchive, HostileStructuresGiveClearErrors)
{
    std::vector<HostileCase> cases;
    cases.push_back({"root out of range", rawArchive({str("x")}, uid(9)), "does not exist"});
    cases.push_back({"no root", rawArchive({str("x")}, nullptr), "no root object"});
    cases.push_back({"root not a reference", rawArchive({str("x")}, str("1")), "no root object"});
    cases.push_back({"wrong version", rawArchive({str("x")}, uid(1), plist_new_uint(7)), "unknown version"});
    cases.push_back(
        {"array contains itself",
         rawArchive({dict({{"NS.objects", array({uid(1)})}, {"$class", uid(2)}}), description("NSArray")},
                    uid(1)),
         "contains itself"});
    cases.push_back(
        {"element out of range",
         rawArchive({dict({{"NS.objects", array({uid(77)})}, {"$class", uid(2)}}), description("NSArray")},
                    uid(1)),
         "does not exist"});
    cases.push_back({"object without class", rawArchive({dict({{"$0", uid(0)}})}, uid(1)), "names no class"});
    cases.push_back(
        {"class name not text",
         rawArchive({dict({{"$class", uid(2)}}), dict({{"$classname", plist_new_uint(3)}})}, uid(1)),
         "malformed class description"});
    cases.push_back({"class reference out of range", rawArchive({dict({{"$class", uid(40)}})}, uid(1)),
                     "missing class description"});
    cases.push_back(
        {"key not text",
         rawArchive(
             {dict({{"NS.keys", array({uid(3)})}, {"NS.objects", array({uid(3)})}, {"$class", uid(2)}}),
              description("NSDictionary"), plist_new_uint(5)},
             uid(1)),
         "key that is not text"});
    cases.push_back(
        {"keys and values differ in number",
         rawArchive({dict({{"NS.keys", array({uid(3)})}, {"NS.objects", array({})}, {"$class", uid(2)}}),
                     description("NSDictionary"), str("k")},
                    uid(1)),
         "1 keys but 0 values"});
    cases.push_back({"elements not references",
                     rawArchive({dict({{"NS.objects", array({str("inline")})}, {"$class", uid(2)}}),
                                 description("NSArray")},
                                uid(1)),
                     "not a list of references"});
    cases.push_back({"a list where a value belongs", rawArchive({array({uid(0)})}, uid(1)), "cannot hold"});
    cases.push_back(
        {"keyed flag is text",
         rawArchive({dict({{"flag", str("YES")}, {"$class", uid(2)}}), description("TestKeyedFlag")}, uid(1)),
         "\"flag\" of archived TestKeyedFlag is not a number"});
    cases.push_back(
        {"unkeyed value not a reference",
         rawArchive({dict({{"$0", str("inline")}, {"$class", uid(2)}}), description("TestGraphic")}, uid(1)),
         "\"$0\" of archived TestGraphic is not a reference"});
    cases.push_back(
        {"date without time",
         rawArchive({dict({{"NS.time", str("now")}, {"$class", uid(2)}}), description("NSDate")}, uid(1)),
         "holds no time"});
    cases.push_back(
        {"unknown colour space",
         rawArchive({dict({{"space", plist_new_uint(9)}, {"$class", uid(2)}}), description("TDColor")},
                    uid(1)),
         "unknown colour space 9"});
    cases.push_back({"transform with NaN",
                     rawArchive({dict({{"m11", plist_new_real(std::nan(""))}, {"$class", uid(2)}}),
                                 description("TDAffineTransform")},
                                uid(1)),
                     "(m11) that is not a finite number"});
    cases.push_back({"not an archive", QByteArray("<plist><dict/></plist>"), "not a keyed archive"});
    cases.push_back({"junk", QByteArray("\x01\x02junk"), "not a valid property list"});
    cases.push_back({"empty", QByteArray(), "empty"});

    // Deep nesting of objects: each array holds the next.
    {
        std::vector<plist_t> chain{description("NSArray")};
        const int depth = 3000;
        for (int i = 0; i < depth; ++i)
            chain.push_back(
                dict({{"NS.objects", array({uid(i + 3 < depth + 2 ? i + 3 : 0)})}, {"$class", uid(1)}}));
        cases.push_back({"deep nesting", rawArchive(chain, uid(2)), "nests deeper than"});
    }
    // Sharing that unfolds into 2^60 values: each array holds the previous
    // one twice.
    {
        std::vector<plist_t> levels{description("NSArray"),
                                    dict({{"NS.objects", array({})}, {"$class", uid(1)}})};
        for (int i = 0; i < 60; ++i)
            levels.push_back(dict({{"NS.objects", array({uid(i + 2), uid(i + 2)})}, {"$class", uid(1)}}));
        cases.push_back({"exponential sharing", rawArchive(levels, uid(61)), "unfolds into more than"});
    }

    for (const HostileCase &c : cases) {
        QString error;
        EXPECT_FALSE(KeyedUnarchiver::unarchive(c.data, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << c.name << ": " << error.toStdString();
    }
}

namespace {
// A dictionary whose array at each level holds the array of the level
// below twice, `levels` deep: small as shared storage, 2^levels values
// once unfolded.
PropertyList doublingArrays(int levels)
{
    PropertyList level{PropertyList::Array{PropertyList(QStringLiteral("leaf"))}};
    for (int i = 0; i < levels; ++i)
        level = PropertyList(PropertyList::Array{level, level});
    return PropertyList(PropertyList::Dictionary{{"Shared", level}});
}
} // namespace

TEST_F(KeyedArchive, SharedArraysAreWrittenOnceAndReadBackShared)
{
    const PropertyList tree = doublingArrays(22);
    QString error;
    const auto data = KeyedArchiver::archivedData(tree, PropertyList::Format::Binary, &error);
    ASSERT_TRUE(data) << error.toStdString();
    // Unfolded, the archive would hold four million arrays.
    EXPECT_LT(data->size(), 4096);
    ASSERT_TRUE(KeyedUnarchiver::checkLimits(*data, PropertyListLimits(), &error)) << error.toStdString();
    const auto read = KeyedUnarchiver::unarchive(*data, &error);
    ASSERT_TRUE(read) << error.toStdString();
    PropertyList deepest = read->value("Shared");
    for (int i = 0; i < 22; ++i) {
        ASSERT_EQ(deepest.size(), 2u) << i;
        EXPECT_NE(deepest.at(0).sharedContainer(), nullptr);
        deepest = deepest.at(1);
    }
    EXPECT_EQ(deepest, PropertyList(PropertyList::Array{PropertyList(QStringLiteral("leaf"))}));
    // Written again, it stays as small.
    const auto again = KeyedArchiver::archivedData(*read);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), data->size());
}

TEST_F(KeyedArchive, TheLimitCheckRefusesWhatTheReaderRefuses)
{
    struct Case {
        const char *name;
        QByteArray data;
        PropertyListLimits limits;
        const char *message; // empty: both accept
    };
    const QByteArray doubling = KeyedArchiver::archivedData(doublingArrays(12)).value_or(QByteArray());
    PropertyListLimits few;
    few.maxNodes = 8000; // the archive unfolds into 2^13 arrays and more
    PropertyListLimits shallow;
    shallow.maxDepth = 10;
    std::vector<plist_t> cycle{dict({{"NS.objects", array({uid(1)})}, {"$class", uid(2)}}), description("NSArray")};
    const Case cases[] = {
        {"within every limit", doubling, PropertyListLimits(), ""},
        {"too many values", doubling, few, "unfolds into more than 8000"},
        {"too deep", doubling, shallow, "nests deeper than 10"},
        {"contains itself", rawArchive(cycle, uid(1)), PropertyListLimits(), "contains itself"},
        {"not an archive", QByteArray("\x01\x02junk"), PropertyListLimits(), "not a valid property list"},
    };
    for (const Case &c : cases) {
        QString checked, read;
        const bool within = KeyedUnarchiver::checkLimits(c.data, c.limits, &checked);
        KeyedUnarchiver unarchiver(c.data, c.limits);
        const bool readable = unarchiver.decodeRoot().has_value();
        read = unarchiver.errorString();
        EXPECT_EQ(within, readable) << c.name << ": " << checked.toStdString() << " / " << read.toStdString();
        EXPECT_EQ(within, *c.message == 0) << c.name;
        EXPECT_TRUE(checked.contains(QString::fromUtf8(c.message))) << c.name << ": " << checked.toStdString();
    }
}

// Equal numbers, booleans and data are one archived value wherever they
// stand, equal lists of references one list of the property list, and a
// large archive takes three-byte references; libplist and python's reader
// must read such a file to the same values as the archive's own reader.
TEST_F(KeyedArchive, SharedValuesAndWideListsAreReadByEveryReader)
{
    // 30,000 graphics of alike values: well over 65,536 objects.
    constexpr int count = 30000;
    PropertyList::Array graphics;
    for (int i = 0; i < count; ++i) {
        graphics.push_back(std::make_shared<StoredGraphic>(PropertyList::Dictionary{
            {"Name", QStringLiteral("Rect %1").arg(i)},
            {"Visible", true},
            {"Locked", false},
            {"Roundness", 0.0},
            {"Width", double(float(i) / 7)}, // exactly a float: four bytes
            {"Dashes", PropertyList::Array{}},
            {"Precise", 0.1}, // not a float: eight bytes
            {"Bytes", QByteArray("\x01\x02", 2)},
            {"Index", i % 3},
        }));
    }
    const PropertyList root = PropertyList::Dictionary{{"Layers", PropertyList(std::move(graphics))}};
    const QByteArray data = archive(root);

    QString error;
    const auto decoded = KeyedUnarchiver::unarchive(data, &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(*decoded, root);

    // Sharing: per graphic its object, its dictionary, the dictionary's
    // value list, its name and its width; the rest is stored once.
    PlistBridge::Node node;
    {
        plist_t parsed = nullptr;
        plist_from_bin(data.constData(), uint32_t(data.size()), &parsed);
        node.reset(parsed);
    }
    ASSERT_TRUE(node) << "libplist did not read the archive";
    plist_t objects = plist_dict_get_item(node.get(), "$objects");
    ASSERT_TRUE(objects);
    EXPECT_LT(plist_array_get_size(objects), uint32_t(count * 5 + 100));
    // The reference width: the trailer's last-but-25th byte.
    EXPECT_EQ(quint8(data[data.size() - 25]), 3);
    // libplist reads every name and the four-byte widths as they were.
    int names = 0;
    bool lastWidth = false;
    for (plist_t item : PlistBridge::arrayItems(objects)) {
        if (plist_get_node_type(item) == PLIST_STRING) {
            char *text = nullptr;
            plist_get_string_val(item, &text);
            names += QByteArray(text).startsWith("Rect ") ? 1 : 0;
            free(text);
        } else if (plist_get_node_type(item) == PLIST_REAL) {
            double real = 0;
            plist_get_real_val(item, &real);
            lastWidth = lastWidth || real == double(float(count - 1) / 7);
        }
    }
    EXPECT_EQ(names, count);
    EXPECT_TRUE(lastWidth);

    const char *script = R"(
import plistlib, sys, json
a = plistlib.loads(sys.stdin.buffer.read())
objs = a['$objects']
def value(uid):
    o = objs[uid.data]
    if isinstance(o, dict):
        name = objs[o['$class'].data]['$classname']
        if name == 'NSDictionary':
            return {value(k): value(v) for k, v in zip(o['NS.keys'], o['NS.objects'])}
        if name == 'NSArray':
            return [value(v) for v in o['NS.objects']]
        return value(o['$0'])
    if isinstance(o, bytes):
        return list(o)
    return o
layers = value(a['$top']['root'])['Layers']
print(json.dumps({'count': len(layers), 'last': layers[-1], 'first': layers[0]}))
)";
    int exitCode = 0;
    const auto output = runPython(QString::fromUtf8(script), data, &exitCode);
    if (!output)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(exitCode, 0) << output->toStdString();
    const QJsonObject found = QJsonDocument::fromJson(*output).object();
    EXPECT_EQ(found["count"].toInt(), count);
    const QJsonObject last = found["last"].toObject();
    EXPECT_EQ(last["Name"].toString(), QStringLiteral("Rect %1").arg(count - 1));
    EXPECT_EQ(last["Width"].toDouble(), double(float(count - 1) / 7));
    EXPECT_EQ(last["Precise"].toDouble(), 0.1);
    EXPECT_EQ(last["Index"].toInt(), (count - 1) % 3);
    EXPECT_TRUE(last["Visible"].toBool());
    EXPECT_FALSE(last["Locked"].toBool(true));
    EXPECT_EQ(last["Dashes"].toArray().size(), 0);
    EXPECT_EQ(last["Bytes"].toArray(), (QJsonArray{1, 2}));
    EXPECT_EQ(found["first"].toObject()["Width"].toDouble(), 0.0);
}
