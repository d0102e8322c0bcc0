#pragma once

#include "model/TDGraphic.h"
#include "platform/LinkService.h"

#include <memory>

namespace scrivane {

// An item another program made, embedded through an embedding link
// (platform/LinkService.h): a unit square placed by its shape
// transformation and painted by an image fill showing the item's picture,
// with the item's link data, so that a double click sends the item back to
// the program that made it, and the edit coming back replaces picture and
// data.
//
// Stored under "LinkBack" (the link data as a keyed archive) besides the
// keys of every graphic.  The item key is made on first use and not stored.
// The graphic closes its link when it goes.
class TDLinkBackGraphic : public TDGraphic, public LinkClientDelegate {
public:
    TDLinkBackGraphic();
    ~TDLinkBackGraphic() override;
    // A graphic for the link data (copied); no link yet.
    static std::shared_ptr<TDLinkBackGraphic> withLinkData(const PropertyList &linkData);

    const PropertyList &linkBackData() const { return m_linkBackData; }
    // Plain store.
    void setLinkBackData(const PropertyList &data) { m_linkBackData = data; }
    // Registers the old data for undo.
    void setLinkBackDataUndoably(const PropertyList &data);
    // Made with LinkService::uniqueItemKey on first use, then kept.
    QString linkBackItemKey();
    void setLinkBackItemKey(const QString &key) { m_itemKey = key; }
    // The live link while the item is being edited; null otherwise.
    const std::shared_ptr<Link> &link() const { return m_link; }

    // The unit rectangle.
    std::shared_ptr<TDBezierPath> bezierPath() const override;
    // Asks the item's program to edit it, named after the document's window.
    void startEditingWithEvent(const TDEvent *event, TDGraphicViewInterface *view) override;
    // Asks through the given service (tests use a connection of their own).
    void startEditing(LinkService &service, const QString &sourceName);

    // The edit that came back: a picture that decodes becomes the fill's
    // image, and the graphic grows or shrinks with it about its origin (not
    // when the old picture had no size); the link data becomes the link's.
    // One undo step.  A picture that does not decode changes nothing.
    void linkServerDidSendEdit(Link &link) override;
    void linkDidClose(Link &link) override;

    // Hidden: nothing; else the base drawing and, while selected, a badge
    // at the top right of the bounds.
    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override;

    // --- Dictionary form ----------------------------------------------------------------
    PropertyList toYAML() const override;
    static std::shared_ptr<TDLinkBackGraphic> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDLinkBackGraphic"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString defaultNameFormat() const override;

private:
    // The link data archived under "LinkBack", read with the limits of
    // untrusted input; nothing for anything else.
    static std::optional<PropertyList> readLinkData(const PropertyList &stored);

    PropertyList m_linkBackData;
    std::shared_ptr<Link> m_link;
    QString m_itemKey;
};

} // namespace scrivane
