#include "PathTestSupport.h"

#include "platform/ArchivedPoint.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <QtEndian>

#include <bit>
#include <cmath>
#include <limits>

using namespace scrivane;
using namespace scrivane::test;

namespace {

TDBezierPath everyKindOfElement()
{
    TDBezierPath path;
    path.moveTo(Point(0.1f, -2.5f));
    path.lineTo(Point(30, 40));
    path.curveTo(Point(100, 0), Point(1e-7f, 3e7f), Point(-0.0f, 60));
    path.close();
    path.moveTo(Point(200, 200));
    path.lineTo(Point(210, 200));
    return path;
}

std::optional<PropertyList> roundTrip(const PropertyList &value, QString *error = nullptr)
{
    TDBezierPath::registerArchiveClass();
    const auto data = KeyedArchiver::archivedData(value);
    if (!data)
        return std::nullopt;
    return KeyedUnarchiver::unarchive(*data, error);
}

// Writes whatever it is given under the path's class name, to feed the
// reader damaged paths.
class ForgedPath : public Archivable {
public:
    explicit ForgedPath(std::function<void(KeyedArchiver &)> write) : m_write(std::move(write)) {}
    QString archiveClassName() const override { return TDBezierPath::className(); }
    void encode(KeyedArchiver &archiver) const override { m_write(archiver); }

private:
    std::function<void(KeyedArchiver &)> m_write;
};

QByteArray floats(std::initializer_list<float> values)
{
    QByteArray data;
    for (float v : values) {
        char bytes[4];
        qToLittleEndian(std::bit_cast<quint32>(v), bytes);
        data.append(bytes, 4);
    }
    return data;
}

} // namespace

TEST(TDBezierPathCoding, KeyedArchiveKeepsElementsAndAttributes)
{
    auto path = std::make_shared<TDBezierPath>(everyKindOfElement());
    path->setWindingRule(WindingRule::EvenOdd);
    path->setLineWidth(2.5f);
    path->setLineCapStyle(LineCapStyle::Square);
    path->setLineJoinStyle(LineJoinStyle::Bevel);
    path->setMiterLimit(4);
    const float dash[] = {3, 1.5f};
    path->setLineDash(dash, 0.5f);

    PropertyList::Dictionary graphic;
    graphic[QStringLiteral("Path")] = PropertyList(path);
    graphic[QStringLiteral("Again")] = PropertyList(path);
    QString error;
    const auto read = roundTrip(PropertyList(graphic), &error);
    ASSERT_TRUE(read) << error.toStdString();
    const auto back = read->value(QStringLiteral("Path")).objectAs<TDBezierPath>();
    ASSERT_TRUE(back);
    EXPECT_EQ(elementsOf(*back), elementsOf(*path));
    EXPECT_TRUE(back->isEqualTo(*path));
    EXPECT_EQ(back->windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(back->lineCapStyle(), LineCapStyle::Square);
    EXPECT_EQ(back->lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_EQ(back->lineWidth(), 2.5f);
    EXPECT_EQ(back->miterLimit(), 4.0f);
    EXPECT_EQ(back->lineDash(), std::vector<float>({3, 1.5f}));
    EXPECT_EQ(back->lineDashPhase(), 0.5f);
    EXPECT_EQ(back->length(), path->length());
    // Stored once, one object again when read.
    EXPECT_EQ(read->value(QStringLiteral("Again")).objectAs<TDBezierPath>(), back);
}

TEST(TDBezierPathCoding, EmptyPathAndDefaults)
{
    const auto read = roundTrip(PropertyList(std::make_shared<TDBezierPath>()));
    ASSERT_TRUE(read);
    const auto back = read->objectAs<TDBezierPath>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->elementCount(), 0);
    EXPECT_TRUE(back->isEqualTo(TDBezierPath()));
    EXPECT_FALSE(back->isEqualTo(everyKindOfElement()));

    // A path stored with nothing but its elements takes default attributes.
    const auto bare = roundTrip(PropertyList(std::make_shared<ForgedPath>([](KeyedArchiver &a) {
        QByteArray elements;
        elements.append(char(0));
        elements.append(floats({1, 2}));
        elements.append(char(1));
        elements.append(floats({3, 2}));
        a.encodeBytes(elements, QStringLiteral("elements"));
    })));
    ASSERT_TRUE(bare);
    const auto path = bare->objectAs<TDBezierPath>();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->length(), 2.0f);
    EXPECT_EQ(path->lineWidth(), 1.0f);
    EXPECT_EQ(path->miterLimit(), 10.0f);
}

