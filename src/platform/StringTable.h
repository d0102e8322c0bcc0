#pragma once

#include <QString>

namespace scrivane {

// User-visible texts live in named tables ("UndoStrings", "StatusbarStrings",
// "ToolbarStrings", "Filters"), one JSON object per table in
// resources/strings/<table>.json, compiled into the program.  The English text
// is the key, so a missing entry still reads sensibly.
class StringTable {
public:
    // The text for `key` in `table`, or `key` itself when the table or the
    // entry does not exist.
    static QString lookup(const QString &table, const QString &key);
};

} // namespace scrivane
