#include "model/TDStyle.h"

#include "model/TDDictionaryReader.h"
#include "model/TDGraphic.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

namespace scrivane {

TDUndoManager *TDStyle::undoManager() const
{
    return m_graphic ? m_graphic->undoManager() : nullptr;
}

void TDStyle::willChange()
{
    if (m_graphic)
        m_graphic->willChange();
}

void TDStyle::didChange()
{
    if (m_graphic)
        m_graphic->didChange();
}

void TDStyle::registerUndoAction(bool skippable, const QString &operation, std::function<void()> action)
{
    TDUndoManager *manager = undoManager();
    if (!manager)
        return;
    if (skippable)
        manager->prepareWithSkippableInvocationTarget(objectId(), operation, std::move(action));
    else
        manager->prepareWithInvocationTarget(objectId(), operation, std::move(action));
}

void TDStyle::changeInOneUndoStep(const QString &actionName, const std::function<void()> &change)
{
    TDUndoManager *manager = undoManager();
    if (manager)
        manager->beginUndoGrouping();
    willChange();
    change();
    didChange();
    if (manager) {
        manager->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), actionName));
        manager->endUndoGrouping();
    }
}

void TDStyle::copyValues(const TDDictionaryReader &from, PropertyList &to, const QStringList &keys)
{
    for (const QString &key : keys) {
        const PropertyList value = from.value(key);
        if (!value.isNull())
            to.insert(key, value);
    }
}

void TDStyle::copyValues(const PropertyList &from, PropertyList &to, const QStringList &keys)
{
    for (const QString &key : keys) {
        const PropertyList value = from.value(key);
        if (!value.isNull())
            to.insert(key, value);
    }
}

} // namespace scrivane
