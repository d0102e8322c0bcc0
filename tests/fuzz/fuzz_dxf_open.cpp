// Feeds arbitrary bytes to the DXF reader as a drawing to open.  A refused
// file gives a reason and leaves the document as it was; an opened one has
// its graphics at finite places on named layers.

#include "document/TDDXFImport.h"
#include "document/TDDocument.h"
#include "model/TDLayer.h"
#include "model/TDUndoManager.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace scrivane;

namespace {
void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_dxf_open: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TDDocument document;
    const auto before = document.layers();
    QString error;
    const bool opened = TDDXFImport::importData(
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), document, &error);
    check(!TDUndoManager::createsGraphics(), "the import left undo registrations dropped");
    check(!document.undoManager()->canUndo(), "the import left an undo step");
    if (!opened) {
        check(!error.isEmpty(), "a refused drawing gave no reason");
        check(document.layers() == before, "a refused drawing changed the document");
        return 0;
    }
    check(!document.layers().empty() && document.currentLayer(), "the drawing has no current layer");
    for (const auto &layer : document.layers()) {
        for (const auto &graphic : layer->graphics()) {
            const Rect b = graphic->bounds();
            check(std::isfinite(b.minX()) && std::isfinite(b.minY()) && std::isfinite(b.width()) && std::isfinite(b.height()),
                  "a graphic lies at no finite place");
        }
    }
    return 0;
}
