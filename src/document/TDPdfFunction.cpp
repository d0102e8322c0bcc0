#include "document/TDPdfFunction.h"

#include "document/TDPdfObjects.h"

#include "document/TDQpdf.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

constexpr int CurveSamples = 16;

bool fail(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return false;
}

// The dictionary of a function object (a stream's own dictionary).
QPDFObjectHandle dictionaryOf(QPDFObjectHandle object)
{
    return object.isStream() ? object.getDict() : object;
}

// Reads "Domain" (one input only) and "Range" (optional) into `domain`
// and `range`.
bool readDomainAndRange(QPDFObjectHandle dictionary, double domain[2], std::vector<double> &range, QString *why)
{
    const auto d = TDPdfObjects::numbers(dictionary.getKey("/Domain"), 2);
    if (!d || d->size() != 2 || !((*d)[0] <= (*d)[1]))
        return fail(why, QStringLiteral("its domain is not one interval"));
    domain[0] = (*d)[0];
    domain[1] = (*d)[1];
    QPDFObjectHandle r = dictionary.getKey("/Range");
    if (!r.isNull()) {
        const auto values = TDPdfObjects::numbers(r, 2 * TDPdfFunction::MaximumOutputs);
        if (!values || values->empty() || values->size() % 2 != 0)
            return fail(why, QStringLiteral("its range is malformed"));
        range = *values;
    }
    return true;
}

