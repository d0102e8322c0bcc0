// The stored form of filter input values in keyed archives.

#include "EffectTestSupport.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/effects/ArchivedEffectValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace scrivane;
using namespace scrivane::test;

namespace {

std::optional<EffectValue> roundTrip(const EffectValue &value)
{
    ArchivedEffectValue::registerArchiveClasses();
    const PropertyList stored = ArchivedEffectValue::value(value);
    QString error;
    const auto data = KeyedArchiver::archivedData(stored, PropertyList::Format::Binary, &error);
    EXPECT_TRUE(data) << error.toStdString();
    const auto root = KeyedUnarchiver::unarchive(data.value_or(QByteArray()), &error);
    EXPECT_TRUE(root) << error.toStdString();
    return root ? ArchivedEffectValue::fromValue(*root) : std::nullopt;
}

// An archive of one object of `className` with the given keyed entries.
class Entries : public Archivable {
public:
    Entries(QString className, PropertyList::Dictionary entries)
        : m_className(std::move(className)), m_entries(std::move(entries))
    {
    }
    QString archiveClassName() const override { return m_className; }
    void encode(KeyedArchiver &archiver) const override
    {
        for (const auto &[key, value] : m_entries) {
            if (value.kind() == PropertyList::Kind::Real)
                archiver.encodeDouble(value.toReal(), key);
            else if (value.kind() == PropertyList::Kind::Data)
                archiver.encodeBytes(value.toData(), key);
            else
                archiver.encodeObject(value, key);
        }
    }

private:
    QString m_className;
    PropertyList::Dictionary m_entries;
};

std::optional<EffectValue> read(const QString &className, PropertyList::Dictionary entries)
{
    ArchivedEffectValue::registerArchiveClasses();
    const auto data =
        KeyedArchiver::archivedData(PropertyList(std::make_shared<Entries>(className, std::move(entries))));
    EXPECT_TRUE(data);
    const auto root = KeyedUnarchiver::unarchive(data.value_or(QByteArray()));
    EXPECT_TRUE(root);
    return root ? ArchivedEffectValue::fromValue(*root) : std::nullopt;
}

} // namespace

TEST(ArchivedEffectValue, ValuesRoundTrip)
{
    EffectVector two(1.5, -2.25);
    EffectVector one(3, 0, 0, 0);
    one.count = 1;
    const EffectValue values[] = {
        EffectValue(2.5),
        EffectValue(QStringLiteral("text")),
        EffectValue(two),
        EffectValue(EffectVector(1, 2, 3)),
        EffectValue(EffectVector(1, 2, 3, 4)),
        EffectValue(one),
        EffectValue(EffectColor(0.1, 0.2, 0.3, 0.4)),
        EffectValue(EffectTransform(2, 0.5, -0.5, 1, 10, -20)),
    };
    for (const EffectValue &value : values) {
        const auto back = roundTrip(value);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, value) << "kind " << kindName(kindOf(value)).toStdString();
    }
    // No value stores nothing.
    EXPECT_TRUE(ArchivedEffectValue::value(EffectValue()).isNull());
}

TEST(ArchivedEffectValue, ImagesKeepTheirPixelsAndPlace)
{
    const ImageRef image = imageOf(
        3, 2,
        [](int x, int y) {
            return Rgba{x / 2.0f, 0, y * 0.5f, 1};
        },
        EffectPoint(4, -5));
    const auto back = roundTrip(image);
    ASSERT_TRUE(back);
    const ImageRef *read = std::get_if<ImageRef>(&*back);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ((*read)->extent(), EffectRect(4, -5, 3, 2));
    const FloatRaster a = renderFloat(image, PixelRect(4, -5, 3, 2));
    const FloatRaster b = renderFloat(*read, PixelRect(4, -5, 3, 2));
    for (int y = -5; y < -3; ++y)
        for (int x = 4; x < 7; ++x)
            EXPECT_LT(difference(a.at(x, y), b.at(x, y)), 0.01f) << x << ", " << y;

    // Images without a bounded extent cannot be stored.
    EXPECT_TRUE(ArchivedEffectValue::value(EffectImage::constantColor(EffectColor(1, 0, 0))).isNull());
    EXPECT_TRUE(ArchivedEffectValue::value(EffectImage::empty()).isNull());
}

TEST(ArchivedEffectValue, HostileStoredValues)
{
    // Image data that is no image, or one whose header claims more pixels
    // than a raster may hold, reads as no image.
    EXPECT_FALSE(read(QStringLiteral("TDEffectImage"),
                      {{QStringLiteral("png"), QByteArray("not a png")}, {QStringLiteral("x"), 0.0}}));
    // A well-formed header of 65536 × 65536 RGBA pixels, and nothing else.
    const QByteArray huge =
        QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000100000001000008060000006c8430e3");
    EXPECT_FALSE(read(QStringLiteral("TDEffectImage"), {{QStringLiteral("png"), huge}}));

    // A component that is not finite is read; filters refuse it.
    const auto v = read(QStringLiteral("TDEffectVector"),
                        {{QStringLiteral("x"), std::numeric_limits<double>::quiet_NaN()}});
    ASSERT_TRUE(v);
    EXPECT_FALSE(isFiniteValue(*v));
    // A vector's components run from "x" on: a gap ends it.
    const auto gap =
        read(QStringLiteral("TDEffectVector"), {{QStringLiteral("x"), 1.0}, {QStringLiteral("z"), 3.0}});
    ASSERT_TRUE(gap);
    EXPECT_EQ(std::get<EffectVector>(*gap).count, 1);
    // A colour without alpha is opaque.
    const auto c = read(QStringLiteral("TDEffectColor"), {{QStringLiteral("red"), 1.0}});
    ASSERT_TRUE(c);
    EXPECT_EQ(std::get<EffectColor>(*c), EffectColor(1, 0, 0, 1));
    // Values of other kinds are no effect values.
    EXPECT_FALSE(ArchivedEffectValue::fromValue(PropertyList(PropertyList::Array())));
    EXPECT_FALSE(ArchivedEffectValue::fromValue(PropertyList()));
}
