#include "model/TDFilter.h"

#include "platform/EncodedDictionary.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/effects/ArchivedEffectValue.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectRegistry.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace scrivane {

const QString TDFilter::NameKey = QStringLiteral("CIAttributeFilterName");

namespace {

// Image inputs are the chain's business: never stored, never copied.
bool isChainImageKey(const QString &key)
{
    return key == QLatin1String("inputImage") || key == QLatin1String("inputBackgroundImage") ||
           key == QLatin1String("inputTargetImage");
}

// The filter name of a stored "filter" value (a dictionary); empty for
// anything else (an older form that stored the filter object itself).
QString storedName(const PropertyList &stored)
{
    const PropertyList name = stored.value(TDFilter::NameKey);
    return name.isString() ? name.toString() : QString();
}

PropertyList entryValue(const std::vector<ArchivedEntry> &entries, const QString &key)
{
    for (const ArchivedEntry &entry : entries)
        if (entry.key == key)
            return entry.value;
    return PropertyList();
}

void warn(const QString &message)
{
    qWarning().noquote() << message;
}

} // namespace

std::shared_ptr<TDFilter> TDFilter::filterWithName(const QString &name)
{
    std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(name);
    if (!filter)
        return nullptr;
    if (name == QLatin1String("CIPerspectiveTransform")) {
        filter->setValue(QStringLiteral("inputBottomLeft"), EffectVector(0, 0));
        filter->setValue(QStringLiteral("inputBottomRight"), EffectVector(200, 50));
        filter->setValue(QStringLiteral("inputTopLeft"), EffectVector(0, 200));
        filter->setValue(QStringLiteral("inputTopRight"), EffectVector(200, 150));
    }
    return std::make_shared<TDFilter>(std::move(filter));
}

TDFilter::TDFilter(std::unique_ptr<EffectFilter> filter, float scale)
    : m_filter(std::move(filter)), m_scale(scale)
{
    if (m_filter)
        m_filterName = m_filter->name();
}

TDFilter::~TDFilter() = default;

std::shared_ptr<TDFilter> TDFilter::copy() const
{
    std::shared_ptr<TDFilter> copy(new TDFilter);
    copy->m_filterName = m_filterName;
    copy->m_enabled = m_enabled;
    copy->m_expanded = m_expanded;
    copy->m_scale = m_scale;
    copy->m_setAside = m_setAside;
    copy->m_record = m_record;
    if (m_filter) {
        copy->m_filter = EffectRegistry::shared().create(m_filterName);
        if (copy->m_filter) {
            for (const QString &key : m_filter->inputKeys())
                if (!isChainImageKey(key))
                    copy->m_filter->setValue(key, m_filter->value(key));
        } else {
            // The filter's class went away (a plug-in unloaded): the copy
            // keeps what can be written back.
            warn(QStringLiteral("The effect \"%1\" could not be copied; the copy does nothing")
                     .arg(m_filterName));
        }
    }
    return copy;
}

void TDFilter::scaleTo(float scale)
{
    if (!(scale > 0) || !std::isfinite(scale) || scale == m_scale || !m_filter)
        return;
    if (m_scale > 0 && std::isfinite(m_scale))
        m_filter->scaleInputs(double(scale) / double(m_scale));
    m_scale = scale;
}

bool TDFilter::hasPositionalInput() const
{
    if (!m_filter)
        return false;
    for (const InputAttribute &input : m_filter->inputAttributes())
        if (input.kind == ValueKind::Vector &&
            (input.type == InputType::Position || input.type == InputType::Position3 ||
             input.type == InputType::Rectangle))
            return true;
    return false;
}

// --- Stored form ------------------------------------------------------------------

void TDFilter::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ArchivedEffectValue::registerArchiveClasses();
        KeyedUnarchiver::registerClass(className(), &TDFilter::decode);
    });
}

QStringList TDFilter::archiveClassHierarchy() const
{
    return {className(), QStringLiteral("NSObject")};
}

void TDFilter::readFlags(const std::vector<ArchivedEntry> &entries)
{
    const struct {
        const char *key;
        bool *flag;
    } flags[] = {{"enabled", &m_enabled}, {"expanded", &m_expanded}};
    for (const auto &f : flags) {
        const PropertyList value = entryValue(entries, QLatin1String(f.key));
        if (value.isNull())
            continue;
        if (value.isNumber())
            *f.flag = value.toBool();
        else
            warn(QStringLiteral("The stored \"%1\" of the effect \"%2\" is not a flag; it was skipped")
                     .arg(QLatin1String(f.key), m_filterName));
    }
    const PropertyList scale = entryValue(entries, QStringLiteral("scale"));
    if (scale.isNull())
        return;
    // Stored as a whole number; it divides the inputs when they are scaled.
    const double value = scale.toReal();
    if (scale.isNumber() && std::isfinite(value) && std::trunc(value) >= 1 &&
        value <= double(std::numeric_limits<int>::max()))
        m_scale = float(std::trunc(value));
    else
        warn(QStringLiteral("The stored scale of the effect \"%1\" is not a resolution of at least 1; it was "
                            "skipped")
                 .arg(m_filterName));
}

