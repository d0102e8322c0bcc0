#include "ArchiveTestSupport.h"

#include "platform/PlistBridge.h"
#include "platform/PropertyList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstring>

using namespace scrivane;
using scrivane::test::runPython;

TEST(PropertyList, NumbersAndStoredTextConvertTheWayStoredValuesAreRead)
{
    struct Case {
        PropertyList value;
        bool asBool;
        qint64 asInteger;
        double asReal;
    };
    const Case cases[] = {
        {PropertyList("YES"), true, 0, 0},
        {PropertyList("NO"), false, 0, 0},
        {PropertyList("yes"), true, 0, 0},
        {PropertyList("true"), true, 0, 0},
        {PropertyList(" 12.5abc"), true, 12, 12.5},
        {PropertyList("0"), false, 0, 0},
        {PropertyList("-3"), true, -3, -3},
        {PropertyList(""), false, 0, 0},
        {PropertyList(2.75), true, 2, 2.75},
        {PropertyList(true), true, 1, 1},
        {PropertyList(1e300), true, std::numeric_limits<qint64>::max(), 1e300},
        {PropertyList(), false, 0, 0},
        {PropertyList(PropertyList::Array{1}), false, 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.value.toBool(), c.asBool) << c.value.toString().toStdString();
        EXPECT_EQ(c.value.toInteger(), c.asInteger) << c.value.toString().toStdString();
        EXPECT_EQ(c.value.toReal(), c.asReal) << c.value.toString().toStdString();
    }
    EXPECT_EQ(PropertyList(1e300).toFloat(), std::numeric_limits<float>::infinity());
}

TEST(PropertyList, CopiesShareUntilOneIsChanged)
{
    PropertyList a = PropertyList::Dictionary{{"list", PropertyList::Array{1, 2}}};
    PropertyList b = a;
    b.insert("extra", "x");
    EXPECT_FALSE(a.contains("extra"));
    EXPECT_TRUE(b.contains("extra"));
    PropertyList list = a.value("list");
    list.append(3);
    EXPECT_EQ(a.value("list").size(), 2u);
    EXPECT_EQ(list.size(), 3u);
    PropertyList fresh;
    fresh.append("first");
    EXPECT_TRUE(fresh.isArray());
    EXPECT_TRUE(fresh.value("anything").isNull());
}

TEST(PropertyList, PlainListsRoundTripAndPythonReadsTheBinaryForm)
{
    const PropertyList root = PropertyList::Dictionary{
        {"name", QStringLiteral("Gr\u00fc\u00dfe")},
        {"count", -42},
        {"big", std::numeric_limits<qint64>::max()},
        {"ratio", 0.125},
        {"flag", true},
        {"bytes", QByteArray("\x00\xff", 2)},
        {"when", QDateTime(QDate(2010, 5, 6), QTime(7, 8, 9), Qt::UTC)},
        {"list", PropertyList::Array{1, "two", PropertyList::Dictionary{}}},
    };
    for (const auto format : {PropertyList::Format::Binary, PropertyList::Format::Xml}) {
        QString error;
        const auto data = root.toData(format, &error);
        ASSERT_TRUE(data) << error.toStdString();
        EXPECT_EQ(PropertyList::fromData(*data, &error), root) << error.toStdString();
    }

    const char *script = R"(
import plistlib, sys, json, datetime
p = plistlib.loads(sys.stdin.buffer.read())
p['bytes'] = p['bytes'].hex()
p['when'] = p['when'].isoformat()
print(json.dumps(p))
)";
    int exitCode = 0;
    const auto output =
        runPython(QString::fromUtf8(script), *root.toData(PropertyList::Format::Binary), &exitCode);
    if (!output)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(exitCode, 0) << output->toStdString();
    const QJsonObject found = QJsonDocument::fromJson(*output).object();
    EXPECT_EQ(found["name"].toString(), QStringLiteral("Gr\u00fc\u00dfe"));
    EXPECT_EQ(found["count"].toInt(), -42);
    EXPECT_EQ(found["big"].toVariant().toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(found["ratio"].toDouble(), 0.125);
    EXPECT_TRUE(found["flag"].toBool());
    EXPECT_EQ(found["bytes"].toString(), "00ff");
    EXPECT_EQ(found["when"].toString(), "2010-05-06T07:08:09");
    EXPECT_EQ(found["list"].toArray().size(), 3);
}

