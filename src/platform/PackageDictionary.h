#pragma once

#include "platform/PropertyList.h"

#include <QString>

#include <optional>

namespace scrivane {

class PackageFolder;
class WorkBudget;

// The document dictionary of a package, read the one way every reader of
// packages reads it (the program, the thumbnailer and the text extractor
// alike): "data.yaml" when the package has one, else the keyed archive
// "data", within the readers' limits (narrowed by the budget when one is
// given).  Refused with a message when neither is there or it cannot be
// read, when the root is not a dictionary, or when the dictionary holds no
// "Layers" array.  Archived objects are built by the decode functions the
// process registered.
class PackageDictionary {
public:
    struct Contents {
        PropertyList dictionary;
        bool fromYaml = false;
    };
    static std::optional<Contents> read(const PackageFolder &package, WorkBudget *budget, QString *error);

    // The dictionary of a legacy YAML text; nothing with a message when the
    // text is not YAML or holds no dictionary.
    static std::optional<PropertyList> fromYamlText(const QByteArray &text, const PropertyListLimits &limits,
                                                    QString *error);
};

} // namespace scrivane
