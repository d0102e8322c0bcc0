#include "platform/SvgPathData.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace scrivane {

namespace {

// ---------------------------------------------------------------------------
// Writing

void appendPoint(std::string &out, Point p)
{
    out.push_back(' ');
    Numbers::appendShortest(out, p.x);
    out.push_back(' ');
    Numbers::appendShortest(out, p.y);
}

// ---------------------------------------------------------------------------
// Reading

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool startsNumber(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

// How many numbers one repetition of a command reads.
int argumentCount(char command)
{
    switch (command) {
    case 'M': case 'm': case 'L': case 'l': case 'T': case 't':
        return 2;
    case 'H': case 'h': case 'V': case 'v':
        return 1;
    case 'C': case 'c':
        return 6;
    case 'S': case 's': case 'Q': case 'q':
        return 4;
    case 'A': case 'a':
        return 7;
    case 'Z': case 'z':
        return 0;
    default:
        return -1;
    }
}

struct DPoint {
    double x = 0;
    double y = 0;
};

DPoint operator+(DPoint a, DPoint b) { return {a.x + b.x, a.y + b.y}; }
DPoint operator-(DPoint a, DPoint b) { return {a.x - b.x, a.y - b.y}; }
DPoint operator*(double s, DPoint a) { return {s * a.x, s * a.y}; }

class PathDataReader {
public:
    explicit PathDataReader(std::string_view text) : m_text(text) {}

    PathBase read(QString *error);

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    void skipWhiteSpace()
    {
        while (!atEnd() && isWhiteSpace(m_text[m_pos]))
            ++m_pos;
    }
    // wsp* ","? wsp*; answers whether a comma was passed.
    bool skipCommaWhiteSpace()
    {
        skipWhiteSpace();
        if (peek() != ',')
            return false;
        ++m_pos;
        skipWhiteSpace();
        return true;
    }

    bool readArguments(char command, std::array<double, 7> &arguments);
    bool readNumber(double &value);
    bool readFlag(double &value);
    bool fail(QString message);

    bool execute(char command, const std::array<double, 7> &a);
    void startIfEmpty();
    bool toFloat(DPoint p, Point &out);
    bool moveTo(DPoint p);
    bool lineTo(DPoint p);
    bool curveTo(DPoint c1, DPoint c2, DPoint end);
    bool arcTo(double rx, double ry, double degrees, bool largeArc, bool sweep, DPoint end);

    std::string_view m_text;
    std::size_t m_pos = 0;
    PathBase m_path;
    QString m_error;
    // Kept in double precision so that long runs of relative commands do
    // not drift from where the text puts them.
    DPoint m_current;
    DPoint m_subpathStart;
    char m_previous = 0;
    DPoint m_lastCubicControl;
    DPoint m_lastQuadraticControl;
};

bool PathDataReader::fail(QString message)
{
    m_error = QStringLiteral("path data, at character %1: %2").arg(m_pos + 1).arg(message);
    return false;
}

bool PathDataReader::readNumber(double &value)
{
    const auto scan = Numbers::scanDouble(m_text.substr(m_pos));
    if (!scan) {
        if (atEnd())
            return fail(QStringLiteral("a number is missing at the end"));
        if (startsNumber(peek()))
            return fail(QStringLiteral("a number is malformed or out of range"));
        return fail(QStringLiteral("a number was expected, not \"%1\"").arg(QLatin1Char(peek())));
    }
    value = scan->value;
    m_pos += scan->length;
    return true;
}

bool PathDataReader::readFlag(double &value)
{
    const char c = peek();
    if (c != '0' && c != '1')
        return fail(QStringLiteral("an arc flag must be 0 or 1"));
    value = c == '1' ? 1 : 0;
    ++m_pos;
    return true;
}

bool PathDataReader::readArguments(char command, std::array<double, 7> &arguments)
{
    const int count = argumentCount(command);
    const bool arc = command == 'A' || command == 'a';
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            skipCommaWhiteSpace();
        const bool flag = arc && (i == 3 || i == 4);
        if (!(flag ? readFlag(arguments[static_cast<std::size_t>(i)])
                   : readNumber(arguments[static_cast<std::size_t>(i)])))
            return false;
    }
    return true;
}

void PathDataReader::startIfEmpty()
{
    if (m_path.isEmpty()) {
        m_path.moveTo(Point(0, 0));
        m_current = m_subpathStart = DPoint{};
    }
}

bool PathDataReader::toFloat(DPoint p, Point &out)
{
    out = Point(static_cast<float>(p.x), static_cast<float>(p.y));
    if (!std::isfinite(out.x) || !std::isfinite(out.y))
        return fail(QStringLiteral("a coordinate is out of range"));
    return true;
}

bool PathDataReader::moveTo(DPoint p)
{
    Point q;
    if (!toFloat(p, q))
        return false;
    m_path.moveTo(q);
    m_current = m_subpathStart = p;
    return true;
}

bool PathDataReader::lineTo(DPoint p)
{
    Point q;
    if (!toFloat(p, q))
        return false;
    startIfEmpty();
    m_path.lineTo(q);
    m_current = p;
    return true;
}

bool PathDataReader::curveTo(DPoint c1, DPoint c2, DPoint end)
{
    Point q1, q2, q;
    if (!toFloat(c1, q1) || !toFloat(c2, q2) || !toFloat(end, q))
        return false;
    startIfEmpty();
    m_path.curveTo(q, q1, q2);
    m_current = end;
    return true;
}

// The endpoint-to-centre conversion of the SVG implementation notes, radii
// enlarged when they cannot reach, then cubics of at most a quarter turn.
bool PathDataReader::arcTo(double rx, double ry, double degrees, bool largeArc, bool sweep, DPoint end)
{
    const DPoint start = m_current;
    if (start.x == end.x && start.y == end.y)
        return true;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0 || ry == 0)
        return lineTo(end);

