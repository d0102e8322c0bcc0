#include "document/TDPdfFont.h"

#include "document/TDPdfObjects.h"
#include "platform/TextEncodings.h"

#include "document/TDQpdf.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>

#include <fontconfig/fontconfig.h>

#include <optional>
#include <string_view>
#include <vector>

namespace scrivane {

namespace {

// The ToUnicode data a font may carry; CMaps are small.
constexpr size_t MaximumCMapBytes = 4 << 20;
// One bfrange maps at most this many codes.
constexpr uint32_t MaximumRange = 1 << 16;

// The tokens of a CMap: hexadecimal strings, brackets, and words (keywords,
// numbers and names); comments, literal strings and dictionaries' angle
// brackets are passed over.
class CMapTokenizer {
public:
    enum class Kind { End, Hex, OpenArray, CloseArray, Word };
    struct Token {
        Kind kind = Kind::End;
        std::string_view text;
    };

    explicit CMapTokenizer(std::string_view data) : m_data(data) {}

    Token next()
    {
        for (;;) {
            skipSpace();
            if (m_pos >= m_data.size())
                return {};
            const char c = m_data[m_pos];
            if (c == '%') {
                while (m_pos < m_data.size() && m_data[m_pos] != '\n' && m_data[m_pos] != '\r')
                    ++m_pos;
                continue;
            }
            if (c == '(') {
                skipString();
                continue;
            }
            if (c == '<') {
                if (m_pos + 1 < m_data.size() && m_data[m_pos + 1] == '<') {
                    m_pos += 2;
                    continue;
                }
                const size_t start = ++m_pos;
                while (m_pos < m_data.size() && m_data[m_pos] != '>')
                    ++m_pos;
                const std::string_view hex = m_data.substr(start, m_pos - start);
                if (m_pos < m_data.size())
                    ++m_pos;
                return {Kind::Hex, hex};
            }
            if (c == '>') {
                ++m_pos;
                continue;
            }
            if (c == '[' || c == ']') {
                ++m_pos;
                return {c == '[' ? Kind::OpenArray : Kind::CloseArray, m_data.substr(m_pos - 1, 1)};
            }
            const size_t start = m_pos;
            ++m_pos;
            while (m_pos < m_data.size() && !isSpace(m_data[m_pos]) && !isDelimiter(m_data[m_pos]))
                ++m_pos;
            return {Kind::Word, m_data.substr(start, m_pos - start)};
        }
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0'; }
    static bool isDelimiter(char c)
    {
        return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
               c == '/' || c == '%';
    }
    void skipSpace()
    {
        while (m_pos < m_data.size() && isSpace(m_data[m_pos]))
            ++m_pos;
    }
    void skipString()
    {
        int depth = 0;
        for (; m_pos < m_data.size(); ++m_pos) {
            const char c = m_data[m_pos];
            if (c == '\\') {
                ++m_pos;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                ++m_pos;
                return;
            }
        }
    }

    std::string_view m_data;
    size_t m_pos = 0;
};

std::optional<std::vector<unsigned char>> hexBytes(std::string_view hex)
{
    std::vector<unsigned char> bytes;
    int nibbles = 0;
    unsigned value = 0;
    for (const char c : hex) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')
            continue;
        else
            return std::nullopt;
        value = value << 4 | unsigned(digit);
        if (++nibbles == 2) {
            bytes.push_back(static_cast<unsigned char>(value));
            nibbles = 0;
            value = 0;
        }
    }
    // An odd digit stands for a byte whose low half is 0.
    if (nibbles == 1)
        bytes.push_back(static_cast<unsigned char>(value << 4));
    return bytes;
}

// A source code of one to four bytes.
std::optional<uint32_t> codeOf(std::string_view hex)
{
    const auto bytes = hexBytes(hex);
    if (!bytes || bytes->empty() || bytes->size() > 4)
        return std::nullopt;
    uint32_t code = 0;
    for (unsigned char b : *bytes)
        code = code << 8 | b;
    return code;
}

// A destination: UTF-16 big-endian text.
std::optional<std::u16string> unitsOf(std::string_view hex)
{
    const auto bytes = hexBytes(hex);
    if (!bytes || bytes->empty() || bytes->size() > 512)
        return std::nullopt;
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes->size(); i += 2)
        units.push_back(char16_t((*bytes)[i] << 8 | (*bytes)[i + 1]));
    if (bytes->size() % 2 != 0)
        units.push_back(char16_t(bytes->back()));
    return units;
}

QString textOf(const std::u16string &units)
{
    return QString(reinterpret_cast<const QChar *>(units.data()), qsizetype(units.size()));
}

} // namespace

