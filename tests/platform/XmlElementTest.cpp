#include "platform/XmlElement.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace scrivane;

TEST(XmlElement, SettingAnAttributeAgainReplacesItWhereItStands)
{
    XmlElement e("rect");
    e.setAttribute("fill", "red");
    e.setNumber("x", 0.1f);
    e.setAttribute("fill", "none");
    ASSERT_EQ(e.attributes().size(), 2u);
    EXPECT_EQ(e.attributes()[0], (XmlElement::Attribute{"fill", "none"}));
    EXPECT_EQ(*e.attribute("x"), "0.1");
    EXPECT_EQ(e.attribute("y"), std::nullopt);
}

TEST(XmlElement, WritesIndentedLinesAndEmptyElements)
{
    XmlElement root("svg");
    root.appendChild(XmlElement("desc")).setText("a drawing");
    XmlElement &group = root.appendChild(XmlElement("g"));
    group.appendChild(XmlElement("rect")).setAttribute("width", "2");
    std::string text;
    root.write(text);
    EXPECT_EQ(text, "<svg>\n <desc>a drawing</desc>\n <g>\n  <rect width=\"2\"/>\n </g>\n</svg>\n");
    std::string compact;
    root.writeCompact(compact);
    EXPECT_EQ(compact, "<svg><desc>a drawing</desc><g><rect width=\"2\"/></g></svg>");
}

// Indenting the children of an element that keeps its white space would
// add blanks and line ends to its text (SVG draws them).
TEST(XmlElement, KeepsTheChildrenOfAnElementThatPreservesSpaceOnItsLine)
{
    XmlElement root("svg");
    XmlElement &text = root.appendChild(XmlElement("text"));
    text.setAttribute("xml:space", "preserve");
    text.appendChild(XmlElement("tspan")).setText("a  b");
    text.appendChild(XmlElement("tspan")).setText(" c");
    root.appendChild(XmlElement("g")).appendChild(XmlElement("rect"));
    std::string out;
    root.write(out);
    EXPECT_EQ(out, "<svg>\n <text xml:space=\"preserve\"><tspan>a  b</tspan><tspan> c</tspan></text>\n <g>\n  <rect/>\n "
                   "</g>\n</svg>\n");
}

TEST(XmlElement, WhatItWritesReadsBackAsItWasSet)
{
    // Markup characters, line ends and tabs, non-ASCII text; control
    // characters XML cannot hold are left out.
    const std::string value = "a < b & \"c\" > d\n\te\r \xc3\xa9\xe2\x80\x94";
    const std::string text = "x < y && z > \"w\"\n\ttab \x01\x1f";
    XmlElement e("text");
    e.setAttribute("title", value);
    e.setText(text);
    std::string out;
    XmlElement::writeDeclaration(out);
    e.write(out);

    QXmlStreamReader reader(QByteArray::fromStdString(out));
    ASSERT_TRUE(reader.readNextStartElement()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.attributes().value(QStringLiteral("title")).toString().toStdString(), value);
    EXPECT_EQ(reader.readElementText().toStdString(), "x < y && z > \"w\"\n\ttab ");
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
}
