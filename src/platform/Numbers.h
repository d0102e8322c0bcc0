#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scrivane {

// Numbers written to files, SVG and status texts, and read back, without
// regard to the process locale (Qt sets it from the user's settings): the
// decimal separator is always ".", there are no group separators.
class Numbers {
public:
    // Exactly what C's printf writes in the "C" locale for "%g" (six
    // significant digits, trailing zeros removed, exponent form "1e-05" for
    // very small and large magnitudes), and for "%.<precision>g".
    static QString formatG(double value);
    static QString formatG(double value, int precision);
    // "%.<decimals>f": "%0.2f" is formatFixed(value, 2).
    static QString formatFixed(double value, int decimals);
    // "%d".
    static QString formatInt(std::int64_t value);
    // The shortest text that reads back as exactly the same float: "0.1",
    // "12.5", "1e-05"; -0 is written "0".  What SVG and other text formats
    // get, so that nothing is lost and nothing is padded.
    static QString formatShortest(float value);
    static void appendShortest(std::string &out, float value);

    // The whole text as one number: optional blanks, an optional sign,
    // digits with an optional "." and fraction, an optional exponent,
    // optional blanks.  Nothing for any other text, for an empty text, and for
    // values that are not finite ("inf" and "nan" are refused, so that they
    // never reach geometry read from a file).
    static std::optional<double> parseDouble(std::string_view text);
    static std::optional<double> parseDouble(QStringView text);
    // The whole text as a decimal integer (optional blanks and sign); nothing
    // when it does not fit in 64 bits.
    static std::optional<std::int64_t> parseInt(std::string_view text);
    static std::optional<std::int64_t> parseInt(QStringView text);

    // The number at the start of the text after leading blanks, ignoring
    // whatever follows ("12.5pt" reads 12.5, "3)" reads 3); 0 when the text
    // does not start with a finite number.
    static double leadingDouble(std::string_view text);
    static double leadingDouble(QStringView text);
    // The integer at the start of the text after leading blanks ("3.7"
    // reads 3); 0 when there is none; clamped to the 32-bit range.
    static int leadingInt(std::string_view text);
    static int leadingInt(QStringView text);

    // Length of the number at the start of `text` (no blanks skipped) and its
    // value, or nothing when no finite number starts there.  The scanners of
    // the text formats build on this.
    struct Scan {
        double value = 0;
        std::size_t length = 0;
    };
    static std::optional<Scan> scanDouble(std::string_view text);
    // Text from Qt for these scanners: anything outside ASCII cannot be part
    // of a number or a keyword, so it becomes a byte that no scanner accepts.
    static std::string scannableText(QStringView text);
};

} // namespace scrivane
