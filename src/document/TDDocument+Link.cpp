#include "document/TDDocument.h"

#include "document/TDImageExport.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "platform/KeyedArchiver.h"
#include "platform/LinkService.h"

#include <QDebug>

namespace scrivane {

std::unique_ptr<TDDocument> TDDocument::withLink(const std::shared_ptr<Link> &link)
{
    auto document = std::make_unique<TDDocument>();
    if (!link)
        return document;
    document->m_link = link;
    link->setRepresentedObject(document.get());
    // Another program sent these bytes: they go through the reader that
    // checks every value of an archive.
    const QByteArray archive = LinkService::appData(link->linkData());
    const TDGraphicArray graphics = graphicsWithArchivedData(archive);
    if (!graphics.empty() && document->currentLayer())
        document->currentLayer()->addGraphics(graphics);
    document->undoManager()->removeAllActions();
    document->TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
    return document;
}

std::optional<QByteArray> TDDocument::linkDataForGraphics(const TDGraphicArray &graphics)
{
    PropertyList::Array archived;
    for (const auto &graphic : graphics)
        if (graphic)
            archived.emplace_back(graphic);
    if (archived.empty())
        return std::nullopt;
    std::optional<QByteArray> archive;
    {
        // Image fills carry their images, not keys into this process's
        // store; the flag is reset however the archiving ends.
        const TDImageStore::SaveImageDataScope withImages;
        QString error;
        archive = KeyedArchiver::archivedData(PropertyList(std::move(archived)), PropertyList::Format::Binary,
                                              &error);
        if (!archive)
            qWarning().noquote()
                << QStringLiteral("The graphics could not be archived for the link: %1").arg(error);
    }
    if (!archive)
        return std::nullopt;
    return LinkService::linkDataWithServerName(LinkService::ScrivaneServerName, *archive)
        .toData(PropertyList::Format::Binary);
}

bool TDDocument::saveLink()
{
    if (!m_link)
        return false;
    // The graphics inside the layers go back, not the layers: the other
    // side puts them into a layer of its own, and sending layers would
    // nest one more layer with every round trip.
    TDGraphicArray graphics;
    for (const auto &layer : m_layers)
        graphics.insert(graphics.end(), layer->graphics().begin(), layer->graphics().end());
    if (graphics.empty())
        return false;
    const std::optional<QByteArray> bytes = linkDataForGraphics(graphics);
    const std::optional<PropertyList> data = bytes ? PropertyList::fromData(*bytes) : std::nullopt;
    if (!data)
        return false;
    m_link->setLinkData(*data);
    m_link->setImage(TDImageExport::PNGData(imageForGraphics(graphics, 1, false)), QStringLiteral("png"));
    m_link->sendEdit();
    m_undoManager->removeAllActions();
    TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
    return true;
}

void TDDocument::closeLinkIfNeeded()
{
    if (!m_link)
        return;
    const std::shared_ptr<Link> link = std::move(m_link);
    m_link.reset();
    link->setRepresentedObject(nullptr);
    link->closeLink();
    TDDocumentBase::updateChangeCount(ChangeKind::Cleared);
}

QString TDDocument::displayName() const
{
    if (m_link)
        return QStringLiteral("Graphics from %1 (%2)")
            .arg(m_link->sourceName(), m_link->sourceApplicationName());
    return TDDocumentBase::displayName();
}

} // namespace scrivane
