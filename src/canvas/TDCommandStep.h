#pragma once

#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <QString>

namespace scrivane {

// One undo step for a canvas command, whether or not an input event opened
// a group already: the step's group opens with the object and closes with
// it.  A step that registered nothing leaves no trace, its name included,
// so that a command that changed nothing never renames the step before it.
class TDCommandStep {
public:
    explicit TDCommandStep(TDUndoManager *undo) : m_undo(undo)
    {
        if (m_undo)
            m_undo->beginUndoGrouping();
    }
    ~TDCommandStep()
    {
        if (m_undo)
            m_undo->endUndoGrouping();
    }
    TDCommandStep(const TDCommandStep &) = delete;
    TDCommandStep &operator=(const TDCommandStep &) = delete;

    // The step's name, looked up in the "UndoStrings" table.
    void name(const QString &actionName)
    {
        if (m_undo)
            m_undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), actionName));
    }

private:
    TDUndoManager *m_undo;
};

} // namespace scrivane
