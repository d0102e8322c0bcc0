// One effect of a graphic: made by name, copied, rescaled to a filter
// resolution, and stored in keyed archives, including effects whose filter
// this program does not know and stored inputs that do not fit.

#include "model/TDFilter.h"
#include "model/TDModelArchiving.h"
#include "platform/ArchivedTransform.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/effects/ArchivedEffectValue.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectRegistry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace scrivane;

namespace {

QByteArray archive(const PropertyList &root)
{
    QString error;
    const auto data = KeyedArchiver::archivedData(root, PropertyList::Format::Binary, &error);
    EXPECT_TRUE(data) << error.toStdString();
    return data.value_or(QByteArray());
}

PropertyList unarchive(const QByteArray &data)
{
    TDModelArchiving::registerClasses();
    QString error;
    const auto root = KeyedUnarchiver::unarchive(data, &error);
    EXPECT_TRUE(root) << error.toStdString();
    return root.value_or(PropertyList());
}

std::shared_ptr<TDFilter> roundTrip(const std::shared_ptr<TDFilter> &filter)
{
    return unarchive(archive(PropertyList(filter))).objectAs<TDFilter>();
}

// An effect as another program (or a newer version) stores it: the entries
// are written as given.
class StoredEffect : public Archivable {
public:
    explicit StoredEffect(PropertyList filter, qint64 scale = 1) : m_filter(std::move(filter)), m_scale(scale)
    {
    }
    QString archiveClassName() const override { return QStringLiteral("TDFilter"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(m_filter, QStringLiteral("filter"));
        archiver.encodeBool(true, QStringLiteral("enabled"));
        archiver.encodeBool(false, QStringLiteral("expanded"));
        archiver.encodeInteger(m_scale, QStringLiteral("scale"));
    }

private:
    PropertyList m_filter;
    qint64 m_scale;
};

PropertyList settings(const char *name, std::initializer_list<std::pair<const char *, PropertyList>> inputs)
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert(TDFilter::NameKey, QString::fromLatin1(name));
    for (const auto &[key, value] : inputs)
        d.insert(QString::fromLatin1(key), value);
    return d;
}

PropertyList vectorValue(const EffectVector &v)
{
    return ArchivedEffectValue::value(v);
}

// Counts the document's warnings about effects lost in a load.
struct LostEffectsWatch {
    LostEffectsWatch()
    {
        EncodedDictionary::setFiltersLost(false);
        EncodedDictionary::setWarningHook([this](const QString &className) { warnings.append(className); });
    }
    ~LostEffectsWatch()
    {
        EncodedDictionary::setWarningHook(nullptr);
        EncodedDictionary::setFiltersLost(false);
    }
    QStringList warnings;
};

} // namespace

TEST(TDFilter, MadeByNameWithDefaultsEnabledAndExpanded)
{
    const auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    ASSERT_TRUE(blur);
    EXPECT_EQ(blur->filterName(), QStringLiteral("CIGaussianBlur"));
    EXPECT_TRUE(blur->enabled());
    EXPECT_TRUE(blur->expanded());
    EXPECT_EQ(blur->scale(), 1.0f);
    EXPECT_EQ(blur->filter()->value(QStringLiteral("inputRadius")), EffectValue(10.0));

    const auto perspective = TDFilter::filterWithName(QStringLiteral("CIPerspectiveTransform"));
    ASSERT_TRUE(perspective);
    const EffectFilter &f = *perspective->filter();
    EXPECT_EQ(f.vector(QStringLiteral("inputBottomLeft")), EffectVector(0, 0));
    EXPECT_EQ(f.vector(QStringLiteral("inputBottomRight")), EffectVector(200, 50));
    EXPECT_EQ(f.vector(QStringLiteral("inputTopLeft")), EffectVector(0, 200));
    EXPECT_EQ(f.vector(QStringLiteral("inputTopRight")), EffectVector(200, 150));

    EXPECT_FALSE(TDFilter::filterWithName(QStringLiteral("NoSuchFilter")));
}

