#include "EffectRegistry.h"

#include "platform/StringTable.h"
#include "platform/effects/BuiltinFilters.h"

#include <exception>

namespace scrivane {

EffectRegistry &EffectRegistry::shared()
{
    static EffectRegistry *registry = [] {
        auto *r = new EffectRegistry;
        BuiltinFilters::registerAll(*r);
        return r;
    }();
    return *registry;
}

EffectRegistry::EffectRegistry() = default;

EffectRegistry::~EffectRegistry() = default;

bool EffectRegistry::registerFilter(const FilterClassAttributes &attributes, Constructor constructor)
{
    if (attributes.name.isEmpty() || !constructor || find(attributes.name))
        return false;
    m_entries.push_back({attributes, std::move(constructor)});
    return true;
}

const EffectRegistry::Entry *EffectRegistry::find(const QString &name) const
{
    for (const Entry &entry : m_entries)
        if (entry.attributes.name == name)
            return &entry;
    return nullptr;
}

bool EffectRegistry::contains(const QString &name) const
{
    return find(name) != nullptr;
}

std::unique_ptr<EffectFilter> EffectRegistry::create(const QString &name) const
{
    const Entry *entry = find(name);
    if (!entry)
        return nullptr;
    std::unique_ptr<EffectFilter> filter;
    try {
        filter = entry->constructor();
    } catch (const std::exception &) {
        return nullptr;
    }
    if (!filter)
        return nullptr;
    filter->m_class = entry->attributes;
    filter->setDefaults();
    return filter;
}

QStringList EffectRegistry::filterNames() const
{
    QStringList names;
    for (const Entry &entry : m_entries)
        names.append(entry.attributes.name);
    return names;
}

QStringList EffectRegistry::filterNames(const QString &category) const
{
    QStringList names;
    for (const Entry &entry : m_entries)
        if (entry.attributes.hasCategory(category))
            names.append(entry.attributes.name);
    return names;
}

const FilterClassAttributes *EffectRegistry::classAttributes(const QString &name) const
{
    const Entry *entry = find(name);
    return entry ? &entry->attributes : nullptr;
}

QString EffectRegistry::categoryDisplayName(const QString &category)
{
    return StringTable::lookup(QStringLiteral("Filters"), category);
}

} // namespace scrivane
