#include "platform/Geometry.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace scrivane {

namespace {

QString pairText(float a, float b)
{
    return QLatin1Char('{') + Numbers::formatG(a) + QLatin1String(", ") + Numbers::formatG(b) +
           QLatin1Char('}');
}

// A small scanner over the text forms "{a, b}" and "{{a, b}, {c, d}}":
// blanks are allowed around every part.
class PairScanner {
public:
    explicit PairScanner(QStringView text)
    {
        m_text.reserve(static_cast<std::size_t>(text.size()));
        for (QChar c : text)
            m_text.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\x7f');
    }

    bool expect(char c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::optional<float> number()
    {
        skipBlanks();
        const auto scan = Numbers::scanDouble(std::string_view(m_text).substr(m_pos));
        if (!scan)
            return std::nullopt;
        m_pos += scan->length;
        const auto value = static_cast<float>(scan->value);
        if (!std::isfinite(value))
            return std::nullopt;
        return value;
    }

    std::optional<std::pair<float, float>> pair()
    {
        if (!expect('{'))
            return std::nullopt;
        const auto a = number();
        if (!a || !expect(','))
            return std::nullopt;
        const auto b = number();
        if (!b || !expect('}'))
            return std::nullopt;
        return std::pair(*a, *b);
    }

    bool atEnd()
    {
        skipBlanks();
        return m_pos == m_text.size();
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    std::string m_text;
    std::size_t m_pos = 0;
};

} // namespace

QString Point::toString() const
{
    return pairText(x, y);
}

std::optional<Point> Point::fromString(QStringView text)
{
    PairScanner scanner(text);
    const auto pair = scanner.pair();
    if (!pair || !scanner.atEnd())
        return std::nullopt;
    return Point(pair->first, pair->second);
}

QString Size::toString() const
{
    return pairText(width, height);
}

std::optional<Size> Size::fromString(QStringView text)
{
    PairScanner scanner(text);
    const auto pair = scanner.pair();
    if (!pair || !scanner.atEnd())
        return std::nullopt;
    return Size(pair->first, pair->second);
}

QString Rect::toString() const
{
    return QLatin1Char('{') + origin.toString() + QLatin1String(", ") + size.toString() + QLatin1Char('}');
}

std::optional<Rect> Rect::fromString(QStringView text)
{
    PairScanner scanner(text);
    if (!scanner.expect('{'))
        return std::nullopt;
    const auto origin = scanner.pair();
    if (!origin || !scanner.expect(','))
        return std::nullopt;
    const auto size = scanner.pair();
    if (!size || !scanner.expect('}') || !scanner.atEnd())
        return std::nullopt;
    return Rect(origin->first, origin->second, size->first, size->second);
}

Rect Rect::united(const Rect &r) const
{
    if (isEmpty())
        return r.isEmpty() ? Rect() : r;
    if (r.isEmpty())
        return *this;
    const float x0 = std::min(minX(), r.minX());
    const float y0 = std::min(minY(), r.minY());
    const float x1 = std::max(maxX(), r.maxX());
    const float y1 = std::max(maxY(), r.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::intersected(const Rect &r) const
{
    if (!intersects(r))
        return Rect();
    const float x0 = std::max(minX(), r.minX());
    const float y0 = std::max(minY(), r.minY());
    const float x1 = std::min(maxX(), r.maxX());
    const float y1 = std::min(maxY(), r.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace scrivane