    const double phi = std::fmod(degrees, 360.0) * std::numbers::pi / 180.0;
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    const double hx = (start.x - end.x) / 2, hy = (start.y - end.y) / 2;
    const double x1 = cosPhi * hx + sinPhi * hy;
    const double y1 = -sinPhi * hx + cosPhi * hy;
    double lambda = (x1 / rx) * (x1 / rx) + (y1 / ry) * (y1 / ry);
    if (!std::isfinite(lambda) || lambda == 0)
        return lineTo(end); // radii so large against the chord that the arc is straight
    if (lambda > 1) {
        const double grow = std::sqrt(lambda);
        rx *= grow;
        ry *= grow;
        lambda = 1;
    }
    // (rx²ry² − rx²y1² − ry²x1²) / (rx²y1² + ry²x1²) divided through by rx²ry²,
    // which keeps large radii from overflowing.
    const double sign = largeArc == sweep ? -1.0 : 1.0;
    const double coefficient = sign * std::sqrt(std::max(0.0, (1 - lambda) / lambda));
    const double cx1 = coefficient * rx * y1 / ry;
    const double cy1 = -coefficient * ry * x1 / rx;
    const double cx = cosPhi * cx1 - sinPhi * cy1 + (start.x + end.x) / 2;
    const double cy = sinPhi * cx1 + cosPhi * cy1 + (start.y + end.y) / 2;

    const double ux = (x1 - cx1) / rx, uy = (y1 - cy1) / ry;
    const double vx = (-x1 - cx1) / rx, vy = (-y1 - cy1) / ry;
    const double theta = std::atan2(uy, ux);
    double sweepAngle = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    if (!sweep && sweepAngle > 0)
        sweepAngle -= 2 * std::numbers::pi;
    else if (sweep && sweepAngle < 0)
        sweepAngle += 2 * std::numbers::pi;

    // A point of the unit circle onto the ellipse.
    const auto place = [&](double x, double y) {
        return DPoint{cx + rx * cosPhi * x - ry * sinPhi * y, cy + rx * sinPhi * x + ry * cosPhi * y};
    };
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweepAngle) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweepAngle / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = theta;
    for (int i = 0; i < pieces; ++i) {
        const double b = a + step;
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const DPoint c1 = place(ca - k * sa, sa + k * ca);
        const DPoint c2 = place(cb + k * sb, sb - k * cb);
        const DPoint to = i == pieces - 1 ? end : place(cb, sb);
        if (!curveTo(c1, c2, to))
            return false;
        a = b;
    }
    return true;
}

