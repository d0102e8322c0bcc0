#include "platform/XmlElement.h"

#include "platform/Numbers.h"

#include <array>

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

void XmlElement::setAttribute(std::string_view name, std::string value)
{
    for (Attribute &attribute : m_attributes) {
        if (attribute.first == name) {
            attribute.second = std::move(value);
            return;
        }
    }
    // Most elements carry a handful: one allocation for them.
    if (m_attributes.empty())
        m_attributes.reserve(6);
    m_attributes.emplace_back(std::string(name), std::move(value));
}

void XmlElement::setNumber(std::string_view name, float value)
{
    for (Attribute &attribute : m_attributes) {
        if (attribute.first == name) {
            attribute.second.clear();
            Numbers::appendShortest(attribute.second, value);
            return;
        }
    }
    setAttribute(name, std::string());
    Numbers::appendShortest(m_attributes.back().second, value);
}

const std::string *XmlElement::attribute(std::string_view name) const
{
    for (const Attribute &attribute : m_attributes)
        if (attribute.first == name)
            return &attribute.second;
    return nullptr;
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
    for (const Attribute &attribute : m_attributes) {
        out += ' ';
        out += attribute.first;
        out += "=\"";
        appendEscaped(out, attribute.second, true);
        out += '"';
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
