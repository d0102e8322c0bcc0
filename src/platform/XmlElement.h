#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivane {

// A small XML element tree for writers that assemble a document before
// they write it (the SVG export): a name, attributes in the order they were
// first set, a text and child elements, all held as UTF-8.  Setting an
// attribute the element already has replaces its value where it stands.
// Elements are values: copies are deep, and two elements are equal when
// their names, attributes (in order), texts and children are.
//
// Writing escapes what XML requires (and drops the control characters XML
// cannot hold), straight into a byte buffer: the export writes megabytes of
// path data, and a general-purpose stream writer's conversions through
// UTF-16 cost it several times over.  For the same reason an element keeps
// all its attributes in one block of bytes: an export builds hundreds of
// thousands of them, and one allocation each instead of one per attribute
// and per growth is most of what building them costs.
class XmlElement {
public:
    using Attribute = std::pair<std::string_view, std::string_view>;

    XmlElement() = default;
    explicit XmlElement(std::string_view name) : m_name(name) {}

    const std::string &name() const { return m_name; }
    void setName(std::string_view name) { m_name = name; }

    // Attribute names are short (below 256 bytes); values may hold anything.
    void setAttribute(std::string_view name, std::string_view value);
    // The shortest text that reads back as the same float.
    void setNumber(std::string_view name, float value);
    // Nothing when the element has no such attribute.  The view is valid
    // until the element's attributes change.
    std::optional<std::string_view> attribute(std::string_view name) const;
    // In order; the views are valid until the element's attributes change.
    std::vector<Attribute> attributes() const;

    // Character data, written before the children.
    const std::string &text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }

    XmlElement &appendChild(XmlElement child);
    const std::vector<XmlElement> &children() const { return m_children; }
    std::vector<XmlElement> &children() { return m_children; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    void reserveChildren(std::size_t count) { m_children.reserve(count); }

    // Appends the element and everything below it, each element on a line
    // of its own indented by `depth` blanks (a text stays on its element's
    // line); an element without text or children is written empty.
    void write(std::string &out, int depth = 0) const;
    // The same on one line, nothing added between elements.
    void writeCompact(std::string &out) const;
    // The XML declaration of a UTF-8 document, and a line end.
    static void writeDeclaration(std::string &out);

    friend bool operator==(const XmlElement &, const XmlElement &) = default;

private:
    // An attribute in m_attributes.
    struct Slot {
        std::string_view name;
        std::size_t lengthAt; // its value's length field
        std::size_t valueAt;
        std::uint32_t length;
        std::size_t end() const { return valueAt + length; }
    };
    // The attribute whose name's length field is at `at`.
    Slot slotAt(std::size_t at) const;
    std::string_view value(const Slot &slot) const { return {m_attributes.data() + slot.valueAt, slot.length}; }
    std::optional<Slot> find(std::string_view name) const;
    // Appends the name and a length field for a value that follows; answers
    // where the length field is.
    std::size_t appendName(std::string_view name);
    void setLength(std::size_t lengthAt, std::size_t length);
    void writeStart(std::string &out) const;

    std::string m_name;
    // Each attribute in turn: the name's length (one byte), the name, the
    // value's length (four bytes, native order), the value.
    std::string m_attributes;
    std::string m_text;
    std::vector<XmlElement> m_children;
};

} // namespace scrivane
