#pragma once

#include "platform/AffineTransform.h"

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace scrivane {

// SVG "transform" values, written and read.
//
// Writing gives "matrix(m11, m12, m21, m22, tX, tY)", each number the
// shortest text that reads back as the same float.
//
// Reading takes an SVG transform list: translate, scale, rotate (about the
// origin or a given centre), skewX, skewY and matrix, with their numbers
// separated by blanks or commas, the functions by blanks, a comma or
// nothing.  The list "A B" maps a point through B, then A, and the whole
// list acts on points before the transformation it is applied to.  A list
// that breaks the grammar (an unknown word, a missing parenthesis, the
// wrong count of numbers, a number that is not finite) changes nothing and
// answers false with a message in `error`; an empty list is the identity.
class SvgTransform {
public:
    static std::string svgDescription(const AffineTransform &t);
    static void appendSvgDescription(std::string &out, const AffineTransform &t);

    static bool setFromSVGString(AffineTransform &t, std::string_view text, QString *error = nullptr);
    static bool setFromSVGString(AffineTransform &t, QStringView text, QString *error = nullptr);
};

} // namespace scrivane
