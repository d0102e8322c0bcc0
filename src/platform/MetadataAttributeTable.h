#pragma once

#include "platform/PluginInterface.h"

#include <QMap>
#include <QString>

namespace scrivane {

// The attributes a metadata plug-in fills, kept as texts by name.
class MetadataAttributeTable : public MetadataAttributes {
public:
    MetadataAttributeTable();
    MetadataAttributeTable(const MetadataAttributeTable &) = delete;
    MetadataAttributeTable &operator=(const MetadataAttributeTable &) = delete;

    bool contains(const QString &key) const { return m_values.contains(key); }
    QString value(const QString &key) const { return m_values.value(key); }
    const QMap<QString, QString> &values() const { return m_values; }
    // What the plug-in reported when it gave no attributes.
    const QString &failure() const { return m_failure; }

private:
    static void setString(MetadataAttributes *attributes, const char *key, const char *text, std::size_t length);
    static void reportFailure(MetadataAttributes *attributes, const char *message);
    static const MetadataAttributesFunctions s_functions;

    QMap<QString, QString> m_values;
    QString m_failure;
};

} // namespace scrivane
