#pragma once

#include "platform/Archivable.h"
#include "platform/Color.h"

#include <optional>

namespace scrivane {

class KeyedUnarchiver;

// A colour as an archivable value ("TDColor"): its space by number
// ("space": 0 calibrated white, 1 calibrated RGB, 2 device white, 3 device
// RGB, 4 device CMYK), the space's components by name ("white"; "red",
// "green", "blue"; "cyan", "magenta", "yellow", "black") and "alpha", all
// keyed reals.
class ArchivedColor : public Archivable {
public:
    explicit ArchivedColor(const Color &color) : m_color(color) {}

    const Color &color() const { return m_color; }

    static PropertyList value(const Color &color);
    static std::optional<Color> fromValue(const PropertyList &value);

    static QString className() { return QStringLiteral("TDColor"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);

    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    bool isEqualTo(const Archivable &other) const override;

private:
    Color m_color;
};

} // namespace scrivane
