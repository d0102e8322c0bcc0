#pragma once

#include <QCursor>

#include <map>

namespace scrivane {

// The canvas's cursors, one per tool (the select tool keeps the system's
// arrow), drawn once per process.  Each has its hot spot where the tool
// acts: the crosshair's centre, the brush's tip, the dropper's nozzle, the
// magnifier's lens.
class TDCursors {
public:
    enum class Kind { ZoomIn, ZoomOut, Crosshair, HandClosed, HandOpen, Dropper, Paintbrush, EditArrow };

    // Needs the GUI application.
    static const TDCursors &shared();
    QCursor cursor(Kind kind) const;
    // The hot spot of each image, in image points.
    static QPoint hotSpot(Kind kind);

private:
    TDCursors();
    std::map<Kind, QCursor> m_cursors;
};

} // namespace scrivane
