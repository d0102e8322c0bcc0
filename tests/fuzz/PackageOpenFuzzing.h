#pragma once

// What the package fuzz targets check of any input they open as one entry
// of a package: the load ends its undo dropping and leaves a current layer;
// a refusal gives a reason; what opens archives again and, when the archive
// is within the reader's limits (a save refuses it otherwise), opens again
// with the same layers.

#include "document/TDDocument.h"
#include "document/TDPackageWrapper.h"
#include "model/TDUndoManager.h"
#include "platform/KeyedUnarchiver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace scrivane::fuzzing {

inline void check(bool condition, const char *target, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "%s: %s\n", target, what);
        std::abort();
    }
}

inline void openAndReopen(const char *target, const QString &entry, const QString &type, const uint8_t *data,
                          size_t size)
{
    TDPackageWrapper package;
    package.addEntry(entry, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TDDocument document;
    const bool opened = document.loadFileWrapperRepresentation(package, type);
    check(!TDUndoManager::createsGraphics(), target, "the load left undo registrations dropped");
    check(!document.layers().empty() && document.currentLayer(), target, "the document has no current layer");
    if (!opened) {
        check(!document.lastError().isEmpty(), target, "a refused package gave no reason");
        return;
    }
    const std::optional<QByteArray> written = document.dataRepresentationOfType(TDDocument::ScrivaneType);
    check(written.has_value(), target, "an opened document could not be archived");
    if (!KeyedUnarchiver::checkLimits(*written, PropertyListLimits(), nullptr))
        return;
    TDPackageWrapper again;
    again.addEntry(QStringLiteral("data"), *written);
    TDDocument reread;
    check(reread.loadFileWrapperRepresentation(again, TDDocument::ScrivaneType), target,
          "what was written does not open");
    check(reread.layers().size() == document.layers().size(), target, "the layers changed on the way through");
    document.getAllImages();
}

} // namespace scrivane::fuzzing
