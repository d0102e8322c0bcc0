// PDF fonts: ToUnicode maps read by a tokenizer, encodings, subset names.

#include "document/TDPdfFont.h"

#include "document/TDQpdf.h"

#include <gtest/gtest.h>

using namespace scrivane;

TEST(TDPdfFont, UnicodeMapReadsCharactersAndRanges)
{
    const QByteArray cmap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                            "/CMapName /Adobe-Identity-UCS def\n"
                            "1 begincodespacerange <00> <FF> endcodespacerange\n"
                            "% a comment with <41> <42> in it\n"
                            "3 beginbfchar\n<01> <0048>\n<02><0069>\n<03> <D83DDE00>\nendbfchar\n"
                            "2 beginbfrange\n<10> <12> <0061>\n<20> <21> [<0058> <00590059>]\nendbfrange\n"
                            "endcmap CMapName currentdict /CMap defineresource pop end end\n";
    const TDPdfFont::UnicodeMap map = TDPdfFont::readUnicodeMap(cmap);
    struct Case {
        uint32_t code;
        QString text;
    };
    const Case cases[] = {
        {0x01, QStringLiteral("H")},  {0x02, QStringLiteral("i")},  {0x03, QStringLiteral("😀")},
        {0x10, QStringLiteral("a")},  {0x11, QStringLiteral("b")},  {0x12, QStringLiteral("c")},
        {0x20, QStringLiteral("X")},  {0x21, QStringLiteral("YY")},
    };
    for (const Case &c : cases) {
        const auto found = map.find(c.code);
        ASSERT_NE(found, map.end()) << std::hex << c.code;
        EXPECT_EQ(found->second, c.text) << std::hex << c.code;
    }
    EXPECT_EQ(map.size(), std::size(cases)) << "the comment's codes are no mappings";
}

TEST(TDPdfFont, UnicodeMapSurvivesDamage)
{
    struct Case {
        const char *name;
        QByteArray cmap;
        size_t mapped;
    };
    const Case cases[] = {
        {"no end of the block", "beginbfchar <01> <0041> <02> <0042>", 2},
        {"odd pairs", "beginbfchar <01> <0041> <02> endbfchar", 1},
        {"not hexadecimal", "beginbfchar <0x> <0041> <02> <zz> <03> <0043> endbfchar", 1},
        {"a range too wide", "beginbfrange <0000> <FFFFFF> <0041> endbfrange", 0},
        {"a range backwards", "beginbfrange <20> <10> <0041> endbfrange", 0},
        {"a string with brackets", "beginbfchar (<01> <0041>) <02> <0042> endbfchar", 1},
        {"nothing", "", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TDPdfFont::readUnicodeMap(c.cmap).size(), c.mapped) << c.name;
}

TEST(TDPdfFont, CodesBecomeTextByMapOrEncoding)
{
    QPDF pdf;
    pdf.emptyPDF();
    struct Case {
        const char *name;
        std::string font;
        std::string codes;
        QString text;
    };
    const Case cases[] = {
        {"latin-1", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", "caf\xe9", QStringLiteral("café")},
        {"windows ansi", "<< /Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding >>", "\x80\x93", QStringLiteral("€“")},
        {"mac roman", "<< /Type /Font /Subtype /Type1 /Encoding << /BaseEncoding /MacRomanEncoding >> >>", "\x8e\x80",
         QStringLiteral("éÄ")},
        {"two-byte codes", "<< /Type /Font /Subtype /Type0 /Encoding /Identity-H >>", std::string("\x00\x41\x00\x42", 4),
         QStringLiteral("AB")},
    };
    for (const Case &c : cases) {
        const TDPdfFont font = TDPdfFont::fromDictionary(QPDFObjectHandle::parse(&pdf, c.font));
        EXPECT_EQ(font.text(c.codes), c.text) << c.name;
    }
    QPDFObjectHandle mapped = QPDFObjectHandle::parse(&pdf, "<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Gentium >>");
    mapped.replaceKey("/ToUnicode",
                      QPDFObjectHandle::newStream(&pdf, "beginbfchar <0001> <0048> <0002> <0069> endbfchar"));
    const TDPdfFont font = TDPdfFont::fromDictionary(mapped);
    EXPECT_EQ(font.baseFont(), "Gentium");
    EXPECT_EQ(font.text(std::string("\x00\x01\x00\x02", 4)), "Hi");
}

TEST(TDPdfFont, SubsetPrefixIsLeftOut)
{
    EXPECT_EQ(TDPdfFont::withoutSubsetPrefix("ABCDEF+Times-Bold"), "Times-Bold");
    EXPECT_EQ(TDPdfFont::withoutSubsetPrefix("Times-Bold"), "Times-Bold");
    EXPECT_EQ(TDPdfFont::withoutSubsetPrefix("A+B+C"), "B+C");
}

TEST(TDPdfFont, InstalledFontIsFoundByItsPostScriptName)
{
    const QFont found = TDPdfFont::systemFont("DejaVuSans-Bold", 14);
    EXPECT_EQ(found.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(found.pointSizeF(), 14);
    const QFont missing = TDPdfFont::systemFont("NoSuchFont-Regular", 9);
    EXPECT_DOUBLE_EQ(missing.pointSizeF(), 9);
}
