#include "model/TDAttributedText.h"

#include "platform/ArchivedColor.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

const QString StringKey = QStringLiteral("NSString");
const QString RunsKey = QStringLiteral("TDRuns");
const QString ParagraphsKey = QStringLiteral("TDParagraphs");
const QString LengthKey = QStringLiteral("Length");
const QString FamilyKey = QStringLiteral("Family");
const QString WeightKey = QStringLiteral("Weight");
const QString ItalicKey = QStringLiteral("Italic");
const QString SizeKey = QStringLiteral("Size");
const QString ColorKey = QStringLiteral("Color");
const QString BackgroundKey = QStringLiteral("Background");
const QString KernKey = QStringLiteral("Kern");
const QString BaselineKey = QStringLiteral("Baseline");
const QString AlignmentKey = QStringLiteral("Alignment");
const QString LineHeightKey = QStringLiteral("LineHeightMultiple");

// Stored texts are bounded like everything a reader takes from a file.
constexpr qsizetype MaxRuns = 1 << 20;
constexpr double MaxFontSize = TDAttributedText::MaxFontSize;

// A keyed value of an archived object this system keeps as a placeholder.
PropertyList keyed(const EncodedDictionary &placeholder, const QString &key)
{
    for (const ArchivedEntry &e : placeholder.entries()) {
        if (e.key == key)
            return e.value;
    }
    return PropertyList();
}

// Alignment numbers as stored: 0 left, 1 right, 2 centre, 3 justified,
// 4 natural (the writing direction's start).
int alignmentNumber(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return 1;
    if (a & Qt::AlignHCenter)
        return 2;
    if (a & Qt::AlignJustify)
        return 3;
    if (a & Qt::AlignLeft)
        return 0;
    return 4;
}

Qt::Alignment alignmentOfNumber(qint64 n)
{
    switch (n) {
    case 0:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case 1:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case 2:
        return Qt::AlignHCenter;
    case 3:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeading;
    }
}

// The archived attributed string.
class ArchivedText : public Archivable {
public:
    ArchivedText(QString text, PropertyList runs, PropertyList paragraphs)
        : m_text(std::move(text)), m_runs(std::move(runs)), m_paragraphs(std::move(paragraphs))
    {
    }
    QString archiveClassName() const override { return QStringLiteral("NSAttributedString"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList(m_text), StringKey);
        archiver.encodeObject(m_runs, RunsKey);
        archiver.encodeObject(m_paragraphs, ParagraphsKey);
    }

private:
    QString m_text;
    PropertyList m_runs;
    PropertyList m_paragraphs;
};

PropertyList keptOf(const QTextFormat &format)
{
    const QVariant v = format.property(TDAttributedText::KeptAttributes);
    return v.canConvert<PropertyList>() ? v.value<PropertyList>() : PropertyList();
}

PropertyList runOf(const QTextCharFormat &format, qsizetype length)
{
    PropertyList run{PropertyList::Dictionary()};
    const PropertyList kept = keptOf(format);
    if (kept.isDictionary()) {
        for (const auto &[key, value] : kept.toDictionary())
            run.insert(key, value);
    }
    run.insert(LengthKey, qint64(length));
    const QFont font = format.font().resolve(TDAttributedText::defaultFont());
    run.insert(FamilyKey, font.family());
    run.insert(WeightKey, qint64(font.weight()));
    run.insert(ItalicKey, font.italic());
    run.insert(SizeKey, font.pointSizeF());
    const QColor color = format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : format.foreground().color();
    run.insert(ColorKey, ArchivedColor::value(TDAttributedText::colorOf(color)));
    if (format.background().style() != Qt::NoBrush)
        run.insert(BackgroundKey, ArchivedColor::value(TDAttributedText::colorOf(format.background().color())));
    if (format.hasProperty(QTextFormat::FontLetterSpacing) &&
        format.fontLetterSpacingType() == QFont::AbsoluteSpacing && format.fontLetterSpacing() != 0)
        run.insert(KernKey, format.fontLetterSpacing());
    if (const double baseline = format.doubleProperty(TDAttributedText::BaselineOffset); baseline != 0)
        run.insert(BaselineKey, baseline);
    return run;
}

