#pragma once

#include <QImage>
#include <QPoint>
#include <Qt>

#include <functional>

class QObject;

namespace scrivane {

class Pasteboard;

// Starts a drag of a pasteboard's contents shown as an image.  The drag
// itself runs the platform's own loop until the drop; a program without a
// pointer to drag with (tests, scripted runs) installs a starter of its own
// that receives what would have been dragged.
class DragService {
public:
    struct Request {
        // The widget the drag leaves from.
        QObject *source = nullptr;
        Pasteboard *pasteboard = nullptr;
        QImage image;
        // The point of the image that stays under the pointer.
        QPoint hotSpot;
        Qt::DropActions actions = Qt::CopyAction;
    };
    using Starter = std::function<Qt::DropAction(const Request &request)>;

    // The action the drop took (Qt::IgnoreAction when nothing was dropped).
    static Qt::DropAction startDrag(const Request &request);
    // Replaces the platform drag (an empty starter puts it back); answers
    // the starter it replaces.
    static Starter setStarter(Starter starter);
};

} // namespace scrivane
