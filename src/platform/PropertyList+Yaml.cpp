#include "PropertyList.h"

#include <yaml-cpp/yaml.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

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

class YamlConverter {
public:
    YamlConverter(const PropertyListLimits &limits, QString *error) : m_limits(limits), m_error(error) {}

    std::optional<PropertyList> convert(const YAML::Node &node, int depth)
    {
        if (++m_nodes > m_limits.maxNodes)
            return fail(QStringLiteral("YAML text holds more than %1 values").arg(m_limits.maxNodes));
        if (depth > m_limits.maxDepth)
            return fail(QStringLiteral("YAML text nests deeper than %1 levels").arg(m_limits.maxDepth));
        switch (node.Type()) {
        case YAML::NodeType::Null:
        case YAML::NodeType::Undefined:
            return PropertyList();
        case YAML::NodeType::Scalar:
            return scalar(node);
        case YAML::NodeType::Sequence: {
            PropertyList::Array array;
            array.reserve(node.size());
            for (const YAML::Node &element : node) {
                auto value = convert(element, depth + 1);
                if (!value)
                    return std::nullopt;
                array.push_back(std::move(*value));
            }
            return PropertyList(std::move(array));
        }
        case YAML::NodeType::Map: {
            PropertyList::Dictionary dictionary;
            for (const auto &entry : node) {
                if (!entry.first.IsScalar())
                    return fail(QStringLiteral("YAML text uses a key that is not text (line %1)")
                                    .arg(entry.first.Mark().line + 1));
                auto value = convert(entry.second, depth + 1);
                if (!value)
                    return std::nullopt;
                dictionary.insert_or_assign(QString::fromStdString(entry.first.Scalar()), std::move(*value));
            }
            return PropertyList(std::move(dictionary));
        }
        }
        return PropertyList();
    }

private:
    std::optional<PropertyList> fail(const QString &message)
    {
        if (m_error)
            *m_error = message;
        return std::nullopt;
    }

    std::optional<PropertyList> scalar(const YAML::Node &node)
    {
        const std::string &text = node.Scalar();
        const std::string &tag = node.Tag();
        if (tag == "?")
            return resolvePlain(text);
        if (tag == "tag:yaml.org,2002:binary")
            return PropertyList(QByteArray::fromBase64(QByteArray::fromStdString(text)));
        if (tag == "tag:yaml.org,2002:timestamp") {
            const QDateTime date =
                QDateTime::fromString(QString::fromStdString(text).trimmed(), Qt::ISODateWithMs);
            if (!date.isValid())
                return fail(QStringLiteral("YAML text holds an invalid timestamp \"%1\"")
                                .arg(QString::fromStdString(text)));
            return PropertyList(date);
        }
        if (tag == "tag:yaml.org,2002:int" || tag == "tag:yaml.org,2002:float" ||
            tag == "tag:yaml.org,2002:bool" || tag == "tag:yaml.org,2002:null") {
            const PropertyList value = resolvePlain(text);
            if (!value.isString())
                return value;
        }
        return PropertyList(QString::fromStdString(text));
    }

    const PropertyListLimits &m_limits;
    QString *m_error;
    quint64 m_nodes = 0;
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
    YAML::Node root;
    try {
        root = YAML::Load(utf8.toStdString());
        return YamlConverter(limits, error).convert(root, 0);
    } catch (const YAML::Exception &exception) {
        if (error)
            *error =
                QStringLiteral("YAML text is malformed: %1").arg(QString::fromStdString(exception.what()));
        return std::nullopt;
    }
}

} // namespace scrivane
