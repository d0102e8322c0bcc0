#include "MetadataAttributeTable.h"

#include <limits>

namespace scrivane {

const MetadataAttributesFunctions MetadataAttributeTable::s_functions{&MetadataAttributeTable::setString,
                                                                      &MetadataAttributeTable::reportFailure};

MetadataAttributeTable::MetadataAttributeTable() : MetadataAttributes{&s_functions} {}

void MetadataAttributeTable::setString(MetadataAttributes *attributes, const char *key, const char *text,
                                       std::size_t length)
{
    if (!key || (!text && length > 0) || length > std::size_t(std::numeric_limits<qsizetype>::max()))
        return;
    auto *self = static_cast<MetadataAttributeTable *>(attributes);
    self->m_values.insert(QString::fromUtf8(key), QString::fromUtf8(text, qsizetype(length)));
}

void MetadataAttributeTable::reportFailure(MetadataAttributes *attributes, const char *message)
{
    auto *self = static_cast<MetadataAttributeTable *>(attributes);
    self->m_failure = message ? QString::fromUtf8(message) : QString();
}

} // namespace scrivane