TEST(TDFilter, ScaleToRescalesLengthsAndPositionsOnly)
{
    struct Case {
        const char *filter;
        const char *key;
        EffectValue before;
        EffectValue after; // at scale 2
    } cases[] = {
        {"CIGaussianBlur", "inputRadius", 5.0, 10.0},
        {"CIZoomBlur", "inputCenter", EffectVector(10, 20), EffectVector(20, 40)},
        // The zoom blur's amount is relative: it stays.
        {"CIZoomBlur", "inputAmount", 20.0, 20.0},
        {"CICheckerboardGenerator", "inputColor0", EffectColor(1, 0, 0, 1), EffectColor(1, 0, 0, 1)},
        {"CICheckerboardGenerator", "inputWidth", 80.0, 160.0},
        // A number that is not a length.
        {"CICheckerboardGenerator", "inputSharpness", 0.5, 0.5},
        {"CIMotionBlur", "inputAngle", 1.0, 1.0},
        {"CIAffineTransform", "inputTransform", EffectTransform(2, 0, 0, 3, 4, 5),
         EffectTransform(2, 0, 0, 3, 8, 10)},
    };
    for (const Case &c : cases) {
        const auto effect = TDFilter::filterWithName(QString::fromLatin1(c.filter));
        ASSERT_TRUE(effect) << c.filter;
        const QString key = QString::fromLatin1(c.key);
        ASSERT_EQ(effect->filter()->setValue(key, c.before), ValueCheck::Accepted)
            << c.filter << " " << c.key;
        effect->scaleTo(1); // the current scale: nothing
        EXPECT_EQ(effect->filter()->value(key), c.before) << c.filter << " " << c.key;
        effect->scaleTo_n(PropertyList(2.0));
        EXPECT_EQ(effect->scale(), 2.0f);
        EXPECT_EQ(effect->filter()->value(key), c.after) << c.filter << " " << c.key;
        // And back.
        effect->scaleTo(1);
        EXPECT_EQ(effect->filter()->value(key), c.before) << c.filter << " " << c.key;
    }

    // Scales that are not positive numbers change nothing.
    const auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    for (float bad :
         {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        blur->scaleTo(bad);
    EXPECT_EQ(blur->scale(), 1.0f);
    EXPECT_EQ(blur->filter()->value(QStringLiteral("inputRadius")), EffectValue(10.0));
    // setScale records the scale without touching the inputs.
    blur->setScale(4);
    EXPECT_EQ(blur->filter()->value(QStringLiteral("inputRadius")), EffectValue(10.0));
}

TEST(TDFilter, CopyIsIndependentAndLeavesImagesOut)
{
    const auto effect = TDFilter::filterWithName(QStringLiteral("CIMultiplyBlendMode"));
    ASSERT_TRUE(effect);
    effect->setEnabled(false);
    effect->setExpanded(false);
    effect->setScale(3);
    effect->filter()->setValue(QStringLiteral("inputImage"),
                               EffectImage::constantColor(EffectColor(1, 0, 0)));
    const auto copy = effect->copy();
    EXPECT_NE(copy->filter(), effect->filter());
    EXPECT_EQ(copy->filterName(), effect->filterName());
    EXPECT_FALSE(copy->enabled());
    EXPECT_FALSE(copy->expanded());
    EXPECT_EQ(copy->scale(), 3.0f);
    EXPECT_FALSE(copy->filter()->image(QStringLiteral("inputImage")));

    const auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    blur->filter()->setValue(QStringLiteral("inputRadius"), 3.5);
    const auto blurCopy = blur->copy();
    EXPECT_TRUE(blurCopy->isEqualTo(*blur));
    blurCopy->filter()->setValue(QStringLiteral("inputRadius"), 7.0);
    EXPECT_EQ(blur->filter()->value(QStringLiteral("inputRadius")), EffectValue(3.5));
    EXPECT_FALSE(blurCopy->isEqualTo(*blur));
}

TEST(TDFilter, ArchiveRoundTripKeepsNameInputsFlagsAndWholeScale)
{
    struct Case {
        const char *filter;
        const char *key;
        EffectValue value;
    } cases[] = {
        {"CIGaussianBlur", "inputRadius", 4.25},
        {"CIZoomBlur", "inputCenter", EffectVector(12.5, -3)},
        {"CICheckerboardGenerator", "inputColor1", EffectColor(0.25, 0.5, 0.75, 0.5)},
        {"CIAffineTransform", "inputTransform", EffectTransform(1, 0.5, -0.5, 1, 7, 8)},
        {"CICrop", "inputRectangle", EffectVector(1, 2, 3, 4)},
    };
    for (const Case &c : cases) {
        const auto effect = TDFilter::filterWithName(QString::fromLatin1(c.filter));
        ASSERT_TRUE(effect);
        const QString key = QString::fromLatin1(c.key);
        ASSERT_EQ(effect->filter()->setValue(key, c.value), ValueCheck::Accepted);
        effect->setExpanded(false);
        effect->setScale(2.75f);
        const auto back = roundTrip(effect);
        ASSERT_TRUE(back) << c.filter;
        ASSERT_TRUE(back->filter()) << c.filter;
        EXPECT_EQ(back->filterName(), effect->filterName());
        EXPECT_EQ(back->filter()->value(key), c.value) << c.filter;
        EXPECT_TRUE(back->enabled());
        EXPECT_FALSE(back->expanded());
        EXPECT_EQ(back->scale(), 2.0f) << "the scale is stored as a whole number";
        EXPECT_TRUE(back->setAsideInputs().empty());
        // Every other input came back as it was too.
        for (const QString &input : effect->filter()->inputKeys()) {
            if (!input.startsWith(QLatin1String("input")) || !input.endsWith(QLatin1String("Image"))) {
                EXPECT_EQ(back->filter()->value(input), effect->filter()->value(input))
                    << c.filter << " " << input.toStdString();
            }
        }
    }
}

TEST(TDFilter, StoredInputsAreCheckedAgainstTheFiltersInputs)
{
    const PropertyList stored =
        settings("CIZoomBlur", {
                                   {"inputAmount", QStringLiteral("lots")},                    // wrong kind
                                   {"inputCenter", ArchivedEffectValue::value(EffectColor())}, // wrong kind
                                   {"inputFuture", 3.5},                            // unknown: kept aside
                                   {"inputImage", vectorValue(EffectVector(1, 2))}, // never read
                               });
    const auto read =
        unarchive(archive(PropertyList(std::make_shared<StoredEffect>(stored, 2)))).objectAs<TDFilter>();
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->filter());
    // The refused inputs keep the filter's defaults.
    EXPECT_EQ(read->filter()->number(QStringLiteral("inputAmount")), 20.0);
    EXPECT_EQ(read->filter()->vector(QStringLiteral("inputCenter")), EffectVector(150, 150));
    EXPECT_FALSE(read->filter()->image(QStringLiteral("inputImage")));
    EXPECT_EQ(read->scale(), 2.0f);
    EXPECT_FALSE(read->expanded());
    ASSERT_EQ(read->setAsideInputs().size(), 1u);
    EXPECT_EQ(read->setAsideInputs().at(QStringLiteral("inputFuture")), PropertyList(3.5));

    // Written again, the unknown input goes with it.
    const auto again = roundTrip(read);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->setAsideInputs(), read->setAsideInputs());

    // A number that is not finite is refused as well; a scale below 1 is
    // skipped.
    const auto infinite =
        unarchive(
            archive(PropertyList(std::make_shared<StoredEffect>(
                settings("CIGaussianBlur", {{"inputRadius", std::numeric_limits<double>::infinity()}}), 0))))
            .objectAs<TDFilter>();
    ASSERT_TRUE(infinite && infinite->filter());
    EXPECT_EQ(infinite->filter()->number(QStringLiteral("inputRadius")), 10.0);
    EXPECT_EQ(infinite->scale(), 1.0f);
}

