#pragma once

#include "platform/Identified.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

// Undo and redo stacks of groups of registrations.  A registration is a
// closure that reverses one change, keyed by the identity of the object it
// acts on and the name of the operation; the closure captures what it needs
// (a weak pointer where the object may be gone by the time it runs).
//
// Groups nest; only an outermost group becomes one step on a stack, inner
// ones are kept inside it.  Undoing a step runs its registrations in reverse
// order inside a new group, and what they register goes to the redo stack;
// redoing does the same the other way.  A registration made outside undo
// and redo clears the redo stack.
//
// Input events: when a registration arrives with no group open and
// `groupsByEvent` is on (the default), a group is opened for it and stays
// open until the application calls `eventHandled` after dispatching the
// event, so that everything one event changes is one step.  A gesture that
// spans several events (a slider or handle drag) is one step when its
// tracker opens a group at the press and closes it at the release.  With
// `groupsByEvent` off, a registration outside any group forms a step of its
// own.
//
// The default notification centre receives "UndoManagerDidCloseUndoGroup"
// when a new step is recorded, "UndoManagerDidUndoChange" and
// "UndoManagerDidRedoChange" after undo and redo, each with the manager as
// object.
class UndoManager {
public:
    using Action = std::function<void()>;
    struct Key {
        ObjectId target;
        QString operation;
        friend bool operator==(const Key &, const Key &) = default;
    };

    static const QString didCloseUndoGroupNotification;
    static const QString didUndoChangeNotification;
    static const QString didRedoChangeNotification;

    UndoManager();
    virtual ~UndoManager();
    UndoManager(const UndoManager &) = delete;
    UndoManager &operator=(const UndoManager &) = delete;

    // Records a registration in the innermost open group (see above).
    // `changesContents` is false for a registration that reverses no change
    // of what is edited (a selection): a step made only of such ones is
    // undoable but is no change (stepChangedContents).
    void registerUndo(ObjectId target, const QString &operation, Action action, bool changesContents = true);
    // The key of the last registration recorded in the group now open;
    // nothing right after a group was opened or closed, or after
    // removeAllActions.
    std::optional<Key> lastRegistration() const;

    virtual void beginUndoGrouping();
    virtual void endUndoGrouping();
    int groupingLevel() const { return int(m_openGroups.size()); }
    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool on) { m_groupsByEvent = on; }
    // The application calls this when it has handled an input event: the
    // group opened for the event's first registration closes, unless
    // groups opened inside it are still open (it then closes at a later
    // event, once they are).
    void eventHandled();

    bool canUndo() const;
    bool canRedo() const;
    // Closes the event's group first when it is the only one open; does
    // nothing while other groups are open.
    void undo();
    void redo();
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }
    // Whether the step just recorded, undone or redone (the one the last
    // notification was about) changed what is edited.
    bool stepChangedContents() const { return m_stepChangedContents; }

    // Names the step being built (the outermost open group), else the step
    // on top of the undo stack.  Undo and redo carry the name across.
    void setActionName(const QString &name);
    QString undoActionName() const;
    QString redoActionName() const;

    // How many steps each stack keeps (the oldest are dropped); 0 keeps all.
    int levelsOfUndo() const { return m_levels; }
    void setLevelsOfUndo(int levels);

    // Empties both stacks and the groups being built (which stay open, so
    // that their begin and end calls still pair up).
    virtual void removeAllActions();

private:
    struct Group;
    struct Item {
        Key key;
        Action action;
        std::unique_ptr<Group> nested;
    };
    struct Group {
        QString actionName;
        std::vector<Item> items;
        bool changesContents = false;
    };

    void record(Key key, Action action, bool changesContents);
    static void run(Group &group);
    void trim(std::deque<Group> &stack) const;
    void replay(bool undoing);

    std::deque<Group> m_undoStack;
    std::deque<Group> m_redoStack;
    std::vector<Group> m_openGroups;
    std::optional<Key> m_last;
    bool m_groupsByEvent = true;
    bool m_eventGroupOpen = false;
    bool m_undoing = false;
    bool m_redoing = false;
    bool m_stepChangedContents = false;
    int m_levels = 0;
};

} // namespace scrivane
