// Feeds arbitrary bytes to the document reader as the "data" file of a
// package.

#include "PackageOpenFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    scrivane::fuzzing::openAndReopen("fuzz_package_open", QStringLiteral("data"), scrivane::TDDocument::ScrivaneType,
                                     data, size);
    return 0;
}