// A colour however an archive holds it: ours, or the older calibrated
// forms kept by a placeholder.
std::optional<Color> colorOfValue(const PropertyList &value)
{
    if (const auto color = ArchivedColor::fromValue(value))
        return color;
    const auto placeholder = value.objectAs<EncodedDictionary>();
    if (!placeholder)
        return std::nullopt;
    auto components = [](const PropertyList &v) {
        QList<float> numbers;
        const QString text = v.kind() == PropertyList::Kind::Data ? QString::fromLatin1(v.toData()) : v.toString();
        for (const QString &piece : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            bool ok = false;
            const float f = piece.trimmed().remove(QChar(0)).toFloat(&ok);
            if (ok && std::isfinite(f))
                numbers.append(std::clamp(f, 0.0f, 1.0f));
        }
        return numbers;
    };
    const QList<float> rgb = components(keyed(*placeholder, QStringLiteral("NSRGB")));
    if (rgb.size() >= 3)
        return Color::calibratedRGB(rgb[0], rgb[1], rgb[2], rgb.size() > 3 ? rgb[3] : 1);
    const QList<float> white = components(keyed(*placeholder, QStringLiteral("NSWhite")));
    if (!white.isEmpty())
        return Color::calibratedWhite(white[0], white.size() > 1 ? white[1] : 1);
    return std::nullopt;
}

// A value of a dictionary, or of an object kept by a placeholder.
PropertyList entry(const PropertyList &object, const QString &key)
{
    if (object.isDictionary())
        return object.value(key);
    if (const auto placeholder = object.objectAs<EncodedDictionary>())
        return keyed(*placeholder, key);
    return PropertyList();
}

double finiteOr(const PropertyList &v, double fallback)
{
    if (!v.isNumber())
        return fallback;
    const double d = v.toReal();
    return std::isfinite(d) ? d : fallback;
}

// Our own run dictionary into a character format; unknown keys are kept.
QTextCharFormat formatOfRun(const PropertyList &run)
{
    QTextCharFormat format = TDAttributedText::defaultCharFormat();
    PropertyList kept{PropertyList::Dictionary()};
    for (const auto &[key, value] : run.toDictionary()) {
        if (key == LengthKey) {
            continue;
        } else if (key == FamilyKey && value.isString() && !value.toString().isEmpty()) {
            format.setFontFamilies(QStringList{value.toString()});
        } else if (key == WeightKey && value.isNumber()) {
            format.setFontWeight(int(std::clamp<qint64>(value.toInteger(), 1, 1000)));
        } else if (key == ItalicKey && value.isNumber()) {
            format.setFontItalic(value.toBool());
        } else if (key == SizeKey && value.isNumber()) {
            const double size = finiteOr(value, 12);
            format.setFontPointSize(size > 0 ? std::min(size, MaxFontSize) : 12);
        } else if (key == ColorKey && colorOfValue(value)) {
            format.setForeground(TDAttributedText::qColorOf(*colorOfValue(value)));
        } else if (key == BackgroundKey && colorOfValue(value)) {
            format.setBackground(TDAttributedText::qColorOf(*colorOfValue(value)));
        } else if (key == KernKey && value.isNumber()) {
            format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            format.setFontLetterSpacing(std::clamp(finiteOr(value, 0), -MaxFontSize, MaxFontSize));
        } else if (key == BaselineKey && value.isNumber()) {
            format.setProperty(TDAttributedText::BaselineOffset,
                               std::clamp(finiteOr(value, 0), -MaxFontSize, MaxFontSize));
        } else {
            kept.insert(key, value);
        }
    }
    if (!kept.toDictionary().empty())
        format.setProperty(TDAttributedText::KeptAttributes, QVariant::fromValue(kept));
    return format;
}

