#pragma once

#include "platform/PluginInterface.h"

#include <QUuid>

namespace scrivane {

// UUIDs as plug-ins exchange them (PluginUUIDBytes, the bytes of the text
// form in order) and as the program compares them (QUuid).
class PluginUUID {
public:
    static QUuid fromBytes(const PluginUUIDBytes &bytes);
    static PluginUUIDBytes bytes(const QUuid &uuid);
    // The UUID of a text such as "5E2D9680-5022-40FA-B806-43349622E5B9";
    // the null UUID for anything else.
    static QUuid fromString(const char *text);
};

} // namespace scrivane
