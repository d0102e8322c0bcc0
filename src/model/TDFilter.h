#pragma once

#include "platform/Archivable.h"
#include "platform/PropertyList.h"

#include <QString>

#include <memory>
#include <vector>

namespace scrivane {

class EffectFilter;
class EncodedDictionary;
class KeyedUnarchiver;

// One effect of a graphic's effect chain: a filter of the effects engine
// (made by name through the EffectRegistry), its name, whether the chain
// runs it, whether its panel is open in the effects list, and the scale (the
// filter resolution) at which its distance and position inputs are
// expressed.  The flags and the scale are plain values: no undo, no change
// notification; graphics change their effect list as a whole.
//
// An effect read from a document whose filter this program does not know
// (a plug-in that is not installed) holds no filter: the chain skips it,
// and it is written back exactly as it was read.
//
// Stored with keyed entries (docs/file-format.md): "filter", a dictionary of
// the filter's name under "CIAttributeFilterName" and its inputs but the
// image ones; "enabled" and "expanded", booleans; "scale", an integer.
class TDFilter : public Archivable {
public:
    // The key of the filter's name in the stored dictionary.
    static const QString NameKey; // "CIAttributeFilterName"

    // A new effect over a new filter of that name with its defaults set,
    // enabled and expanded, at scale 1; null for a name the engine does not
    // know.  The perspective transform starts as a small sheared square.
    static std::shared_ptr<TDFilter> filterWithName(const QString &name);

    // Takes the filter; enabled and expanded.
    explicit TDFilter(std::unique_ptr<EffectFilter> filter, float scale = 1.0f);
    ~TDFilter() override;
    TDFilter(const TDFilter &) = delete;
    TDFilter &operator=(const TDFilter &) = delete;

    // A new effect over a new filter of the same name with the same inputs
    // (image inputs left out), flags and scale.
    std::shared_ptr<TDFilter> copy() const;

    // The filter; null for a filter this program does not know.
    EffectFilter *filter() const { return m_filter.get(); }
    const QString &filterName() const { return m_filterName; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }
    float scale() const { return m_scale; }
    // Stores the scale without touching the inputs.
    void setScale(float scale) { m_scale = scale; }
    // Re-expresses the distance and position inputs at a new scale (a new
    // filter resolution of the graphic) and stores it.  Nothing for the
    // current scale, a scale that is not a positive number, or an unknown
    // filter (whose stored values stay as they are).
    void scaleTo(float scale);
    void scaleTo_n(const PropertyList &scale) { scaleTo(scale.toFloat()); }

    // Whether the filter has a position, 3-D position or rectangle input,
    // so that its output depends on where the graphic lies.
    bool hasPositionalInput() const;
    // Stored inputs that the filter does not have, kept to be written back.
    const PropertyList::Dictionary &setAsideInputs() const { return m_setAside; }

    // An element of a graphic's stored "Filters": an effect, or the
    // placeholder a reader made of one; null for anything else.
    static std::shared_ptr<TDFilter> fromStoredValue(const PropertyList &value);

    static QString className() { return QStringLiteral("TDFilter"); }
    // Registers this class and the classes of stored input values with the
    // keyed unarchiver.
    static void registerArchiveClass();
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString archiveClassName() const override { return className(); }
    QStringList archiveClassHierarchy() const override;
    void encode(KeyedArchiver &archiver) const override;
    // Same name, flags, scale and input values (or, unknown, the same
    // stored entries).
    bool isEqualTo(const Archivable &other) const override;

private:
    TDFilter() = default;
    // From the stored entries of a filter the engine knows.
    static std::shared_ptr<TDFilter> fromEntries(const QString &name,
                                                 const std::vector<ArchivedEntry> &entries);
    // An unknown filter kept as the placeholder read for it.
    static std::shared_ptr<TDFilter> fromRecord(std::shared_ptr<const EncodedDictionary> record);
    void readFlags(const std::vector<ArchivedEntry> &entries);

    std::unique_ptr<EffectFilter> m_filter;
    QString m_filterName;
    bool m_enabled = true;
    bool m_expanded = true;
    float m_scale = 1;
    PropertyList::Dictionary m_setAside;
    // An unknown filter: its stored entries.
    std::shared_ptr<const EncodedDictionary> m_record;
};

// A graphic's effects in chain order.
using TDFilterArray = std::vector<std::shared_ptr<TDFilter>>;

} // namespace scrivane