// The attributes dictionary of older archives (one run's "NSFont",
// "NSColor", "NSKern", "NSBaselineOffset", "NSParagraphStyle").
QTextCharFormat formatOfAttributes(const PropertyList &attributes, QTextBlockFormat *block)
{
    QTextCharFormat format = TDAttributedText::defaultCharFormat();
    if (!attributes.isDictionary())
        return format;
    PropertyList kept{PropertyList::Dictionary()};
    for (const auto &[key, value] : attributes.toDictionary()) {
        if (key == QLatin1String("NSFont")) {
            QString family = entry(value, QStringLiteral("NSFamily")).toString();
            const QString name = entry(value, QStringLiteral("NSName")).toString();
            if (family.isEmpty())
                family = name;
            if (!family.isEmpty())
                format.setFontFamilies(QStringList{family});
            const QString style = entry(value, QStringLiteral("NSStyle")).toString() + name;
            if (style.contains(QLatin1String("Bold"), Qt::CaseInsensitive))
                format.setFontWeight(QFont::Bold);
            if (style.contains(QLatin1String("Italic"), Qt::CaseInsensitive) ||
                style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive))
                format.setFontItalic(true);
            const double size = finiteOr(entry(value, QStringLiteral("NSSize")), 12);
            format.setFontPointSize(size > 0 ? std::min(size, MaxFontSize) : 12);
            // The font object itself is kept for what its keys say beyond.
            kept.insert(key, value);
        } else if (key == QLatin1String("NSColor") && colorOfValue(value)) {
            format.setForeground(TDAttributedText::qColorOf(*colorOfValue(value)));
        } else if (key == QLatin1String("NSBackgroundColor") && colorOfValue(value)) {
            format.setBackground(TDAttributedText::qColorOf(*colorOfValue(value)));
        } else if (key == QLatin1String("NSKern") && value.isNumber()) {
            format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            format.setFontLetterSpacing(std::clamp(finiteOr(value, 0), -MaxFontSize, MaxFontSize));
        } else if (key == QLatin1String("NSBaselineOffset") && value.isNumber()) {
            format.setProperty(TDAttributedText::BaselineOffset,
                               std::clamp(finiteOr(value, 0), -MaxFontSize, MaxFontSize));
        } else if (key == QLatin1String("NSParagraphStyle") && block) {
            const PropertyList alignment = entry(value, QStringLiteral("NSAlignment"));
            if (alignment.isNumber())
                block->setAlignment(alignmentOfNumber(alignment.toInteger()));
            const PropertyList multiple = entry(value, QStringLiteral("NSLineHeightMultiple"));
            if (multiple.isNumber())
                block->setProperty(TDAttributedText::LineHeightMultiple,
                                   TDAttributedText::clampedLineHeightMultiple(finiteOr(multiple, 1)));
            PropertyList keptBlock{PropertyList::Dictionary()};
            keptBlock.insert(key, value);
            block->setProperty(TDAttributedText::KeptAttributes, QVariant::fromValue(keptBlock));
        } else {
            kept.insert(key, value);
        }
    }
    if (!kept.toDictionary().empty())
        format.setProperty(TDAttributedText::KeptAttributes, QVariant::fromValue(kept));
    return format;
}

// The run table of older archives: pairs of variable-length numbers (run
// length, index into the attributes array).
std::vector<std::pair<qint64, qint64>> runTable(const QByteArray &data)
{
    std::vector<std::pair<qint64, qint64>> runs;
    qsizetype i = 0;
    auto next = [&](qint64 &out) {
        out = 0;
        int shift = 0;
        while (i < data.size() && shift < 56) {
            const auto byte = static_cast<unsigned char>(data[i++]);
            out |= qint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return true;
            shift += 7;
        }
        return false;
    };
    qint64 length = 0, index = 0;
    while (i < data.size() && qsizetype(runs.size()) < MaxRuns && next(length) && next(index))
        runs.emplace_back(length, index);
    return runs;
}

// Applies `format` to [start, start + length) of the document, clamped.
void applyRun(QTextCursor &cursor, qsizetype start, qsizetype length, const QTextCharFormat &format, qsizetype total)
{
    if (start >= total || length <= 0)
        return;
    const qsizetype end = std::min(total, start + length);
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
}

} // namespace

QFont TDAttributedText::defaultFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    return font;
}

QTextCharFormat TDAttributedText::defaultCharFormat()
{
    QTextCharFormat format;
    const QFont font = defaultFont();
    format.setFontFamilies(QStringList{font.family()});
    format.setFontPointSize(font.pointSizeF());
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setForeground(QColor(Qt::black));
    return format;
}

void TDAttributedText::prepare(QTextDocument &document)
{
    document.clear();
    document.setDefaultFont(defaultFont());
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.setCharFormat(defaultCharFormat());
    document.setUndoRedoEnabled(true);
}

Color TDAttributedText::colorOf(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return Color::calibratedRGB(float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF()), float(rgb.alphaF()));
}

