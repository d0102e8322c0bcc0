// Linked editing through a real session bus: a client document embeds a
// drawing as a linked graphic and asks the server to edit it; the server
// opens a document for the link, and saving it sends the drawing back,
// which the linked graphic shows, undoably.  Two connections of the test
// process play the two programs.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDLinkBackGraphic.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/KeyedArchiver.h"
#include "platform/LinkService.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QXmlStreamReader>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace scrivane;
using namespace scrivane::doctest;

namespace {

// The server program's side: a document per link, as the application
// delegate makes them.
struct Server : LinkServerDelegate {
    std::vector<std::unique_ptr<TDDocument>> documents;
    int requests = 0;
    int closed = 0;
    void linkClientDidRequestEdit(const std::shared_ptr<Link> &link) override
    {
        ++requests;
        if (!link->representedObject())
            documents.push_back(TDDocument::withLink(link));
    }
    void linkDidClose(const std::shared_ptr<Link> &) override { ++closed; }
};

struct LinkFixture : ::testing::Test {
    QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "link-server");
    QDBusConnection clientBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "link-client");
    std::unique_ptr<LinkService> serverService;
    std::unique_ptr<LinkService> clientService;
    Server server;
    // Unique on the bus, so that test processes running side by side do
    // not answer each other.
    const QString serverName = QStringLiteral("linktest%1").arg(QCoreApplication::applicationPid());

    void SetUp() override
    {
        if (!serverBus.isConnected() || !clientBus.isConnected())
            GTEST_SKIP() << "no session bus (run the tests inside dbus-run-session)";
        // Image fills keep their images in the store documents install.
        TDGlobalImageStore::instance();
        serverService = std::make_unique<LinkService>(serverBus);
        clientService = std::make_unique<LinkService>(clientBus);
        ASSERT_TRUE(serverService->publishServer(serverName, &server));
    }
    void TearDown() override
    {
        clientService.reset();
        serverService.reset();
        QDBusConnection::disconnectFromBus("link-server");
        QDBusConnection::disconnectFromBus("link-client");
    }

    // Link data of the graphics, as the pasteboard offers them, naming the
    // test's server.
    PropertyList linkDataOf(const TDGraphicArray &graphics) const
    {
        const auto bytes = TDDocument::linkDataForGraphics(graphics);
        EXPECT_TRUE(bytes);
        const auto data = PropertyList::fromData(*bytes);
        return LinkService::linkDataWithServerName(serverName, LinkService::appData(*data));
    }
};

std::shared_ptr<TDRectangle> imageRectangle(const Rect &rect, const QColor &colour, QSize pixels)
{
    auto r = std::make_shared<TDRectangle>();
    r->setTransformation(TDGraphic::transformForBounds(rect));
    r->setFillTransformation(TDGraphic::transformForBounds(rect));
    r->fillStyle()->setStyle(TDFillImage);
    r->fillStyle()->setImageData(solidPng(pixels.width(), pixels.height(), colour), QStringLiteral("png"));
    r->strokeStyle()->setStyle(TDStrokeNone);
    return r;
}

} // namespace

TEST_F(LinkFixture, AnEditComesBackIntoTheLinkedGraphicAndUndoRestoresIt)
{
    // The item: a 40 × 20 rectangle, shown in the client at its size.
    const auto item = imageRectangle(Rect(0, 0, 40, 20), QColor(0, 0, 255), QSize(4, 2));
    TDDocument client;
    auto linked = TDLinkBackGraphic::withLinkData(linkDataOf({item}));
    client.addGraphic(linked);
    linked->fillStyle()->setStyle(TDFillImage);
    linked->fillStyle()->setImageData(solidPng(40, 20, QColor(0, 0, 255)), QStringLiteral("png"));
    const AffineTransform placed = TDGraphic::transformForBounds(Rect(100, 100, 40, 20));
    linked->setTransformation(placed);
    linked->setFillTransformation(placed);
    client.undoManager()->removeAllActions();
    client.undoManager()->setGroupsByEvent(false);
    const PropertyList before = linked->linkBackData();

    linked->startEditing(*clientService, QStringLiteral("Client drawing"));
    ASSERT_TRUE(linked->link());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.documents.empty(); }, 5000));

    // The server's document holds the item in its layer and starts clean.
    TDDocument &editing = *server.documents.front();
    ASSERT_EQ(editing.layers().size(), 1u);
    ASSERT_EQ(editing.currentLayer()->graphics().size(), 1u);
    EXPECT_FALSE(editing.isDocumentEdited());
    EXPECT_EQ(editing.displayName(),
              "Graphics from Client drawing (" + QCoreApplication::applicationName() + ")");
    const TDGraphicPtr received = editing.currentLayer()->graphics().front();
    EXPECT_TRUE(std::dynamic_pointer_cast<TDRectangle>(received));
    ASSERT_TRUE(received->fillStyle()->image()); // the image came with the item

    // Twice as wide, and saved: the edit goes back.
    received->startManipulation();
    received->transformWithTransformation(AffineTransform::makeScale(2, 1));
    received->stopManipulation();
    ASSERT_TRUE(editing.saveLink());
    EXPECT_FALSE(editing.isDocumentEdited());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(linked->linkBackData() == before); }, 5000));

    // The graphic doubled its width about its origin and shows the new picture.
    EXPECT_EQ(linked->bounds(), Rect(100, 100, 80, 20));
    ASSERT_TRUE(linked->fillStyle()->image());
    EXPECT_EQ(linked->fillStyle()->image()->size, Size(80, 20));

    // What came back is the layer's graphics, not the layer: a second round
    // trip opens one layer holding them, not a layer inside a layer.
    const TDGraphicArray again =
        TDDocument::graphicsWithArchivedData(LinkService::appData(linked->linkBackData()));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<TDRectangle>(again.front()));

    // One undo step puts picture, size and data back.
    client.undoManager()->undo();
    EXPECT_EQ(linked->bounds(), Rect(100, 100, 40, 20));
    EXPECT_EQ(linked->fillStyle()->image()->size, Size(40, 20));
    EXPECT_TRUE(linked->linkBackData() == before);
}

