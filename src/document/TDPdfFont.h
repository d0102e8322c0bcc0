#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

class QPDFObjectHandle;

namespace scrivane {

// What the page importer knows of a PDF font: its PostScript name (without
// the six-letter prefix of a subset), how many bytes make one character
// code, and how codes become text: through the font's ToUnicode map where
// it has one, else through its encoding (Mac OS Roman, Windows ANSI, or
// Latin-1 for the others).  Fonts are found on the system by their
// PostScript name through fontconfig.
class TDPdfFont {
public:
    // A ToUnicode map holds at most this many codes.
    static constexpr int MaximumMappedCodes = 1 << 17;

    enum class Encoding { Latin1, MacRoman, WinAnsi };
    // Character code → text.
    using UnicodeMap = std::map<uint32_t, QString>;

    TDPdfFont() = default;
    // The font a font dictionary describes (a missing or malformed entry
    // leaves its default).
    static TDPdfFont fromDictionary(QPDFObjectHandle font);

    const QString &baseFont() const { return m_baseFont; }
    int codeLength() const { return m_codeLength; }
    Encoding encoding() const { return m_encoding; }
    const UnicodeMap &unicodeMap() const { return m_unicodeMap; }

    // The text of a shown string of codes.
    QString text(const std::string &codes) const;

    // The mappings of a ToUnicode CMap's bfchar and bfrange blocks; what
    // cannot be read is left out.
    static UnicodeMap readUnicodeMap(const QByteArray &cmap);
    // "ABCDEF+Name" → "Name"; other names as they are.
    static QString withoutSubsetPrefix(const QString &name);
    // The installed font whose PostScript name this is, at `size` points;
    // the application's font at that size when there is none.
    static QFont systemFont(const QString &postScriptName, double size);

private:
    QString m_baseFont;
    int m_codeLength = 1;
    Encoding m_encoding = Encoding::Latin1;
    UnicodeMap m_unicodeMap;
};

} // namespace scrivane
