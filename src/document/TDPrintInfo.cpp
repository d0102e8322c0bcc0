#include "document/TDPrintInfo.h"

#include <QDebug>

#include <cmath>
#include <optional>

namespace scrivane {

namespace {
const QString PaperSizeKey = QStringLiteral("NSPaperSize");
const QString LeftKey = QStringLiteral("NSLeftMargin");
const QString RightKey = QStringLiteral("NSRightMargin");
const QString TopKey = QStringLiteral("NSTopMargin");
const QString BottomKey = QStringLiteral("NSBottomMargin");
const QString OrientationKey = QStringLiteral("NSOrientation");
const QString HorizontalKey = QStringLiteral("NSHorizontalPagination");
const QString VerticalKey = QStringLiteral("NSVerticalPagination");

constexpr float LargestPaper = 100000;

TDPrintInfo &defaultInfo()
{
    static TDPrintInfo info;
    return info;
}

std::optional<float> number(const PropertyList &value)
{
    if (!value.isNumber())
        return std::nullopt;
    const double real = value.toReal();
    if (!std::isfinite(real) || std::fabs(real) > LargestPaper)
        return std::nullopt;
    return float(real);
}
} // namespace

TDPrintInfo::TDPrintInfo() = default;

TDPrintInfo TDPrintInfo::defaultPrintInfo()
{
    return defaultInfo();
}

void TDPrintInfo::setDefaultPrintInfo(const TDPrintInfo &info)
{
    defaultInfo() = info;
}

bool TDPrintInfo::setPaperSize(Size size)
{
    if (!(std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 && size.height > 0 &&
          size.width <= LargestPaper && size.height <= LargestPaper))
        return false;
    m_paperSize = size;
    clampMargins();
    return true;
}

void TDPrintInfo::setMargins(float left, float right, float top, float bottom)
{
    m_left = left;
    m_right = right;
    m_top = top;
    m_bottom = bottom;
    clampMargins();
}

void TDPrintInfo::setImageableBounds(const Rect &bounds)
{
    const float x = std::max(0.0f, bounds.minX());
    const float y = std::max(0.0f, bounds.minY());
    setMargins(x, m_paperSize.width - std::max(0.0f, bounds.maxX()),
               m_paperSize.height - std::max(0.0f, bounds.maxY()), y);
}

void TDPrintInfo::setHorizontalPagination(int pagination)
{
    m_horizontalPagination = pagination >= 0 && pagination <= 2 ? pagination : AutoPagination;
}

void TDPrintInfo::setVerticalPagination(int pagination)
{
    m_verticalPagination = pagination >= 0 && pagination <= 2 ? pagination : AutoPagination;
}

void TDPrintInfo::clampMargins()
{
    auto clean = [](float &margin) {
        if (!std::isfinite(margin) || margin < 0)
            margin = 0;
    };
    clean(m_left);
    clean(m_right);
    clean(m_top);
    clean(m_bottom);
    // Margins that leave no paper would make an empty page.
    if (m_left + m_right > m_paperSize.width - 1)
        m_left = m_right = 0;
    if (m_top + m_bottom > m_paperSize.height - 1)
        m_top = m_bottom = 0;
}

PropertyList TDPrintInfo::dictionary() const
{
    PropertyList d = m_other.isDictionary() ? m_other : PropertyList(PropertyList::Dictionary());
    d.insert(PaperSizeKey, m_paperSize.toString());
    d.insert(LeftKey, double(m_left));
    d.insert(RightKey, double(m_right));
    d.insert(TopKey, double(m_top));
    d.insert(BottomKey, double(m_bottom));
    d.insert(OrientationKey, m_orientation);
    d.insert(HorizontalKey, m_horizontalPagination);
    d.insert(VerticalKey, m_verticalPagination);
    return d;
}

TDPrintInfo TDPrintInfo::fromDictionary(const PropertyList &dictionary)
{
    TDPrintInfo info = defaultPrintInfo();
    if (!dictionary.isDictionary()) {
        qWarning("The stored print settings are not a dictionary; the default ones are used");
        return info;
    }
    // Values of other kinds (objects, data) would not be written back as a
    // plain dictionary the same way; keep only plain values.
    PropertyList other{PropertyList::Dictionary()};
    for (const auto &[key, value] : dictionary.toDictionary()) {
        if (value.kind() != PropertyList::Kind::Object)
            other.insert(key, value);
    }
    info.m_other = other;

    const PropertyList paper = dictionary.value(PaperSizeKey);
    std::optional<Size> size;
    if (paper.isString())
        size = Size::fromString(paper.toString());
    else if (paper.isArray() && paper.size() == 2 && number(paper.at(0)) && number(paper.at(1)))
        size = Size(*number(paper.at(0)), *number(paper.at(1)));
    if (size && !info.setPaperSize(*size))
        size.reset();
    if (!size && !paper.isNull())
        qWarning("The stored paper size is not a usable size; the default one is used");

    const std::optional<float> left = number(dictionary.value(LeftKey));
    const std::optional<float> right = number(dictionary.value(RightKey));
    const std::optional<float> top = number(dictionary.value(TopKey));
    const std::optional<float> bottom = number(dictionary.value(BottomKey));
    info.setMargins(left.value_or(info.m_left), right.value_or(info.m_right), top.value_or(info.m_top),
                    bottom.value_or(info.m_bottom));
    if (const auto orientation = number(dictionary.value(OrientationKey)))
        info.setOrientation(int(*orientation));
    if (const auto pagination = number(dictionary.value(HorizontalKey)))
        info.setHorizontalPagination(int(*pagination));
    if (const auto pagination = number(dictionary.value(VerticalKey)))
        info.setVerticalPagination(int(*pagination));
    return info;
}

} // namespace scrivane
