#include "PropertyList.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace scrivane {

namespace {

bool isOneOf(const std::string &text, std::initializer_list<const char *> words)
{
    for (const char *word : words) {
        if (text == word)
            return true;
    }
    return false;
}

std::optional<PropertyList> resolveInteger(const std::string &text)
{
    std::string_view digits(text);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'o')) {
        base = digits[1] == 'x' ? 16 : 8;
        digits.remove_prefix(2);
    }
    if (digits.empty())
        return std::nullopt;
    quint64 magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (end != digits.data() + digits.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range ||
        magnitude > quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0)) {
        // Too large for an integer: keep the magnitude as a real.
        double real = 0;
        std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), text.data() + text.size(), real);
        return base == 10 ? std::optional<PropertyList>(PropertyList(real)) : std::nullopt;
    }
    if (ec != std::errc())
        return std::nullopt;
    return PropertyList(negative ? qint64(0 - magnitude) : qint64(magnitude));
}

std::optional<PropertyList> resolveReal(const std::string &text)
{
    if (isOneOf(text, {".inf", ".Inf", ".INF", "+.inf", "+.Inf", "+.INF"}))
        return PropertyList(std::numeric_limits<double>::infinity());
    if (isOneOf(text, {"-.inf", "-.Inf", "-.INF"}))
        return PropertyList(-std::numeric_limits<double>::infinity());
    if (isOneOf(text, {".nan", ".NaN", ".NAN"}))
        return PropertyList(std::numeric_limits<double>::quiet_NaN());
    // Digits, at most one point, an optional exponent: no "inf", "nan" or
    // hexadecimal spellings, which YAML reads as text.
    const char *begin = text.data() + ((!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0);
    const char *end = text.data() + text.size();
    bool digit = false;
    for (const char *p = begin; p != end; ++p) {
        if (*p >= '0' && *p <= '9')
            digit = true;
        else if (*p != '.' && *p != 'e' && *p != 'E' && *p != '+' && *p != '-')
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    double value = 0;
    const auto [stop, ec] = std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), end, value);
    if (stop != end || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return std::nullopt;
    return PropertyList(value);
}

// A plain scalar read by YAML's core schema.
PropertyList resolvePlain(const std::string &text)
{
    if (text.empty() || isOneOf(text, {"~", "null", "Null", "NULL"}))
        return PropertyList();
    if (isOneOf(text, {"true", "True", "TRUE"}))
        return PropertyList(true);
    if (isOneOf(text, {"false", "False", "FALSE"}))
        return PropertyList(false);
    if (auto integer = resolveInteger(text))
        return *integer;
    if (auto real = resolveReal(text))
        return *real;
    return PropertyList(QString::fromStdString(text));
}

// Builds the tree from the parser's events.  Aliases share the value of
// their anchor instead of copying it, and each use counts the values the
// anchor unfolds into, so that a small text naming one part many times
// over (a "billion laughs") is refused as soon as it passes the limit,
// without ever being unfolded.
class YamlBuilder : public YAML::EventHandler {
public:
    YamlBuilder(const PropertyListLimits &limits, QString *error) : m_limits(limits), m_error(error) {}

    bool failed() const { return m_failed; }
    std::optional<PropertyList> result()
    {
        if (m_failed)
            return std::nullopt;
        return m_root ? std::move(m_root) : std::optional<PropertyList>(PropertyList());
    }

    void OnDocumentStart(const YAML::Mark &) override {}
    void OnDocumentEnd() override {}

    void OnNull(const YAML::Mark &mark, YAML::anchor_t anchor) override
    {
        const quint64 start = m_nodes;
        if (!count(1) || !within(0))
            return;
        finish(PropertyList(), QStringLiteral("~"), anchor, start, 0, mark);
    }

    void OnAlias(const YAML::Mark &mark, YAML::anchor_t anchor) override
    {
        if (m_failed)
            return;
        const auto it = m_anchors.find(anchor);
        if (it == m_anchors.end()) {
            // Named while its own value is still being read.
            fail(QStringLiteral("YAML text refers to a value inside itself (line %1)").arg(mark.line + 1));
            return;
        }
        const Anchored &anchored = it->second;
        if (!count(anchored.size) || !within(anchored.height))
            return;
        place(anchored.value, anchored.text, anchored.isScalar, anchored.height, mark);
    }

    void OnScalar(const YAML::Mark &mark, const std::string &tag, YAML::anchor_t anchor,
                  const std::string &value) override
    {
        const quint64 start = m_nodes;
        if (!count(1) || !within(0))
            return;
        auto converted = scalar(tag, value);
        if (!converted)
            return;
        finish(std::move(*converted), QString::fromStdString(value), anchor, start, 0, mark, true);
    }

    void OnSequenceStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                         YAML::EmitterStyle::value) override
    {
        open(PropertyList(PropertyList::Array()), anchor, mark);
    }
    void OnSequenceEnd() override { close(); }

    void OnMapStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                    YAML::EmitterStyle::value) override
    {
        open(PropertyList(PropertyList::Dictionary()), anchor, mark);
    }
    void OnMapEnd() override { close(); }