double interpolate(double x, double x0, double x1, double y0, double y1)
{
    return x1 == x0 ? y0 : y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

// Keeps stops sorted by position, one stop per position unless the values
// jump there, and at most the maximum number.
void appendStops(std::vector<TDPdfFunction::Stop> &stops, std::vector<TDPdfFunction::Stop> more)
{
    std::stable_sort(more.begin(), more.end(),
                     [](const TDPdfFunction::Stop &a, const TDPdfFunction::Stop &b) { return a.position < b.position; });
    for (auto &stop : more) {
        if (stops.size() >= size_t(TDPdfFunction::MaximumStops))
            return;
        if (!stops.empty() && stops.back().position == stop.position && stops.back().values == stop.values)
            continue;
        stops.push_back(std::move(stop));
    }
}

// Type 2: C0 + x^N (C1 - C0).
class ExponentialFunction : public TDPdfFunction {
public:
    static std::shared_ptr<const TDPdfFunction> read(QPDFObjectHandle dictionary, QString *why)
    {
        auto f = std::make_shared<ExponentialFunction>();
        if (!readDomainAndRange(dictionary, f->m_domain, f->m_range, why))
            return nullptr;
        QPDFObjectHandle c0 = dictionary.getKey("/C0");
        QPDFObjectHandle c1 = dictionary.getKey("/C1");
        f->m_c0 = c0.isNull() ? std::vector<double>{0} : TDPdfObjects::numbers(c0, MaximumOutputs).value_or(std::vector<double>());
        f->m_c1 = c1.isNull() ? std::vector<double>{1} : TDPdfObjects::numbers(c1, MaximumOutputs).value_or(std::vector<double>());
        const auto n = TDPdfObjects::number(dictionary.getKey("/N"));
        if (f->m_c0.empty() || f->m_c0.size() != f->m_c1.size() || !n) {
            fail(why, QStringLiteral("its C0, C1 or N is malformed"));
            return nullptr;
        }
        f->m_n = *n;
        f->m_outputs = int(f->m_c0.size());
        return f;
    }

protected:
    std::vector<double> evaluateInDomain(double x) const override
    {
        double p = std::pow(x, m_n);
        if (!std::isfinite(p))
            p = 0;
        std::vector<double> y(m_c0.size());
        for (size_t i = 0; i < y.size(); ++i)
            y[i] = m_c0[i] + p * (m_c1[i] - m_c0[i]);
        return y;
    }
    std::vector<Stop> stopsInDomain(double from, double to) const override
    {
        if (m_n == 1)
            return stopsAt({from, to});
        std::vector<double> positions;
        for (int i = 0; i <= CurveSamples; ++i)
            positions.push_back(from + (to - from) * i / CurveSamples);
        return stopsAt(positions);
    }

private:
    std::vector<double> m_c0;
    std::vector<double> m_c1;
    double m_n = 1;
};

// Type 0 of one input: samples linear between them.
class SampledFunction : public TDPdfFunction {
public:
    static std::shared_ptr<const TDPdfFunction> read(QPDFObjectHandle stream, QString *why)
    {
        QPDFObjectHandle dictionary = stream.getDict();
        auto f = std::make_shared<SampledFunction>();
        if (!readDomainAndRange(dictionary, f->m_domain, f->m_range, why))
            return nullptr;
        if (f->m_range.empty()) {
            fail(why, QStringLiteral("a sampled function needs a range"));
            return nullptr;
        }
        f->m_outputs = int(f->m_range.size() / 2);
        const auto size = TDPdfObjects::numbers(dictionary.getKey("/Size"), 1);
        const auto bits = TDPdfObjects::integer(dictionary.getKey("/BitsPerSample"));
        if (!size || size->size() != 1 || (*size)[0] < 1 || (*size)[0] > MaximumSamples) {
            fail(why, QStringLiteral("its size is not one count of 1 to %1 samples").arg(MaximumSamples));
            return nullptr;
        }
        static const int allowedBits[] = {1, 2, 4, 8, 12, 16, 24, 32};
        if (!bits || std::find(std::begin(allowedBits), std::end(allowedBits), *bits) == std::end(allowedBits)) {
            fail(why, QStringLiteral("its bits per sample are not 1, 2, 4, 8, 12, 16, 24 or 32"));
            return nullptr;
        }
        f->m_samples = int((*size)[0]);
        f->m_bits = *bits;
        f->m_encode = {0, double(f->m_samples - 1)};
        if (QPDFObjectHandle e = dictionary.getKey("/Encode"); !e.isNull()) {
            const auto values = TDPdfObjects::numbers(e, 2);
            if (!values || values->size() != 2) {
                fail(why, QStringLiteral("its encode array is malformed"));
                return nullptr;
            }
            f->m_encode = *values;
        }
        f->m_decode = f->m_range;
        if (QPDFObjectHandle d = dictionary.getKey("/Decode"); !d.isNull()) {
            const auto values = TDPdfObjects::numbers(d, f->m_range.size());
            if (!values || values->size() != f->m_range.size()) {
                fail(why, QStringLiteral("its decode array is malformed"));
                return nullptr;
            }
            f->m_decode = *values;
        }
        const size_t needed = (size_t(f->m_samples) * size_t(f->m_outputs) * size_t(f->m_bits) + 7) / 8;
        QString reason;
        const auto data = TDPdfObjects::streamData(stream, needed + 1024, false, &reason);
        if (!data) {
            fail(why, QStringLiteral("its samples cannot be read: %1").arg(reason));
            return nullptr;
        }
        if (data->size() < needed) {
            fail(why, QStringLiteral("it holds %1 bytes of samples where %2 are needed").arg(data->size()).arg(needed));
            return nullptr;
        }
        // Every sample decoded once.
        const double maximum = std::ldexp(1.0, f->m_bits) - 1;
        f->m_values.resize(size_t(f->m_samples) * size_t(f->m_outputs));
        size_t bit = 0;
        for (size_t i = 0; i < f->m_values.size(); ++i) {
            unsigned long long raw = 0;
            for (int b = 0; b < f->m_bits; ++b, ++bit) {
                const auto byte = static_cast<unsigned char>((*data)[bit / 8]);
                raw = (raw << 1) | ((byte >> (7 - bit % 8)) & 1u);
            }
            const size_t output = i % size_t(f->m_outputs);
            f->m_values[i] = f->m_decode[2 * output] + double(raw) / maximum * (f->m_decode[2 * output + 1] - f->m_decode[2 * output]);
        }
        return f;
    }

protected:
    // The position of the input in samples, within [0, samples - 1].
    double samplePosition(double x) const
    {
        const double e = interpolate(x, m_domain[0], m_domain[1], m_encode[0], m_encode[1]);
        return std::clamp(std::isfinite(e) ? e : 0.0, 0.0, double(m_samples - 1));
    }
    std::vector<double> evaluateInDomain(double x) const override
    {
        const double e = samplePosition(x);
        const auto i0 = size_t(std::floor(e));
        const size_t i1 = std::min(i0 + 1, size_t(m_samples - 1));
        const double t = e - double(i0);
        const auto n = size_t(m_outputs);
        std::vector<double> y(n);
        for (size_t k = 0; k < n; ++k)
            y[k] = m_values[i0 * n + k] + t * (m_values[i1 * n + k] - m_values[i0 * n + k]);
        return y;
    }
    std::vector<Stop> stopsInDomain(double from, double to) const override
    {
        std::vector<double> positions{from};
        // The inputs that fall on a sample.
        if (m_encode[1] != m_encode[0] && m_domain[1] != m_domain[0]) {
            for (int j = 0; j < m_samples; ++j) {
                const double x = interpolate(j, m_encode[0], m_encode[1], m_domain[0], m_domain[1]);
                if (x > from && x < to)
                    positions.push_back(x);
            }
        }
        positions.push_back(to);
        std::sort(positions.begin(), positions.end());
        return stopsAt(positions);
    }

private:
    int m_samples = 1;
    int m_bits = 8;
    std::vector<double> m_encode;
    std::vector<double> m_decode;
    std::vector<double> m_values;
};

// Type 3: pieces side by side, each another function.
class StitchingFunction : public TDPdfFunction {
public:
    static std::shared_ptr<const TDPdfFunction> read(QPDFObjectHandle dictionary, int depth, QString *why)
    {
        auto f = std::make_shared<StitchingFunction>();
        if (!readDomainAndRange(dictionary, f->m_domain, f->m_range, why))
            return nullptr;
        QPDFObjectHandle functions = dictionary.getKey("/Functions");
        if (!functions.isArray() || functions.getArrayNItems() < 1 || functions.getArrayNItems() > MaximumStops) {
            fail(why, QStringLiteral("it stitches no functions"));
            return nullptr;
        }
        const size_t k = size_t(functions.getArrayNItems());
        const auto bounds = TDPdfObjects::numbers(dictionary.getKey("/Bounds"), k);
        const auto encode = TDPdfObjects::numbers(dictionary.getKey("/Encode"), 2 * k);
        if (!bounds || bounds->size() != k - 1 || !encode || encode->size() != 2 * k) {
            fail(why, QStringLiteral("its bounds or encode array does not match its %1 functions").arg(k));
            return nullptr;
        }
        f->m_bounds.push_back(f->m_domain[0]);
        for (double b : *bounds) {
            if (b < f->m_bounds.back() || b > f->m_domain[1]) {
                fail(why, QStringLiteral("its bounds are not in order within its domain"));
                return nullptr;
            }
            f->m_bounds.push_back(b);
        }
        f->m_bounds.push_back(f->m_domain[1]);
        f->m_encode = *encode;
        for (size_t i = 0; i < k; ++i) {
            QString reason;
            auto piece = TDPdfFunction::read(functions.getArrayItem(int(i)), depth + 1, &reason);
            if (!piece) {
                fail(why, QStringLiteral("its function %1 cannot be read: %2").arg(i + 1).arg(reason));
                return nullptr;
            }
            if (i > 0 && piece->outputs() != f->m_pieces.front()->outputs()) {
                fail(why, QStringLiteral("its functions differ in their number of outputs"));
                return nullptr;
            }
            f->m_pieces.push_back(std::move(piece));
        }
        f->m_outputs = f->m_pieces.front()->outputs();
        return f;
    }

protected:
    size_t pieceAt(double x) const
    {
        const size_t k = m_pieces.size();
        for (size_t i = 0; i + 1 < k; ++i)
            if (x < m_bounds[i + 1])
                return i;
        return k - 1;
    }
    double encoded(size_t i, double x) const
    {
        return interpolate(x, m_bounds[i], m_bounds[i + 1], m_encode[2 * i], m_encode[2 * i + 1]);
    }
    std::vector<double> evaluateInDomain(double x) const override
    {
        const size_t i = pieceAt(x);
        return m_pieces[i]->evaluate(encoded(i, x));
    }
    std::vector<Stop> stopsInDomain(double from, double to) const override
    {
        if (!(from < to))
            return stopsAt({from, to});
        std::vector<Stop> result;
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            // Pieces of no width are never evaluated.
            const double lo = std::max(from, m_bounds[i]);
            const double hi = std::min(to, m_bounds[i + 1]);
            if (!(lo < hi))
                continue;
            const double e0 = m_encode[2 * i];
            const double e1 = m_encode[2 * i + 1];
            std::vector<Stop> piece;
            if (e0 == e1) {
                // A constant piece.
                const std::vector<double> values = m_pieces[i]->evaluate(encoded(i, lo));
                piece = {{lo, values}, {hi, values}};
            } else {
                const double a = encoded(i, lo);
                const double b = encoded(i, hi);
                piece = m_pieces[i]->stops(std::min(a, b), std::max(a, b));
                for (Stop &stop : piece)
                    stop.position = std::clamp(
                        interpolate(stop.position, e0, e1, m_bounds[i], m_bounds[i + 1]), lo, hi);
            }
            appendStops(result, std::move(piece));
        }
        return result;
    }

private:
    std::vector<double> m_bounds;
    std::vector<double> m_encode;
    std::vector<std::shared_ptr<const TDPdfFunction>> m_pieces;
};

