#pragma once

#include <QString>

#include <utility>
#include <vector>

class QXmlStreamWriter;

namespace scrivane {

// A small XML element tree for writers that assemble a document before
// they stream it (the SVG export): a name, attributes in the order they were
// first set, child elements and a text.  Setting an attribute the element
// already has replaces its value where it stands.  Elements are values:
// copies are deep, and two elements are equal when their names, attributes
// (in order), texts and children are.
class XmlElement {
public:
    using Attribute = std::pair<QString, QString>;

    XmlElement() = default;
    explicit XmlElement(QString name) : m_name(std::move(name)) {}

    const QString &name() const { return m_name; }
    void setName(QString name) { m_name = std::move(name); }

    void setAttribute(const QString &name, QString value);
    // Null when the element has no such attribute.
    const QString *attribute(const QString &name) const;
    void removeAttribute(const QString &name);
    const std::vector<Attribute> &attributes() const { return m_attributes; }

    // Character data, written before the children.
    const QString &text() const { return m_text; }
    void setText(QString text) { m_text = std::move(text); }

    XmlElement &appendChild(XmlElement child);
    const std::vector<XmlElement> &children() const { return m_children; }
    std::vector<XmlElement> &children() { return m_children; }
    int childCount() const { return static_cast<int>(m_children.size()); }

    // The element and everything below it; an element without text or
    // children is written empty ("<rect .../>").
    void write(QXmlStreamWriter &writer) const;

    friend bool operator==(const XmlElement &, const XmlElement &) = default;

private:
    QString m_name;
    std::vector<Attribute> m_attributes;
    QString m_text;
    std::vector<XmlElement> m_children;
};

} // namespace scrivane