TEST(TDBezierPathCoding, DamagedPathsAreRefusedWithAMessage)
{
    struct Case {
        const char *name;
        std::function<void(KeyedArchiver &)> write;
        const char *message;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"unknown element kind",
         [](KeyedArchiver &a) { a.encodeBytes(QByteArray(1, char(7)), QStringLiteral("elements")); }, "kind"},
        {"element cut short",
         [](KeyedArchiver &a) {
             QByteArray e(1, char(2));
             e.append(floats({1, 2, 3}));
             a.encodeBytes(e, QStringLiteral("elements"));
         },
         "ends inside"},
        {"coordinate not a number",
         [nan](KeyedArchiver &a) {
             QByteArray e(1, char(0));
             e.append(floats({1, nan}));
             a.encodeBytes(e, QStringLiteral("elements"));
         },
         "finite"},
        {"elements not data", [](KeyedArchiver &a) { a.encodeInteger(3, QStringLiteral("elements")); },
         "data"},
        {"unknown cap", [](KeyedArchiver &a) { a.encodeInteger(3, QStringLiteral("lineCapStyle")); }, "cap"},
        {"negative winding", [](KeyedArchiver &a) { a.encodeInteger(-1, QStringLiteral("windingRule")); },
         "winding"},
        {"infinite width",
         [](KeyedArchiver &a) {
             a.encodeDouble(std::numeric_limits<double>::infinity(), QStringLiteral("lineWidth"));
         },
         "finite"},
        {"dash of odd size",
         [](KeyedArchiver &a) { a.encodeBytes(QByteArray(6, 'x'), QStringLiteral("lineDash")); }, "dash"},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(roundTrip(PropertyList(std::make_shared<ForgedPath>(c.write)), &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << c.name << ": " << error.toStdString();
    }
}

TEST(TDBezierPathCoding, PropertyListFormRoundTrips)
{
    EXPECT_EQ(TDBezierPath().toYAML().size(), 0u);
    EXPECT_EQ(TDBezierPath::objectWithYAML(PropertyList(PropertyList::Array{})).elementCount(), 0);

    const TDBezierPath path = everyKindOfElement();
    const PropertyList list = path.toYAML();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list.at(0), PropertyList(PropertyList::Array{"moveto", double(0.1f), -2.5}));
    EXPECT_EQ(list.at(2).size(), 7u);
    EXPECT_EQ(list.at(2).at(0).toString(), QStringLiteral("curveto"));
    EXPECT_EQ(list.at(3), PropertyList("close"));
    EXPECT_EQ(elementsOf(TDBezierPath::objectWithYAML(list)), elementsOf(path));
}

TEST(TDBezierPathCoding, LegacyPropertyListForms)
{
    const PropertyList current(PropertyList::Array{
        PropertyList::Array{"moveto", 0, 0},
        PropertyList::Array{"lineto", 3, 4},
        PropertyList::Array{"curveto", 1, 2, 3, 4, 5, 6},
        "close",
    });
    const PropertyList legacy(PropertyList::Array{
        "move",
        "{0, 0}",
        "line",
        "{3, 4}",
        "curve",
        "{1, 2}",
        "{3, 4}",
        "{5, 6}",
        "close",
    });
    const PropertyList texts(PropertyList::Array{
        "moveto 0 0",
        " lineto 3, 4",
        "curveto 1 2 3 4 5 6",
        "close",
    });
    const auto expected = elementsOf(TDBezierPath::objectWithYAML(current));
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(elementsOf(TDBezierPath::objectWithYAML(legacy)), expected);
    EXPECT_EQ(elementsOf(TDBezierPath::objectWithYAML(texts)), expected);

    // Entries that cannot be read are skipped; a keyword at the end without
    // its points is dropped.
    const PropertyList odd(PropertyList::Array{
        PropertyList::Array{"moveto", 1, 1},
        PropertyList::Array{"arcto", 1, 2},
        PropertyList::Array{"lineto", 5},
        PropertyList::Array{"lineto", "x", 2},
        PropertyList::Array{"lineto", "7", "8"}, // quoted numbers
        "lineto 1",
        "bogus",
        42,
        "line",
        "{not a point}",
        PropertyList::Array{"lineto", 1, 5},
        "curve",
        "{1, 2}",
    });
    EXPECT_EQ(elementsOf(TDBezierPath::objectWithYAML(odd)),
              (std::vector<ElementView>{{Type::MoveTo, {Point(1, 1)}},
                                        {Type::LineTo, {Point(7, 8)}},
                                        {Type::LineTo, {Point(1, 5)}}}));
    EXPECT_EQ(TDBezierPath::objectWithYAML(PropertyList("close")).elementCount(), 0);
}

TEST(TDBezierPathCoding, LegacyYamlTextReadsThroughTheValueTree)
{
    const QByteArray yaml =
        "- [moveto, 0, 0]\n- [lineto, 10, 0]\n- [curveto, 10, 5, 5, 10, 0, 10]\n- close\n";
    const auto list = PropertyList::fromYaml(yaml);
    ASSERT_TRUE(list);
    const TDBezierPath path = TDBezierPath::objectWithYAML(*list);
    EXPECT_EQ(typesOf(path), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::CurveTo, Type::ClosePath}));
    EXPECT_EQ(path.elements()[2].points[2], Point(0, 10));
}

TEST(TDBezierPathCoding, SettingPointsFromADictionary)
{
    TDBezierPath path = everyKindOfElement();
    PropertyList::Dictionary d;
    d[QStringLiteral("i")] = 2;
    d[QStringLiteral("p[0]")] = ArchivedPoint::value(Point(1, 1));
    d[QStringLiteral("p[1]")] = ArchivedPoint::value(Point(2, 2));
    d[QStringLiteral("p[2]")] = PropertyList("{3, 3}");
    path.setAssociatedPointsDict(PropertyList(d));
    EXPECT_EQ(elementsOf(path)[2], (ElementView{Type::CurveTo, {Point(1, 1), Point(2, 2), Point(3, 3)}}));
    const TDBezierPath fresh(static_cast<const PathBase &>(path));
    EXPECT_EQ(path.length(), fresh.length());

    // Missing points stay; an index out of range changes nothing.
    d.erase(QStringLiteral("p[1]"));
    d[QStringLiteral("p[0]")] = ArchivedPoint::value(Point(9, 9));
    path.setAssociatedPointsDict(PropertyList(d));
    EXPECT_EQ(elementsOf(path)[2], (ElementView{Type::CurveTo, {Point(9, 9), Point(2, 2), Point(3, 3)}}));
    const auto before = elementsOf(path);
    d[QStringLiteral("i")] = 99;
    path.setAssociatedPointsDict(PropertyList(d));
    d[QStringLiteral("i")] = -1;
    path.setAssociatedPointsDict(PropertyList(d));
    path.setAssociatedPointsDict(PropertyList());
    EXPECT_EQ(elementsOf(path), before);
}
