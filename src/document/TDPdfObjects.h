#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

class QPDFObjectHandle;

namespace scrivane {

// Checked reading of PDF objects for the page importer: every value comes
// from a stranger's file, so each accessor checks the object's kind (and
// a stream's decoded size) before it reads, and answers nothing otherwise.
class TDPdfObjects {
public:
    // A number (integer or real) that is finite.
    static std::optional<double> number(QPDFObjectHandle object);
    // An integer within the range of int.
    static std::optional<int> integer(QPDFObjectHandle object);
    // A name without its slash; empty when the object is no name.
    static std::string name(QPDFObjectHandle object);
    // The numbers of an array of at most `maximum` numbers; nothing when
    // it is no such array.
    static std::optional<std::vector<double>> numbers(QPDFObjectHandle array, size_t maximum);
    // A stream's data with its filters undone (`lossy`: JPEG too), when it
    // decodes to at most `limit` bytes; nothing, with the reason in `why`,
    // when it is no stream, a filter is unknown or fails, or the data is
    // longer.
    static std::optional<std::string> streamData(QPDFObjectHandle stream, size_t limit, bool lossy,
                                                 QString *why);
};

} // namespace scrivane
