#include "platform/XmlElement.h"

#include "platform/Numbers.h"

#include <array>
#include <cassert>
#include <cstring>

namespace scrivane {

namespace {

// Character data or an attribute value (in double quotes).  Line ends and
// tabs in attributes become references, or a reader would turn them into
// blanks; other control characters have no place in XML 1.0 and are left
// out.
// Bytes that need a look: control characters and the markup characters.
constexpr auto SpecialBytes = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = true;
    for (unsigned char c : {'&', '<', '>', '"'})
        table[c] = true;
    return table;
}();

void appendEscaped(std::string &out, std::string_view text, bool attribute)
{
    // Numbers, colours and path data need nothing: one copy.
    std::size_t first = 0;
    while (first < text.size() && !SpecialBytes[static_cast<unsigned char>(text[first])])
        ++first;
    if (first == text.size()) {
        out += text;
        return;
    }
    std::size_t plain = 0;
    const auto flush = [&](std::size_t end) {
        out.append(text.data() + plain, end - plain);
        plain = end + 1;
    };
    for (std::size_t i = first; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!SpecialBytes[c])
            continue;
        const char *replacement = nullptr;
        switch (c) {
        case '&': replacement = "&amp;"; break;
        case '<': replacement = "&lt;"; break;
        case '>': replacement = "&gt;"; break;
        case '"': replacement = attribute ? "&quot;" : nullptr; break;
        case '\t': replacement = attribute ? "&#9;" : nullptr; break;
        case '\n': replacement = attribute ? "&#10;" : nullptr; break;
        case '\r': replacement = "&#13;"; break;
        default: replacement = ""; break;
        }
        if (!replacement)
            continue;
        flush(i);
        out += replacement;
    }
    out.append(text.data() + plain, text.size() - plain);
}

} // namespace

XmlElement::Slot XmlElement::slotAt(std::size_t at) const
{
    const std::size_t nameLength = static_cast<unsigned char>(m_attributes[at]);
    Slot slot;
    slot.name = std::string_view(m_attributes.data() + at + 1, nameLength);
    slot.lengthAt = at + 1 + nameLength;
    std::memcpy(&slot.length, m_attributes.data() + slot.lengthAt, sizeof slot.length);
    slot.valueAt = slot.lengthAt + sizeof slot.length;
    return slot;
}

std::optional<XmlElement::Slot> XmlElement::find(std::string_view name) const
{
    for (std::size_t at = 0; at < m_attributes.size();) {
        const Slot slot = slotAt(at);
        if (slot.name == name)
            return slot;
        at = slot.end();
    }
    return std::nullopt;
}

std::size_t XmlElement::appendName(std::string_view name)
{
    assert(name.size() <= 255);
    // Most elements carry a handful of short attributes: one allocation.
    if (m_attributes.empty())
        m_attributes.reserve(112);
    m_attributes += static_cast<char>(name.size());
    m_attributes += name;
    const std::size_t lengthAt = m_attributes.size();
    m_attributes.append(sizeof(std::uint32_t), '\0');
    return lengthAt;
}

void XmlElement::setLength(std::size_t lengthAt, std::size_t length)
{
    const auto value = static_cast<std::uint32_t>(length);
    std::memcpy(m_attributes.data() + lengthAt, &value, sizeof value);
}

void XmlElement::setAttribute(std::string_view name, std::string_view value)
{
    if (const auto slot = find(name)) {
        m_attributes.replace(slot->valueAt, slot->length, value);
        setLength(slot->lengthAt, value.size());
        return;
    }
    setLength(appendName(name), value.size());
    m_attributes += value;
}

void XmlElement::setNumber(std::string_view name, float value)
{
    if (find(name)) {
        std::string text;
        Numbers::appendShortest(text, value);
        setAttribute(name, text);
        return;
    }
    const std::size_t lengthAt = appendName(name);
    const std::size_t valueAt = m_attributes.size();
    Numbers::appendShortest(m_attributes, value);
    setLength(lengthAt, m_attributes.size() - valueAt);
}

std::optional<std::string_view> XmlElement::attribute(std::string_view name) const
{
    if (const auto slot = find(name))
        return value(*slot);
    return std::nullopt;
}

std::vector<XmlElement::Attribute> XmlElement::attributes() const
{
    std::vector<Attribute> list;
    for (std::size_t at = 0; at < m_attributes.size();) {
        const Slot slot = slotAt(at);
        list.emplace_back(slot.name, value(slot));
        at = slot.end();
    }
    return list;
}

XmlElement &XmlElement::appendChild(XmlElement child)
{
    m_children.push_back(std::move(child));
    return m_children.back();
}

void XmlElement::writeStart(std::string &out) const
{
    out += '<';
    out += m_name;
    for (std::size_t at = 0; at < m_attributes.size();) {
        const Slot slot = slotAt(at);
        out += ' ';
        out += slot.name;
        out += "=\"";
        appendEscaped(out, value(slot), true);
        out += '"';
        at = slot.end();
    }
    if (m_text.empty() && m_children.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    appendEscaped(out, m_text, false);
}

void XmlElement::write(std::string &out, int depth) const
{
    out.append(static_cast<std::size_t>(depth), ' ');
    writeStart(out);
    if (m_text.empty() && m_children.empty()) {
        out += '\n';
        return;
    }
    if (!m_children.empty()) {
        // Where white space is content, indentation would add to it.
        if (const auto space = attribute("xml:space"); space && *space == "preserve") {
            for (const XmlElement &child : m_children)
                child.writeCompact(out);
            out += "</";
            out += m_name;
            out += ">\n";
            return;
        }
        out += '\n';
        for (const XmlElement &child : m_children)
            child.write(out, depth + 1);
        out.append(static_cast<std::size_t>(depth), ' ');
    }
    out += "</";
    out += m_name;
    out += ">\n";
}

void XmlElement::writeCompact(std::string &out) const
{
    writeStart(out);
    if (m_text.empty() && m_children.empty())
        return;
    for (const XmlElement &child : m_children)
        child.writeCompact(out);
    out += "</";
    out += m_name;
    out += '>';
}

void XmlElement::writeDeclaration(std::string &out)
{
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

} // namespace scrivane
