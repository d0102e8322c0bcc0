#pragma once

#include "platform/Archivable.h"
#include "platform/Color.h"
#include "platform/PropertyList.h"

#include <QString>

#include <memory>

namespace scrivane {

class KeyedArchiver;
class KeyedUnarchiver;

// One colour stop of a gradient: a colour at a position along it, normally
// in [0, 1].  A stop dragged off the gradient editor sits at -1 and takes no
// part in the colours.  The colour is kept as it was given and, for the
// gradient's arithmetic, in calibrated RGB.
class TDGradientMarker : public Archivable {
public:
    TDGradientMarker() = default;
    TDGradientMarker(const Color &color, float position);

    const Color &color() const { return m_color; }
    const Color &rgbColor() const { return m_rgbColor; }
    float markerPosition() const { return m_position; }
    // Replaces both colours.
    void setColor(const Color &color);
    // A position that is not a number becomes -1 (off the gradient).
    void setPosition(float position);

    // -1 when the other lies further along, 1 when this one does, 0 when
    // both sit at the same place.
    int compare(const TDGradientMarker &other) const;

    // Dictionary form: "Color" (colour object), "Position" (real).
    PropertyList toYAML() const;
    // Reads what the dictionary holds; a missing or malformed "Color" or
    // "Position" leaves that field as it was.
    void initWithDictionary(const PropertyList &dictionary);
    static std::shared_ptr<TDGradientMarker> objectWithYAML(const PropertyList &dictionary);

    // Keyed archive: one unkeyed object, the dictionary.
    static QString className() { return QStringLiteral("TDGradientMarker"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    static void registerArchiveClass();
    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    // Same position and colour.
    bool isEqualTo(const Archivable &other) const override;

private:
    float m_position = 0;
    Color m_color;
    Color m_rgbColor;
};

} // namespace scrivane
