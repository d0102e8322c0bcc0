#pragma once

#include "platform/Archivable.h"
#include "platform/Identified.h"
#include "platform/PropertyList.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace scrivane {

class TDDictionaryReader;
class TDGraphic;
class TDUndoManager;

// What the fill and the stroke style of a graphic share: the unowned back
// reference to the graphic that owns the style, through which the style
// reaches the graphic's undo manager and change brackets.  Without a
// graphic the brackets do nothing and nothing is registered for undo.
class TDStyle : public Archivable, public Identified {
public:
    TDGraphic *graphic() const { return m_graphic; }
    // The graphic that owns this style (null detaches it).
    void setGraphic(TDGraphic *graphic) { m_graphic = graphic; }

protected:
    TDUndoManager *undoManager() const;
    void willChange();
    void didChange();
    // Registers `action` with the graphic's undo manager, if any, keyed by
    // this style's identity: skippable, or an ordinary registration.
    void registerUndoAction(bool skippable, const QString &operation, std::function<void()> action);
    // Runs `change` inside one undo group, named by the "UndoStrings" entry
    // `actionName`, and inside one change bracket of the graphic.
    void changeInOneUndoStep(const QString &actionName, const std::function<void()> &change);
    // Copies what `from` holds under `keys` into `to`; keys it does not hold
    // are left out.
    static void copyValues(const PropertyList &from, PropertyList &to, const QStringList &keys);
    static void copyValues(const TDDictionaryReader &from, PropertyList &to, const QStringList &keys);

private:
    TDGraphic *m_graphic = nullptr;
};

// The base of a style class `Style`, which lives in a std::shared_ptr: its
// undo registrations act on the style itself and only while it lives.
template <class Style> class TDStyleOf : public TDStyle, public std::enable_shared_from_this<Style> {
protected:
    // Registers `undo`, called with the style, as registerUndoAction does.
    template <class Undo> void registerUndo(bool skippable, const QString &operation, Undo undo)
    {
        registerUndoAction(skippable, operation, [weak = this->weak_from_this(), undo] {
            if (const auto style = weak.lock())
                undo(*style);
        });
    }
};

} // namespace scrivane
