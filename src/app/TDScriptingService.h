#pragma once

#include "model/TDModelTypes.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

class QDBusMessage;

namespace scrivane {

class TDDocument;

// Scripting over the D-Bus session bus: the program, its documents and
// their graphics as objects that any language's D-Bus binding (or gdbus and
// busctl) can read and change.  The interfaces are described by the
// introspection files in resources/dbus and in docs/dbus.md.
//
//   /com/quelmont/Scrivane                          com.quelmont.Scrivane.Application
//   /com/quelmont/Scrivane/documents/D              com.quelmont.Scrivane.Document
//   /com/quelmont/Scrivane/documents/D/graphics/G   com.quelmont.Scrivane.Graphic
//
// D and G are the identities of the document and the graphic, which stay
// the same while they exist.  Properties go through
// org.freedesktop.DBus.Properties.  Everything a call changes is one undo
// step of its document.  Calls from other programs are untrusted: a bad
// value, an unknown object or an index outside a list is an error reply,
// never a crash.  Main thread only; the service answers while the event
// loop runs.
class TDScriptingService : public QDBusVirtualObject {
    Q_OBJECT
public:
    static const QString ServiceName; // "com.quelmont.Scrivane"
    static const QString RootPath;    // "/com/quelmont/Scrivane"
    static const QString ApplicationInterface;
    static const QString DocumentInterface;
    static const QString GraphicInterface;
    // Error names of replies, beside the standard ones of the bus.
    static const QString NoSuchElementError; // "com.quelmont.Scrivane.Error.NoSuchElement"

    using DocumentList = std::function<std::vector<TDDocument *>()>;
    // `documents` answers the open documents, the current one first.
    explicit TDScriptingService(DocumentList documents, QObject *parent = nullptr);
    ~TDScriptingService() override;

    // Publishes the objects on the connection, under ServiceName when that
    // name is free and always under ServiceName + ".i" + the process id.
    // False (with a message on the log) when the bus refuses.
    bool registerOn(QDBusConnection connection);
    void unregister();
    // The name this instance owns for certain.
    static QString instanceServiceName();

    static QString documentPath(const TDDocument &document);
    static QString graphicPath(const TDDocument &document, const TDGraphic &graphic);

    // The interface descriptions, from resources/dbus.
    static QString interfaceXml(const QString &interface);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    struct Target;
    Target resolve(const QString &path) const;
    QDBusMessage dispatch(const QDBusMessage &message, const Target &target);
    QDBusMessage properties(const QDBusMessage &message, const Target &target);
    QDBusMessage applicationCall(const QDBusMessage &message);
    QDBusMessage documentCall(const QDBusMessage &message, TDDocument &document);
    QDBusMessage graphicCall(const QDBusMessage &message, TDDocument &document, TDGraphic &graphic);

    DocumentList m_documents;
    QDBusConnection m_connection{QString()};
    bool m_registered = false;
};

} // namespace scrivane
