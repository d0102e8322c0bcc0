#pragma once

#include "platform/PropertyList.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace scrivane {

// Scrivane's road to libplist.  Reads binary and XML property lists after checking the
// input's structure without recursion: libplist itself recurses once per
// nesting level and unfolds shared objects once per reference, so deep or
// self-sharing input would exhaust the stack or memory inside the library.
// What passes the check is well formed as far as libplist looks: every
// offset, length and reference of a binary list lies inside the data,
// references form no cycle, nesting and unfolded size stay within limits.
class PlistBridge {
public:
    struct Free {
        void operator()(void *node) const;
    };
    // A libplist node (plist_t) that frees itself.
    using Node = std::unique_ptr<void, Free>;

    // The parsed list, or null with a message in `error`.
    static Node parse(const QByteArray &data, const PropertyListLimits &limits, QString *error);

    // The checks alone; true when libplist may be handed the data.
    static bool checkBinary(const QByteArray &data, const PropertyListLimits &limits, QString *error);
    static bool checkXml(const QByteArray &data, const PropertyListLimits &limits, QString *error);

    static bool isBinary(const QByteArray &data) { return data.startsWith("bplist00"); }

    // The elements of an array node, in order.  (libplist 2.2 finds an
    // element by index by walking the list from its start; its iterator
    // steps in constant time.)
    static std::vector<void *> arrayItems(void *array);
    // The keys and values of a dictionary node, in stored order (a key
    // stored twice is there twice).
    static std::vector<std::pair<QString, void *>> dictionaryItems(void *dictionary);

    // The XML form of a node.
    static QByteArray toXml(void *node);
    // The binary form of a node (written by BinaryPlistWriter); empty for a
    // node of unknown kind.
    static QByteArray toBinary(void *node);

    // Scalar nodes (string, integer, real, boolean, data, date) and values.
    // `toValue` answers false for containers and archive references.
    static bool toValue(void *node, PropertyList &value);
    // A new node for a scalar value, or null (with a message) for values a
    // property list cannot hold: null, objects, strings with NUL characters,
    // dates more than 2^31 seconds (about 68 years) away from 2001-01-01.
    static void *newScalar(const PropertyList &value, QString *error);

    // Whole trees.  The node must have passed `parse` (nesting is bounded).
    static std::optional<PropertyList> toPropertyList(void *node, QString *error);
    static Node fromPropertyList(const PropertyList &value, QString *error);
};

} // namespace scrivane
