// Scripting through a real session bus: a second connection of the test
// process plays the script, as gdbus or any language's binding would.

#include "app/TDScriptingService.h"
#include "document/TDDocument.h"
#include "document/TDDocumentScripting.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDUndoManager.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

struct ScriptingFixture : ::testing::Test {
    QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "scripting-server");
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "scripting-client");
    TDDocument document;
    std::unique_ptr<TDScriptingService> service;
    TDGraphicPtr first;
    TDGraphicPtr second;

    void SetUp() override
    {
        if (!server.isConnected() || !client.isConnected())
            GTEST_SKIP() << "no session bus (run the tests inside dbus-run-session)";
        qDBusRegisterMetaType<QList<double>>();
        service =
            std::make_unique<TDScriptingService>([this] { return std::vector<TDDocument *>{&document}; });
        ASSERT_TRUE(service->registerOn(server));
        first = TDDocumentScripting::makeGraphic(TDDocumentScripting::List::Rectangles);
        second = TDDocumentScripting::makeGraphic(TDDocumentScripting::List::Ovals);
        document.currentLayer()->addGraphic(first);
        document.currentLayer()->addGraphic(second);
        document.undoManager()->removeAllActions();
        // The additions opened the group of an input event: it closes, so
        // that each call is a step of its own.
        document.undoManager()->eventHandled();
        document.undoManager()->setGroupsByEvent(false);
    }
    void TearDown() override
    {
        service.reset();
        QDBusConnection::disconnectFromBus("scripting-server");
        QDBusConnection::disconnectFromBus("scripting-client");
    }

    QDBusMessage call(const QString &path, const QString &interface, const QString &member,
                      const QList<QVariant> &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(server.baseService(), path, interface, member);
        message.setArguments(arguments);
        // The event loop runs while the reply is awaited: the server
        // answers from this very thread.
        return client.call(message, QDBus::BlockWithGui, 5000);
    }
    QVariant get(const QString &path, const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(path, Properties, "Get", {interface, name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QDBusMessage set(const QString &path, const QString &interface, const QString &name,
                     const QVariant &value)
    {
        return call(path, Properties, "Set", {interface, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QString path(const TDGraphicPtr &graphic) const
    {
        return TDScriptingService::graphicPath(document, *graphic);
    }
    QString documentPath() const { return TDScriptingService::documentPath(document); }
};

QStringList pathsOf(const QDBusMessage &reply)
{
    QStringList paths;
    for (const QDBusObjectPath &path : qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0)))
        paths.append(path.path());
    return paths;
}

QList<double> numbers(const QVariant &value)
{
    return qdbus_cast<QList<double>>(value);
}

} // namespace

TEST_F(ScriptingFixture, ListsDocumentsAndTheGraphicsOfTheirLayers)
{
    const QDBusMessage documents =
        call(TDScriptingService::RootPath, TDScriptingService::ApplicationInterface, "Documents");
    ASSERT_EQ(documents.type(), QDBusMessage::ReplyMessage) << documents.errorMessage().toStdString();
    EXPECT_EQ(pathsOf(documents), QStringList{documentPath()});

    const QDBusMessage graphics =
        call(documentPath(), TDScriptingService::DocumentInterface, "Elements", {"graphics"});
    EXPECT_EQ(pathsOf(graphics), (QStringList{path(first), path(second)}));
    const QDBusMessage ovals =
        call(documentPath(), TDScriptingService::DocumentInterface, "Elements", {"ovals"});
    EXPECT_EQ(pathsOf(ovals), QStringList{path(second)});
    EXPECT_EQ(get(path(second), TDScriptingService::GraphicInterface, "Kind").toString(), "ovals");

    // What a binding generator reads.
    const QDBusMessage xml = call(path(first), "org.freedesktop.DBus.Introspectable", "Introspect");
    EXPECT_TRUE(xml.arguments().value(0).toString().contains("<property name=\"FillColor\" type=\"ad\""));
}

TEST_F(ScriptingFixture, ReadsAndSetsTheFillColourAsOneUndoStep)
{
    first->fillStyle()->setColor(Color::calibratedRGB(1, 0, 0));
    EXPECT_EQ(numbers(get(path(first), TDScriptingService::GraphicInterface, "FillColor")),
              (QList<double>{65535, 0, 0, 65535}));
    const QDBusMessage reply = set(path(first), TDScriptingService::GraphicInterface, "FillColor",
                                   QVariant::fromValue(QList<double>{0, 0, 65535}));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(numbers(get(path(first), TDScriptingService::GraphicInterface, "FillColor")),
              (QList<double>{0, 0, 65535, 65535}));
    document.undoManager()->undo();
    EXPECT_EQ(first->fillStyle()->color().toCalibratedRGB().redComponent(), 1);
}

TEST_F(ScriptingFixture, TranslatesAGraphic)
{
    const QDBusMessage reply =
        call(path(first), TDScriptingService::GraphicInterface, "Translate", {15.0, -5.0});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(get(path(first), TDScriptingService::GraphicInterface, "XPosition").toDouble(), 15);
    EXPECT_EQ(get(path(first), TDScriptingService::GraphicInterface, "YPosition").toDouble(), -5);
    EXPECT_EQ(document.undoManager()->undoActionName(), "Transform");
    document.undoManager()->undo();
    EXPECT_EQ(first->bounds(), Rect(0, 0, 100, 100));
}

TEST_F(ScriptingFixture, InsertsAndRemovesARectangle)
{
    QVariantMap properties{{"XPosition", 40.0}, {"Width", 20.0}, {"FillType", "fSol"}};
    const QDBusMessage inserted =
        call(documentPath(), TDScriptingService::DocumentInterface, "Insert", {"rectangles", 1, properties});
    ASSERT_EQ(inserted.type(), QDBusMessage::ReplyMessage) << inserted.errorMessage().toStdString();
    const QString newPath = inserted.arguments().value(0).value<QDBusObjectPath>().path();
    const auto &graphics = document.currentLayer()->graphics();
    ASSERT_EQ(graphics.size(), 3u);
    EXPECT_EQ(newPath, path(graphics[1]));
    EXPECT_EQ(graphics[1]->bounds(), Rect(40, 0, 20, 100));
    EXPECT_EQ(get(newPath, TDScriptingService::GraphicInterface, "FillType").toString(), "fSol");

    const QDBusMessage removed =
        call(documentPath(), TDScriptingService::DocumentInterface, "Remove", {"rectangles", 1});
    ASSERT_EQ(removed.type(), QDBusMessage::ReplyMessage) << removed.errorMessage().toStdString();
    EXPECT_EQ(document.currentLayer()->graphics(), (TDGraphicArray{first, second}));
    // The removed graphic's object is gone with it.
    EXPECT_EQ(call(newPath, Properties, "Get", {TDScriptingService::GraphicInterface, "Width"}).errorName(),
              "org.freedesktop.DBus.Error.UnknownObject");
}

TEST_F(ScriptingFixture, BadRequestsAreErrorRepliesAndChangeNothing)
{
    const QString graphic = TDScriptingService::GraphicInterface;
    const QString doc = TDScriptingService::DocumentInterface;
    struct Case {
        const char *name;
        QString path;
        QString interface;
        QString member;
        QList<QVariant> arguments;
        QString error;
    };
    const QString noSuch = TDScriptingService::NoSuchElementError;
    const QString invalid = "org.freedesktop.DBus.Error.InvalidArgs";
    const QVariantMap none;
    const std::vector<Case> cases = {
        {"remove past the end", documentPath(), doc, "Remove", {"graphics", 2}, noSuch},
        {"remove below 0", documentPath(), doc, "Remove", {"ovals", -1}, noSuch},
        {"insert past the end", documentPath(), doc, "Insert", {"paths", 1, none}, noSuch},
        {"replace in an empty list", documentPath(), doc, "Replace", {"paths", 0, none}, noSuch},
        {"unknown list", documentPath(), doc, "Elements", {"layers"}, invalid},
        {"unknown property on insert",
         documentPath(),
         doc,
         "Insert",
         {"graphics", 0, QVariantMap{{"Colour", 1.0}}},
         "org.freedesktop.DBus.Error.UnknownProperty"},
        {"bad value on insert",
         documentPath(),
         doc,
         "Insert",
         {"graphics", 0, QVariantMap{{"Width", "wide"}}},
         invalid},
        {"unknown graphic",
         documentPath() + "/graphics/1",
         Properties,
         "Get",
         {graphic, "Width"},
         "org.freedesktop.DBus.Error.UnknownObject"},
        {"unknown document",
         TDScriptingService::RootPath + "/documents/x",
         doc,
         "Elements",
         {"graphics"},
         "org.freedesktop.DBus.Error.UnknownObject"},
        {"unknown property",
         path(first),
         Properties,
         "Get",
         {graphic, "Colour"},
         "org.freedesktop.DBus.Error.UnknownProperty"},
        {"read-only property",
         path(first),
         Properties,
         "Set",
         {graphic, "Kind", QVariant::fromValue(QDBusVariant("ovals"))},
         "org.freedesktop.DBus.Error.PropertyReadOnly"},
        {"text for a number",
         path(first),
         Properties,
         "Set",
         {graphic, "Width", QVariant::fromValue(QDBusVariant("wide"))},
         invalid},
        {"colour of two numbers",
         path(first),
         Properties,
         "Set",
         {graphic, "FillColor", QVariant::fromValue(QDBusVariant(QVariant::fromValue(QList<double>{1, 2})))},
         invalid},
        {"scale by 0", path(first), graphic, "Scale", {0.0, 1.0}, invalid},
        {"translate with one number",
         path(first),
         graphic,
         "Translate",
         {1.0},
         "org.freedesktop.DBus.Error.UnknownMethod"},
        {"translate with texts",
         path(first),
         graphic,
         "Translate",
         {"1", "2"},
         "org.freedesktop.DBus.Error.UnknownMethod"},
    };
    const TDGraphicArray before = document.currentLayer()->graphics();
    const Rect bounds = first->bounds();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QDBusMessage reply = call(c.path, c.interface, c.member, c.arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), c.error) << reply.errorMessage().toStdString();
        EXPECT_FALSE(reply.errorMessage().isEmpty());
        EXPECT_EQ(document.currentLayer()->graphics(), before);
        EXPECT_EQ(first->bounds(), bounds);
    }
}