// An array of functions of one output each: their outputs side by side.
class FunctionArray : public TDPdfFunction {
public:
    static std::shared_ptr<const TDPdfFunction> read(QPDFObjectHandle array, int depth, QString *why)
    {
        auto f = std::make_shared<FunctionArray>();
        const int count = array.getArrayNItems();
        if (count < 1 || count > MaximumOutputs) {
            fail(why, QStringLiteral("an array of %1 functions gives no colour").arg(count));
            return nullptr;
        }
        for (int i = 0; i < count; ++i) {
            QString reason;
            auto part = TDPdfFunction::read(array.getArrayItem(i), depth + 1, &reason);
            if (!part || part->outputs() != 1) {
                fail(why, part ? QStringLiteral("function %1 of the array has more than one output").arg(i + 1)
                               : QStringLiteral("function %1 of the array cannot be read: %2").arg(i + 1).arg(reason));
                return nullptr;
            }
            if (i == 0) {
                f->m_domain[0] = part->domainStart();
                f->m_domain[1] = part->domainEnd();
            }
            f->m_parts.push_back(std::move(part));
        }
        f->m_outputs = count;
        return f;
    }

protected:
    std::vector<double> evaluateInDomain(double x) const override
    {
        std::vector<double> y;
        for (const auto &part : m_parts)
            y.push_back(part->evaluate(x).front());
        return y;
    }
    std::vector<Stop> stopsInDomain(double from, double to) const override
    {
        std::vector<double> positions;
        for (const auto &part : m_parts)
            for (const Stop &stop : part->stops(from, to))
                positions.push_back(stop.position);
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        if (positions.size() > size_t(MaximumStops))
            positions.resize(size_t(MaximumStops));
        return stopsAt(positions);
    }

private:
    std::vector<std::shared_ptr<const TDPdfFunction>> m_parts;
};

} // namespace

