#include "platform/DragService.h"

#include "platform/Pasteboard.h"

#include <QDrag>
#include <QPixmap>
#include <QPointer>

namespace scrivane {

namespace {
DragService::Starter &installedStarter()
{
    static DragService::Starter starter;
    return starter;
}
} // namespace

Qt::DropAction DragService::startDrag(const Request &request)
{
    if (!request.pasteboard)
        return Qt::IgnoreAction;
    if (const Starter &starter = installedStarter())
        return starter(request);
    if (!request.source)
        return Qt::IgnoreAction;
    // The drag owns its data object.
    QPointer<QDrag> drag = new QDrag(request.source);
    drag->setMimeData(request.pasteboard->makeMimeData());
    if (!request.image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(request.image));
        drag->setHotSpot(request.hotSpot);
    }
    const Qt::DropAction action = drag->exec(request.actions, Qt::CopyAction);
    if (drag)
        drag->deleteLater();
    return action;
}

DragService::Starter DragService::setStarter(Starter starter)
{
    Starter previous = std::move(installedStarter());
    installedStarter() = std::move(starter);
    return previous;
}

} // namespace scrivane
