#pragma once

#include "platform/effects/EffectImage.h"
#include "platform/effects/EffectValue.h"
#include "platform/effects/FilterClassAttributes.h"
#include "platform/effects/InputAttribute.h"

#include <QStringList>

#include <vector>

namespace scrivane {

// What became of a value offered to an input.
enum class ValueCheck {
    Accepted,
    UnknownKey, // the filter has no input of that name
    WrongKind,  // e.g. a colour for a number input
    NotFinite,  // a number (or a component) that is infinite or not a number
};

// One filter of the effects engine: named inputs described by attributes,
// and an output image built from their current values.  Filters are made by
// name through the EffectRegistry (which gives them their class attributes
// and their defaults); the built-in filters and those of plug-ins subclass
// this class.
class EffectFilter {
public:
    explicit EffectFilter(std::vector<InputAttribute> inputs);
    virtual ~EffectFilter();
    EffectFilter(const EffectFilter &) = delete;
    EffectFilter &operator=(const EffectFilter &) = delete;

    const FilterClassAttributes &classAttributes() const { return m_class; }
    const QString &name() const { return m_class.name; }
    bool hasCategory(const QString &category) const { return m_class.hasCategory(category); }

    // The inputs, in their order.
    const std::vector<InputAttribute> &inputAttributes() const { return m_inputs; }
    const InputAttribute *inputAttribute(const QString &key) const;
    QStringList inputKeys() const;
    bool hasInput(const QString &key) const { return inputAttribute(key) != nullptr; }

    // The current value (std::monostate when unset or unknown).
    EffectValue value(const QString &key) const;
    // Whether `value` may be set on `key`: the key must name an input and the
    // value be of the input's kind (no value at all always may, it clears).
    ValueCheck checkValue(const QString &key, const EffectValue &value) const;
    // Sets the value when checkValue() accepts it; otherwise the input keeps
    // its value and the answer says why.
    ValueCheck setValue(const QString &key, const EffectValue &value);
    // Sets every input that has a default to it and clears the others.
    void setDefaults();

    // The value an editor should store for `proposed`: a number below the
    // input's minimum becomes the minimum, one above its maximum the maximum;
    // anything else is answered unchanged.
    EffectValue validateValue(const QString &key, const EffectValue &proposed) const;

    // Rescales the inputs that are lengths in pixels of the working image by
    // `factor` (when the filter resolution changes): distance numbers that
    // have a slider range (not those of "CIZoomBlur", whose amount is
    // relative), all four components of position, offset, 3-D position and
    // rectangle vectors, and the translation of transforms.  Colours and
    // everything else stay.
    void scaleInputs(double factor);

    // The current values, read as the input's kind: the default when unset.
    double number(const QString &key) const;
    EffectVector vector(const QString &key) const;
    EffectColor color(const QString &key) const;
    EffectTransform transform(const QString &key) const;
    ImageRef image(const QString &key) const;

    // The image the filter makes of its inputs; null when a required image
    // input has no value.
    virtual ImageRef outputImage() = 0;

    // For filters of the category "QVVectorComposite": whether the filter is
    // the last of its chain, in which case it answers its effect alone
    // without the input image.  Others ignore it.
    virtual void setLastFilter(bool last);
    // Drops every image the filter holds inside (its internal filters'
    // inputs), so that no buffer stays alive after drawing.
    virtual void clearFilter();

private:
    friend class EffectRegistry;

    int indexOf(const QString &key) const;

    FilterClassAttributes m_class;
    std::vector<InputAttribute> m_inputs;
    std::vector<EffectValue> m_values;
};

} // namespace scrivane