TEST_F(ScriptingFixture, InsertsATextBoxAndStylesItsText)
{
    const QString graphic = TDScriptingService::GraphicInterface;
    const QVariantMap properties{{"Width", 200.0}, {"Height", 80.0}, {"FillType", "fTex"},
                                 {"FillText", "Hello\nthere"}, {"FillTextSize", 24.0}};
    const QDBusMessage inserted =
        call(documentPath(), TDScriptingService::DocumentInterface, "Insert", {"rectangles", 0, properties});
    ASSERT_EQ(inserted.type(), QDBusMessage::ReplyMessage) << inserted.errorMessage().toStdString();
    const QString box = inserted.arguments().value(0).value<QDBusObjectPath>().path();
    EXPECT_EQ(get(box, graphic, "FillText").toString(), "Hello\nthere");
    EXPECT_EQ(get(box, graphic, "FillTextSize").toDouble(), 24);
    EXPECT_EQ(get(box, graphic, "FillTextFont").toString(), "DejaVu Sans");

    ASSERT_EQ(set(box, graphic, "FillTextColor", QVariant::fromValue(QList<double>{0, 0, 65535})).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(numbers(get(box, graphic, "FillTextColor")), (QList<double>{0, 0, 65535, 65535}));
    ASSERT_EQ(set(box, graphic, "FillTextHyphenation", 3.0).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(get(box, graphic, "FillTextHyphenation").toDouble(), 1);
    document.undoManager()->undo();
    EXPECT_EQ(get(box, graphic, "FillTextHyphenation").toDouble(), 0);

    // Values of the wrong kind are refused and change nothing.
    EXPECT_EQ(set(box, graphic, "FillText", 12.0).errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(set(box, graphic, "FillTextFont", "").errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(get(box, graphic, "FillText").toString(), "Hello\nthere");
}
