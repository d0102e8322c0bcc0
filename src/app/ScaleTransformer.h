#pragma once

#include <QString>

#include <optional>

namespace scrivane {

// A number shown divided by a scale and stored multiplied by it: lengths
// held at an effects resolution shown in points ("x2 ScaleTransformer" and
// its kin), angles held in radians shown in degrees ("AngleTransformer"),
// and plain numbers ("NumberTransformer", scale 1).  The filter views find
// theirs by name; the effects controller registers the names.
class ScaleTransformer {
public:
    explicit ScaleTransformer(float scale = 1.0f) : m_scale(scale) {}

    float scale() const { return m_scale; }

    // No value shows and stores as 0.
    double transformedValue(std::optional<double> value) const;
    double reverseTransformedValue(std::optional<double> value) const;

    // Registers a transformer under a name (a name registered before is
    // replaced); null for a name nobody registered.
    static void setValueTransformer(const QString &name, const ScaleTransformer &transformer);
    static const ScaleTransformer *valueTransformerForName(const QString &name);

private:
    float m_scale;
};

} // namespace scrivane
