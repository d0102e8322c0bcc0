#pragma once

#include <QString>

#include <memory>
#include <vector>

class QPDFObjectHandle;

namespace scrivane {

// A PDF function of one input, as shadings use them to give a colour at
// each point of a gradient: sampled (type 0), exponential (type 2) and
// stitching (type 3) functions, and an array of functions with one output
// each.  A function is read once, checked (lengths of its arrays and its
// sample data, its size, how deeply it nests) and then evaluated or turned
// into the stops of a gradient.
class TDPdfFunction {
public:
    // Stitching functions nest no deeper than this.
    static constexpr int MaximumDepth = 8;
    // Sampled functions have at most this many samples.
    static constexpr int MaximumSamples = 4096;
    // The most outputs a function may have.
    static constexpr int MaximumOutputs = 32;
    // A gradient made from a function has at most this many stops.
    static constexpr int MaximumStops = 4096;

    struct Stop {
        // An input of the function.
        double position = 0;
        std::vector<double> values;
    };

    virtual ~TDPdfFunction() = default;

    // The function an object describes (a dictionary, a stream, or an array
    // of functions of one output each); null, with the reason in `why`,
    // when it is one this importer cannot read or a malformed one.
    static std::shared_ptr<const TDPdfFunction> fromObject(QPDFObjectHandle object, QString *why);

    int outputs() const { return m_outputs; }
    double domainStart() const { return m_domain[0]; }
    double domainEnd() const { return m_domain[1]; }

    // The outputs at x (clamped to the domain), each within the range when
    // the function has one.
    std::vector<double> evaluate(double x) const;
    // Stops from `from` to `to` (inputs within the domain, from <= to) that
    // a gradient linear between its stops shows as the function: both ends
    // and every place where the function bends or jumps (a jump gives two
    // stops at one position).  Curved pieces are sampled.
    std::vector<Stop> stops(double from, double to) const;

protected:
    static std::shared_ptr<const TDPdfFunction> read(QPDFObjectHandle object, int depth, QString *why);
    virtual std::vector<double> evaluateInDomain(double x) const = 0;
    virtual std::vector<Stop> stopsInDomain(double from, double to) const = 0;
    // Stops at the given inputs, evaluated.
    std::vector<Stop> stopsAt(const std::vector<double> &positions) const;
    void clampToRange(std::vector<double> &values) const;

    int m_outputs = 0;
    double m_domain[2] = {0, 1};
    std::vector<double> m_range;
};

} // namespace scrivane
