#include "model/TDGraphic.h"

#include "model/TDDictionaryReader.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/ArchivedTransform.h"

#include <QDebug>

namespace scrivane {

namespace {
// A stored style: the archived object, or its dictionary in older text
// documents.
template <class Style>
std::shared_ptr<Style> storedStyle(const TDDictionaryReader &reader, const QString &key)
{
    const auto value = reader.objectOrDictionary(key);
    if (!value)
        return nullptr;
    if (value->isDictionary())
        return Style::objectWithYAML(*value);
    if (auto style = value->objectAs<Style>())
        return style;
    reader.skip(key, Style::className() == QStringLiteral("TDFillStyle") ? "a fill style" : "a stroke style");
    return nullptr;
}
} // namespace

PropertyList TDGraphic::toYAML() const
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert(QStringLiteral("Name"), m_name);
    d.insert(QStringLiteral("Fill"), PropertyList(m_fillStyle));
    d.insert(QStringLiteral("Stroke"), PropertyList(m_strokeStyle));
    if (m_hasShadow) {
        d.insert(QStringLiteral("ShadowRadius"), double(m_shadowRadius));
        d.insert(QStringLiteral("ShadowOffset"), double(m_shadowOffset));
        d.insert(QStringLiteral("ShadowAngle"), double(m_shadowAngle));
        d.insert(QStringLiteral("ShadowColor"), ArchivedColor::value(m_shadowColor));
    }
    if (m_blendMode != 0)
        d.insert(QStringLiteral("blendMode"), m_blendMode);
    if (m_alphaValue != 1.0f)
        d.insert(QStringLiteral("alphaValue"), double(m_alphaValue));
    d.insert(QStringLiteral("Visible"), m_visible);
    d.insert(QStringLiteral("Locked"), m_locked);
    const std::pair<const char *, const AffineTransform *> transforms[] = {
        {"Transformation", &m_transformation},
        {"FillTransformation", &m_fillTransformation},
        {"StrokeTransformation", &m_strokeTransformation},
        {"TextTransformation", &m_textTransformation},
    };
    for (const auto &[key, transform] : transforms)
        if (!transform->isIdentity())
            d.insert(QLatin1String(key), ArchivedTransform::value(*transform));
    if (!m_filterArray.empty()) {
        PropertyList::Array filters;
        filters.reserve(m_filterArray.size());
        for (const auto &filter : m_filterArray)
            filters.emplace_back(filter);
        d.insert(QStringLiteral("Filters"), PropertyList(std::move(filters)));
    }
    if (m_usesFilters)
        d.insert(QStringLiteral("Uses Filters"), true);
    if (m_filterResolution != 1)
        d.insert(QStringLiteral("Filter Resolution"), m_filterResolution);
    return d;
}

void TDGraphic::initWithDictionary(const PropertyList &dictionary)
{
    initWithValues(TDDictionaryReader(dictionary, "TDGraphic"));
}

void TDGraphic::initWithValues(const TDDictionaryReader &values)
{
    if (!values.isDictionary()) {
        qWarning().noquote() << QStringLiteral("A stored %1 is not a dictionary; it was read as a new one")
                                    .arg(archiveClassName());
        return;
    }
    const TDDictionaryReader r = values.withOwner("TDGraphic");
    create(true);
    willChange();

    if (const auto name = r.string(QStringLiteral("Name")))
        setName(*name);
    if (const auto fill = storedStyle<TDFillStyle>(r, QStringLiteral("Fill")))
        m_fillStyle->copyStyleFrom(*fill);
    if (const auto stroke = storedStyle<TDStrokeStyle>(r, QStringLiteral("Stroke")))
        m_strokeStyle->copyStyleFrom(*stroke);
    if (const auto t = r.transform(QStringLiteral("Transformation")))
        setInitialTransformation(*t);
    if (const auto t = r.transform(QStringLiteral("FillTransformation")))
        setFillTransformation(*t);
    if (const auto t = r.transform(QStringLiteral("TextTransformation")))
        setTextTransformation(*t);
    if (const auto t = r.transform(QStringLiteral("StrokeTransformation")))
        setStrokeTransformation(*t);
    if (const auto mode = r.integer(QStringLiteral("blendMode")))
        setBlendMode(*mode);
    if (const auto alpha = r.number(QStringLiteral("alphaValue")))
        setAlphaValue(*alpha);
    // The switch itself is not stored: a stored radius turns the shadow on.
    if (const auto radius = r.number(QStringLiteral("ShadowRadius"))) {
        setShadowRadius(*radius);
        setHasShadow(true);
    }
    if (const auto distance = r.number(QStringLiteral("ShadowOffset")))
        setShadowDistance(*distance);
    if (const auto angle = r.number(QStringLiteral("ShadowAngle")))
        setShadowAngle(*angle);
    if (const auto color = r.color(QStringLiteral("ShadowColor")))
        setShadowColor(*color);
    if (const auto visible = r.boolean(QStringLiteral("Visible")))
        setVisible(*visible);
    if (const auto locked = r.boolean(QStringLiteral("Locked")))
        setLocked(*locked);
    if (const auto stored = r.array(QStringLiteral("Filters"))) {
        TDFilterArray filters;
        for (const PropertyList &value : stored->toArray()) {
            if (auto filter = TDFilter::fromStoredValue(value))
                filters.push_back(std::move(filter));
            else
                r.skip(QStringLiteral("Filters"), "a list of effects (an element)");
        }
        setFilterArray(filters);
    }
    if (const auto uses = r.boolean(QStringLiteral("Uses Filters")))
        m_usesFilters = *uses;
    if (const auto resolution = r.integer(QStringLiteral("Filter Resolution"))) {
        // The effect buffer holds this many pixels per point and effects
        // divide by it.
        if (*resolution >= 1)
            m_filterResolution = *resolution;
        else
            r.skip(QStringLiteral("Filter Resolution"), "a resolution of at least 1");
    }

    create(false);
    recalculatePath();
    didChange();
}

std::shared_ptr<TDGraphic> TDGraphic::objectWithYAML(const PropertyList &dictionary)
{
    auto graphic = std::make_shared<TDGraphic>();
    graphic->initWithDictionary(dictionary);
    return graphic;
}

} // namespace scrivane
