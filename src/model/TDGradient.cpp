#include "model/TDGradient.h"

#include "model/TDDictionaryReader.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
const QString MarkersKey = QStringLiteral("Markers");

TDGradient::Components evaluate(const std::vector<TDGradient::CachedMarker> &r, float t)
{
    const size_t n = r.size();
    if (n == 0)
        return {0.5f, 0.5f, 0.5f, 1.0f};
    if (std::isnan(t))
        t = 0;
    if (t <= r[0].position)
        return r[0].color;
    if (t >= r[n - 1].position)
        return r[n - 1].color;
    size_t k = 1;
    while (k < n && !(r[k].position > t))
        ++k;
    // r[k - 1].position <= t < r[k].position, so the span is never empty.
    const TDGradient::CachedMarker &a = r[k - 1];
    const TDGradient::CachedMarker &b = r[k];
    const float f = (t - a.position) / (b.position - a.position);
    TDGradient::Components c;
    for (size_t i = 0; i < 4; ++i)
        c[i] = (1 - f) * a.color[i] + f * b.color[i];
    return c;
}
} // namespace

std::shared_ptr<TDGradient> TDGradient::withColors(const Color &from, const Color &to)
{
    auto gradient = std::make_shared<TDGradient>();
    gradient->addColor(from, 0);
    gradient->addColor(to, 1);
    return gradient;
}

int TDGradient::addColor(const Color &color, float position)
{
    m_markers.push_back(std::make_shared<TDGradientMarker>(color, position));
    sortMarkers();
    cacheMarkers();
    return numberOfmarkers() - 1;
}

void TDGradient::setMarkers(const std::vector<std::shared_ptr<TDGradientMarker>> &markers)
{
    m_markers.clear();
    for (const auto &marker : markers) {
        if (marker)
            m_markers.push_back(marker);
    }
    sortMarkers();
    cacheMarkers();
}

int TDGradient::setPosition(float position, int index)
{
    if (index < 0 || index >= numberOfmarkers())
        return index;
    m_markers[size_t(index)]->setPosition(position);
    sortMarkers();
    cacheMarkers();
    return index;
}

void TDGradient::setColor(const Color &color, int index)
{
    if (index < 0 || index >= numberOfmarkers())
        return;
    m_markers[size_t(index)]->setColor(color);
    cacheMarkers();
}

float TDGradient::markerPosition(int index) const
{
    if (index < 0 || index >= numberOfmarkers())
        return 0;
    return m_markers[size_t(index)]->markerPosition();
}

Color TDGradient::markerColor(int index) const
{
    if (index < 0 || index >= numberOfmarkers())
        return Color::black();
    return m_markers[size_t(index)]->color();
}

void TDGradient::sortMarkers()
{
    m_sortedMarkers = m_markers;
    std::stable_sort(m_sortedMarkers.begin(), m_sortedMarkers.end(),
                     [](const auto &a, const auto &b) { return a->compare(*b) < 0; });
}

void TDGradient::cacheMarkers()
{
    // Rebuilt in place: the shading functions handed out share this cache.
    std::vector<CachedMarker> &cache = *m_cache;
    cache.clear();
    auto it = m_sortedMarkers.begin();
    while (it != m_sortedMarkers.end() && (*it)->markerPosition() < 0)
        ++it;
    for (; it != m_sortedMarkers.end(); ++it) {
        const Color &rgb = (*it)->rgbColor();
        cache.push_back({{rgb.components()[0], rgb.components()[1], rgb.components()[2], rgb.alpha()},
                         (*it)->markerPosition()});
    }
}

TDGradient::Components TDGradient::colorAtPosition(float t) const
{
    return evaluate(*m_cache, t);
}

Color TDGradient::nscolorAtPosition(float t) const
{
    const Components c = colorAtPosition(t);
    return Color::calibratedRGB(c[0], c[1], c[2], c[3]);
}