TDPdfFont::UnicodeMap TDPdfFont::readUnicodeMap(const QByteArray &cmap)
{
    UnicodeMap map;
    CMapTokenizer tokens(std::string_view(cmap.constData(), size_t(cmap.size())));
    using Kind = CMapTokenizer::Kind;
    const auto full = [&map] { return map.size() >= size_t(MaximumMappedCodes); };
    for (auto token = tokens.next(); token.kind != Kind::End && !full(); token = tokens.next()) {
        if (token.kind != Kind::Word)
            continue;
        if (token.text == "beginbfchar") {
            for (;;) {
                const auto source = tokens.next();
                if (source.kind == Kind::End || (source.kind == Kind::Word && source.text == "endbfchar"))
                    break;
                const auto destination = tokens.next();
                if (destination.kind == Kind::End || (destination.kind == Kind::Word && destination.text == "endbfchar"))
                    break;
                const auto code = source.kind == Kind::Hex ? codeOf(source.text) : std::nullopt;
                const auto units = destination.kind == Kind::Hex ? unitsOf(destination.text) : std::nullopt;
                if (code && units && !full())
                    map[*code] = textOf(*units);
            }
        } else if (token.text == "beginbfrange") {
            for (;;) {
                const auto low = tokens.next();
                if (low.kind == Kind::End || (low.kind == Kind::Word && low.text == "endbfrange"))
                    break;
                const auto high = tokens.next();
                const auto destination = tokens.next();
                if (high.kind == Kind::End || destination.kind == Kind::End)
                    break;
                const auto first = low.kind == Kind::Hex ? codeOf(low.text) : std::nullopt;
                const auto last = high.kind == Kind::Hex ? codeOf(high.text) : std::nullopt;
                const bool usable = first && last && *first <= *last && *last - *first < MaximumRange;
                if (destination.kind == Kind::OpenArray) {
                    uint32_t code = first.value_or(0);
                    for (auto item = tokens.next(); item.kind != Kind::End && item.kind != Kind::CloseArray;
                         item = tokens.next()) {
                        const auto units = item.kind == Kind::Hex ? unitsOf(item.text) : std::nullopt;
                        if (usable && units && code <= *last && !full())
                            map[code] = textOf(*units);
                        ++code;
                    }
                    continue;
                }
                auto units = destination.kind == Kind::Hex ? unitsOf(destination.text) : std::nullopt;
                if (!usable || !units)
                    continue;
                // Each code after the first adds one to the last unit.
                const char16_t base = units->back();
                for (uint32_t code = *first; !full(); ++code) {
                    units->back() = char16_t(base + (code - *first));
                    map[code] = textOf(*units);
                    if (code == *last)
                        break;
                }
            }
        }
    }
    return map;
}

QString TDPdfFont::withoutSubsetPrefix(const QString &name)
{
    const qsizetype plus = name.indexOf(QLatin1Char('+'));
    return plus < 0 ? name : name.mid(plus + 1);
}