TEST_F(LinkFixture, AnEditWithoutAUsablePictureChangesNothing)
{
    TDDocument client;
    auto linked =
        TDLinkBackGraphic::withLinkData(linkDataOf({imageRectangle(Rect(0, 0, 4, 4), Qt::red, {4, 4})}));
    client.addGraphic(linked);
    linked->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 4, 4)));
    const PropertyList before = linked->linkBackData();
    linked->startEditing(*clientService, QStringLiteral("Client"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.documents.empty(); }, 5000));
    const std::shared_ptr<Link> link = server.documents.front()->link();
    ASSERT_TRUE(link);

    // Data that is no picture changes nothing, the link data included.
    link->setLinkData(LinkService::linkDataWithServerName(serverName, QByteArray("new")));
    link->setImage(QByteArray("not a picture"), QStringLiteral("png"));
    link->sendEdit();
    // A call answered by the client comes after the edit it was sent behind.
    QDBusMessage ping = QDBusMessage::createMethodCall(clientBus.baseService(), LinkService::ObjectPath,
                                                       "org.freedesktop.DBus.Peer", "Ping");
    serverBus.call(ping, QDBus::BlockWithGui, 5000);
    QTest::qWait(20);
    EXPECT_TRUE(linked->linkBackData() == before);
    EXPECT_FALSE(linked->fillStyle()->image());

    // A picture while the fill had none to measure by: taken, not rescaled
    // (no division by 0).
    link->setImage(solidPng(8, 8, Qt::green), QStringLiteral("png"));
    link->sendEdit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return linked->fillStyle()->image().has_value(); }, 5000));
    EXPECT_EQ(linked->bounds(), Rect(0, 0, 4, 4));
    EXPECT_EQ(LinkService::appData(linked->linkBackData()), QByteArray("new"));
}

TEST_F(LinkFixture, TheLinkClosesWhenTheGraphicGoesAndTheServerLearnsIt)
{
    {
        auto linked =
            TDLinkBackGraphic::withLinkData(linkDataOf({imageRectangle(Rect(0, 0, 4, 4), Qt::red, {4, 4})}));
        linked->startEditing(*clientService, QStringLiteral("Client"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 5000));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.closed == 1; }, 5000));
    EXPECT_FALSE(server.documents.front()->link()->isOpen());
}

TEST_F(LinkFixture, TheServerDropsLinkDataThatIsNoPropertyList)
{
    // A client that sends junk directly over the bus.
    QDBusMessage request = QDBusMessage::createMethodCall(serverBus.baseService(), LinkService::ObjectPath,
                                                          LinkService::Interface, "RequestEdit");
    request << QString("key") << QString("source") << QString("program") << QByteArray("\x00\x01junk", 6);
    ASSERT_TRUE(clientBus.send(request));
    QDBusMessage ping = QDBusMessage::createMethodCall(serverBus.baseService(), LinkService::ObjectPath,
                                                       "org.freedesktop.DBus.Peer", "Ping");
    clientBus.call(ping, QDBus::BlockWithGui, 5000);
    QTest::qWait(50);
    EXPECT_EQ(server.requests, 0);
}

