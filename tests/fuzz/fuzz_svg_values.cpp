// Feeds arbitrary text to the readers of SVG values: path data, transform
// lists, colours and lengths.  Whatever path data reads into holds only
// finite points and reads back from its own text into the same path; a
// transform list that reads gives a finite matrix that reads back exactly.

#include "platform/SvgPathData.h"
#include "platform/SvgTransform.h"
#include "platform/SvgValues.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace scrivane;

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_svg_values: %s\n", what);
    std::abort();
}

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool samePath(const PathBase &a, const PathBase &b)
{
    const auto ea = a.elements(), eb = b.elements();
    if (ea.size() != eb.size())
        return false;
    for (std::size_t i = 0; i < ea.size(); ++i)
        if (ea[i].type != eb[i].type || ea[i].points != eb[i].points)
            return false;
    return true;
}

void checkPath(const PathBase &path)
{
    for (const PathBase::Element &element : path.elements())
        for (const Point &p : element.points)
            if (!finite(p))
                fail("path data read into a point that is not finite");
    QString error;
    const PathBase again = SvgPathData::pathFromSVGData(std::string_view(SvgPathData::svgDescription(path)), &error);
    if (!error.isEmpty())
        fail("the path's own data did not read");
    if (!samePath(path, again))
        fail("the path's own data read into another path");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    checkPath(SvgPathData::pathFromSVGData(bytes));
    checkPath(SvgPathData::pathFromSVGData(QStringView(text)));

    AffineTransform t;
    if (SvgTransform::setFromSVGString(t, bytes)) {
        for (float m : {t.m11, t.m12, t.m21, t.m22, t.tX, t.tY})
            if (!std::isfinite(m))
                fail("a transform list read into a matrix that is not finite");
        AffineTransform again;
        if (!SvgTransform::setFromSVGString(again, std::string_view(SvgTransform::svgDescription(t))) ||
            again.m11 != t.m11 || again.m12 != t.m12 || again.m21 != t.m21 || again.m22 != t.m22 ||
            again.tX != t.tX || again.tY != t.tY)
            fail("a matrix did not read back from its own text");
    }
    AffineTransform untouched;
    SvgTransform::setFromSVGString(untouched, QStringView(text));

    if (const auto color = SvgValues::colorWithHTMLString(text))
        (void)SvgValues::svgColor(*color);
    if (const auto length = SvgValues::svgFloatValue(text); length && !std::isfinite(*length))
        fail("a length that is not finite");
    if (const auto component = SvgValues::svgFloatColorValue(text); component && !(*component >= 0 && *component <= 1))
        fail("a colour component outside 0 to 1");
    (void)SvgValues::asLongFromHex(text);
    return 0;
}
