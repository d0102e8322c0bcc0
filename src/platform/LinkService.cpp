#include "platform/LinkService.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QUuid>

namespace scrivane {

const QString LinkService::Interface = QStringLiteral("com.quelmont.LinkService");
const QString LinkService::ObjectPath = QStringLiteral("/com/quelmont/LinkService");
const QString LinkService::NamePrefix = QStringLiteral("com.quelmont.LinkService.");
const QString LinkService::ScrivaneServerName = QStringLiteral("quarve");

namespace {
const QString ServerNameKey = QStringLiteral("serverName");
const QString AppDataKey = QStringLiteral("appData");
} // namespace

// --- Link ---------------------------------------------------------------------------------------

Link::Link(LinkService *service, Side side, QString peer, QString itemKey)
    : m_service(service), m_side(side), m_peer(std::move(peer)), m_itemKey(std::move(itemKey))
{
}

void Link::sendEdit()
{
    if (m_open && m_side == Side::Server && m_service)
        m_service->send(*this);
}

void Link::closeLink()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_service)
        m_service->close(*this);
}

// --- Service ------------------------------------------------------------------------------------

LinkService::LinkService(QDBusConnection connection, QObject *parent)
    : QObject(parent), m_connection(std::move(connection))
{
    if (!m_connection.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(this);
    m_watcher->setConnection(m_connection);
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &LinkService::peerVanished);
    // Edits arrive addressed to this connection; the sender is checked
    // against the link it names.
    m_connection.connect(QString(), ObjectPath, Interface, QStringLiteral("SendEdit"), this,
                         SLOT(serverSentEdit(QString, QByteArray, QString, QByteArray, QDBusMessage)));
}

LinkService::~LinkService()
{
    // The peers learn that the links are gone; the links stay with their
    // holders, closed.
    auto end = [this](Link &link) {
        if (link.m_open)
            notifyPeer(link);
        link.m_open = false;
        link.m_service = nullptr;
    };
    for (auto &[key, link] : m_serverLinks)
        end(*link);
    for (auto &[key, entry] : m_clientLinks)
        if (const auto link = entry.link.lock())
            end(*link);
    retractServer();
    if (m_objectRegistered)
        m_connection.unregisterObject(ObjectPath);
}

LinkService *LinkService::shared()
{
    static QPointer<LinkService> service;
    if (!service && QCoreApplication::instance()) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return nullptr;
        service = new LinkService(bus, QCoreApplication::instance());
    }
    return service.data();
}

QString LinkService::uniqueItemKey()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

PropertyList LinkService::linkDataWithServerName(const QString &serverName, const QByteArray &appData)
{
    PropertyList data{PropertyList::Dictionary()};
    data.insert(ServerNameKey, serverName);
    data.insert(AppDataKey, appData);
    return data;
}

QString LinkService::serverName(const PropertyList &linkData)
{
    const PropertyList name = linkData.value(ServerNameKey);
    return name.isString() ? name.toString() : QString();
}

QByteArray LinkService::appData(const PropertyList &linkData)
{
    const PropertyList data = linkData.value(AppDataKey);
    return data.kind() == PropertyList::Kind::Data ? data.toData() : QByteArray();
}

QString LinkService::serverBusName(const QString &name)
{
    return NamePrefix + name;
}

std::optional<PropertyList> LinkService::readLinkData(const QByteArray &bytes)
{
    if (bytes.size() > MaximumMessageSize)
        return std::nullopt;
    PropertyListLimits limits;
    limits.maxInputSize = MaximumMessageSize;
    limits.maxDepth = 64;
    QString error;
    auto data = PropertyList::fromData(bytes, limits, &error);
    if (!data || !data->isDictionary()) {
        qWarning().noquote() << QStringLiteral("Link data from another program was dropped: %1")
                                    .arg(error.isEmpty() ? QStringLiteral("it is no dictionary") : error);
        return std::nullopt;
    }
    return data;
}

