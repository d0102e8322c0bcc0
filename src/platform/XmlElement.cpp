#include "platform/XmlElement.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace scrivane {

void XmlElement::setAttribute(const QString &name, QString value)
{
    for (Attribute &attribute : m_attributes) {
        if (attribute.first == name) {
            attribute.second = std::move(value);
            return;
        }
    }
    m_attributes.emplace_back(name, std::move(value));
}

const QString *XmlElement::attribute(const QString &name) const
{
    for (const Attribute &attribute : m_attributes)
        if (attribute.first == name)
            return &attribute.second;
    return nullptr;
}

void XmlElement::removeAttribute(const QString &name)
{
    std::erase_if(m_attributes, [&](const Attribute &attribute) { return attribute.first == name; });
}

XmlElement &XmlElement::appendChild(XmlElement child)
{
    m_children.push_back(std::move(child));
    return m_children.back();
}

void XmlElement::write(QXmlStreamWriter &writer) const
{
    if (m_text.isEmpty() && m_children.empty())
        writer.writeEmptyElement(m_name);
    else
        writer.writeStartElement(m_name);
    for (const Attribute &attribute : m_attributes)
        writer.writeAttribute(attribute.first, attribute.second);
    if (m_text.isEmpty() && m_children.empty())
        return;
    if (!m_text.isEmpty())
        writer.writeCharacters(m_text);
    for (const XmlElement &child : m_children)
        child.write(writer);
    writer.writeEndElement();
}

} // namespace scrivane