std::shared_ptr<const TDPdfFunction> TDPdfFunction::fromObject(QPDFObjectHandle object, QString *why)
{
    return read(object, 0, why);
}

std::shared_ptr<const TDPdfFunction> TDPdfFunction::read(QPDFObjectHandle object, int depth, QString *why)
{
    if (depth > MaximumDepth) {
        fail(why, QStringLiteral("functions nest more than %1 deep").arg(MaximumDepth));
        return nullptr;
    }
    if (object.isArray())
        return FunctionArray::read(object, depth, why);
    QPDFObjectHandle dictionary = dictionaryOf(object);
    if (!dictionary.isDictionary()) {
        fail(why, QStringLiteral("it is no function"));
        return nullptr;
    }
    const auto type = TDPdfObjects::integer(dictionary.getKey("/FunctionType"));
    switch (type.value_or(-1)) {
    case 0:
        if (object.isStream())
            return SampledFunction::read(object, why);
        break;
    case 2:
        return ExponentialFunction::read(dictionary, why);
    case 3:
        return StitchingFunction::read(dictionary, depth, why);
    default:
        break;
    }
    fail(why, QStringLiteral("functions of type %1 are not supported").arg(type.value_or(-1)));
    return nullptr;
}

std::vector<double> TDPdfFunction::evaluate(double x) const
{
    if (!std::isfinite(x))
        x = m_domain[0];
    std::vector<double> y = evaluateInDomain(std::clamp(x, m_domain[0], m_domain[1]));
    clampToRange(y);
    return y;
}

std::vector<TDPdfFunction::Stop> TDPdfFunction::stops(double from, double to) const
{
    from = std::clamp(std::isfinite(from) ? from : m_domain[0], m_domain[0], m_domain[1]);
    to = std::clamp(std::isfinite(to) ? to : m_domain[1], from, m_domain[1]);
    std::vector<Stop> result;
    appendStops(result, stopsInDomain(from, to));
    for (Stop &stop : result)
        clampToRange(stop.values);
    return result;
}

std::vector<TDPdfFunction::Stop> TDPdfFunction::stopsAt(const std::vector<double> &positions) const
{
    std::vector<Stop> stops;
    for (double x : positions)
        stops.push_back({x, evaluateInDomain(x)});
    return stops;
}

void TDPdfFunction::clampToRange(std::vector<double> &values) const
{
    for (size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i]))
            values[i] = 0;
        if (2 * i + 1 < m_range.size())
            values[i] = std::clamp(values[i], std::min(m_range[2 * i], m_range[2 * i + 1]),
                                   std::max(m_range[2 * i], m_range[2 * i + 1]));
    }
}

} // namespace scrivane