bool LinkService::registerObject()
{
    if (m_objectRegistered)
        return true;
    m_objectRegistered =
        m_connection.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots);
    if (!m_objectRegistered)
        qWarning().noquote() << QStringLiteral("The embedding links cannot be answered: %1")
                                    .arg(m_connection.lastError().message());
    return m_objectRegistered;
}

void LinkService::watch(const QString &peer)
{
    if (m_watcher && !m_watcher->watchedServices().contains(peer))
        m_watcher->addWatchedService(peer);
}

bool LinkService::publishServer(const QString &name, LinkServerDelegate *delegate)
{
    retractServer();
    if (!isConnected() || !registerObject())
        return false;
    m_serverName = name;
    m_serverDelegate = delegate;
    const QString instance =
        serverBusName(name) + QStringLiteral(".i") + QString::number(QCoreApplication::applicationPid());
    if (!m_connection.registerService(instance))
        qWarning().noquote() << QStringLiteral("The name %1 could not be taken on the session bus: %2")
                                    .arg(instance, m_connection.lastError().message());
    // The plain name belongs to the first instance that runs.
    m_connection.registerService(serverBusName(name));
    return true;
}

void LinkService::retractServer()
{
    if (m_serverName.isEmpty())
        return;
    m_connection.unregisterService(serverBusName(m_serverName) + QStringLiteral(".i") +
                                   QString::number(QCoreApplication::applicationPid()));
    if (m_connection.interface() &&
        m_connection.interface()->serviceOwner(serverBusName(m_serverName)).value() ==
            m_connection.baseService())
        m_connection.unregisterService(serverBusName(m_serverName));
    m_serverName.clear();
    m_serverDelegate = nullptr;
}

std::shared_ptr<Link> LinkService::editLinkData(const PropertyList &linkData, const QString &sourceName,
                                                LinkClientDelegate *delegate, const QString &itemKey)
{
    const QString server = serverName(linkData);
    if (!isConnected() || server.isEmpty() || itemKey.isEmpty() || !registerObject())
        return nullptr;
    // Links are kept with the server's own name, which is what its edits
    // come from.
    const auto owner = m_connection.interface()->serviceOwner(serverBusName(server));
    if (!owner.isValid() || owner.value().isEmpty()) {
        qWarning().noquote() << QStringLiteral("No program edits items of “%1” now.").arg(server);
        return nullptr;
    }
    const QString peer = owner.value();
    const Key key{peer, itemKey};
    if (const auto it = m_clientLinks.find(key); it != m_clientLinks.end())
        if (const auto link = it->second.link.lock(); link && link->m_open) {
            // An edit under way: the server brings its editor forward.
            QDBusMessage again =
                QDBusMessage::createMethodCall(peer, ObjectPath, Interface, QStringLiteral("RequestEdit"));
            again << itemKey << sourceName << QCoreApplication::applicationName() << QByteArray();
            m_connection.send(again);
            return link;
        }
    const auto bytes = linkData.toData(PropertyList::Format::Binary);
    if (!bytes)
        return nullptr;
    auto link = std::shared_ptr<Link>(new Link(this, Link::Side::Client, peer, itemKey));
    link->m_sourceName = sourceName;
    link->m_sourceApplicationName = QCoreApplication::applicationName();
    link->m_linkData = linkData;
    QDBusMessage request =
        QDBusMessage::createMethodCall(peer, ObjectPath, Interface, QStringLiteral("RequestEdit"));
    request << itemKey << sourceName << link->m_sourceApplicationName << *bytes;
    if (!m_connection.send(request))
        return nullptr;
    m_clientLinks[key] = {link, delegate};
    watch(peer);
    return link;
}

