#pragma once

#include "platform/PropertyList.h"

#include <QString>

#include <optional>

namespace scrivane {

// What the metadata plug-in does for a file: it decodes the drawing of a
// document package ("data.yaml" or the "data" archive) without the
// program's model classes (every model
// object reads as the dictionary it stores) and gathers the text of every
// text fill and text stroke, for desktop search.
//
// The input comes from outside: the walk descends at most MaxNesting
// levels of groups (deeper graphics are left out), and gathering stops
// before the text passes MaxTextLength characters (a small archive can
// refer to one long text many times over).
class MetadataImport {
public:
    static constexpr int MaxNesting = 256;
    static constexpr qsizetype MaxTextLength = 16 * 1024 * 1024;

    // Maps the model's class names to EncodedDictionary in every keyed
    // unarchiver of the process.
    static void decodeModelClassesAsDictionaries();

    // Reads the package at `path` as every reader of packages reads it
    // (PackageDictionary, within a WorkBudget): false, with a message, when
    // it is refused; otherwise true and the text found (nothing when the
    // drawing has none).
    static bool getMetadataForFile(const QString &path, std::optional<QString> *text, QString *error);

    // The texts of a model object's dictionary, of its children's in their
    // order, one newline between two pieces; nothing when there is none.
    // `d` is a dictionary or a placeholder of a model object.
    static std::optional<QString> GetContentsFromGraphics(const PropertyList &d);

    // The plain text of an archived attributed string (the data a text fill
    // keeps under "FillTextKey" and a text stroke under "text"); nothing
    // when the data is no such archive.
    static std::optional<QString> plainTextOfArchivedText(const QByteArray &data);
};

} // namespace scrivane
