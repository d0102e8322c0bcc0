#pragma once

#include "model/TDGradientMarker.h"
#include "platform/Archivable.h"
#include "platform/Color.h"
#include "platform/GraphicsContext.h"
#include "platform/PropertyList.h"
#include "platform/XmlElement.h"

#include <array>
#include <memory>
#include <vector>

namespace scrivane {

// The colours of a gradient fill: an ordered list of stops.  Where the
// gradient runs (axial or radial, its start and end) belongs to the fill
// style.  The list keeps the order in which stops were added, which is what
// index-based operations address; a second list holds the same stops sorted
// by position, and a flat cache of their calibrated RGB components is what
// the colours are computed from.  Every change of the list, a position or a
// colour rebuilds the cache at once.
class TDGradient : public Archivable {
public:
    // Red, green, blue and straight (not premultiplied) alpha.
    using Components = std::array<float, 4>;
    struct CachedMarker {
        Components color{0, 0, 0, 0};
        float position = 0;
    };

    TDGradient() = default;
    // A gradient is an object that fill styles and the editor share by
    // pointer; `copy` makes a new one.
    TDGradient(const TDGradient &) = delete;
    TDGradient &operator=(const TDGradient &) = delete;

    // A gradient from `from` at 0 to `to` at 1.
    static std::shared_ptr<TDGradient> withColors(const Color &from, const Color &to);

    // Appends a stop and answers its index in the list (the last one).
    int addColor(const Color &color, float position);
    // The given stops become the list (the stop objects are shared).
    void setMarkers(const std::vector<std::shared_ptr<TDGradientMarker>> &markers);
    // Answers `index`; an index out of range changes nothing.
    int setPosition(float position, int index);
    void setColor(const Color &color, int index);

    int numberOfmarkers() const { return static_cast<int>(m_markers.size()); }
    // An index out of range answers 0 and black.
    float markerPosition(int index) const;
    Color markerColor(int index) const;
    const std::vector<std::shared_ptr<TDGradientMarker>> &markers() const { return m_markers; }
    const std::vector<std::shared_ptr<TDGradientMarker>> &sortedMarkers() const { return m_sortedMarkers; }
    // The stops that take part in the colours (none at a negative
    // position), sorted.
    const std::vector<CachedMarker> &cachedMarkers() const { return *m_cache; }
    int numberOfColors() const { return static_cast<int>(m_cache->size()); }

    // The colour at t: the first stop's before it, the last stop's after it,
    // linear in calibrated RGB with straight alpha in between; opaque mid
    // grey for a gradient without stops.
    Components colorAtPosition(float t) const;
    Color nscolorAtPosition(float t) const;

    // The shading function of this gradient for a drawing context: the
    // colour at t, every component lowered by 0.005 (an opaque gradient thus
    // draws at alpha 0.995; 0 stays 0).  It reads the live cache, so a
    // function made earlier shows later changes of the stops, and it stays
    // valid after the gradient is gone.
    void createFunction();
    const ShadingFunction &function();
    // Where the function's pieces meet: the cached stop positions.
    std::vector<float> breakpoints() const;

    // A new gradient with the sorted stops that lie in [0, 1] (stops dragged
    // off the editor are dropped).
    std::shared_ptr<TDGradient> copy() const;
    // A new gradient with every stop in list order, positions as they are.
    std::shared_ptr<TDGradient> clone() const;
    // Some stop's colour is not opaque.
    bool transparent() const;
    // Whether PDF and PostScript output must paint an image of this gradient
    // rather than a native shading: when it is transparent, has more than
    // two stops, or its first stop lies above 0.01 or its second below 0.99.
    // A gradient of fewer than two stops is one colour, which a native
    // shading shows as well: it is rasterised only when transparent.
    bool needsRasterizingForPDF() const;

    // A "linearGradient" with a "stop" per stop that takes part in the
    // colours, sorted by position (the fill names and places it).
    XmlElement svg() const;
    // Dictionary form: "Markers", the marker dictionaries in sorted order.
    // A dictionary without stops reads as an empty gradient.
    PropertyList toYAML() const;
    void initWithDictionary(const PropertyList &dictionary);
    static std::shared_ptr<TDGradient> objectWithYAML(const PropertyList &dictionary);

    static QString className() { return QStringLiteral("TDGradient"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    // Registers this class and TDGradientMarker with the unarchiver.
    static void registerArchiveClass();
    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    // The same stops in the same list order.
    bool isEqualTo(const Archivable &other) const override;

private:
    void sortMarkers();
    void cacheMarkers();

    std::vector<std::shared_ptr<TDGradientMarker>> m_markers;
    std::vector<std::shared_ptr<TDGradientMarker>> m_sortedMarkers;
    // Shared with the shading functions handed out.
    std::shared_ptr<std::vector<CachedMarker>> m_cache = std::make_shared<std::vector<CachedMarker>>();
    ShadingFunction m_function;
};

} // namespace scrivane