QColor TDAttributedText::qColorOf(const Color &color)
{
    const Color rgb = color.toCalibratedRGB();
    return QColor::fromRgbF(std::clamp(rgb.components()[0], 0.0f, 1.0f), std::clamp(rgb.components()[1], 0.0f, 1.0f),
                            std::clamp(rgb.components()[2], 0.0f, 1.0f), std::clamp(rgb.alpha(), 0.0f, 1.0f));
}

double TDAttributedText::clampedLineHeightMultiple(double multiple)
{
    if (!std::isfinite(multiple) || multiple <= 0)
        return 1;
    return std::clamp(multiple, 0.1, 10.0);
}

double TDAttributedText::lineHeightMultiple(const QTextFormat &blockFormat)
{
    if (!blockFormat.hasProperty(LineHeightMultiple))
        return 1;
    return clampedLineHeightMultiple(blockFormat.doubleProperty(LineHeightMultiple));
}

std::optional<QByteArray> TDAttributedText::archive(const QTextDocument &document)
{
    QString text;
    PropertyList::Array runs;
    PropertyList::Array paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool last = !block.next().isValid();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QString piece = fragment.text();
            text += piece;
            // Neighbouring fragments with equal formats are one run.
            const PropertyList run = runOf(fragment.charFormat(), piece.size());
            if (!runs.empty()) {
                PropertyList previous = runs.back();
                const qint64 length = previous.value(LengthKey).toInteger();
                previous.insert(LengthKey, qint64(piece.size()));
                if (previous == run) {
                    previous.insert(LengthKey, length + piece.size());
                    runs.back() = previous;
                    continue;
                }
            }
            runs.push_back(run);
        }
        qsizetype length = block.length() - (last ? 1 : 0);
        if (!last) {
            text += QLatin1Char('\n');
            // The separator takes the block's last character format.
            const QTextCharFormat separator = block.charFormat();
            PropertyList run = runOf(separator, 1);
            if (!runs.empty()) {
                PropertyList previous = runs.back();
                const qint64 previousLength = previous.value(LengthKey).toInteger();
                previous.insert(LengthKey, qint64(1));
                if (previous == run) {
                    previous.insert(LengthKey, previousLength + 1);
                    runs.back() = previous;
                    run = PropertyList();
                }
            }
            if (!run.isNull())
                runs.push_back(run);
        }
        PropertyList paragraph{PropertyList::Dictionary()};
        const QTextBlockFormat format = block.blockFormat();
        const PropertyList kept = keptOf(format);
        if (kept.isDictionary()) {
            for (const auto &[key, value] : kept.toDictionary())
                paragraph.insert(key, value);
        }
        paragraph.insert(LengthKey, qint64(length));
        paragraph.insert(AlignmentKey, qint64(alignmentNumber(format.alignment())));
        const double multiple = lineHeightMultiple(format);
        if (multiple != 1)
            paragraph.insert(LineHeightKey, multiple);
        paragraphs.push_back(paragraph);
    }
    return KeyedArchiver::archivedData(
        PropertyList(std::make_shared<ArchivedText>(text, PropertyList(runs), PropertyList(paragraphs))));
}

bool TDAttributedText::unarchive(const QByteArray &data, QTextDocument &document, QString *error)
{
    QString message;
    const auto root = KeyedUnarchiver::unarchive(data, &message);
    if (!root) {
        if (error)
            *error = message;
        return false;
    }
    return fromArchivedValue(*root, document, error);
}

