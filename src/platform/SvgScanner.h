#pragma once

#include <cstddef>
#include <string_view>

namespace scrivane {

// A reading position in the text of an SVG attribute value.  Path data and
// transform lists separate their numbers alike (white space, at most one
// comma); keeping that rule in one place keeps the two readers agreeing on
// what a file may hold.
class SvgScanner {
public:
    explicit SvgScanner(std::string_view text) : m_text(text) {}

    static bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

    bool atEnd() const { return m_pos >= m_text.size(); }
    // The character at the position; '\0' at the end.
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    std::size_t position() const { return m_pos; }
    // The text from the position on.
    std::string_view rest() const { return m_text.substr(m_pos); }
    void advance(std::size_t count = 1) { m_pos += count; }

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

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace scrivane
