#pragma once

#include <QString>

#include <memory>

namespace scrivane {

// A mark on a ruler at a location along its axis (document points): the
// guides of the canvas, or the marks another client puts on a ruler it
// borrows (a text editor's tab stops).  A guide is a marker whose
// represented object is `guideTag`; nothing else about a marker says whom
// it belongs to.  Markers are shared between the ruler and the undo steps
// that put them back.
class TDRulerMarker {
public:
    static const QString guideTag;

    TDRulerMarker(float location, QString representedObject) noexcept
        : m_location(location), m_representedObject(std::move(representedObject))
    {
    }
    // A guide at the location, removable.
    static std::shared_ptr<TDRulerMarker> guide(float location);

    float markerLocation() const { return m_location; }
    void setMarkerLocation(float location) { m_location = location; }
    const QString &representedObject() const { return m_representedObject; }
    bool isGuide() const { return m_representedObject == guideTag; }
    // A removable marker dragged off its ruler goes away.
    bool isRemovable() const { return m_removable; }
    void setRemovable(bool removable) { m_removable = removable; }
    bool isMovable() const { return m_movable; }
    void setMovable(bool movable) { m_movable = movable; }

private:
    float m_location = 0;
    QString m_representedObject;
    bool m_removable = false;
    bool m_movable = true;
};

using TDRulerMarkerPtr = std::shared_ptr<TDRulerMarker>;

} // namespace scrivane
