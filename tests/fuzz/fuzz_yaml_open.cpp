// Feeds arbitrary bytes to the document reader as the "data.yaml" file of
// an older package.  Whatever opens must archive again, within the limits
// the reader applies, and open again from what was written.

#include "document/TDDocument.h"
#include "document/TDPackageWrapper.h"
#include "model/TDUndoManager.h"
#include "platform/KeyedUnarchiver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace scrivane;

namespace {
void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_yaml_open: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TDPackageWrapper package;
    package.addEntry(QStringLiteral("data.yaml"),
                     QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TDDocument document;
    const bool opened = document.loadFileWrapperRepresentation(package, TDDocument::VerdaneType);
    check(!TDUndoManager::createsGraphics(), "the load left undo registrations dropped");
    check(!document.layers().empty() && document.currentLayer(), "the document has no current layer");
    if (!opened) {
        check(!document.lastError().isEmpty(), "a refused package gave no reason");
        return 0;
    }
    const std::optional<QByteArray> written = document.dataRepresentationOfType(TDDocument::ScrivaneType);
    check(written.has_value(), "an opened document could not be archived");
    QString why;
    if (!KeyedUnarchiver::checkLimits(*written, PropertyListLimits(), &why))
        return 0; // a save refuses this with a message; nothing to read back
    TDPackageWrapper again;
    again.addEntry(QStringLiteral("data"), *written);
    TDDocument reread;
    check(reread.loadFileWrapperRepresentation(again, TDDocument::ScrivaneType),
          "what was written does not open");
    check(reread.layers().size() == document.layers().size(), "the layers changed on the way through");
    return 0;
}