TDPdfFont TDPdfFont::fromDictionary(QPDFObjectHandle font)
{
    TDPdfFont result;
    if (!font.isDictionary())
        return result;
    result.m_baseFont = withoutSubsetPrefix(QString::fromStdString(TDPdfObjects::name(font.getKey("/BaseFont"))));
    if (TDPdfObjects::name(font.getKey("/Subtype")) == "Type0")
        result.m_codeLength = 2;
    QPDFObjectHandle encoding = font.getKey("/Encoding");
    std::string encodingName = TDPdfObjects::name(encoding);
    if (encoding.isDictionary())
        encodingName = TDPdfObjects::name(encoding.getKey("/BaseEncoding"));
    if (encodingName == "MacRomanEncoding")
        result.m_encoding = Encoding::MacRoman;
    else if (encodingName == "WinAnsiEncoding")
        result.m_encoding = Encoding::WinAnsi;
    QPDFObjectHandle toUnicode = font.getKey("/ToUnicode");
    if (toUnicode.isStream()) {
        if (const auto data = TDPdfObjects::streamData(toUnicode, MaximumCMapBytes, false, nullptr))
            result.m_unicodeMap = readUnicodeMap(QByteArray::fromStdString(*data));
    }
    return result;
}

QString TDPdfFont::text(const std::string &codes) const
{
    QString result;
    const size_t step = size_t(m_codeLength);
    for (size_t i = 0; i + step <= codes.size(); i += step) {
        uint32_t code = 0;
        for (size_t k = 0; k < step; ++k)
            code = code << 8 | static_cast<unsigned char>(codes[i + k]);
        if (const auto found = m_unicodeMap.find(code); found != m_unicodeMap.end()) {
            result += found->second;
            continue;
        }
        if (step == 2) {
            // Without a map, two-byte codes are taken as Unicode.
            result += QChar(char16_t(code));
            continue;
        }
        const auto byte = static_cast<unsigned char>(code);
        switch (m_encoding) {
        case Encoding::MacRoman:
            result += QChar(TextEncodings::macRoman(byte));
            break;
        case Encoding::WinAnsi:
            result += QChar(TextEncodings::windows1252(byte));
            break;
        case Encoding::Latin1:
            result += QChar(char16_t(byte));
            break;
        }
    }
    return result;
}

QFont TDPdfFont::systemFont(const QString &postScriptName, double size)
{
    struct Found {
        QString family;
        QString style;
    };
    // Fonts are looked up once per name for the life of the program.
    static QHash<QString, std::optional<Found>> cache;
    auto known = cache.constFind(postScriptName);
    if (known == cache.constEnd()) {
        std::optional<Found> found;
        if (!postScriptName.isEmpty() && FcInit()) {
            FcPattern *pattern = FcPatternCreate();
            const QByteArray name = postScriptName.toUtf8();
            FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8 *>(name.constData()));
            FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, nullptr);
            if (FcFontSet *fonts = FcFontList(nullptr, pattern, objects)) {
                FcChar8 *family = nullptr;
                FcChar8 *style = nullptr;
                if (fonts->nfont > 0 &&
                    FcPatternGetString(fonts->fonts[0], FC_FAMILY, 0, &family) == FcResultMatch) {
                    Found f{QString::fromUtf8(reinterpret_cast<const char *>(family)), QString()};
                    if (FcPatternGetString(fonts->fonts[0], FC_STYLE, 0, &style) == FcResultMatch)
                        f.style = QString::fromUtf8(reinterpret_cast<const char *>(style));
                    found = f;
                }
                FcFontSetDestroy(fonts);
            }
            FcObjectSetDestroy(objects);
            FcPatternDestroy(pattern);
        }
        known = cache.insert(postScriptName, found);
    }
    QFont font = *known ? QFont((*known)->family) : QGuiApplication::font();
    if (*known && !(*known)->style.isEmpty())
        font.setStyleName((*known)->style);
    font.setPointSizeF(size > 0 && size < 10000 ? size : 12);
    return font;
}

} // namespace scrivane
