#include "UndoManager.h"

#include "platform/NotificationCenter.h"

#include <QDebug>

#include <algorithm>

namespace scrivane {

const QString UndoManager::didCloseUndoGroupNotification = QStringLiteral("UndoManagerDidCloseUndoGroup");
const QString UndoManager::didUndoChangeNotification = QStringLiteral("UndoManagerDidUndoChange");
const QString UndoManager::didRedoChangeNotification = QStringLiteral("UndoManagerDidRedoChange");

UndoManager::UndoManager() = default;
UndoManager::~UndoManager() = default;

void UndoManager::registerUndo(ObjectId target, const QString &operation, Action action, bool changesContents)
{
    if (!action)
        return;
    if (m_openGroups.empty()) {
        if (!m_groupsByEvent) {
            beginUndoGrouping();
            record(Key{target, operation}, std::move(action), changesContents);
            endUndoGrouping();
            return;
        }
        beginUndoGrouping();
        m_eventGroupOpen = true;
    }
    record(Key{target, operation}, std::move(action), changesContents);
}

void UndoManager::record(Key key, Action action, bool changesContents)
{
    if (!m_undoing && !m_redoing)
        m_redoStack.clear();
    m_last = key;
    Group &group = m_openGroups.back();
    group.items.push_back(Item{std::move(key), std::move(action), nullptr});
    group.changesContents = group.changesContents || changesContents;
}

std::optional<UndoManager::Key> UndoManager::lastRegistration() const
{
    return m_last;
}

void UndoManager::beginUndoGrouping()
{
    m_openGroups.emplace_back();
    m_last.reset();
}

void UndoManager::endUndoGrouping()
{
    if (m_openGroups.empty()) {
        qWarning("UndoManager: endUndoGrouping without an open group");
        return;
    }
    m_last.reset();
    Group group = std::move(m_openGroups.back());
    m_openGroups.pop_back();
    if (!m_openGroups.empty()) {
        if (!group.items.empty()) {
            Group &outer = m_openGroups.back();
            outer.changesContents = outer.changesContents || group.changesContents;
            outer.items.push_back(Item{Key{}, Action(), std::make_unique<Group>(std::move(group))});
        }
        return;
    }
    m_eventGroupOpen = false;
    if (group.items.empty())
        return;
    if (m_undoing) {
        m_redoStack.push_back(std::move(group));
        trim(m_redoStack);
        return;
    }
    const bool changes = group.changesContents;
    m_undoStack.push_back(std::move(group));
    trim(m_undoStack);
    if (!m_redoing) {
        m_stepChangedContents = changes;
        NotificationCenter::defaultCenter().post(didCloseUndoGroupNotification, this);
    }
}

void UndoManager::eventHandled()
{
    if (m_eventGroupOpen && m_openGroups.size() == 1)
        endUndoGrouping();
}

void UndoManager::trim(std::deque<Group> &stack) const
{
    while (m_levels > 0 && stack.size() > size_t(m_levels))
        stack.pop_front();
}

void UndoManager::setLevelsOfUndo(int levels)
{
    m_levels = std::max(0, levels);
    trim(m_undoStack);
    trim(m_redoStack);
}

bool UndoManager::canUndo() const
{
    if (!m_undoStack.empty())
        return true;
    return m_openGroups.size() == 1 && !m_openGroups.front().items.empty();
}

bool UndoManager::canRedo() const
{
    return !m_redoStack.empty();
}

void UndoManager::run(Group &group)
{
    for (auto it = group.items.rbegin(); it != group.items.rend(); ++it) {
        if (it->nested)
            run(*it->nested);
        else
            it->action();
    }
}

void UndoManager::replay(bool undoing)
{
    if (m_undoing || m_redoing) {
        qWarning("UndoManager: undo or redo requested while one is running");
        return;
    }
    if (m_openGroups.size() > 1) {
        qWarning("UndoManager: undo or redo requested while groups are open");
        return;
    }
    if (m_openGroups.size() == 1)
        endUndoGrouping();
    std::deque<Group> &source = undoing ? m_undoStack : m_redoStack;
    if (source.empty())
        return;
    Group step = std::move(source.back());
    source.pop_back();

    // Whatever the closures do, leave the manager out of undo or redo with
    // the group they filled closed.
    struct Restore {
        UndoManager &manager;
        size_t level;
        ~Restore()
        {
            while (manager.m_openGroups.size() > level)
                manager.endUndoGrouping();
            manager.m_undoing = manager.m_redoing = false;
        }
    };
    (undoing ? m_undoing : m_redoing) = true;
    {
        Restore restore{*this, 0};
        beginUndoGrouping();
        m_openGroups.front().actionName = step.actionName;
        run(step);
        // Undoing a change is a change, however its closures registered.
        if (!m_openGroups.empty())
            m_openGroups.front().changesContents = step.changesContents;
    }
    m_stepChangedContents = step.changesContents;
    NotificationCenter::defaultCenter().post(undoing ? didUndoChangeNotification : didRedoChangeNotification,
                                             this);
}

void UndoManager::undo()
{
    replay(true);
}

void UndoManager::redo()
{
    replay(false);
}

void UndoManager::setActionName(const QString &name)
{
    if (!m_openGroups.empty())
        m_openGroups.front().actionName = name;
    else if (!m_undoStack.empty())
        m_undoStack.back().actionName = name;
}

QString UndoManager::undoActionName() const
{
    if (m_openGroups.size() == 1 && !m_openGroups.front().items.empty() && !m_undoing && !m_redoing)
        return m_openGroups.front().actionName;
    return m_undoStack.empty() ? QString() : m_undoStack.back().actionName;
}

QString UndoManager::redoActionName() const
{
    return m_redoStack.empty() ? QString() : m_redoStack.back().actionName;
}

void UndoManager::removeAllActions()
{
    m_undoStack.clear();
    m_redoStack.clear();
    for (Group &group : m_openGroups)
        group.items.clear();
    m_last.reset();
}

} // namespace scrivane