std::shared_ptr<TDFilter> TDFilter::fromEntries(const QString &name,
                                                const std::vector<ArchivedEntry> &entries)
{
    std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(name);
    if (!filter)
        return nullptr;
    std::shared_ptr<TDFilter> effect(new TDFilter);
    effect->m_filterName = name;
    const PropertyList stored = entryValue(entries, QStringLiteral("filter"));
    for (const auto &[key, value] : stored.toDictionary()) {
        if (key == NameKey || key == QLatin1String("inputImage"))
            continue;
        // Inputs the filter does not have (a newer version's) are kept to
        // be written back; values of another kind are refused, so that the
        // filter never works on what it was not made for.
        if (!filter->hasInput(key)) {
            effect->m_setAside.emplace(key, value);
            continue;
        }
        const std::optional<EffectValue> input = ArchivedEffectValue::fromValue(value);
        const ValueCheck check = input ? filter->setValue(key, *input) : ValueCheck::WrongKind;
        if (check == ValueCheck::WrongKind) {
            warn(QStringLiteral("The stored input \"%1\" of the effect \"%2\" is not a %3; it was skipped")
                     .arg(key, name, kindName(filter->inputAttribute(key)->kind)));
        } else if (check == ValueCheck::NotFinite) {
            warn(QStringLiteral("The stored input \"%1\" of the effect \"%2\" is not a finite number; it was "
                                "skipped")
                     .arg(key, name));
        }
    }
    effect->m_filter = std::move(filter);
    effect->readFlags(entries);
    return effect;
}

std::shared_ptr<TDFilter> TDFilter::fromRecord(std::shared_ptr<const EncodedDictionary> record)
{
    std::shared_ptr<TDFilter> effect(new TDFilter);
    const std::vector<ArchivedEntry> &entries = record->entries();
    effect->m_filterName = storedName(entryValue(entries, QStringLiteral("filter")));
    effect->m_record = std::move(record);
    effect->readFlags(entries);
    return effect;
}

std::shared_ptr<Archivable> TDFilter::decode(KeyedUnarchiver &unarchiver)
{
    const std::vector<ArchivedEntry> entries = unarchiver.decodeEntries();
    if (unarchiver.failed())
        return nullptr;
    const QString name = storedName(entryValue(entries, QStringLiteral("filter")));
    if (!name.isEmpty() && EffectRegistry::shared().contains(name))
        return fromEntries(name, entries);
    // A filter this program cannot make: kept as read.  The placeholder
    // also tells the document that the load lost effects, so that it warns.
    qWarning().noquote() << QStringLiteral("The effect \"%1\" is not available; it is kept but not drawn")
                                .arg(name.isEmpty() ? QStringLiteral("(unnamed)") : name);
    const auto record = std::dynamic_pointer_cast<EncodedDictionary>(EncodedDictionary::decode(unarchiver));
    if (!record)
        return nullptr;
    return fromRecord(record);
}

std::shared_ptr<TDFilter> TDFilter::fromStoredValue(const PropertyList &value)
{
    if (auto effect = value.objectAs<TDFilter>())
        return effect;
    const auto placeholder = value.objectAs<EncodedDictionary>();
    if (!placeholder || placeholder->archiveClassName() != className())
        return nullptr;
    // Read as a placeholder on purpose: built when the engine knows it.
    const std::vector<ArchivedEntry> &entries = placeholder->entries();
    const QString name = storedName(entryValue(entries, QStringLiteral("filter")));
    if (!name.isEmpty() && EffectRegistry::shared().contains(name))
        if (auto effect = fromEntries(name, entries))
            return effect;
    return fromRecord(placeholder);
}

void TDFilter::encode(KeyedArchiver &archiver) const
{
    if (m_record) {
        // Written back as it was read; only the flags follow the effects
        // list.
        for (const ArchivedEntry &entry : m_record->entries()) {
            if (entry.key == QLatin1String("enabled") && entry.value.toBool() != m_enabled)
                archiver.encodeBool(m_enabled, entry.key);
            else if (entry.key == QLatin1String("expanded") && entry.value.toBool() != m_expanded)
                archiver.encodeBool(m_expanded, entry.key);
            else
                archiver.encodeEntry(entry);
        }
        return;
    }
    PropertyList settings{PropertyList::Dictionary()};
    for (const auto &[key, value] : m_setAside)
        settings.insert(key, value);
    settings.insert(NameKey, m_filterName);
    if (m_filter) {
        for (const InputAttribute &input : m_filter->inputAttributes()) {
            if (isChainImageKey(input.key))
                continue;
            PropertyList stored = ArchivedEffectValue::value(m_filter->value(input.key));
            if (!stored.isNull())
                settings.insert(input.key, std::move(stored));
        }
    }
    archiver.encodeObject(settings, QStringLiteral("filter"));
    archiver.encodeBool(m_expanded, QStringLiteral("expanded"));
    archiver.encodeBool(m_enabled, QStringLiteral("enabled"));
    const double scale = std::isfinite(m_scale) ? std::trunc(double(m_scale)) : 1.0;
    archiver.encodeInteger(qint64(std::clamp(scale, 1.0, double(std::numeric_limits<int>::max()))),
                           QStringLiteral("scale"));
}

bool TDFilter::isEqualTo(const Archivable &other) const
{
    const auto *effect = dynamic_cast<const TDFilter *>(&other);
    if (!effect)
        return false;
    if (effect == this)
        return true;
    if (m_filterName != effect->m_filterName || m_enabled != effect->m_enabled ||
        m_expanded != effect->m_expanded || m_scale != effect->m_scale || m_setAside != effect->m_setAside ||
        bool(m_filter) != bool(effect->m_filter))
        return false;
    if (m_record || effect->m_record)
        return m_record && effect->m_record && m_record->entries() == effect->m_record->entries();
    if (!m_filter)
        return true;
    for (const QString &key : m_filter->inputKeys())
        if (!isChainImageKey(key) && !(m_filter->value(key) == effect->m_filter->value(key)))
            return false;
    return true;
}

} // namespace scrivane
