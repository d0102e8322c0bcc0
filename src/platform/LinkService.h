#pragma once

#include "platform/PropertyList.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <utility>

class QDBusServiceWatcher;

class QDBusMessage;

namespace scrivane {

class LinkService;

// One embedding link: an item that a client program embeds and a server
// program edits.  The client asks the server to edit the item (its link
// data and an item key unique to the client); the server sends edits back
// (new link data and a picture of the item) and either side closes the
// link.  The link data is a property list: the server's name and, as
// "appData", bytes only the server reads.
//
// Both sides hold the link through std::shared_ptr; the represented object
// is what the side made of the link (the document editing it, the graphic
// showing it), not owned.
class Link {
public:
    enum class Side { Server, Client };

    Side side() const { return m_side; }
    const QString &itemKey() const { return m_itemKey; }
    // The title of the client's window that holds the item, and the
    // client program's name.
    const QString &sourceName() const { return m_sourceName; }
    const QString &sourceApplicationName() const { return m_sourceApplicationName; }

    // What the link carries: on the server the item as the client sent it
    // and then what the server puts for sendEdit; on the client what the
    // server sent last.
    const PropertyList &linkData() const { return m_linkData; }
    void setLinkData(const PropertyList &data) { m_linkData = data; }
    // The picture of the item (PNG data).
    const QByteArray &imageData() const { return m_imageData; }
    const QString &imageExtension() const { return m_imageExtension; }
    void setImage(const QByteArray &data, const QString &extension)
    {
        m_imageData = data;
        m_imageExtension = extension;
    }

    void *representedObject() const { return m_representedObject; }
    void setRepresentedObject(void *object) { m_representedObject = object; }

    // Server: sends the link data and the picture to the client.
    void sendEdit();
    // Either side: ends the link and tells the other side; nothing more
    // reaches this side through it.  Closing twice does nothing.
    void closeLink();
    bool isOpen() const { return m_open; }

private:
    friend class LinkService;
    Link(LinkService *service, Side side, QString peer, QString itemKey);

    LinkService *m_service;
    Side m_side;
    // The other side's bus name.
    QString m_peer;
    QString m_itemKey;
    QString m_sourceName;
    QString m_sourceApplicationName;
    PropertyList m_linkData;
    QByteArray m_imageData;
    QString m_imageExtension;
    void *m_representedObject = nullptr;
    bool m_open = true;
};

// What a server program does with links (the application delegate).
class LinkServerDelegate {
public:
    virtual ~LinkServerDelegate() = default;
    // A client asks for an edit: once for a new link, again for a link
    // whose edit is under way (the server then shows its editor).
    virtual void linkClientDidRequestEdit(const std::shared_ptr<Link> &link) = 0;
    // The client closed the link (or went away).
    virtual void linkDidClose(const std::shared_ptr<Link> &link) = 0;
};

// What an embedded item does with its link (the linked graphic).
class LinkClientDelegate {
public:
    virtual ~LinkClientDelegate() = default;
    // The server sent an edit: the link's data and picture are new.
    virtual void linkServerDidSendEdit(Link &link) = 0;
    // The server closed the link.
    virtual void linkDidClose(Link &link) = 0;
};

// The embedding-link exchange between programs over the D-Bus session bus.
//
// A server publishes itself under a name ("quarve" for Scrivane): it owns
// the bus name "com.quelmont.LinkService.<name>" while it is the first
// instance to run, and "com.quelmont.LinkService.<name>.i<PID>" always.
// At "/com/quelmont/LinkService" it answers the interface
// "com.quelmont.LinkService" (resources/dbus, docs/dbus.md):
//   RequestEdit(s itemKey, s sourceName, s sourceApplicationName, ay linkData)
//   Close(s itemKey)
// and sends its client, addressed to that client alone, the signal
//   SendEdit(s itemKey, ay linkData, s imageExtension, ay imageData)
// A client answers Close(s itemKey) at the same path, for a server that
// closes a link; a side whose peer leaves the bus closes its links with it.  Link data travels as a binary
// property list.  Everything received is untrusted: data that is no property list, or passes the limits, is
// dropped.
//
// One service exists per connection; the process's is made on first use.
// Main thread only.
class LinkService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quelmont.LinkService")
public:
    static const QString Interface;  // "com.quelmont.LinkService"
    static const QString ObjectPath; // "/com/quelmont/LinkService"
    static const QString NamePrefix; // "com.quelmont.LinkService."
    // The server name of Scrivane.
    static const QString ScrivaneServerName; // "quarve"
    // The largest link data or picture accepted from another program.
    static constexpr qsizetype MaximumMessageSize = 64 * 1024 * 1024;

    explicit LinkService(QDBusConnection connection, QObject *parent = nullptr);
    ~LinkService() override;

    // The service of the process's session bus; null without a bus.
    static LinkService *shared();
    // Whether the service can reach the bus.
    bool isConnected() const { return m_connection.isConnected(); }
    QDBusConnection connection() const { return m_connection; }

    // A new unique item key (a UUID).
    static QString uniqueItemKey();
    // The link data of an item: {"serverName": name, "appData": data}.
    static PropertyList linkDataWithServerName(const QString &serverName, const QByteArray &appData);
    static QString serverName(const PropertyList &linkData);
    static QByteArray appData(const PropertyList &linkData);

    // --- Server ------------------------------------------------------------------
    // Publishes the server; false (with a message) when the bus refuses.
    bool publishServer(const QString &name, LinkServerDelegate *delegate);
    void retractServer();
    static QString serverBusName(const QString &name);

    // --- Client ------------------------------------------------------------------
    // Asks the server named in the link data to edit the item; the link, or
    // null when the data names no server or the request cannot be sent.
    // The reply comes later: the server's first SendEdit.
    std::shared_ptr<Link> editLinkData(const PropertyList &linkData, const QString &sourceName,
                                       LinkClientDelegate *delegate, const QString &itemKey);

public Q_SLOTS:
    // The bus methods (see above).
    Q_SCRIPTABLE void RequestEdit(const QString &itemKey, const QString &sourceName,
                                  const QString &sourceApplicationName, const QByteArray &linkData,
                                  const QDBusMessage &message);
    Q_SCRIPTABLE void Close(const QString &itemKey, const QDBusMessage &message);

private Q_SLOTS:
    void serverSentEdit(const QString &itemKey, const QByteArray &linkData, const QString &imageExtension,
                        const QByteArray &imageData, const QDBusMessage &message);
    void peerVanished(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    friend class Link;
    using Key = std::pair<QString, QString>; // peer's unique name, item key
    void send(Link &link);
    void close(Link &link);
    void notifyPeer(const Link &link);
    void closedBy(const QString &peer, const QString &itemKey);
    bool registerObject();
    void watch(const QString &peer);
    static std::optional<PropertyList> readLinkData(const QByteArray &bytes);

    QDBusConnection m_connection;
    bool m_objectRegistered = false;
    QString m_serverName;
    LinkServerDelegate *m_serverDelegate = nullptr;
    std::map<Key, std::shared_ptr<Link>> m_serverLinks;
    struct ClientLink {
        std::weak_ptr<Link> link;
        LinkClientDelegate *delegate = nullptr;
    };
    std::map<Key, ClientLink> m_clientLinks;
    QDBusServiceWatcher *m_watcher = nullptr;
};

} // namespace scrivane
