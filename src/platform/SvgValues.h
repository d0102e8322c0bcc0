#pragma once

#include "platform/Color.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <string>

namespace scrivane {

// Colour and number values of SVG and CSS attributes.
//
// Colours are read from "none", the 147 colour keywords of SVG 1.1 (lower
// case, "gray" and "grey" alike), "#" with three or six hexadecimal digits
// (anything after a blank ignored), or "rgb(r, g, b)" with each part a
// number from 0 to 255 or a percentage.  Keywords give device RGB colours,
// the other forms calibrated RGB, alpha 1.  "none", other words, malformed
// digits and functions ("rgb" with the wrong count of parts, "rgba", "hsl")
// give nothing; a caller that must tell "none" from a fault compares the
// text itself.
//
// Colours are written as "#" and six upper-case hexadecimal digits of the
// calibrated RGB components (each clamped to [0, 1], times 255, truncated);
// alpha goes into a separate opacity attribute.
class SvgValues {
public:
    static std::optional<Color> colorWithHTMLString(QStringView text);
    static std::string svgColor(const Color &color);
    static void appendSvgColor(std::string &out, const Color &color);

    // A length in points: a finite number with an optional unit, "px" and
    // "pt" (1), "pc" and "p" (12), "in" (72), "cm" (72/2.54), "mm"
    // (72/25.4) or "%" (0.01); blanks around it allowed.  Nothing for any
    // other text.
    static std::optional<double> svgFloatValue(QStringView text);
    // A colour component in [0, 1]: a number out of 255, or a percentage
    // ("50%" is 0.5); clamped; nothing for any other text.
    static std::optional<double> svgFloatColorValue(QStringView text);
    static bool containsPercent(QStringView text);
    // Leading blanks, an optional sign and the hexadecimal digits at the
    // start ("1g" reads 1, "zz" 0); saturates instead of overflowing.
    static long asLongFromHex(QStringView text);
};

} // namespace scrivane