TEST(PropertyList, ValuesAPlainListCannotHoldAreRefused)
{
    for (const PropertyList &bad : {PropertyList(), PropertyList(QString::fromUtf16(u"a\0b", 3)),
                                    PropertyList(PropertyList::Dictionary{{"k", PropertyList()}}),
                                    PropertyList(QDateTime(QDate(1800, 1, 1), QTime(0, 0), Qt::UTC))}) {
        QString error;
        EXPECT_FALSE(bad.toData(PropertyList::Format::Binary, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

namespace {

// A binary list of `depth` arrays, each holding the next: far deeper than
// libplist's own recursion survives.
QByteArray deepBinaryList(uint32_t depth)
{
    QByteArray data("bplist00");
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < depth; ++i) {
        offsets.push_back(uint32_t(data.size()));
        const uint32_t next = i + 1 < depth ? i + 1 : i;
        data.append(char(i + 1 < depth ? 0xA1 : 0xA0));
        if (i + 1 < depth)
            for (int b = 3; b >= 0; --b)
                data.append(char((next >> (8 * b)) & 0xff));
    }
    const uint32_t table = uint32_t(data.size());
    for (uint32_t offset : offsets)
        for (int b = 3; b >= 0; --b)
            data.append(char((offset >> (8 * b)) & 0xff));
    QByteArray trailer(32, '\0');
    trailer[6] = 4;
    trailer[7] = 4;
    for (int b = 0; b < 8; ++b) {
        trailer[8 + 7 - b] = char((quint64(depth) >> (8 * b)) & 0xff);
        trailer[24 + 7 - b] = char((quint64(table) >> (8 * b)) & 0xff);
    }
    return data + trailer;
}

// A binary list of the given encoded objects (one-byte offsets and
// references), the first one on top.
QByteArray binaryList(const std::vector<QByteArray> &objects)
{
    QByteArray data("bplist00");
    QByteArray table;
    for (const QByteArray &object : objects) {
        table.append(char(data.size()));
        data.append(object);
    }
    const char tableOffset = char(data.size());
    data.append(table);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(objects.size());
    trailer[31] = tableOffset;
    return data + trailer;
}

} // namespace

TEST(PropertyList, HostileListsAreRefusedBeforeLibplistSeesThem)
{
    struct Case {
        const char *name;
        QByteArray data;
        const char *message;
    };
    QByteArray loop = deepBinaryList(2);
    loop[9 + 3] = 0; // the first array now holds itself
    QByteArray outside = deepBinaryList(2);
    outside[outside.size() - 1] = 0x7f; // table offset beyond the data
    QByteArray badRefSize = deepBinaryList(2);
    badRefSize[badRefSize.size() - 32 + 7] = 5; // libplist misreads 5-byte references
    const Case cases[] = {
        {"deep binary", deepBinaryList(200000), "nests deeper"},
        {"deep XML",
         "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(200000) +
             QByteArray("</array>").repeated(200000) + "</plist>",
         "nests deeper"},
        {"self reference", loop, "contains itself"},
        {"table outside", outside, "outside the data"},
        {"reference size 5", badRefSize, "trailer is malformed"},
        {"truncated header", QByteArray("bplist00"), "too short"},
        // libplist asserts on dictionary keys with NUL characters.
        {"NUL in a key",
         binaryList({QByteArray("\xD1\x01\x02", 3),
                     QByteArray("\x53"
                                "a\0b",
                                4),
                     QByteArray("\x09")}),
         "key holds a NUL"},
        {"NUL in a UTF-16 key",
         binaryList({QByteArray("\xD1\x01\x02", 3), QByteArray("\x61\0\0", 3), QByteArray("\x09")}),
         "key holds a NUL"},
        {"lone surrogate", binaryList({QByteArray("\x61\xD8\x00", 3)}), "not valid UTF-16"},
        {"NUL in XML", QByteArray("<plist><string>a\0b</string></plist>", 36), "NUL"},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::fromData(c.data, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << c.name << ": " << error.toStdString();
    }
    // Within the limits the same constructions read fine; a value with a
    // NUL character reads (libplist ends it at the NUL).
    EXPECT_TRUE(PropertyList::fromData(deepBinaryList(100)));
    const auto withNul =
        PropertyList::fromData(binaryList({QByteArray("\xD1\x01\x02", 3), QByteArray("\x51k", 2),
                                           QByteArray("\x53"
                                                      "a\0b",
                                                      4)}));
    ASSERT_TRUE(withNul);
    EXPECT_TRUE(withNul->value("k").toString().startsWith("a"));

    // Objects that nothing refers to still take memory while the list is
    // checked: a table of more objects than values may be read is refused.
    const QByteArray unused = binaryList({QByteArray("\x10\x01", 2), QByteArray("\x10\x02", 2),
                                          QByteArray("\x10\x03", 2), QByteArray("\x10\x04", 2)});
    PropertyListLimits small;
    small.maxNodes = 3;
    QString error;
    EXPECT_FALSE(PropertyList::fromData(unused, small, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("more than 3 values"))) << error.toStdString();
    EXPECT_EQ(PropertyList::fromData(unused), PropertyList(1));
}

// Nesting counts as the values unfold: a chain of arrays that ends in a
// chain walked before nests as deep as both together, though neither
// alone is deep (readers recurse once per level).
TEST(PropertyList, SharedChainsCountTheirWholeDepth)
{
    std::vector<QByteArray> objects = {QByteArray("\xA2\x01\x07", 3)}; // [A1, B1]
    for (char i = 1; i <= 12; ++i) {
        if (i == 6)
            objects.emplace_back("\xA0", 1); // the end of chain A
        else
            objects.push_back(QByteArray("\xA1") + char(i == 12 ? 1 : i + 1)); // B ends in A1
    }
    const QByteArray chains = binaryList(objects);
    PropertyListLimits limits;
    limits.maxDepth = 10;
    QString error;
    EXPECT_FALSE(PropertyList::fromData(chains, limits, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nests deeper"))) << error.toStdString();
    limits.maxDepth = 13;
    const auto read = PropertyList::fromData(chains, limits, &error);
    ASSERT_TRUE(read) << error.toStdString();
    PropertyList deepest = read->at(1);
    for (int level = 0; level < 11; ++level)
        deepest = deepest.at(0);
    EXPECT_TRUE(deepest.isArray());
    EXPECT_EQ(deepest.size(), 0u);
}

TEST(PropertyList, YamlScalarsTakeTheirKinds)
{
    const QByteArray text = R"(
GraphicsList:
  - Name: "Rect 1"
    Visible: true
    Roundness: 0.25
    Count: 12
    Hex: 0x1F
    Quoted: "12"
    Nothing: ~
    Word: no
    Infinite: .inf
    Bytes: !!binary aGVsbG8=
    When: !!timestamp 2001-02-03T04:05:06Z
    Forced: !!str 3.5
Empty: []
)";
    QString error;
    const auto root = PropertyList::fromYaml(text, &error);
    ASSERT_TRUE(root) << error.toStdString();
    const PropertyList graphic = root->value("GraphicsList").at(0);
    EXPECT_EQ(graphic.value("Name"), PropertyList("Rect 1"));
    EXPECT_EQ(graphic.value("Visible"), PropertyList(true));
    EXPECT_EQ(graphic.value("Roundness"), PropertyList(0.25));
    EXPECT_EQ(graphic.value("Count"), PropertyList(12));
    EXPECT_EQ(graphic.value("Hex"), PropertyList(31));
    EXPECT_EQ(graphic.value("Quoted"), PropertyList("12"));
    EXPECT_TRUE(graphic.contains("Nothing"));
    EXPECT_TRUE(graphic.value("Nothing").isNull());
    EXPECT_EQ(graphic.value("Word"), PropertyList("no"));
    EXPECT_FALSE(graphic.value("Word").toBool());
    EXPECT_EQ(graphic.value("Infinite").toReal(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(graphic.value("Bytes"), PropertyList(QByteArray("hello")));
    EXPECT_EQ(graphic.value("When").toDate(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC));
    EXPECT_EQ(graphic.value("Forced"), PropertyList("3.5"));
    EXPECT_EQ(root->value("Empty"), PropertyList(PropertyList::Array{}));
}

TEST(PropertyList, BadYamlGivesErrors)
{
    struct Case {
        const char *name;
        QByteArray text;
        const char *message;
    };
    // Nine levels of aliases, each naming the previous one nine times:
    // 9^9 values once unfolded.
    QByteArray bomb = "a0: &a0 [x, x, x, x, x, x, x, x, x]\n";
    for (int i = 1; i < 10; ++i) {
        bomb += QStringLiteral("a%1: &a%1 [").arg(i).toUtf8();
        for (int j = 0; j < 9; ++j)
            bomb += QStringLiteral("*a%1%2").arg(i - 1).arg(j < 8 ? ", " : "]\n").toUtf8();
    }
    const Case cases[] = {
        {"malformed", "key: [unclosed", "malformed"},
        {"non-text key", "? [a, b]\n: value\n", "not text"},
        {"alias bomb", bomb, "more than"},
        {"deep flow", QByteArray("[").repeated(5000) + QByteArray("]").repeated(5000), ""},
    };
    PropertyListLimits limits;
    limits.maxNodes = 100000; // keeps the bomb quick to refuse
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::fromYaml(c.text, limits, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << c.name << ": " << error.toStdString();
    }
}

// A kilobyte of aliases naming aliases used to be unfolded value by value
// until the limit was reached (a minute and gigabytes); it is refused as
// the aliases are counted, under the reader's usual limits.
TEST(PropertyList, YamlBillionLaughsIsRefusedWhileAliasesAreCounted)
{
    QByteArray laughs = "a0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
    for (int i = 1; i < 10; ++i) {
        laughs += QStringLiteral("a%1: &a%1 [").arg(i).toUtf8();
        for (int j = 0; j < 10; ++j)
            laughs += QStringLiteral("*a%1%2").arg(i - 1).arg(j < 9 ? ", " : "]\n").toUtf8();
    }
    ASSERT_LT(laughs.size(), 1024);
    QString error;
    EXPECT_FALSE(PropertyList::fromYaml(laughs, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("more than 16777216 values"))) << error.toStdString();
}

TEST(PropertyList, YamlAliasesShareTheirValueWithinTheLimits)
{
    const QByteArray text = "base: &b [1, [2, 3]]\n"
                            "again: *b\n"
                            "name: &n Harbour\n"
                            "? *n\n"
                            ": keyed by an alias\n";
    QString error;
    const auto root = PropertyList::fromYaml(text, &error);
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_EQ(root->value("again"), root->value("base"));
    EXPECT_NE(root->value("again").sharedContainer(), nullptr);
    EXPECT_EQ(root->value("Harbour"), PropertyList("keyed by an alias"));

    struct Case {
        const char *name;
        QByteArray text;
        const char *message;
    };
    const Case cases[] = {
        {"alias deeper than the limit", "a: &x [[[[1]]]]\nb: [[*x]]\n", "nests deeper than 5"},
        {"alias that counts past the limit", "a: &x [1, 2, 3, 4]\nb: [*x, *x, *x]\n", "more than 14 values"},
        {"alias inside its own value", "a: &x [1, *x]\n", ""},
        {"alias of a list as a key", "a: &x [1]\n? *x\n: v\n", "not text"},
    };
    PropertyListLimits limits;
    limits.maxDepth = 5;
    limits.maxNodes = 14;
    for (const Case &c : cases) {
        EXPECT_FALSE(PropertyList::fromYaml(c.text, limits, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << c.name << ": " << error.toStdString();
    }
    // Within both limits the same aliases read.
    EXPECT_TRUE(PropertyList::fromYaml("a: &x [[[1]]]\nb: *x\n", limits, &error)) << error.toStdString();
}