void LinkService::RequestEdit(const QString &itemKey, const QString &sourceName,
                              const QString &sourceApplicationName, const QByteArray &linkData,
                              const QDBusMessage &message)
{
    if (!m_serverDelegate || itemKey.isEmpty())
        return;
    const Key key{message.service(), itemKey};
    if (const auto it = m_serverLinks.find(key); it != m_serverLinks.end()) {
        m_serverDelegate->linkClientDidRequestEdit(it->second);
        return;
    }
    const auto data = readLinkData(linkData);
    if (!data)
        return;
    auto link = std::shared_ptr<Link>(new Link(this, Link::Side::Server, message.service(), itemKey));
    link->m_sourceName = sourceName.left(1024);
    link->m_sourceApplicationName = sourceApplicationName.left(1024);
    link->m_linkData = *data;
    m_serverLinks[key] = link;
    watch(message.service());
    m_serverDelegate->linkClientDidRequestEdit(link);
}

void LinkService::Close(const QString &itemKey, const QDBusMessage &message)
{
    closedBy(message.service(), itemKey);
}

void LinkService::closedBy(const QString &peer, const QString &itemKey)
{
    const Key key{peer, itemKey};
    if (const auto it = m_serverLinks.find(key); it != m_serverLinks.end()) {
        const std::shared_ptr<Link> link = it->second;
        m_serverLinks.erase(it);
        link->m_open = false;
        if (m_serverDelegate)
            m_serverDelegate->linkDidClose(link);
    }
    if (const auto it = m_clientLinks.find(key); it != m_clientLinks.end()) {
        const ClientLink entry = it->second;
        m_clientLinks.erase(it);
        if (const auto link = entry.link.lock()) {
            link->m_open = false;
            if (entry.delegate)
                entry.delegate->linkDidClose(*link);
        }
    }
}

void LinkService::serverSentEdit(const QString &itemKey, const QByteArray &linkData,
                                 const QString &imageExtension, const QByteArray &imageData,
                                 const QDBusMessage &message)
{
    const auto it = m_clientLinks.find({message.service(), itemKey});
    if (it == m_clientLinks.end())
        return;
    const auto link = it->second.link.lock();
    if (!link || !link->m_open || imageData.size() > MaximumMessageSize)
        return;
    const auto data = readLinkData(linkData);
    if (!data)
        return;
    link->m_linkData = *data;
    link->m_imageData = imageData;
    link->m_imageExtension = imageExtension.left(16);
    if (it->second.delegate)
        it->second.delegate->linkServerDidSendEdit(*link);
}

void LinkService::peerVanished(const QString &name, const QString &, const QString &newOwner)
{
    // Unique names never come back: a peer that leaves the bus is gone.
    if (!newOwner.isEmpty() || !name.startsWith(QLatin1Char(':')))
        return;
    std::vector<Key> gone;
    for (const auto &[key, link] : m_serverLinks)
        if (key.first == name)
            gone.push_back(key);
    for (const auto &[key, entry] : m_clientLinks)
        if (key.first == name)
            gone.push_back(key);
    for (const Key &key : gone)
        closedBy(key.first, key.second);
    if (m_watcher)
        m_watcher->removeWatchedService(name);
}

void LinkService::send(Link &link)
{
    const auto bytes = link.m_linkData.toData(PropertyList::Format::Binary);
    if (!bytes) {
        qWarning().noquote() << QStringLiteral("The edit could not be sent: its data cannot be written.");
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createTargetedSignal(link.m_peer, ObjectPath, Interface, QStringLiteral("SendEdit"));
    signal << link.m_itemKey << *bytes << link.m_imageExtension << link.m_imageData;
    m_connection.send(signal);
}

void LinkService::notifyPeer(const Link &link)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(link.m_peer, ObjectPath, Interface, QStringLiteral("Close"));
    message << link.m_itemKey;
    m_connection.send(message);
}

void LinkService::close(Link &link)
{
    notifyPeer(link);
    // The link may be held by this map alone: it goes last.
    const Key key{link.m_peer, link.m_itemKey};
    if (link.m_side == Link::Side::Server) {
        const auto it = m_serverLinks.find(key);
        if (it != m_serverLinks.end()) {
            const std::shared_ptr<Link> keep = it->second;
            m_serverLinks.erase(it);
        }
    } else {
        m_clientLinks.erase(key);
    }
}

} // namespace scrivane
