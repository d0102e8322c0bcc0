#include "model/TDLinkBackGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDDocumentInterface.h"
#include "model/TDDrawProtocol.h"
#include "model/TDFillStyle.h"
#include "model/TDImageStore.h"
#include "model/TDUndoManager.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

namespace scrivane {

namespace {
const QString LinkBackKey = QStringLiteral("LinkBack");
} // namespace

TDLinkBackGraphic::TDLinkBackGraphic() = default;

TDLinkBackGraphic::~TDLinkBackGraphic()
{
    // The program editing the item learns that nobody waits for it.
    if (m_link)
        m_link->closeLink();
}

std::shared_ptr<TDLinkBackGraphic> TDLinkBackGraphic::withLinkData(const PropertyList &linkData)
{
    auto graphic = std::make_shared<TDLinkBackGraphic>();
    graphic->setLinkBackData(linkData);
    return graphic;
}

QString TDLinkBackGraphic::linkBackItemKey()
{
    if (m_itemKey.isEmpty())
        m_itemKey = LinkService::uniqueItemKey();
    return m_itemKey;
}

std::shared_ptr<TDBezierPath> TDLinkBackGraphic::bezierPath() const
{
    auto path = std::make_shared<TDBezierPath>();
    path->appendRect(Rect(0, 0, 1, 1));
    return path;
}

void TDLinkBackGraphic::startEditingWithEvent(const TDEvent *, TDGraphicViewInterface *)
{
    if (LinkService *service = LinkService::shared())
        startEditing(*service, document() ? document()->displayName() : QString());
}

void TDLinkBackGraphic::startEditing(LinkService &service, const QString &sourceName)
{
    if (m_link && m_link->isOpen()) {
        // Already under way: the server shows its editor again.
        service.editLinkData(m_linkBackData, sourceName, this, linkBackItemKey());
        return;
    }
    m_link = service.editLinkData(m_linkBackData, sourceName, this, linkBackItemKey());
    if (m_link)
        m_link->setRepresentedObject(this);
}

void TDLinkBackGraphic::linkServerDidSendEdit(Link &link)
{
    TDImageStore *store = TDImageStore::shared();
    if (!store || link.imageData().isEmpty())
        return;
    // The picture comes from another program: the store decodes it within
    // its limits, or refuses it, before anything changes.
    const QString key = store->addGlobalImage(link.imageData(), QString(), link.imageExtension(),
                                              static_cast<const TDDocumentInterface *>(document()));
    const auto image = store->image(key);
    if (!image || image->size.width <= 0 || image->size.height <= 0)
        return;

    TDUndoManager *undo = undoManager();
    if (undo)
        undo->beginUndoGrouping();
    willChange();
    const auto old = fillStyle()->image();
    const Size before = old ? old->size : Size();
    fillStyle()->setImageKey(key);
    // The graphic keeps its origin and grows or shrinks with the item; a
    // picture that had no size gives no measure to scale by.
    if (before.width > 0 && before.height > 0) {
        const AffineTransform scaling =
            AffineTransform::makeScale(image->size.width / before.width, image->size.height / before.height);
        AffineTransform fill = fillTransformation();
        fill.prepend(scaling);
        AffineTransform shape = transformation();
        shape.prepend(scaling);
        setFillTransformation(fill);
        setTransformation(shape);
    }
    setLinkBackDataUndoably(link.linkData());
    didChange();
    if (undo)
        undo->endUndoGrouping();
}

void TDLinkBackGraphic::setLinkBackDataUndoably(const PropertyList &data)
{
    registerUndo(Registration::Ordinary, QStringLiteral("setLinkBackData"),
                 [previous = m_linkBackData](TDGraphic &graphic) {
                     static_cast<TDLinkBackGraphic &>(graphic).setLinkBackDataUndoably(previous);
                 });
    m_linkBackData = data;
}

void TDLinkBackGraphic::linkDidClose(Link &)
{
    // A later double click opens a new link.
    m_link.reset();
}

void TDLinkBackGraphic::drawInView(TDDrawProtocol *view, GraphicsContext &context)
{
    if (!visible())
        return;
    TDGraphic::drawInView(view, context);
    if (!view || !view->graphicIsSelected(this))
        return;
    // The badge that tells a linked item from a picture.
    const float zoom = view->zoom() > 0 ? view->zoom() : 1;
    const Rect b = bounds();
    const Rect badge(b.maxX() - 22 / zoom, b.maxY() + 4 / zoom, 18 / zoom, 12 / zoom);
    context.save();
    context.setFillColor(Color::calibratedRGB(0.2f, 0.4f, 0.9f));
    context.fillRect(badge);
    context.setFillColor(Color::white());
    context.fillRect(Rect(badge.minX() + 4 / zoom, badge.midY() - 1 / zoom, 10 / zoom, 2 / zoom));
    context.restore();
}

// --- Dictionary form -------------------------------------------------------------------------

PropertyList TDLinkBackGraphic::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    if (!m_linkBackData.isNull())
        if (const auto archived = KeyedArchiver::archivedData(m_linkBackData, PropertyList::Format::Binary))
            d.insert(LinkBackKey, *archived);
    return d;
}

std::optional<PropertyList> TDLinkBackGraphic::readLinkData(const PropertyList &stored)
{
    if (stored.kind() != PropertyList::Kind::Data)
        return std::nullopt;
    // The stored data is an archive of its own, which may hold linked
    // graphics with archives of their own: a hostile file could nest them
    // until the stack runs out.  Link data holds no graphics at all.
    thread_local int nesting = 0;
    if (nesting > 0) {
        qWarning().noquote() << QStringLiteral("A linked item's data holds another linked item; it was dropped.");
        return std::nullopt;
    }
    struct Nesting {
        Nesting() { ++nesting; }
        ~Nesting() { --nesting; }
    } inside;
    QString error;
    auto data = KeyedUnarchiver::unarchive(stored.toData(), &error);
    if (!data || !data->isDictionary()) {
        qWarning().noquote() << QStringLiteral("A linked item's data cannot be read: %1")
                                    .arg(error.isEmpty() ? QStringLiteral("it is no dictionary") : error);
        return std::nullopt;
    }
    return data;
}

std::shared_ptr<TDLinkBackGraphic> TDLinkBackGraphic::objectWithYAML(const PropertyList &dictionary)
{
    auto graphic = std::make_shared<TDLinkBackGraphic>();
    graphic->initWithDictionary(dictionary);
    if (dictionary.isDictionary())
        if (const auto data = readLinkData(dictionary.value(LinkBackKey)))
            graphic->m_linkBackData = *data;
    graphic->recalculatePath();
    return graphic;
}

QStringList TDLinkBackGraphic::archiveClassHierarchy() const
{
    return {QStringLiteral("TDLinkBackGraphic"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDLinkBackGraphic::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDLinkBackGraphic", std::make_shared<TDLinkBackGraphic>(),
                        [](TDGraphic &graphic, const TDDictionaryReader &r) {
                            auto &linked = static_cast<TDLinkBackGraphic &>(graphic);
                            linked.willChange();
                            linked.initWithValues(r);
                            if (const auto data = readLinkData(r.value(LinkBackKey)))
                                linked.m_linkBackData = *data;
                            linked.recalculatePath();
                            linked.didChange();
                        });
}

QString TDLinkBackGraphic::defaultNameFormat() const
{
    return QStringLiteral("Linked Item");
}

} // namespace scrivane