void TDGradient::createFunction()
{
    m_function = [cache = m_cache](float t) {
        Components c = evaluate(*cache, t);
        for (float &component : c)
            component = std::clamp(component - 0.005f, 0.0f, 1.0f);
        return c;
    };
}

const ShadingFunction &TDGradient::function()
{
    if (!m_function)
        createFunction();
    return m_function;
}

std::vector<float> TDGradient::breakpoints() const
{
    std::vector<float> positions;
    positions.reserve(m_cache->size());
    for (const CachedMarker &marker : *m_cache)
        positions.push_back(marker.position);
    return positions;
}

std::shared_ptr<TDGradient> TDGradient::copy() const
{
    auto gradient = std::make_shared<TDGradient>();
    for (const auto &marker : m_sortedMarkers) {
        const float position = marker->markerPosition();
        if (position >= 0 && position <= 1)
            gradient->addColor(marker->color(), position);
    }
    return gradient;
}

std::shared_ptr<TDGradient> TDGradient::clone() const
{
    auto gradient = std::make_shared<TDGradient>();
    for (const auto &marker : m_markers)
        gradient->m_markers.push_back(
            std::make_shared<TDGradientMarker>(marker->color(), marker->markerPosition()));
    gradient->sortMarkers();
    gradient->cacheMarkers();
    return gradient;
}

bool TDGradient::transparent() const
{
    return std::any_of(m_markers.begin(), m_markers.end(),
                       [](const auto &marker) { return marker->color().alpha() < 1; });
}

bool TDGradient::needsRasterizingForPDF() const
{
    if (transparent() || numberOfmarkers() > 2)
        return true;
    // Fewer than two stops paint one colour, which a native shading shows
    // as well as an image does.
    if (numberOfmarkers() < 2)
        return false;
    return m_markers[0]->markerPosition() > 0.01f || m_markers[1]->markerPosition() < 0.99f;
}

PropertyList TDGradient::toYAML() const
{
    PropertyList markers{PropertyList::Array()};
    for (const auto &marker : m_sortedMarkers)
        markers.append(
            PropertyList(std::make_shared<TDGradientMarker>(marker->color(), marker->markerPosition())));
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert(MarkersKey, markers);
    return dictionary;
}

void TDGradient::initWithDictionary(const PropertyList &dictionary)
{
    const TDDictionaryReader values(dictionary, "TDGradient");
    const auto markers = values.array(MarkersKey);
    if (!markers)
        return;
    std::vector<std::shared_ptr<TDGradientMarker>> read;
    for (const PropertyList &entry : markers->toArray()) {
        if (auto marker = entry.objectAs<TDGradientMarker>())
            read.push_back(std::make_shared<TDGradientMarker>(marker->color(), marker->markerPosition()));
        else if (entry.isDictionary())
            read.push_back(TDGradientMarker::objectWithYAML(entry));
        else
            qWarning("TDGradient: a stored stop is neither a stop nor a dictionary; ignored");
    }
    setMarkers(read);
}

std::shared_ptr<TDGradient> TDGradient::objectWithYAML(const PropertyList &dictionary)
{
    auto gradient = std::make_shared<TDGradient>();
    gradient->initWithDictionary(dictionary);
    return gradient;
}

std::shared_ptr<Archivable> TDGradient::decode(KeyedUnarchiver &unarchiver)
{
    return objectWithYAML(unarchiver.decodeObject());
}

void TDGradient::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(className(), &TDGradient::decode);
    TDGradientMarker::registerArchiveClass();
}

void TDGradient::encode(KeyedArchiver &archiver) const
{
    archiver.encodeObject(toYAML());
}

bool TDGradient::isEqualTo(const Archivable &other) const
{
    const auto *gradient = dynamic_cast<const TDGradient *>(&other);
    if (!gradient || gradient->m_markers.size() != m_markers.size())
        return false;
    for (size_t i = 0; i < m_markers.size(); ++i) {
        if (!m_markers[i]->isEqualTo(*gradient->m_markers[i]))
            return false;
    }
    return true;
}

} // namespace scrivane
