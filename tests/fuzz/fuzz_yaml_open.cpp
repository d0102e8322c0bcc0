// Feeds arbitrary bytes to the document reader as the "data.yaml" file of
// an older package.

#include "PackageOpenFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    scrivane::fuzzing::openAndReopen("fuzz_yaml_open", QStringLiteral("data.yaml"),
                                     scrivane::TDDocument::VerdaneType, data, size);
    return 0;
}
