#include "TDUndoManager.h"

#include <atomic>

namespace scrivane {

namespace {

std::atomic<int> creatingGraphics{0};

} // namespace

TDUndoManager::CreateGraphicsScope::CreateGraphicsScope()
{
    ++creatingGraphics;
}

TDUndoManager::CreateGraphicsScope::~CreateGraphicsScope()
{
    --creatingGraphics;
}

bool TDUndoManager::createsGraphics()
{
    return creatingGraphics.load() > 0;
}

void TDUndoManager::forward(ObjectId target, const QString &operation, Action action, bool skippable,
                            bool changes)
{
    if (createsGraphics())
        return;
    if (skippable) {
        const std::optional<Key> last = lastRegistration();
        if (last && last->target == target && last->operation == operation)
            return;
    }
    registerUndo(target, operation, std::move(action), changes);
}

void TDUndoManager::prepareWithInvocationTarget(ObjectId target, const QString &operation, Action action)
{
    m_docChanging = true;
    forward(target, operation, std::move(action), false, true);
}

void TDUndoManager::prepareWithNonChangeInvocationTarget(ObjectId target, const QString &operation,
                                                         Action action)
{
    forward(target, operation, std::move(action), false, false);
}

void TDUndoManager::prepareWithSkippableInvocationTarget(ObjectId target, const QString &operation,
                                                         Action action)
{
    m_docChanging = true;
    forward(target, operation, std::move(action), true, true);
}

void TDUndoManager::registerUndoWithTarget(ObjectId target, const QString &operation, Action action)
{
    m_docChanging = true;
    registerUndo(target, operation, std::move(action));
}

void TDUndoManager::registerSkippableUndoWithTarget(ObjectId target, const QString &operation, Action action)
{
    registerUndoWithTarget(target, operation, std::move(action));
}

void TDUndoManager::removeAllActions()
{
    UndoManager::removeAllActions();
    m_docChanging = false;
}

} // namespace scrivane
