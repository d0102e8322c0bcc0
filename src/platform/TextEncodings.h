#pragma once

#include <QString>

#include <string_view>

namespace scrivane {

// The 8-bit text encodings that files from other programs still use: each
// byte becomes one character.
class TextEncodings {
public:
    // Windows-1252; the five bytes it leaves undefined keep their Latin-1
    // meaning.
    static QString fromWindows1252(std::string_view bytes);
    // Mac OS Roman.
    static QString fromMacRoman(std::string_view bytes);
    // The character of one byte in each.
    static char16_t windows1252(unsigned char byte);
    static char16_t macRoman(unsigned char byte);
};

} // namespace scrivane