private:
    struct Frame {
        PropertyList container;
        YAML::anchor_t anchor;
        quint64 start; // values counted before this one
        int height = 1;
        YAML::Mark mark;
        // Mappings alternate keys and values.
        bool expectingKey = true;
        QString key;
    };
    struct Anchored {
        PropertyList value;
        QString text; // a scalar's own text, when it serves as a key
        bool isScalar = false;
        quint64 size = 1;
        int height = 0;
    };

    int depth() const { return int(m_stack.size()); }

    bool count(quint64 values)
    {
        if (m_failed)
            return false;
        m_nodes += values;
        if (m_nodes > m_limits.maxNodes) {
            fail(QStringLiteral("YAML text holds more than %1 values").arg(m_limits.maxNodes));
            return false;
        }
        return true;
    }

    // A value `height` levels high placed at the current depth.
    bool within(int height)
    {
        if (depth() + height > m_limits.maxDepth) {
            fail(QStringLiteral("YAML text nests deeper than %1 levels").arg(m_limits.maxDepth));
            return false;
        }
        return true;
    }

    void open(PropertyList container, YAML::anchor_t anchor, const YAML::Mark &mark)
    {
        const quint64 start = m_nodes;
        if (!count(1) || !within(0))
            return;
        if (!m_stack.empty() && m_stack.back().container.isDictionary() && m_stack.back().expectingKey) {
            fail(QStringLiteral("YAML text uses a key that is not text (line %1)").arg(mark.line + 1));
            return;
        }
        m_stack.push_back(Frame{std::move(container), anchor, start, 1, mark, true, QString()});
    }

    void close()
    {
        if (m_failed || m_stack.empty())
            return;
        Frame frame = std::move(m_stack.back());
        m_stack.pop_back();
        finish(std::move(frame.container), QString(), frame.anchor, frame.start, frame.height, frame.mark);
    }

    // A value is complete: remembered under its anchor, then placed.
    void finish(PropertyList value, const QString &text, YAML::anchor_t anchor, quint64 start, int height,
                const YAML::Mark &mark, bool isScalar = false)
    {
        if (m_failed)
            return;
        if (anchor != YAML::NullAnchor)
            m_anchors.insert_or_assign(anchor, Anchored{value, text, isScalar, m_nodes - start, height});
        place(std::move(value), text, isScalar, height, mark);
    }

    void place(PropertyList value, const QString &text, bool isScalar, int height, const YAML::Mark &mark)
    {
        if (m_stack.empty()) {
            if (!m_root)
                m_root = std::move(value);
            return;
        }
        Frame &parent = m_stack.back();
        parent.height = std::max(parent.height, height + 1);
        if (parent.container.isArray()) {
            parent.container.append(std::move(value));
            return;
        }
        if (parent.expectingKey) {
            if (!isScalar) {
                fail(QStringLiteral("YAML text uses a key that is not text (line %1)").arg(mark.line + 1));
                return;
            }
            // Keys are not values of the tree.
            --m_nodes;
            parent.key = text;
            parent.expectingKey = false;
            return;
        }
        parent.container.insert(parent.key, std::move(value));
        parent.expectingKey = true;
    }

    void fail(const QString &message)
    {
        if (m_failed)
            return;
        m_failed = true;
        if (m_error)
            *m_error = message;
    }

    std::optional<PropertyList> scalar(const std::string &tag, const std::string &text)
    {
        if (tag == "?")
            return resolvePlain(text);
        if (tag == "tag:yaml.org,2002:binary")
            return PropertyList(QByteArray::fromBase64(QByteArray::fromStdString(text)));
        if (tag == "tag:yaml.org,2002:timestamp") {
            const QDateTime date =
                QDateTime::fromString(QString::fromStdString(text).trimmed(), Qt::ISODateWithMs);
            if (!date.isValid()) {
                fail(QStringLiteral("YAML text holds an invalid timestamp \"%1\"").arg(QString::fromStdString(text)));
                return std::nullopt;
            }
            return PropertyList(date);
        }
        if (tag == "tag:yaml.org,2002:int" || tag == "tag:yaml.org,2002:float" ||
            tag == "tag:yaml.org,2002:bool" || tag == "tag:yaml.org,2002:null") {
            PropertyList value = resolvePlain(text);
            if (!value.isString())
                return value;
        }
        return PropertyList(QString::fromStdString(text));
    }

    const PropertyListLimits &m_limits;
    QString *m_error;
    std::vector<Frame> m_stack;
    std::unordered_map<YAML::anchor_t, Anchored> m_anchors;
    std::optional<PropertyList> m_root;
    quint64 m_nodes = 0;
    bool m_failed = false;
};

} // namespace

std::optional<PropertyList> PropertyList::fromYaml(const QByteArray &utf8, QString *error)
{
    return fromYaml(utf8, PropertyListLimits(), error);
}

std::optional<PropertyList> PropertyList::fromYaml(const QByteArray &utf8, const PropertyListLimits &limits,
                                                   QString *error)
{
    if (utf8.size() > limits.maxInputSize) {
        if (error)
            *error = QStringLiteral("the YAML text is larger than %1 bytes").arg(limits.maxInputSize);
        return std::nullopt;
    }
    // Only the first document of the text is read.
    const std::string text = utf8.toStdString();
    std::istringstream stream(text);
    YamlBuilder builder(limits, error);
    try {
        YAML::Parser parser(stream);
        parser.HandleNextDocument(builder);
    } catch (const YAML::Exception &exception) {
        if (builder.failed())
            return std::nullopt;
        if (error)
            *error =
                QStringLiteral("YAML text is malformed: %1").arg(QString::fromStdString(exception.what()));
        return std::nullopt;
    }
    return builder.result();
}

} // namespace scrivane
