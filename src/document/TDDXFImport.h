#pragma once

#include "platform/PathBase.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace scrivane {

class TDDocument;

// Reads a DXF drawing (the text form of the CAD exchange format) into a
// document: every LINE and ARC of the ENTITIES section becomes a stroked
// path on the layer named after the entity's layer, made when the document
// has none of that name.  DXF lengths are millimetres and become points;
// DXF's y axis points up, the drawing's down, so the drawing is turned
// upright with its top edge at y = 0.
//
// The file comes from strangers: a file without an ENTITIES section, or
// whose lines are not pairs of a group code and a value, is refused with a
// message; an entity with a number that is not finite or lies beyond
// MaximumCoordinate is skipped.  Text that is not UTF-8 is read as
// Windows-1252.  Other entities and sections are skipped.
class TDDXFImport {
public:
    // Millimetres; ten kilometres holds any plan drawn in them.
    static constexpr double MaximumCoordinate = 1.0e7;
    // Larger files are refused before they are read.
    static constexpr qint64 MaximumFileSize = qint64(256) << 20;

    struct Entity {
        QString layer;
        // In points, y growing downwards.
        PathBase path;
        // The stroke width in points; 0 draws the thinnest line.
        float width = 0;
    };

    // The entities of the drawing, in file order; nothing (with the reason
    // in `error`) when the data is no DXF drawing.
    static std::optional<std::vector<Entity>> readEntities(const QByteArray &data, QString *error);
    // Reads the drawing into the document; the document is untouched when
    // this answers false.  Nothing is registered for undo.
    static bool importData(const QByteArray &data, TDDocument &document, QString *error);
    // The same from a file.
    static bool importFile(const QString &path, TDDocument &document, QString *error);
};

} // namespace scrivane
