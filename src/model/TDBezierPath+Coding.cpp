#include "model/TDBezierPath.h"

#include "platform/ArchivedPoint.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Numbers.h"
#include "platform/WorkBudget.h"

#include <QtEndian>

#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

namespace scrivane {

namespace {

// Keys of the archived form.
const QString ElementsKey = QStringLiteral("elements");
const QString WindingRuleKey = QStringLiteral("windingRule");
const QString LineWidthKey = QStringLiteral("lineWidth");
const QString LineCapKey = QStringLiteral("lineCapStyle");
const QString LineJoinKey = QStringLiteral("lineJoinStyle");
const QString MiterLimitKey = QStringLiteral("miterLimit");
const QString DashKey = QStringLiteral("lineDash");
const QString DashPhaseKey = QStringLiteral("lineDashPhase");

void appendFloat(QByteArray &data, float value)
{
    char bytes[4];
    qToLittleEndian(std::bit_cast<quint32>(value), bytes);
    data.append(bytes, 4);
}

float floatAt(const QByteArray &data, qsizetype offset)
{
    return std::bit_cast<float>(qFromLittleEndian<quint32>(data.constData() + offset));
}

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

void appendElement(TDBezierPath &path, PathElementType type, const Point *points)
{
    switch (type) {
    case PathElementType::MoveTo:
        path.moveTo(points[0]);
        break;
    case PathElementType::LineTo:
        path.lineTo(points[0]);
        break;
    case PathElementType::CurveTo:
        path.curveTo(points[2], points[0], points[1]);
        break;
    case PathElementType::ClosePath:
        path.close();
        break;
    }
}

// --- The property-list form ---------------------------------------------------------

std::optional<Point> pointValue(const PropertyList &value)
{
    if (const auto point = ArchivedPoint::fromValue(value))
        return point;
    if (value.isString())
        return Point::fromString(value.toString());
    return std::nullopt;
}

// A number, or a text that is a number as a whole (quoted in the YAML).
std::optional<float> number(const PropertyList &value)
{
    float f = 0;
    if (value.isNumber()) {
        f = value.toFloat();
    } else if (value.isString()) {
        const auto parsed = Numbers::parseDouble(QStringView(value.toString()));
        if (!parsed)
            return std::nullopt;
        f = float(*parsed);
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

// Numbers after a keyword in a legacy text entry ("moveto 10 20"), separated
// by blanks or commas; nothing unless exactly `count` finite numbers follow.
std::optional<std::vector<float>> numbersAfter(std::string_view text, std::size_t count)
{
    std::vector<float> numbers;
    while (!text.empty()) {
        const char c = text.front();
        if (c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r') {
            text.remove_prefix(1);
            continue;
        }
        const auto scan = Numbers::scanDouble(text);
        if (!scan || !std::isfinite(float(scan->value)))
            return std::nullopt;
        numbers.push_back(float(scan->value));
        text.remove_prefix(scan->length);
    }
    if (numbers.size() != count)
        return std::nullopt;
    return numbers;
}

void readLegacyText(TDBezierPath &path, const QString &entry)
{
    const QByteArray utf8 = entry.trimmed().toUtf8();
    const std::string_view text(utf8.constData(), std::size_t(utf8.size()));
    const auto after = [&](std::string_view keyword) { return text.substr(keyword.size()); };
    if (text.starts_with("moveto")) {
        if (const auto n = numbersAfter(after("moveto"), 2))
            path.moveTo(Point((*n)[0], (*n)[1]));
    } else if (text.starts_with("lineto")) {
        if (const auto n = numbersAfter(after("lineto"), 2))
            path.lineTo(Point((*n)[0], (*n)[1]));
    } else if (text.starts_with("curveto")) {
        if (const auto n = numbersAfter(after("curveto"), 6))
            path.curveTo(Point((*n)[4], (*n)[5]), Point((*n)[0], (*n)[1]), Point((*n)[2], (*n)[3]));
    }
}

} // namespace

// --- Keyed archives -----------------------------------------------------------------

QStringList TDBezierPath::archiveClassHierarchy() const
{
    return {className(), QStringLiteral("TDBezierPathCache")};
}

void TDBezierPath::encode(KeyedArchiver &archiver) const
{
    QByteArray data;
    data.reserve(elementCount() * 9);
    for (const Element &e : elements()) {
        data.append(char(e.type));
        for (int i = 0; i < pointCount(e.type); ++i) {
            appendFloat(data, e.points[std::size_t(i)].x);
            appendFloat(data, e.points[std::size_t(i)].y);
        }
    }
    archiver.encodeBytes(data, ElementsKey);
    archiver.encodeInteger(int(windingRule()), WindingRuleKey);
    archiver.encodeFloat(lineWidth(), LineWidthKey);
    archiver.encodeInteger(int(lineCapStyle()), LineCapKey);
    archiver.encodeInteger(int(lineJoinStyle()), LineJoinKey);
    archiver.encodeFloat(miterLimit(), MiterLimitKey);
    if (!lineDash().empty()) {
        QByteArray dash;
        for (float d : lineDash())
            appendFloat(dash, d);
        archiver.encodeBytes(dash, DashKey);
        archiver.encodeFloat(lineDashPhase(), DashPhaseKey);
    }
}

std::shared_ptr<Archivable> TDBezierPath::decode(KeyedUnarchiver &unarchiver)
{
    auto path = std::make_shared<TDBezierPath>();
    const auto fail = [&](const QString &what) {
        unarchiver.failWithError(QStringLiteral("TDBezierPath: %1").arg(what));
        return path;
    };

    const QByteArray data = unarchiver.decodeBytes(ElementsKey);
    qsizetype offset = 0;
    Point points[3];
    // A few bytes make an element: a program reading files unasked stops
    // before a small file unfolds into more than it may hold.
    WorkBudget *budget = unarchiver.budget();
    while (offset < data.size()) {
        if (budget && !budget->chargePathElements(1))
            return fail(budget->failure());
        const int kind = static_cast<unsigned char>(data[offset]);
        if (kind > int(PathElementType::ClosePath))
            return fail(QStringLiteral("unknown element kind %1 at byte %2").arg(kind).arg(offset));
        const auto type = PathElementType(kind);
        const int count = pointCount(type);
        if (data.size() - offset - 1 < qsizetype(count) * 8)
            return fail(QStringLiteral("element data ends inside an element at byte %1").arg(offset));
        for (int i = 0; i < count; ++i) {
            points[i] = Point(floatAt(data, offset + 1 + i * 8), floatAt(data, offset + 5 + i * 8));
            if (!finite(points[i]))
                return fail(
                    QStringLiteral("a coordinate that is not a finite number at byte %1").arg(offset));
        }
        appendElement(*path, type, points);
        offset += 1 + count * 8;
    }

    const auto enumeration = [&](const QString &key, int last, int &value) {
        if (!unarchiver.containsValue(key))
            return true;
        const qint64 stored = unarchiver.decodeInteger(key);
        if (stored < 0 || stored > last)
            return false;
        value = int(stored);
        return true;
    };
    const auto real = [&](const QString &key, float &value) {
        if (!unarchiver.containsValue(key))
            return true;
        value = unarchiver.decodeFloat(key);
        return std::isfinite(value);
    };
    int winding = int(path->windingRule()), cap = int(path->lineCapStyle()),
        join = int(path->lineJoinStyle());
    float width = path->lineWidth(), miter = path->miterLimit(), phase = 0;
    if (!enumeration(WindingRuleKey, 1, winding))
        return fail(QStringLiteral("unknown winding rule"));
    if (!enumeration(LineCapKey, 2, cap))
        return fail(QStringLiteral("unknown line cap style"));
    if (!enumeration(LineJoinKey, 2, join))
        return fail(QStringLiteral("unknown line join style"));
    if (!real(LineWidthKey, width) || !real(MiterLimitKey, miter) || !real(DashPhaseKey, phase))
        return fail(QStringLiteral("a line attribute that is not a finite number"));
    path->setWindingRule(WindingRule(winding));
    path->setLineCapStyle(LineCapStyle(cap));
    path->setLineJoinStyle(LineJoinStyle(join));
    path->setLineWidth(width);
    path->setMiterLimit(miter);

    const QByteArray dashData = unarchiver.decodeBytes(DashKey);
    if (dashData.size() % 4 != 0)
        return fail(QStringLiteral("dash lengths of %1 bytes").arg(dashData.size()));
    std::vector<float> dash;
    for (qsizetype i = 0; i < dashData.size(); i += 4) {
        dash.push_back(floatAt(dashData, i));
        if (!std::isfinite(dash.back()))
            return fail(QStringLiteral("a dash length that is not a finite number"));
    }
    path->setLineDash(dash, phase);
    return path;
}

void TDBezierPath::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(className(), &TDBezierPath::decode);
}

bool TDBezierPath::isEqualTo(const Archivable &other) const
{
    const auto *path = dynamic_cast<const TDBezierPath *>(&other);
    if (!path)
        return false;
    if (path == this)
        return true;
    if (elementCount() != path->elementCount() || windingRule() != path->windingRule() ||
        lineWidth() != path->lineWidth() || lineCapStyle() != path->lineCapStyle() ||
        lineJoinStyle() != path->lineJoinStyle() || miterLimit() != path->miterLimit() ||
        lineDash() != path->lineDash() || lineDashPhase() != path->lineDashPhase())
        return false;
    for (int i = 0; i < elementCount(); ++i) {
        const Element &a = elements()[std::size_t(i)];
        const Element &b = path->elements()[std::size_t(i)];
        if (a.type != b.type)
            return false;
        for (int k = 0; k < pointCount(a.type); ++k) {
            if (a.points[std::size_t(k)] != b.points[std::size_t(k)])
                return false;
        }
    }
    return true;
}

// --- The property-list form ---------------------------------------------------------

PropertyList TDBezierPath::toYAML() const
{
    PropertyList::Array entries;
    entries.reserve(std::size_t(elementCount()));
    for (const Element &e : elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
        case PathElementType::LineTo:
            entries.emplace_back(PropertyList::Array{
                PropertyList(e.type == PathElementType::MoveTo ? "moveto" : "lineto"),
                PropertyList(double(e.points[0].x)), PropertyList(double(e.points[0].y))});
            break;
        case PathElementType::CurveTo:
            entries.emplace_back(
                PropertyList::Array{PropertyList("curveto"), PropertyList(double(e.points[0].x)),
                                    PropertyList(double(e.points[0].y)), PropertyList(double(e.points[1].x)),
                                    PropertyList(double(e.points[1].y)), PropertyList(double(e.points[2].x)),
                                    PropertyList(double(e.points[2].y))});
            break;
        case PathElementType::ClosePath:
            entries.emplace_back("close");
            break;
        }
    }
    return PropertyList(std::move(entries));
}

TDBezierPath TDBezierPath::objectWithYAML(const PropertyList &list)
{
    TDBezierPath path;
    if (!list.isArray())
        return path;
    const PropertyList::Array &entries = list.toArray();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PropertyList &entry = entries[i];
        if (entry.isArray()) {
            const QString keyword = entry.at(0).toString();
            const std::size_t wanted =
                keyword == QLatin1String("curveto")                                          ? 6
                : (keyword == QLatin1String("moveto") || keyword == QLatin1String("lineto")) ? 2
                                                                                             : 0;
            if (wanted == 0 || entry.size() < wanted + 1)
                continue;
            float n[6];
            bool readable = true;
            for (std::size_t k = 0; k < wanted; ++k) {
                const auto value = number(entry.at(k + 1));
                readable = readable && value.has_value();
                n[k] = value.value_or(0.0f);
            }
            if (!readable)
                continue;
            if (keyword == QLatin1String("moveto"))
                path.moveTo(Point(n[0], n[1]));
            else if (keyword == QLatin1String("lineto"))
                path.lineTo(Point(n[0], n[1]));
            else
                path.curveTo(Point(n[4], n[5]), Point(n[0], n[1]), Point(n[2], n[3]));
            continue;
        }
        if (!entry.isString())
            continue;
        const QString text = entry.toString();
        if (text == QLatin1String("close")) {
            path.close();
        } else if (text == QLatin1String("move") || text == QLatin1String("line") ||
                   text == QLatin1String("curve")) {
            // The keyword and its point strings go together; a keyword
            // without all of its points at the end of the list is dropped.
            const std::size_t count = text == QLatin1String("curve") ? 3 : 1;
            if (i + count >= entries.size())
                break;
            Point p[3];
            bool readable = true;
            for (std::size_t k = 0; k < count; ++k) {
                const auto point = pointValue(entries[i + 1 + k]);
                readable = readable && point.has_value();
                p[k] = point.value_or(Point());
            }
            i += count;
            if (!readable)
                continue;
            if (text == QLatin1String("move"))
                path.moveTo(p[0]);
            else if (text == QLatin1String("line"))
                path.lineTo(p[0]);
            else
                path.curveTo(p[2], p[0], p[1]);
        } else {
            readLegacyText(path, text);
        }
    }
    return path;
}

void TDBezierPath::setAssociatedPointsDict(const PropertyList &dictionary)
{
    const PropertyList index = dictionary.value(QStringLiteral("i"));
    if (!index.isNumber())
        return;
    const qint64 i = index.toInteger();
    if (i < 0 || i >= elementCount())
        return;
    Point points[3];
    elementAtIndex(int(i), points);
    for (int k = 0; k < 3; ++k) {
        if (const auto p = pointValue(dictionary.value(QStringLiteral("p[%1]").arg(k))))
            points[k] = *p;
    }
    setAssociatedPoints(points, int(i));
}

} // namespace scrivane
