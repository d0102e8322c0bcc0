#include "PropertyList.h"

#include "platform/BinaryPlistWriter.h"
#include "platform/PlistBridge.h"

namespace scrivane {

std::optional<PropertyList> PropertyList::fromData(const QByteArray &data, QString *error)
{
    return fromData(data, PropertyListLimits(), error);
}

std::optional<PropertyList> PropertyList::fromData(const QByteArray &data, const PropertyListLimits &limits,
                                                   QString *error)
{
    const PlistBridge::Node root = PlistBridge::parse(data, limits, error);
    if (!root)
        return std::nullopt;
    return PlistBridge::toPropertyList(root.get(), error);
}

std::optional<QByteArray> PropertyList::toData(Format format, QString *error) const
{
    if (format == Format::Binary) {
        BinaryPlistWriter writer;
        BinaryPlistWriter::Ref top = 0;
        if (!writer.value(*this, top, error))
            return std::nullopt;
        return writer.finish(top);
    }
    const PlistBridge::Node root = PlistBridge::fromPropertyList(*this, error);
    if (!root)
        return std::nullopt;
    QByteArray bytes = PlistBridge::toXml(root.get());
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the property list could not be written");
        return std::nullopt;
    }
    return bytes;
}

} // namespace scrivane
