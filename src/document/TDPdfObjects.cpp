#include "document/TDPdfObjects.h"

#include "document/TDQpdf.h"

#include <cmath>
#include <limits>

namespace scrivane {

namespace {

struct TooLong {};

// Collects what a stream decodes to, and stops the decoding as soon as it
// grows past the limit: a small stream may inflate to gigabytes.
class CappedBuffer : public Pipeline {
public:
    explicit CappedBuffer(size_t limit) : Pipeline("capped buffer", nullptr), m_limit(limit) {}
    void write(unsigned char const *data, size_t length) override
    {
        if (length > m_limit - m_data.size())
            throw TooLong();
        m_data.append(reinterpret_cast<const char *>(data), length);
    }
    void finish() override {}
    std::string take() { return std::move(m_data); }

private:
    size_t m_limit;
    std::string m_data;
};

} // namespace

std::optional<double> TDPdfObjects::number(QPDFObjectHandle object)
{
    if (!object.isNumber())
        return std::nullopt;
    const double v = object.getNumericValue();
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> TDPdfObjects::integer(QPDFObjectHandle object)
{
    if (!object.isInteger())
        return std::nullopt;
    const long long v = object.getIntValue();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(v);
}

std::string TDPdfObjects::name(QPDFObjectHandle object)
{
    if (!object.isName())
        return std::string();
    std::string n = object.getName();
    if (!n.empty() && n.front() == '/')
        n.erase(0, 1);
    return n;
}

std::optional<std::vector<double>> TDPdfObjects::numbers(QPDFObjectHandle array, size_t maximum)
{
    if (!array.isArray())
        return std::nullopt;
    const int count = array.getArrayNItems();
    if (count < 0 || size_t(count) > maximum)
        return std::nullopt;
    std::vector<double> values;
    values.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const auto v = number(array.getArrayItem(i));
        if (!v)
            return std::nullopt;
        values.push_back(*v);
    }
    return values;
}

std::optional<std::string> TDPdfObjects::streamData(QPDFObjectHandle stream, size_t limit, bool lossy,
                                                    QString *why)
{
    const auto fail = [why](const QString &reason) -> std::optional<std::string> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (!stream.isStream())
        return fail(QStringLiteral("not a stream"));
    CappedBuffer buffer(limit);
    bool filtered = false;
    bool ok = false;
    try {
        ok = stream.pipeStreamData(&buffer, &filtered, 0, lossy ? qpdf_dl_all : qpdf_dl_specialized, true);
    } catch (const TooLong &) {
        return fail(QStringLiteral("its data is longer than %1 bytes").arg(limit));
    }
    QPDFObjectHandle filters = stream.getDict().getKey("/Filter");
    const bool hasFilters = !filters.isNull() && !(filters.isArray() && filters.getArrayNItems() == 0);
    if (!ok)
        return fail(QStringLiteral("its data cannot be decoded"));
    if (hasFilters && !filtered)
        return fail(QStringLiteral("it is encoded in a way this importer does not read"));
    return buffer.take();
}

} // namespace scrivane