TEST(TDFilter, UnknownFilterIsKeptAsStoredAndWarnsOncePerLoad)
{
    LostEffectsWatch watch;
    PropertyList::Array list;
    list.emplace_back(std::make_shared<StoredEffect>(
        settings("XYRipple", {{"inputWaves", 7}, {"inputCenter", vectorValue(EffectVector(1, 2))}}), 3));
    list.emplace_back(std::make_shared<StoredEffect>(settings("XYOther", {})));
    const QByteArray data = archive(PropertyList(list));

    const PropertyList read = unarchive(data);
    ASSERT_EQ(read.size(), 2u);
    const auto ripple = TDFilter::fromStoredValue(read.at(0));
    ASSERT_TRUE(ripple);
    EXPECT_FALSE(ripple->filter());
    EXPECT_EQ(ripple->filterName(), QStringLiteral("XYRipple"));
    EXPECT_TRUE(ripple->enabled());
    EXPECT_FALSE(ripple->expanded());
    EXPECT_EQ(ripple->scale(), 3.0f);
    // Rescaling cannot touch what it does not understand.
    ripple->scaleTo(6);
    EXPECT_EQ(ripple->scale(), 3.0f);
    EXPECT_TRUE(EncodedDictionary::filtersLost());
    EXPECT_EQ(watch.warnings, QStringList{QStringLiteral("TDFilter")});

    // Written back unchanged: reading the new archive (a new load, which
    // warns again) gives the same entries.
    EncodedDictionary::setFiltersLost(false);
    PropertyList::Array effects{PropertyList(ripple), PropertyList(TDFilter::fromStoredValue(read.at(1)))};
    const PropertyList again = unarchive(archive(PropertyList(effects)));
    ASSERT_EQ(again.size(), 2u);
    const auto rippleAgain = again.at(0).objectAs<TDFilter>();
    ASSERT_TRUE(rippleAgain);
    EXPECT_TRUE(rippleAgain->isEqualTo(*ripple));
    EXPECT_EQ(watch.warnings.size(), 2);

    // A copy keeps the record.
    EXPECT_TRUE(ripple->copy()->isEqualTo(*ripple));
}

