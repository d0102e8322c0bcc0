#pragma once

#include "platform/Color.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QTextFormat>

#include <optional>

class QTextDocument;
class QTextCharFormat;

namespace scrivane {

// The stored form of styled text, and the attributes the text system keeps
// in a QTextDocument beyond Qt's own.
//
// Stored text is the keyed archive of one object of class
// "NSAttributedString" (docs/file-format.md): its characters under
// "NSString" (paragraphs separated by "\n") and its styling under "TDRuns"
// (character runs: length, font family, weight, italic, size in points,
// colour, background colour, kerning, baseline offset) and "TDParagraphs"
// (paragraph runs: length, alignment, line height multiple).  Keys a run
// holds that this system does not know are kept with the characters of the
// run and written back.  Older archives are read as well as they can be:
// the single run of attributes ("NSAttributes" holding "NSFont",
// "NSColor", ...) and the attribute arrays with their run table
// ("NSAttributeInfo").
class TDAttributedText {
public:
    // Extra properties of the formats of a QTextDocument.
    enum Property : int {
        // Character formats: the baseline offset in points (up), a double.
        BaselineOffset = QTextFormat::UserProperty + 1,
        // Character and block formats: the stored keys this system does not
        // know (a PropertyList dictionary).
        KeptAttributes = QTextFormat::UserProperty + 2,
        // Block formats: the line height multiple (a double, 1 when absent).
        LineHeightMultiple = QTextFormat::UserProperty + 3,
    };

    // The font of text that names none.
    static QFont defaultFont();
    // The attributes of new text: the default font, black.
    static QTextCharFormat defaultCharFormat();
    // Clears the document and sets the default font.
    static void prepare(QTextDocument &document);

    // The archive of the document's text; nothing when it cannot be written.
    static std::optional<QByteArray> archive(const QTextDocument &document);
    // Replaces the document's text by that of an archive; false (and the
    // document unchanged) with a message when the data is no text.
    static bool unarchive(const QByteArray &data, QTextDocument &document, QString *error = nullptr);
    // The same from an archived object already decoded (an attributed
    // string's placeholder, or a plain string).
    static bool fromArchivedValue(const PropertyList &value, QTextDocument &document, QString *error = nullptr);

    // Copies the whole text with its formats.
    static void copy(const QTextDocument &from, QTextDocument &to);
    // The attributes of the first character (those new text gets when the
    // text is empty), the font resolved against the document's.
    static QTextCharFormat firstCharFormat(const QTextDocument &document);
    // Merges `format` into every character of the text.
    static void mergeWholeText(QTextDocument &document, const QTextCharFormat &format);
    // The largest font size, kerning or baseline offset a text keeps.
    static constexpr double MaxFontSize = 10000;

    // Colours between the text system and the model.
    static Color colorOf(const QColor &color);
    static QColor qColorOf(const Color &color);
    // The line height multiple of a block format (1 when unset or out of
    // the range a reader accepts).
    static double lineHeightMultiple(const QTextFormat &blockFormat);
    // A line height multiple as it is stored: within [0.1, 10].
    static double clampedLineHeightMultiple(double multiple);
};

} // namespace scrivane

Q_DECLARE_METATYPE(scrivane::PropertyList)