namespace {

// The methods of the interface in an introspection text, each with the
// types of its arguments in order.
std::map<QString, QString> methodsOf(const QString &xml, const QString &interfaceName)
{
    std::map<QString, QString> methods;
    QXmlStreamReader reader(xml);
    bool inside = false;
    QString method;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const auto name = reader.name();
            const auto attributes = reader.attributes();
            if (name == QLatin1String("interface"))
                inside = attributes.value(QLatin1String("name")) == interfaceName;
            else if (inside && name == QLatin1String("method"))
                methods[method = attributes.value(QLatin1String("name")).toString()];
            else if (inside && name == QLatin1String("arg") && !method.isEmpty())
                methods[method] += attributes.value(QLatin1String("type")).toString();
        } else if (reader.isEndElement() && reader.name() == QLatin1String("method")) {
            method.clear();
        }
    }
    return methods;
}

} // namespace

// What others generate their bindings from is what the service answers.
TEST_F(LinkFixture, TheInterfaceFileDescribesWhatTheServiceAnswers)
{
    QFile file(QString::fromStdString(test::sourcePath("../resources/dbus/com.quelmont.LinkService.xml")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto described = methodsOf(QString::fromUtf8(file.readAll()), LinkService::Interface);
    EXPECT_EQ(described.size(), 2u);

    QDBusMessage introspect = QDBusMessage::createMethodCall(serverBus.baseService(), LinkService::ObjectPath,
                                                             QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                             QStringLiteral("Introspect"));
    const QDBusMessage reply = clientBus.call(introspect, QDBus::BlockWithGui, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    const auto answered = methodsOf(reply.arguments().value(0).toString(), LinkService::Interface);
    EXPECT_EQ(answered, described);
}

// A graphic keeps its link data through its dictionary and a keyed
// archive; its item key is not stored, so a copy makes a new one.
TEST(TDLinkBackGraphic, KeepsItsLinkDataThroughItsDictionary)
{
    const PropertyList data = LinkService::linkDataWithServerName("quarve", QByteArray("app data"));
    auto linked = TDLinkBackGraphic::withLinkData(data);
    linked->setTransformation(TDGraphic::transformForBounds(Rect(5, 5, 10, 10)));
    const QString key = linked->linkBackItemKey();
    EXPECT_EQ(linked->linkBackItemKey(), key);
    const auto copy = TDLinkBackGraphic::objectWithYAML(linked->toYAML());
    EXPECT_TRUE(copy->linkBackData() == data);
    EXPECT_EQ(copy->bounds(), Rect(5, 5, 10, 10));
    EXPECT_NE(copy->linkBackItemKey(), key);
    EXPECT_FALSE(copy->linkBackItemKey().isEmpty());

    const auto archived = TDDocument::graphicsWithArchivedData(
        *KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(TDGraphicPtr(linked))})));
    ASSERT_EQ(archived.size(), 1u);
    const auto decoded = std::dynamic_pointer_cast<TDLinkBackGraphic>(archived.front());
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->linkBackData() == data);
}

// Link data is an archive of its own and may itself hold a linked graphic
// with an archive of its own: one level is read, anything inside it is
// dropped, so a hostile file cannot nest them until the stack runs out.
// Both ways in (a document's archive and the dictionary form) are guarded.
TEST(TDLinkBackGraphic, LinkDataInsideLinkDataIsDropped)
{
    const PropertyList plain = LinkService::linkDataWithServerName("quarve", QByteArray("app data"));
    const auto holding = [](const TDGraphicPtr &graphic) {
        return PropertyList(PropertyList::Dictionary{{QStringLiteral("inner"), PropertyList(graphic)}});
    };
    const auto innermost = TDLinkBackGraphic::withLinkData(plain);
    const auto middle = TDLinkBackGraphic::withLinkData(holding(innermost));
    const auto outer = TDLinkBackGraphic::withLinkData(holding(middle));

    const auto check = [](const std::shared_ptr<TDLinkBackGraphic> &read) {
        ASSERT_TRUE(read);
        const auto inner = read->linkBackData().value(QStringLiteral("inner")).objectAs<TDLinkBackGraphic>();
        ASSERT_TRUE(inner) << "the first level is read";
        EXPECT_TRUE(inner->linkBackData().isNull()) << "the level inside it is not";
    };
    SCOPED_TRACE("archive");
    const auto archived = TDDocument::graphicsWithArchivedData(
        *KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(TDGraphicPtr(outer))})));
    ASSERT_EQ(archived.size(), 1u);
    check(std::dynamic_pointer_cast<TDLinkBackGraphic>(archived.front()));
    SCOPED_TRACE("dictionary");
    check(TDLinkBackGraphic::objectWithYAML(outer->toYAML()));

    // Reading is over: the next linked graphic reads its data again.
    const auto again = TDLinkBackGraphic::objectWithYAML(innermost->toYAML());
    EXPECT_TRUE(again->linkBackData() == plain);
}