TEST(TDFilter, PlaceholdersOfKnownFiltersAreBuilt)
{
    // A reader that maps the class to placeholders on purpose (as the text
    // importer does) still hands the graphic something it can build.
    LostEffectsWatch watch;
    const QByteArray data = archive(
        PropertyList(std::make_shared<StoredEffect>(settings("CIGaussianBlur", {{"inputRadius", 2.5}}))));
    KeyedUnarchiver unarchiver(data);
    unarchiver.setClass(&EncodedDictionary::decode, QStringLiteral("TDFilter"));
    const auto root = unarchiver.decodeRoot();
    ASSERT_TRUE(root);
    ASSERT_TRUE(root->objectAs<EncodedDictionary>());
    const auto effect = TDFilter::fromStoredValue(*root);
    ASSERT_TRUE(effect && effect->filter());
    EXPECT_EQ(effect->filter()->number(QStringLiteral("inputRadius")), 2.5);
    // Anything else is no effect.
    EXPECT_FALSE(TDFilter::fromStoredValue(PropertyList(QStringLiteral("blur"))));
    EXPECT_FALSE(TDFilter::fromStoredValue(ArchivedTransform::value(AffineTransform())));
}

TEST(TDFilter, PositionalInputs)
{
    EXPECT_TRUE(TDFilter::filterWithName(QStringLiteral("CIZoomBlur"))->hasPositionalInput());
    EXPECT_TRUE(TDFilter::filterWithName(QStringLiteral("CICrop"))->hasPositionalInput());
    EXPECT_FALSE(TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"))->hasPositionalInput());
}
