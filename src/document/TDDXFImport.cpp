#include "document/TDDXFImport.h"

#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/TextEncodings.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <string_view>

namespace scrivane {

namespace {

constexpr double PointsPerMillimetre = 72.0 / 25.4;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The file as pairs of lines: a group code, then its value.  Lines end in
// a line feed, a carriage return, both, or (in UTF-8 text) a next-line
// character.
class PairReader {
public:
    enum class Step { Pair, End, Error };

    PairReader(std::string_view text, bool utf8) : m_text(text), m_utf8(utf8) {}

    Step next()
    {
        m_pairStart = m_position;
        m_pairLine = m_line;
        const auto codeLine = nextLine();
        if (!codeLine)
            return Step::End;
        const std::string_view digits = trimmed(*codeLine);
        const char *end = digits.data() + digits.size();
        const auto [stop, failure] = std::from_chars(digits.data(), end, code);
        if (digits.empty() || failure != std::errc() || stop != end)
            return Step::Error;
        // A code on the last line has no value: the file was cut short.
        const auto valueLine = nextLine();
        if (!valueLine)
            return Step::End;
        value = trimmed(*valueLine);
        return Step::Pair;
    }
    // Reads the last pair again on the next step.
    void rewind()
    {
        m_position = m_pairStart;
        m_line = m_pairLine;
    }
    bool is(int wantedCode, std::string_view wanted) const { return code == wantedCode && value == wanted; }
    // The line number of the last code read, counted from 1.
    int line() const { return m_pairLine + 1; }

    int code = 0;
    std::string_view value;

private:
    std::optional<std::string_view> nextLine()
    {
        if (m_position >= m_text.size())
            return std::nullopt;
        const size_t start = m_position;
        size_t i = start;
        const size_t size = m_text.size();
        for (; i < size; ++i) {
            const char c = m_text[i];
            if (c == '\n' || c == '\r')
                break;
            if (m_utf8 && c == '\xC2' && i + 1 < size && m_text[i + 1] == '\x85')
                break;
        }
        const std::string_view line = m_text.substr(start, i - start);
        if (i < size) {
            if (m_text[i] == '\r' && i + 1 < size && m_text[i + 1] == '\n')
                i += 2;
            else if (m_text[i] == '\xC2')
                i += 2;
            else
                ++i;
        }
        m_position = i;
        ++m_line;
        return line;
    }

