#include "platform/SvgTransform.h"

#include "platform/Numbers.h"

#include <array>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

struct Function {
    std::string_view name;
    // The counts of numbers the function takes.
    std::array<int, 2> counts;
};

constexpr std::array<Function, 6> Functions = {{
    {"matrix", {6, 6}},
    {"translate", {1, 2}},
    {"scale", {1, 2}},
    {"rotate", {1, 3}},
    {"skewX", {1, 1}},
    {"skewY", {1, 1}},
}};

bool isFinite(const AffineTransform &t)
{
    return std::isfinite(t.m11) && std::isfinite(t.m12) && std::isfinite(t.m21) && std::isfinite(t.m22) &&
           std::isfinite(t.tX) && std::isfinite(t.tY);
}

class TransformListReader {
public:
    explicit TransformListReader(std::string_view text) : m_text(text) {}

    bool read(AffineTransform &list, QString &error);

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    void skipWhiteSpace()
    {
        while (!atEnd() && isWhiteSpace(m_text[m_pos]))
            ++m_pos;
    }
    bool fail(QString &error, const QString &message) const
    {
        error = QStringLiteral("transform list, at character %1: %2").arg(m_pos + 1).arg(message);
        return false;
    }
    bool readFunction(AffineTransform &list, QString &error);

    std::string_view m_text;
    std::size_t m_pos = 0;
};

AffineTransform functionTransform(std::string_view name, const double *v, int count)
{
    const auto f = [](double x) { return static_cast<float>(x); };
    if (name == "matrix")
        return AffineTransform(f(v[0]), f(v[1]), f(v[2]), f(v[3]), f(v[4]), f(v[5]));
    if (name == "translate")
        return AffineTransform::makeTranslation(f(v[0]), count > 1 ? f(v[1]) : 0);
    if (name == "scale")
        return AffineTransform::makeScale(f(v[0]), count > 1 ? f(v[1]) : f(v[0]));
    if (name == "rotate") {
        AffineTransform t;
        if (count == 3)
            t.translate(f(v[1]), f(v[2]));
        t.rotateByDegrees(f(v[0]));
        if (count == 3)
            t.translate(f(-v[1]), f(-v[2]));
        return t;
    }
    const double shear = std::tan(v[0] * std::numbers::pi / 180.0);
    AffineTransform t;
    if (name == "skewX")
        t.shearXBy(f(shear));
    else
        t.shearYBy(f(shear));
    return t;
}

bool TransformListReader::readFunction(AffineTransform &list, QString &error)
{
    const Function *function = nullptr;
    for (const Function &candidate : Functions) {
        if (m_text.substr(m_pos, candidate.name.size()) == candidate.name) {
            function = &candidate;
            break;
        }
    }
    if (!function)
        return fail(error, QStringLiteral("a transform function was expected"));
    m_pos += function->name.size();
    skipWhiteSpace();
    if (peek() != '(')
        return fail(error, QStringLiteral("\"(\" must follow %1").arg(QLatin1String(function->name)));
    ++m_pos;

    std::array<double, 6> values{};
    int count = 0;
    skipWhiteSpace();
    while (peek() != ')') {
        if (count > 0) {
            if (peek() == ',')
                ++m_pos;
            skipWhiteSpace();
        }
        const auto scan = Numbers::scanDouble(m_text.substr(m_pos));
        if (!scan)
            return fail(error, atEnd() ? QStringLiteral("\")\" is missing")
                                       : QStringLiteral("a finite number was expected"));
        if (count == 6)
            return fail(error, QStringLiteral("%1 takes fewer numbers").arg(QLatin1String(function->name)));
        values[static_cast<std::size_t>(count++)] = scan->value;
        m_pos += scan->length;
        skipWhiteSpace();
    }
    ++m_pos;
    if (count != function->counts[0] && count != function->counts[1])
        return fail(error, QStringLiteral("%1 does not take %2 numbers").arg(QLatin1String(function->name)).arg(count));

    const AffineTransform t = functionTransform(function->name, values.data(), count);
    // A later function acts on points first.
    AffineTransform combined = list;
    combined.prepend(t);
    if (!isFinite(combined))
        return fail(error, QStringLiteral("the transformation is out of range"));
    list = combined;
    return true;
}

bool TransformListReader::read(AffineTransform &list, QString &error)
{
    skipWhiteSpace();
    bool first = true;
    while (!atEnd()) {
        if (!first && peek() == ',') {
            ++m_pos;
            skipWhiteSpace();
        }
        first = false;
        if (!readFunction(list, error))
            return false;
        skipWhiteSpace();
    }
    return true;
}

} // namespace

void SvgTransform::appendSvgDescription(std::string &out, const AffineTransform &t)
{
    out += "matrix(";
    const float values[6] = {t.m11, t.m12, t.m21, t.m22, t.tX, t.tY};
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            out += ", ";
        Numbers::appendShortest(out, values[i]);
    }
    out += ')';
}

std::string SvgTransform::svgDescription(const AffineTransform &t)
{
    std::string text;
    appendSvgDescription(text, t);
    return text;
}

bool SvgTransform::setFromSVGString(AffineTransform &t, std::string_view text, QString *error)
{
    AffineTransform list;
    QString message;
    if (!TransformListReader(text).read(list, message)) {
        if (error)
            *error = message;
        return false;
    }
    AffineTransform applied = t;
    applied.prepend(list);
    if (!isFinite(applied)) {
        if (error)
            *error = QStringLiteral("transform list: the transformation is out of range");
        return false;
    }
    t = applied;
    if (error)
        error->clear();
    return true;
}

bool SvgTransform::setFromSVGString(AffineTransform &t, QStringView text, QString *error)
{
    const std::string ascii = Numbers::scannableText(text);
    return setFromSVGString(t, std::string_view(ascii), error);
}

} // namespace scrivane
