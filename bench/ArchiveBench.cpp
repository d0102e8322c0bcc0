// Keyed archives of drawings: 10,000 graphics, each stored as one object
// holding a dictionary the size of a rectangle's (styles, shadow, colours,
// a transformation).  Peers in the same run: the same values as a plain
// binary property list (libplist alone, no archive layout) and as CBOR
// (Qt's QCborValue).

#include "BenchSupport.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedTransform.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>

#include <benchmark/benchmark.h>

using namespace scrivane;

namespace {

class BenchGraphic : public Archivable {
public:
    explicit BenchGraphic(PropertyList dictionary) : m_dictionary(std::move(dictionary)) {}
    static QString name() { return QStringLiteral("BenchGraphic"); }
    QString archiveClassName() const override { return name(); }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeObject(m_dictionary); }

private:
    PropertyList m_dictionary;
};

void registerBenchGraphic()
{
    static const bool done = [] {
        KeyedUnarchiver::registerClass(BenchGraphic::name(),
                                       [](KeyedUnarchiver &u) -> std::shared_ptr<Archivable> {
                                           return std::make_shared<BenchGraphic>(u.decodeObject());
                                       });
        return true;
    }();
    (void)done;
}

// The dictionary of graphic i, with plain values in place of objects when
// `plain` is set (for the peers, which cannot hold objects).
PropertyList graphicDictionary(int i, bool plain)
{
    const auto colour = [plain](float r, float g, float b) {
        return plain ? PropertyList(PropertyList::Array{double(r), double(g), double(b), 1.0})
                     : ArchivedColor::value(Color::calibratedRGB(r, g, b));
    };
    const float f = float(i % 97) / 97.0f;
    PropertyList fill = PropertyList::Dictionary{
        {"Style", 1}, {"Color", colour(f, 0.5f, 1 - f)}, {"Winding", 1}, {"ImageAlpha", 1.0}};
    PropertyList stroke = PropertyList::Dictionary{{"Style", 1},
                                                   {"Color", colour(0, 0, f)},
                                                   {"Width", 1.0 + i % 5},
                                                   {"Cap", 0},
                                                   {"Join", 0},
                                                   {"Dash", PropertyList::Array{4.0, 2.0}}};
    const AffineTransform placement(1 + f, 0, 0, 1 - f / 2, 10.0f * float(i % 100), 7.0f * float(i / 100));
    return PropertyList::Dictionary{
        {"Name", QStringLiteral("Rect %1").arg(i)},
        {"Fill", plain ? fill : PropertyList(std::make_shared<BenchGraphic>(fill))},
        {"Stroke", plain ? stroke : PropertyList(std::make_shared<BenchGraphic>(stroke))},
        {"ShadowRadius", 3.0},
        {"ShadowOffset", 5.0},
        {"ShadowAngle", 2.356},
        {"ShadowColor", colour(0, 0, 0)},
        {"blendMode", i % 16},
        {"alphaValue", 0.75},
        {"Visible", true},
        {"Locked", false},
        {"Transformation", plain
                               ? PropertyList(PropertyList::Array{placement.m11, placement.m12, placement.m21,
                                                                  placement.m22, placement.tX, placement.tY})
                               : ArchivedTransform::value(placement)},
        {"Roundness", 0.1},
    };
}

PropertyList drawing(bool plain)
{
    const long count = scrivane::bench::size(10000, 100);
    PropertyList::Array graphics;
    graphics.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        PropertyList dictionary = graphicDictionary(i, plain);
        graphics.push_back(plain ? dictionary : PropertyList(std::make_shared<BenchGraphic>(dictionary)));
    }
    return PropertyList::Dictionary{
        {"Layers", PropertyList::Array{PropertyList::Dictionary{{"Graphics", graphics}}}},
        {"GridSpacing", 28.35}};
}

QCborValue toCbor(const PropertyList &value)
{
    switch (value.kind()) {
    case PropertyList::Kind::String:
        return value.toString();
    case PropertyList::Kind::Integer:
        return value.toInteger();
    case PropertyList::Kind::Real:
        return value.toReal();
    case PropertyList::Kind::Boolean:
        return value.toBool();
    case PropertyList::Kind::Array: {
        QCborArray array;
        for (const PropertyList &element : value.toArray())
            array.append(toCbor(element));
        return array;
    }
    case PropertyList::Kind::Dictionary: {
        QCborMap map;
        for (const auto &[key, element] : value.toDictionary())
            map.insert(key, toCbor(element));
        return map;
    }
    default:
        return {};
    }
}

void BM_ArchiveEncode(benchmark::State &state)
{
    const PropertyList root = drawing(false);
    size_t bytes = 0;
    for (auto _ : state) {
        const auto data = KeyedArchiver::archivedData(root);
        bytes = size_t(data->size());
        benchmark::DoNotOptimize(data);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ArchiveEncode)->Unit(benchmark::kMillisecond);

void BM_ArchiveDecode(benchmark::State &state)
{
    registerBenchGraphic();
    const QByteArray data = *KeyedArchiver::archivedData(drawing(false));
    for (auto _ : state) {
        auto root = KeyedUnarchiver::unarchive(data);
        if (!root)
            state.SkipWithError("the archive did not decode");
        benchmark::DoNotOptimize(root);
    }
}
BENCHMARK(BM_ArchiveDecode)->Unit(benchmark::kMillisecond);

void BM_PlainPlistEncode(benchmark::State &state)
{
    const PropertyList root = drawing(true);
    for (auto _ : state) {
        auto data = root.toData(PropertyList::Format::Binary);
        benchmark::DoNotOptimize(data);
    }
}
BENCHMARK(BM_PlainPlistEncode)->Unit(benchmark::kMillisecond);

void BM_PlainPlistDecode(benchmark::State &state)
{
    const QByteArray data = *drawing(true).toData(PropertyList::Format::Binary);
    for (auto _ : state) {
        auto root = PropertyList::fromData(data);
        benchmark::DoNotOptimize(root);
    }
}
BENCHMARK(BM_PlainPlistDecode)->Unit(benchmark::kMillisecond);

void BM_CborEncode(benchmark::State &state)
{
    const QCborValue root = toCbor(drawing(true));
    for (auto _ : state) {
        QByteArray data = root.toCbor();
        benchmark::DoNotOptimize(data);
    }
}
BENCHMARK(BM_CborEncode)->Unit(benchmark::kMillisecond);

void BM_CborDecode(benchmark::State &state)
{
    const QByteArray data = toCbor(drawing(true)).toCbor();
    for (auto _ : state) {
        QCborValue root = QCborValue::fromCbor(data);
        benchmark::DoNotOptimize(root);
    }
}
BENCHMARK(BM_CborDecode)->Unit(benchmark::kMillisecond);

} // namespace