    std::string_view m_text;
    bool m_utf8;
    size_t m_position = 0;
    size_t m_pairStart = 0;
    int m_line = 0;
    int m_pairLine = 0;
};

enum class EntityKind { Line, Arc };

// The values of one LINE or ARC as the file gives them (millimetres,
// degrees, y up).
struct RawEntity {
    std::string_view layer = "?";
    double x = 0, y = 0, x2 = 0, y2 = 0;
    double radius = 0, startAngle = 0, endAngle = 0, thickness = 0;
    // A number was not finite or too large.
    bool unusable = false;
};

// A value that is not a number reads as 0; one that is not finite, or
// lies beyond the limit, makes the entity unusable.
double number(std::string_view text, bool &unusable)
{
    double v = 0;
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (!text.empty() && *begin == '+')
        ++begin;
    const auto [stop, failure] = std::from_chars(begin, end, v);
    if (failure == std::errc::result_out_of_range) {
        unusable = true;
        return 0;
    }
    if (failure != std::errc() || stop == begin)
        return 0;
    if (!std::isfinite(v) || std::fabs(v) > TDDXFImport::MaximumCoordinate) {
        unusable = true;
        return 0;
    }
    return v;
}

// Reads the pairs of one entity up to the next pair of code 0, which the
// reader gives again afterwards.
RawEntity readEntity(PairReader &reader, EntityKind kind)
{
    RawEntity e;
    PairReader::Step step;
    while ((step = reader.next()) == PairReader::Step::Pair) {
        switch (reader.code) {
        case 0:
            reader.rewind();
            return e;
        case 8:
            e.layer = reader.value;
            break;
        case 10:
            e.x = number(reader.value, e.unusable);
            break;
        case 20:
            e.y = number(reader.value, e.unusable);
            break;
        case 11:
            if (kind == EntityKind::Line)
                e.x2 = number(reader.value, e.unusable);
            break;
        case 21:
            if (kind == EntityKind::Line)
                e.y2 = number(reader.value, e.unusable);
            break;
        case 40:
            if (kind == EntityKind::Arc)
                e.radius = number(reader.value, e.unusable);
            break;
        case 50:
            if (kind == EntityKind::Arc)
                e.startAngle = number(reader.value, e.unusable);
            break;
        case 51:
            if (kind == EntityKind::Arc)
                e.endAngle = number(reader.value, e.unusable);
            break;
        case 39:
            e.thickness = number(reader.value, e.unusable);
            break;
        default:
            break;
        }
    }
    // A malformed pair ends the entity; the section loop reports it.
    if (step == PairReader::Step::Error)
        reader.rewind();
    return e;
}

// The entity's path in points, y still up.
PathBase pathOf(const RawEntity &e, EntityKind kind)
{
    PathBase path;
    const auto p = [](double x, double y) {
        return Point(float(x * PointsPerMillimetre), float(y * PointsPerMillimetre));
    };
    if (kind == EntityKind::Line) {
        path.moveTo(p(e.x, e.y));
        path.lineTo(p(e.x2, e.y2));
    } else {
        path.appendArcWithCenter(p(e.x, e.y), float(e.radius * PointsPerMillimetre), float(e.startAngle),
                                 float(e.endAngle));
    }
    return path;
}

} // namespace

std::optional<std::vector<TDDXFImport::Entity>> TDDXFImport::readEntities(const QByteArray &data, QString *error)
{
    const bool utf8 = QByteArrayView(data).isValidUtf8();
    const std::string_view text(data.constData(), size_t(data.size()));
    PairReader reader(text, utf8);
    // Layer names repeat: each is decoded once.
    QHash<QByteArray, QString> layerNames;
    const auto layerName = [&](std::string_view raw) {
        const QByteArray key(raw.data(), qsizetype(raw.size()));
        auto found = layerNames.constFind(key);
        if (found == layerNames.constEnd())
            found = layerNames.insert(key, utf8 ? QString::fromUtf8(key) : TextEncodings::fromWindows1252(raw));
        return *found;
    };

    std::vector<Entity> entities;
    std::map<std::string, int, std::less<>> skipped;
    int unusable = 0;
    bool sawEntities = false;
    const auto malformed = [&] {
        if (error)
            *error = QStringLiteral("Line %1 of the drawing holds no group code: it is not a DXF drawing in "
                                    "text form, or it is damaged.")
                         .arg(reader.line());
        return std::nullopt;
    };

    PairReader::Step step;
    while ((step = reader.next()) == PairReader::Step::Pair) {
        if (reader.is(0, "EOF"))
            break;
        if (!reader.is(0, "SECTION"))
            continue;
        step = reader.next();
        if (step != PairReader::Step::Pair)
            break;
        if (!reader.is(2, "ENTITIES"))
            continue;
        sawEntities = true;
        while ((step = reader.next()) == PairReader::Step::Pair) {
            if (reader.is(0, "ENDSEC") || reader.is(0, "EOF"))
                break;
            if (reader.code != 0)
                continue;
            EntityKind kind;
            if (reader.value == "LINE") {
                kind = EntityKind::Line;
            } else if (reader.value == "ARC") {
                kind = EntityKind::Arc;
            } else {
                ++skipped[std::string(reader.value)];
                continue;
            }
            const RawEntity raw = readEntity(reader, kind);
            if (raw.unusable || (kind == EntityKind::Arc && raw.radius < 0)) {
                ++unusable;
                continue;
            }
            entities.push_back({layerName(raw.layer), pathOf(raw, kind), float(std::fabs(raw.thickness) *
                                                                                PointsPerMillimetre)});
        }
        if (step != PairReader::Step::Pair || reader.is(0, "EOF"))
            break;
    }
    if (step == PairReader::Step::Error)
        return malformed();
    if (!sawEntities) {
        if (error)
            *error = QStringLiteral("The file has no ENTITIES section: it is not a DXF drawing.");
        return std::nullopt;
    }
    for (const auto &[kind, count] : skipped)
        qWarning().noquote() << QStringLiteral("DXF: %1 %2 entities are not supported and were skipped")
                                    .arg(count)
                                    .arg(QString::fromUtf8(kind.data(), qsizetype(kind.size())));
    if (unusable > 0)
        qWarning().noquote()
            << QStringLiteral("DXF: %1 entities with numbers out of range were skipped").arg(unusable);

    // Upright, with the top of the drawing at y = 0.
    float top = -std::numeric_limits<float>::infinity();
    for (const Entity &entity : entities)
        if (!entity.path.isEmpty())
            top = std::max(top, entity.path.bounds().maxY());
    if (std::isfinite(top)) {
        const AffineTransform flip(1, 0, 0, -1, 0, top);
        for (Entity &entity : entities)
            entity.path.transform(flip);
    }
    return entities;
}

bool TDDXFImport::importData(const QByteArray &data, TDDocument &document, QString *error)
{
    std::optional<std::vector<Entity>> entities = readEntities(data, error);
    if (!entities)
        return false;

    TDUndoManager::CreateGraphicsScope dropUndo;
    std::vector<std::shared_ptr<TDLayer>> layers{TDLayer::layerWithName(QStringLiteral("Layer 1"), &document)};
    QHash<QString, size_t> layerIndex{{layers.front()->name(), 0}};
    std::vector<TDGraphicArray> graphics(1);
    for (const Entity &entity : *entities) {
        auto found = layerIndex.constFind(entity.layer);
        if (found == layerIndex.constEnd()) {
            found = layerIndex.insert(entity.layer, layers.size());
            layers.push_back(TDLayer::layerWithName(entity.layer, &document));
            graphics.emplace_back();
        }
        const auto graphic = TDBezierGraphic::graphicWithBezierPath(entity.path);
        graphic->strokeStyle()->setStrokeWidth(entity.width);
        graphics[*found].push_back(graphic);
    }
    document.setLayers(layers);
    for (size_t i = 0; i < layers.size(); ++i)
        layers[i]->addGraphicsQuietly(graphics[i]);
    if (document.undoManager())
        document.undoManager()->removeAllActions();
    return true;
}

bool TDDXFImport::importFile(const QString &path, TDDocument &document, QString *error)
{
    const QFileInfo info(path);
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString tooLarge = QStringLiteral("“%1” is larger than %2 MB, more than a drawing can hold.")
                                 .arg(info.fileName())
                                 .arg(MaximumFileSize >> 20);
    if (!info.isFile())
        return fail(QStringLiteral("“%1” is not a file.").arg(info.fileName()));
    if (info.size() > MaximumFileSize)
        return fail(tooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // The size is checked again on what was read: the file may have grown.
    const QByteArray data = file.read(MaximumFileSize + 1);
    if (data.size() > MaximumFileSize)
        return fail(tooLarge);
    return importData(data, document, error);
}

} // namespace scrivane