bool TDAttributedText::fromArchivedValue(const PropertyList &value, QTextDocument &document, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QString text;
    const auto placeholder = value.objectAs<EncodedDictionary>();
    if (value.isString()) {
        text = value.toString();
    } else if (placeholder) {
        const PropertyList string = keyed(*placeholder, StringKey);
        if (!string.isString())
            return fail(QStringLiteral("the stored text holds no characters"));
        text = string.toString();
    } else {
        return fail(QStringLiteral("the stored value is no text"));
    }
    // Paragraph separators of other systems end paragraphs here too.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    document.setUndoRedoEnabled(false);
    prepare(document);
    QTextCursor cursor(&document);
    cursor.insertText(text, defaultCharFormat());
    const qsizetype total = text.size();
    if (placeholder) {
        const PropertyList runs = keyed(*placeholder, RunsKey);
        const PropertyList attributes = keyed(*placeholder, QStringLiteral("NSAttributes"));
        if (runs.isArray()) {
            qsizetype at = 0;
            for (const PropertyList &run : runs.toArray()) {
                if (!run.isDictionary() || at >= total)
                    break;
                const qint64 length = run.value(LengthKey).toInteger();
                if (length <= 0)
                    continue;
                applyRun(cursor, at, qsizetype(length), formatOfRun(run), total);
                at += qsizetype(std::min<qint64>(length, total - at));
            }
        } else if (attributes.isDictionary()) {
            QTextBlockFormat block;
            const QTextCharFormat format = formatOfAttributes(attributes, &block);
            applyRun(cursor, 0, total, format, total);
            cursor.select(QTextCursor::Document);
            cursor.mergeBlockFormat(block);
        } else if (attributes.isArray()) {
            const auto table = runTable(keyed(*placeholder, QStringLiteral("NSAttributeInfo")).toData());
            const PropertyList::Array &list = attributes.toArray();
            qsizetype at = 0;
            for (const auto &[length, index] : table) {
                if (at >= total)
                    break;
                if (index < 0 || index >= qint64(list.size()) || length <= 0)
                    continue;
                QTextBlockFormat block;
                const QTextCharFormat format = formatOfAttributes(list[size_t(index)], &block);
                applyRun(cursor, at, qsizetype(length), format, total);
                if (block.propertyCount() > 0) {
                    cursor.setPosition(int(at));
                    cursor.setPosition(int(std::min<qint64>(total, at + length)), QTextCursor::KeepAnchor);
                    cursor.mergeBlockFormat(block);
                }
                at += qsizetype(std::min<qint64>(length, total - at));
            }
        }
        const PropertyList paragraphs = keyed(*placeholder, ParagraphsKey);
        if (paragraphs.isArray()) {
            QTextBlock block = document.begin();
            for (const PropertyList &paragraph : paragraphs.toArray()) {
                if (!block.isValid())
                    break;
                if (!paragraph.isDictionary()) {
                    block = block.next();
                    continue;
                }
                QTextBlockFormat format;
                PropertyList kept{PropertyList::Dictionary()};
                for (const auto &[key, v] : paragraph.toDictionary()) {
                    if (key == LengthKey)
                        continue;
                    if (key == AlignmentKey && v.isNumber())
                        format.setAlignment(alignmentOfNumber(v.toInteger()));
                    else if (key == LineHeightKey && v.isNumber())
                        format.setProperty(LineHeightMultiple, clampedLineHeightMultiple(finiteOr(v, 1)));
                    else
                        kept.insert(key, v);
                }
                if (!kept.toDictionary().empty())
                    format.setProperty(KeptAttributes, QVariant::fromValue(kept));
                QTextCursor c(block);
                c.setBlockFormat(format);
                block = block.next();
            }
        }
    }
    document.setUndoRedoEnabled(true);
    document.clearUndoRedoStacks();
    return true;
}

void TDAttributedText::copy(const QTextDocument &from, QTextDocument &to)
{
    if (&from == &to)
        return;
    const bool undo = to.isUndoRedoEnabled();
    to.setUndoRedoEnabled(false);
    prepare(to);
    QTextCursor cursor(&to);
    cursor.insertFragment(QTextDocumentFragment(&from));
    // An inserted fragment keeps the first block's format only where it
    // starts a paragraph; set every block's format as it was.
    QTextBlock source = from.begin();
    for (QTextBlock block = to.begin(); block.isValid() && source.isValid();
         block = block.next(), source = source.next()) {
        QTextCursor c(block);
        c.setBlockFormat(source.blockFormat());
        c.setBlockCharFormat(source.charFormat());
    }
    to.setUndoRedoEnabled(undo);
    if (undo)
        to.clearUndoRedoStacks();
}

QTextCharFormat TDAttributedText::firstCharFormat(const QTextDocument &document)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat format;
    if (document.characterCount() > 1) {
        cursor.movePosition(QTextCursor::NextCharacter);
        format = cursor.charFormat();
    } else {
        format = defaultCharFormat();
        format.merge(cursor.blockCharFormat());
    }
    format.setFont(format.font().resolve(document.defaultFont()), QTextCharFormat::FontPropertiesAll);
    return format;
}

void TDAttributedText::mergeWholeText(QTextDocument &document, const QTextCharFormat &format)
{
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(format);
    // What is typed into an empty text takes them too.
    cursor.mergeBlockCharFormat(format);
}

} // namespace scrivane
