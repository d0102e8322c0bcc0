#include "model/TDGradientMarker.h"

#include "model/TDDictionaryReader.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <cmath>

namespace scrivane {

namespace {
const QString ColorKey = QStringLiteral("Color");
const QString PositionKey = QStringLiteral("Position");
} // namespace

TDGradientMarker::TDGradientMarker(const Color &color, float position)
{
    setColor(color);
    setPosition(position);
}

void TDGradientMarker::setColor(const Color &color)
{
    m_color = color;
    m_rgbColor = color.toCalibratedRGB();
}

void TDGradientMarker::setPosition(float position)
{
    // A position that is no number could not be sorted; it counts as a stop
    // taken off the gradient.
    m_position = std::isnan(position) ? -1.0f : position;
}

int TDGradientMarker::compare(const TDGradientMarker &other) const
{
    if (other.m_position > m_position)
        return -1;
    if (m_position > other.m_position)
        return 1;
    return 0;
}

PropertyList TDGradientMarker::toYAML() const
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert(ColorKey, ArchivedColor::value(m_color));
    dictionary.insert(PositionKey, PropertyList(static_cast<double>(m_position)));
    return dictionary;
}

void TDGradientMarker::initWithDictionary(const PropertyList &dictionary)
{
    const TDDictionaryReader values(dictionary, "TDGradientMarker");
    if (const auto color = values.color(ColorKey))
        setColor(*color);
    if (const auto position = values.real(PositionKey))
        setPosition(*position);
}

std::shared_ptr<TDGradientMarker> TDGradientMarker::objectWithYAML(const PropertyList &dictionary)
{
    auto marker = std::make_shared<TDGradientMarker>();
    marker->initWithDictionary(dictionary);
    return marker;
}

std::shared_ptr<Archivable> TDGradientMarker::decode(KeyedUnarchiver &unarchiver)
{
    return objectWithYAML(unarchiver.decodeObject());
}

void TDGradientMarker::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(className(), &TDGradientMarker::decode);
}

void TDGradientMarker::encode(KeyedArchiver &archiver) const
{
    archiver.encodeObject(toYAML());
}

bool TDGradientMarker::isEqualTo(const Archivable &other) const
{
    const auto *marker = dynamic_cast<const TDGradientMarker *>(&other);
    return marker && marker->m_position == m_position && marker->m_color == m_color;
}

} // namespace scrivane