bool PathDataReader::execute(char command, const std::array<double, 7> &a)
{
    const bool relative = command >= 'a' && command <= 'z';
    const DPoint origin = relative ? m_current : DPoint{};
    const auto at = [&](std::size_t i) { return origin + DPoint{a[i], a[i + 1]}; };
    switch (command) {
    case 'M': case 'm':
        return moveTo(at(0));
    case 'L': case 'l':
        return lineTo(at(0));
    case 'H': case 'h':
        return lineTo({relative ? m_current.x + a[0] : a[0], m_current.y});
    case 'V': case 'v':
        return lineTo({m_current.x, relative ? m_current.y + a[0] : a[0]});
    case 'C': case 'c': {
        const DPoint c2 = at(2);
        m_lastCubicControl = c2;
        return curveTo(at(0), c2, at(4));
    }
    case 'S': case 's': {
        const bool follows = m_previous == 'C' || m_previous == 'c' || m_previous == 'S' || m_previous == 's';
        const DPoint c1 = follows ? 2.0 * m_current - m_lastCubicControl : m_current;
        const DPoint c2 = at(0);
        m_lastCubicControl = c2;
        return curveTo(c1, c2, at(2));
    }
    case 'Q': case 'q': case 'T': case 't': {
        const bool smooth = command == 'T' || command == 't';
        const bool follows = m_previous == 'Q' || m_previous == 'q' || m_previous == 'T' || m_previous == 't';
        const DPoint control = !smooth ? at(0) : follows ? 2.0 * m_current - m_lastQuadraticControl : m_current;
        const DPoint end = smooth ? at(0) : at(2);
        const DPoint from = m_current;
        m_lastQuadraticControl = control;
        return curveTo(from + (2.0 / 3.0) * (control - from), end + (2.0 / 3.0) * (control - end), end);
    }
    case 'A': case 'a':
        return arcTo(a[0], a[1], a[2], a[3] != 0, a[4] != 0, at(5));
    case 'Z': case 'z':
        if (!m_path.isEmpty())
            m_path.close();
        m_current = m_subpathStart;
        return true;
    default:
        return fail(QStringLiteral("\"%1\" is not a path command").arg(QLatin1Char(command)));
    }
}

PathBase PathDataReader::read(QString *error)
{
    char command = 0;
    skipWhiteSpace();
    while (!atEnd()) {
        const char c = peek();
        if (argumentCount(c) >= 0) {
            command = c;
            ++m_pos;
            skipWhiteSpace();
        } else if (startsNumber(c) && command != 0 && command != 'Z' && command != 'z') {
            // Arguments again without the letter: the same command once more,
            // except that a moveto goes on as lineto.
            if (command == 'M')
                command = 'L';
            else if (command == 'm')
                command = 'l';
        } else if (command == 0 && startsNumber(c)) {
            fail(QStringLiteral("numbers before the first command"));
            break;
        } else {
            fail(argumentCount(c) < 0 && !startsNumber(c) && c != ','
                     ? QStringLiteral("\"%1\" is not a path command").arg(QLatin1Char(c))
                     : QStringLiteral("unexpected \"%1\"").arg(QLatin1Char(c)));
            break;
        }
        std::array<double, 7> arguments{};
        if (!readArguments(command, arguments) || !execute(command, arguments))
            break;
        m_previous = command;
        if (skipCommaWhiteSpace() && (atEnd() || !startsNumber(peek()))) {
            fail(QStringLiteral("a comma stands where no number follows"));
            break;
        }
    }
    if (error)
        *error = m_error;
    return std::move(m_path);
}

} // namespace

void SvgPathData::appendSvgDescription(std::string &out, const PathBase &path)
{
    bool first = true;
    for (const PathBase::Element &element : path.elements()) {
        if (!first)
            out.push_back(' ');
        first = false;
        switch (element.type) {
        case PathElementType::MoveTo:
            out.push_back('M');
            appendPoint(out, element.points[0]);
            break;
        case PathElementType::LineTo:
            out.push_back('L');
            appendPoint(out, element.points[0]);
            break;
        case PathElementType::CurveTo:
            out.push_back('C');
            appendPoint(out, element.points[0]);
            appendPoint(out, element.points[1]);
            appendPoint(out, element.points[2]);
            break;
        case PathElementType::ClosePath:
            out.push_back('Z');
            break;
        }
    }
}

std::string SvgPathData::svgDescription(const PathBase &path)
{
    std::string text;
    appendSvgDescription(text, path);
    return text;
}

PathBase SvgPathData::pathFromSVGData(std::string_view text, QString *error)
{
    return PathDataReader(text).read(error);
}

PathBase SvgPathData::pathFromSVGData(QStringView text, QString *error)
{
    const std::string ascii = Numbers::scannableText(text);
    return pathFromSVGData(std::string_view(ascii), error);
}

} // namespace scrivane
