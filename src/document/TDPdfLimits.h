#pragma once

#include <QtGlobal>

#include <cstddef>

namespace scrivane {

// How much of a stranger's PDF page is read, both by the importer and
// before poppler draws a placed PDF picture: beyond these the page is
// refused rather than allowed to take the memory or the time it asks for.
struct TDPdfLimits {
    int formDepth = 16;
    qint64 imagePixels = qint64(1) << 26;
    size_t streamBytes = size_t(256) << 20;
    qint64 operators = 50'000'000;
    qint64 graphics = 2'000'000;
};

} // namespace scrivane
