#pragma once

#include "platform/UndoManager.h"

namespace scrivane {

// The document's undo manager.  On top of the platform's it knows whether
// the registrations since the stack was last cleared were real edits (the
// document-changing flag, which the document consults before it counts a
// change), takes selection changes that leave that flag alone, and takes
// skippable registrations for values set continuously (opacity, shadow,
// transformations, style settings): a repeat of the last registration of
// the group being built, same target and same operation, is dropped, so
// that the first one, which holds the oldest value, is what undo restores.
//
// While a CreateGraphicsScope exists anywhere in the process (a document
// is being loaded), prepared registrations are dropped.
class TDUndoManager : public UndoManager {
public:
    TDUndoManager() = default;

    // Ordinary registration: sets the document-changing flag.
    void prepareWithInvocationTarget(ObjectId target, const QString &operation, Action action);
    // Selection changes: the flag is left as it is, and a step made only of
    // these is no change of the document (stepChangedContents).
    void prepareWithNonChangeInvocationTarget(ObjectId target, const QString &operation, Action action);
    // Sets the flag; dropped when the last registration recorded in the
    // group being built has the same target and operation.
    void prepareWithSkippableInvocationTarget(ObjectId target, const QString &operation, Action action);
    // Direct registrations: set the flag and are always recorded (neither
    // the skip rule nor the load's drop-all applies).  A skippable direct
    // registration, being recorded, makes a following skippable
    // registration of the same target and operation a repeat.
    void registerUndoWithTarget(ObjectId target, const QString &operation, Action action);
    void registerSkippableUndoWithTarget(ObjectId target, const QString &operation, Action action);

    // Clears the document-changing flag too.
    void removeAllActions() override;
    bool docChanging() const { return m_docChanging; }

    // Drops every prepared registration in the process while it lives; it
    // is what a document load holds, so that a load that fails half-way
    // (an early return or an exception) still ends the dropping.  Scopes
    // nest.
    class CreateGraphicsScope {
    public:
        CreateGraphicsScope();
        ~CreateGraphicsScope();
        CreateGraphicsScope(const CreateGraphicsScope &) = delete;
        CreateGraphicsScope &operator=(const CreateGraphicsScope &) = delete;
    };
    // True while a CreateGraphicsScope exists.
    static bool createsGraphics();

private:
    void forward(ObjectId target, const QString &operation, Action action, bool skippable, bool changes);

    bool m_docChanging = false;
};

} // namespace scrivane
