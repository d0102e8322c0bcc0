#include "app/TDScriptingService.h"

#include "document/TDDocument.h"
#include "document/TDDocumentScripting.h"
#include "model/TDBezierGraphic.h"
#include "model/TDGraphicScripting.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDebug>
#include <QFile>

#include <array>
#include <cmath>
#include <optional>
#include <string_view>

namespace scrivane {

const QString TDScriptingService::ServiceName = QStringLiteral("com.quelmont.Scrivane");
const QString TDScriptingService::RootPath = QStringLiteral("/com/quelmont/Scrivane");
const QString TDScriptingService::ApplicationInterface = QStringLiteral("com.quelmont.Scrivane.Application");
const QString TDScriptingService::DocumentInterface = QStringLiteral("com.quelmont.Scrivane.Document");
const QString TDScriptingService::GraphicInterface = QStringLiteral("com.quelmont.Scrivane.Graphic");
const QString TDScriptingService::NoSuchElementError =
    QStringLiteral("com.quelmont.Scrivane.Error.NoSuchElement");

namespace {

const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString IntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString InvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString UnknownObject = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");
const QString UnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString UnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString UnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString PropertyReadOnly = QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly");

using Numbers = QList<double>;
using NumberLists = QList<QList<double>>;

// --- Values from the bus ----------------------------------------------------------------------

std::optional<std::vector<double>> numbersOf(const QDBusArgument &argument)
{
    const QString signature = argument.currentSignature();
    if (argument.currentType() != QDBusArgument::ArrayType || signature.size() != 2)
        return std::nullopt;
    const char type = signature.at(1).toLatin1();
    if (std::string_view("dinuxtqy").find(type) == std::string_view::npos)
        return std::nullopt;
    std::vector<double> numbers;
    argument.beginArray();
    while (!argument.atEnd()) {
        switch (type) {
        case 'd': {
            double v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        case 'i': {
            int v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        case 'n': {
            short v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        case 'u': {
            uint v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        case 'x': {
            qlonglong v;
            argument >> v;
            numbers.push_back(double(v));
            break;
        }
        case 't': {
            qulonglong v;
            argument >> v;
            numbers.push_back(double(v));
            break;
        }
        case 'q': {
            ushort v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        default: {
            uchar v;
            argument >> v;
            numbers.push_back(v);
            break;
        }
        }
    }
    argument.endArray();
    return numbers;
}

std::optional<double> numberOf(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<std::vector<double>> numbersOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return numbersOf(value.value<QDBusArgument>());
    if (value.metaType() == QMetaType::fromType<Numbers>()) {
        const Numbers list = value.value<Numbers>();
        return std::vector<double>(list.begin(), list.end());
    }
    return std::nullopt;
}

std::optional<std::vector<std::vector<double>>> numberListsOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<NumberLists>()) {
        std::vector<std::vector<double>> lists;
        for (const Numbers &list : value.value<NumberLists>())
            lists.emplace_back(list.begin(), list.end());
        return lists;
    }
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType ||
        !argument.currentSignature().startsWith(QLatin1String("aa")))
        return std::nullopt;
    std::vector<std::vector<double>> lists;
    argument.beginArray();
    while (!argument.atEnd()) {
        auto numbers = numbersOf(argument);
        if (!numbers)
            return std::nullopt;
        lists.push_back(std::move(*numbers));
    }
    argument.endArray();
    return lists;
}

Numbers toNumbers(const std::vector<double> &values)
{
    return Numbers(values.begin(), values.end());
}

std::optional<Point> pointOf(const QVariant &value)
{
    const auto numbers = numbersOf(value);
    if (!numbers || numbers->size() != 2)
        return std::nullopt;
    return Point(float((*numbers)[0]), float((*numbers)[1]));
}

// --- The graphic's properties --------------------------------------------------------------------

using Getter = QVariant (*)(TDGraphicScripting &);
using Setter = bool (*)(TDGraphicScripting &, const QVariant &, QString *);

struct GraphicProperty {
    const char *name;
    Getter get;
    Setter set; // null: read only
    // Whether setting it moves or reshapes the graphic (one "Transform").
    bool geometry = false;
};

bool wrongKind(QString *error, const char *kind)
{
    *error = QStringLiteral("The value must be %1.").arg(QLatin1String(kind));
    return false;
}

template <typename Apply> bool withNumber(const QVariant &value, QString *error, Apply apply)
{
    const auto number = numberOf(value);
    return number ? apply(*number) : wrongKind(error, "a number");
}

template <typename Apply> bool withNumbers(const QVariant &value, QString *error, Apply apply)
{
    const auto numbers = numbersOf(value);
    return numbers ? apply(*numbers) : wrongKind(error, "an array of numbers");
}

template <typename Apply> bool withPoint(const QVariant &value, QString *error, Apply apply)
{
    const auto point = pointOf(value);
    return point ? apply(*point) : wrongKind(error, "two numbers [x, y]");
}

template <typename Apply> bool withString(const QVariant &value, QString *error, Apply apply)
{
    if (value.metaType().id() != QMetaType::QString)
        return wrongKind(error, "a string");
    apply(value.toString());
    return true;
}

template <typename Apply> bool withText(const QVariant &value, QString *error, Apply apply)
{
    if (value.metaType().id() != QMetaType::QString)
        return wrongKind(error, "a string");
    return apply(value.toString());
}

template <typename Apply> bool withBool(const QVariant &value, QString *error, Apply apply)
{
    if (value.metaType().id() != QMetaType::Bool)
        return wrongKind(error, "a boolean");
    apply(value.toBool());
    return true;
}

template <typename Apply> bool withInteger(const QVariant &value, QString *error, Apply apply)
{
    const auto number = numberOf(value);
    if (!number || *number != std::trunc(*number) || std::abs(*number) > 1e9)
        return wrongKind(error, "a whole number");
    apply(int(*number));
    return true;
}

QString kindOf(const TDGraphic &graphic)
{
    // The exact class names the list, not a subclass.
    const auto &type = typeid(graphic);
    if (type == typeid(TDOval))
        return QStringLiteral("ovals");
    if (type == typeid(TDRectangle))
        return QStringLiteral("rectangles");
    if (type == typeid(TDBezierGraphic))
        return QStringLiteral("paths");
    return QStringLiteral("graphics");
}

using S = TDGraphicScripting;
// clang-format off
const GraphicProperty GraphicProperties[] = {
    {"Kind", [](S &s) { return QVariant(kindOf(s.graphic())); }, nullptr},
    {"Selected", [](S &s) { return QVariant(s.isSelected()); }, nullptr},
    {"FillColor", [](S &s) { return QVariant::fromValue(toNumbers(s.fillColor())); },
     [](S &s, const QVariant &v, QString *e) { return withNumbers(v, e, [&](const std::vector<double> &c) { return s.setFillColor(c, e); }); }},
    {"FillType", [](S &s) { return QVariant(s.fillType()); },
     [](S &s, const QVariant &v, QString *e) { return withString(v, e, [&](const QString &c) { s.setFillType(c); }); }},
    {"FillImageLocation", [](S &s) { return QVariant(s.fillImageLocation()); },
     [](S &s, const QVariant &v, QString *e) { return withString(v, e, [&](const QString &c) { s.setFillImageLocation(c); }); }},
    {"FillImageAlpha", [](S &s) { return QVariant(s.fillImageAlpha()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double a) { return s.setFillImageAlpha(a, e); }); }},
    {"FillImageSize", [](S &s) { const Size z = s.fillImageSize(); return QVariant::fromValue(Numbers{z.width, z.height}); }, nullptr},
    {"FillText", [](S &s) { return QVariant(s.fillText()); },
     [](S &s, const QVariant &v, QString *e) { return withString(v, e, [&](const QString &t) { s.setFillText(t); }); }},
    {"FillTextPadding", [](S &s) { return QVariant(s.fillTextPadding()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double p) { return s.setFillTextPadding(p, e); }); }},
    {"FillTextHyphenation", [](S &s) { return QVariant(s.fillTextHyphenation()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double h) { return s.setFillTextHyphenation(h, e); }); }},
    {"FillTextFont", [](S &s) { return QVariant(s.textFont(S::Text::Fill)); },
     [](S &s, const QVariant &v, QString *e) { return withText(v, e, [&](const QString &f) { return s.setTextFont(S::Text::Fill, f, e); }); }},
    {"FillTextSize", [](S &s) { return QVariant(s.textSize(S::Text::Fill)); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double z) { return s.setTextSize(S::Text::Fill, z, e); }); }},
    {"FillTextColor", [](S &s) { return QVariant::fromValue(toNumbers(s.textColor(S::Text::Fill))); },
     [](S &s, const QVariant &v, QString *e) { return withNumbers(v, e, [&](const std::vector<double> &c) { return s.setTextColor(S::Text::Fill, c, e); }); }},
    {"GradientInfo",
     [](S &s) {
         NumberLists stops;
         for (const auto &stop : s.gradientInfo()) {
             Numbers entry{stop.position};
             entry.append(toNumbers(stop.color));
             stops.append(entry);
         }
         return QVariant::fromValue(stops);
     },
     [](S &s, const QVariant &v, QString *e) {
         const auto lists = numberListsOf(v);
         if (!lists)
             return wrongKind(e, "an array of stops [position, red, green, blue(, alpha)]");
         std::vector<S::GradientStop> stops;
         for (const auto &list : *lists) {
             if (list.empty())
                 return wrongKind(e, "an array of stops [position, red, green, blue(, alpha)]");
             stops.push_back({list[0], std::vector<double>(list.begin() + 1, list.end())});
         }
         return s.setGradientInfo(stops, e);
     }},
    {"GradientStart", [](S &s) { const Point p = s.gradientStart(); return QVariant::fromValue(Numbers{p.x, p.y}); },
     [](S &s, const QVariant &v, QString *e) { return withPoint(v, e, [&](Point p) { return s.setGradientStart(p, e); }); }},
    {"GradientEnd", [](S &s) { const Point p = s.gradientEnd(); return QVariant::fromValue(Numbers{p.x, p.y}); },
     [](S &s, const QVariant &v, QString *e) { return withPoint(v, e, [&](Point p) { return s.setGradientEnd(p, e); }); }},
    {"StrokeColor", [](S &s) { return QVariant::fromValue(toNumbers(s.strokeColor())); },
     [](S &s, const QVariant &v, QString *e) { return withNumbers(v, e, [&](const std::vector<double> &c) { return s.setStrokeColor(c, e); }); }},
    {"StrokeType", [](S &s) { return QVariant(s.strokeType()); },
     [](S &s, const QVariant &v, QString *e) { return withString(v, e, [&](const QString &c) { s.setStrokeType(c); }); }},
    {"StrokeWidth", [](S &s) { return QVariant(s.strokeWidth()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double w) { return s.setStrokeWidth(w, e); }); }},
    {"StrokeArtType", [](S &s) { return QVariant(s.strokeArtType()); },
     [](S &s, const QVariant &v, QString *e) { return withInteger(v, e, [&](int b) { s.setStrokeArtType(b); }); }},
    {"StrokeStartArrow", [](S &s) { return QVariant(s.strokeStartArrow()); },
     [](S &s, const QVariant &v, QString *e) { return withInteger(v, e, [&](int a) { s.setStrokeStartArrow(a); }); }},
    {"StrokeEndArrow", [](S &s) { return QVariant(s.strokeEndArrow()); },
     [](S &s, const QVariant &v, QString *e) { return withInteger(v, e, [&](int a) { s.setStrokeEndArrow(a); }); }},
    {"StrokeStartArrowSize", [](S &s) { return QVariant(s.strokeStartArrowSize()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double p) { return s.setStrokeStartArrowSize(p, e); }); }},
    {"StrokeEndArrowSize", [](S &s) { return QVariant(s.strokeEndArrowSize()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double p) { return s.setStrokeEndArrowSize(p, e); }); }},
    {"StrokeStartArrowMorph", [](S &s) { return QVariant(s.strokeStartArrowMorph()); },
     [](S &s, const QVariant &v, QString *e) { return withBool(v, e, [&](bool m) { s.setStrokeStartArrowMorph(m); }); }},
    {"StrokeEndArrowMorph", [](S &s) { return QVariant(s.strokeEndArrowMorph()); },
     [](S &s, const QVariant &v, QString *e) { return withBool(v, e, [&](bool m) { s.setStrokeEndArrowMorph(m); }); }},
    {"StrokeDashes", [](S &s) { return QVariant::fromValue(toNumbers(s.strokeDashes())); },
     [](S &s, const QVariant &v, QString *e) { return withNumbers(v, e, [&](const std::vector<double> &d) { return s.setStrokeDashes(d, e); }); }},
    {"StrokeText", [](S &s) { return QVariant(s.strokeText()); },
     [](S &s, const QVariant &v, QString *e) { return withString(v, e, [&](const QString &t) { s.setStrokeText(t); }); }},
    {"StrokeTextFont", [](S &s) { return QVariant(s.textFont(S::Text::Stroke)); },
     [](S &s, const QVariant &v, QString *e) { return withText(v, e, [&](const QString &f) { return s.setTextFont(S::Text::Stroke, f, e); }); }},
    {"StrokeTextSize", [](S &s) { return QVariant(s.textSize(S::Text::Stroke)); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double z) { return s.setTextSize(S::Text::Stroke, z, e); }); }},
    {"StrokeTextColor", [](S &s) { return QVariant::fromValue(toNumbers(s.textColor(S::Text::Stroke))); },
     [](S &s, const QVariant &v, QString *e) { return withNumbers(v, e, [&](const std::vector<double> &c) { return s.setTextColor(S::Text::Stroke, c, e); }); }},
    {"XPosition", [](S &s) { return QVariant(s.xPosition()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double x) { return s.setXPosition(x, e); }); }, true},
    {"YPosition", [](S &s) { return QVariant(s.yPosition()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double y) { return s.setYPosition(y, e); }); }, true},
    {"Width", [](S &s) { return QVariant(s.width()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double w) { return s.setWidth(w, e); }); }, true},
    {"Height", [](S &s) { return QVariant(s.height()); },
     [](S &s, const QVariant &v, QString *e) { return withNumber(v, e, [&](double h) { return s.setHeight(h, e); }); }, true},
};
// clang-format on

const GraphicProperty *graphicProperty(const QString &name)
{
    for (const GraphicProperty &property : GraphicProperties)
        if (name == QLatin1String(property.name))
            return &property;
    return nullptr;
}

// Everything one call changes is one undo step.
class UndoStep {
public:
    explicit UndoStep(TDDocument &document) : m_undo(document.undoManager())
    {
        if (m_undo)
            m_undo->beginUndoGrouping();
    }
    ~UndoStep()
    {
        if (!m_undo)
            return;
        if (!m_action.isEmpty())
            m_undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), m_action));
        m_undo->endUndoGrouping();
    }
    UndoStep(const UndoStep &) = delete;
    UndoStep &operator=(const UndoStep &) = delete;
    void name(const QString &action) { m_action = action; }

private:
    TDUndoManager *m_undo;
    QString m_action;
};

// Sets the properties of a map on a graphic, stopping at the first that
// fails.
bool applyProperties(TDGraphic &graphic, const QVariantMap &properties, QString *errorName, QString *error)
{
    TDGraphicScripting scripting(graphic);
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const GraphicProperty *property = graphicProperty(it.key());
        if (!property || !property->set) {
            *errorName = property ? PropertyReadOnly : UnknownProperty;
            *error = QStringLiteral("A graphic has no property “%1” to set.").arg(it.key());
            return false;
        }
        QVariant value = it.value();
        if (value.metaType() == QMetaType::fromType<QDBusVariant>())
            value = value.value<QDBusVariant>().variant();
        if (!property->set(scripting, value, error)) {
            *errorName = InvalidArgs;
            *error = QStringLiteral("%1: %2").arg(it.key(), *error);
            return false;
        }
    }
    return true;
}

TDGraphic *findGraphic(const TDGraphicArray &graphics, quint64 id)
{
    for (const auto &graphic : graphics) {
        if (!graphic)
            continue;
        if (graphic->objectId().value == id)
            return graphic.get();
        // A raw cast: this runs over every graphic at every call.
        if (const auto *group = dynamic_cast<const TDGroup *>(graphic.get()))
            if (TDGraphic *inside = findGraphic(group->graphics(), id))
                return inside;
    }
    return nullptr;
}

std::optional<quint64> idOf(QStringView text)
{
    bool ok = false;
    const quint64 id = text.toULongLong(&ok);
    return ok && id ? std::optional<quint64>(id) : std::nullopt;
}

} // namespace

// --- The service ----------------------------------------------------------------------------------

struct TDScriptingService::Target {
    enum class Kind { None, Application, Document, Graphic } kind = Kind::None;
    TDDocument *document = nullptr;
    TDGraphic *graphic = nullptr;
};

TDScriptingService::TDScriptingService(DocumentList documents, QObject *parent)
    : QDBusVirtualObject(parent), m_documents(std::move(documents))
{
    qDBusRegisterMetaType<Numbers>();
    qDBusRegisterMetaType<NumberLists>();
}

TDScriptingService::~TDScriptingService()
{
    unregister();
}

QString TDScriptingService::instanceServiceName()
{
    return ServiceName + QStringLiteral(".i") + QString::number(QCoreApplication::applicationPid());
}

bool TDScriptingService::registerOn(QDBusConnection connection)
{
    unregister();
    if (!connection.isConnected()) {
        qWarning().noquote() << QStringLiteral("Scripting is off: there is no session bus.");
        return false;
    }
    if (!connection.registerVirtualObject(RootPath, this, QDBusConnection::SubPath)) {
        qWarning().noquote() << QStringLiteral("Scripting is off: %1").arg(connection.lastError().message());
        return false;
    }
    m_connection = connection;
    m_registered = true;
    if (!connection.registerService(instanceServiceName()))
        qWarning().noquote() << QStringLiteral("The name %1 could not be taken on the session bus: %2")
                                    .arg(instanceServiceName(), connection.lastError().message());
    // The plain name belongs to the first instance that runs.
    connection.registerService(ServiceName);
    return true;
}

void TDScriptingService::unregister()
{
    if (!m_registered)
        return;
    m_connection.unregisterObject(RootPath, QDBusConnection::UnregisterTree);
    m_connection.unregisterService(instanceServiceName());
    if (m_connection.interface() &&
        m_connection.interface()->serviceOwner(ServiceName).value() == m_connection.baseService())
        m_connection.unregisterService(ServiceName);
    m_registered = false;
}

QString TDScriptingService::documentPath(const TDDocument &document)
{
    return RootPath + QStringLiteral("/documents/") + QString::number(document.objectId().value);
}

QString TDScriptingService::graphicPath(const TDDocument &document, const TDGraphic &graphic)
{
    return documentPath(document) + QStringLiteral("/graphics/") + QString::number(graphic.objectId().value);
}

QString TDScriptingService::interfaceXml(const QString &interface)
{
    QFile file(QStringLiteral(":/dbus/%1.xml").arg(interface));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype start = text.indexOf(QLatin1String("<interface"));
    const QString end = QStringLiteral("</interface>");
    const qsizetype stop = text.indexOf(end, start);
    return start < 0 || stop < 0 ? QString() : text.mid(start, stop + end.size() - start) + QLatin1Char('\n');
}

TDScriptingService::Target TDScriptingService::resolve(const QString &path) const
{
    Target target;
    if (path == RootPath) {
        target.kind = Target::Kind::Application;
        return target;
    }
    const QString documentsPrefix = RootPath + QStringLiteral("/documents/");
    if (!path.startsWith(documentsPrefix))
        return target;
    const QStringList parts = path.mid(documentsPrefix.size()).split(QLatin1Char('/'));
    if (parts.size() != 1 && !(parts.size() == 3 && parts[1] == QLatin1String("graphics")))
        return target;
    const auto documentId = idOf(parts[0]);
    if (!documentId)
        return target;
    for (TDDocument *document : m_documents())
        if (document && document->objectId().value == *documentId)
            target.document = document;
    if (!target.document)
        return target;
    if (parts.size() == 1) {
        target.kind = Target::Kind::Document;
        return target;
    }
    const auto graphicId = idOf(parts[2]);
    target.graphic = graphicId ? findGraphic(target.document->graphics(), *graphicId) : nullptr;
    // A layer is no graphic of the lists.
    if (target.graphic && !dynamic_cast<TDLayer *>(target.graphic))
        target.kind = Target::Kind::Graphic;
    return target;
}

QString TDScriptingService::introspect(const QString &path) const
{
    const Target target = resolve(path);
    switch (target.kind) {
    case Target::Kind::Application: {
        QString xml = interfaceXml(ApplicationInterface) + QStringLiteral("<node name=\"documents\"/>\n");
        return xml;
    }
    case Target::Kind::Document: {
        QString xml = interfaceXml(DocumentInterface) + QStringLiteral("<node name=\"graphics\"/>\n");
        return xml;
    }
    case Target::Kind::Graphic:
        return interfaceXml(GraphicInterface);
    case Target::Kind::None:
        break;
    }
    // The folders of the tree list what they hold.
    QString xml;
    if (path == RootPath + QStringLiteral("/documents")) {
        for (TDDocument *document : m_documents())
            if (document)
                xml += QStringLiteral("<node name=\"%1\"/>\n").arg(document->objectId().value);
    } else if (path.endsWith(QLatin1String("/graphics"))) {
        const Target owner = resolve(path.chopped(9));
        if (owner.kind == Target::Kind::Document)
            for (const auto &graphic :
                 TDDocumentScripting(*owner.document).elements(TDDocumentScripting::List::Graphics))
                xml += QStringLiteral("<node name=\"%1\"/>\n").arg(graphic->objectId().value);
    }
    return xml;
}

bool TDScriptingService::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    // Introspection of the tree is answered by the bus library from introspect().
    if (message.interface() == IntrospectableInterface)
        return false;
    const Target target = resolve(message.path());
    QDBusMessage reply =
        target.kind == Target::Kind::None
            ? message.createErrorReply(UnknownObject, QStringLiteral("There is no object at %1; it may "
                                                                     "have been closed or deleted.")
                                                          .arg(message.path()))
            : dispatch(message, target);
    if (!message.isReplyRequired())
        return true;
    QDBusConnection(connection).send(reply);
    return true;
}

QDBusMessage TDScriptingService::dispatch(const QDBusMessage &message, const Target &target)
{
    if (message.interface() == PropertiesInterface)
        return properties(message, target);
    switch (target.kind) {
    case Target::Kind::Application:
        if (message.interface().isEmpty() || message.interface() == ApplicationInterface)
            return applicationCall(message);
        break;
    case Target::Kind::Document:
        if (message.interface().isEmpty() || message.interface() == DocumentInterface)
            return documentCall(message, *target.document);
        break;
    case Target::Kind::Graphic:
        if (message.interface().isEmpty() || message.interface() == GraphicInterface)
            return graphicCall(message, *target.document, *target.graphic);
        break;
    case Target::Kind::None:
        break;
    }
    return message.createErrorReply(
        UnknownInterface, QStringLiteral("%1 has no interface %2.").arg(message.path(), message.interface()));
}

QDBusMessage TDScriptingService::properties(const QDBusMessage &message, const Target &target)
{
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    const QString expected = member == QLatin1String("Get")      ? QStringLiteral("ss")
                             : member == QLatin1String("GetAll") ? QStringLiteral("s")
                             : member == QLatin1String("Set")    ? QStringLiteral("ssv")
                                                                 : QString();
    if (expected.isEmpty())
        return message.createErrorReply(UnknownMethod,
                                        QStringLiteral("Properties have no method %1.").arg(member));
    if (message.signature() != expected)
        return message.createErrorReply(InvalidArgs, QStringLiteral("%1 takes (%2).").arg(member, expected));
    const QString interface = args[0].toString();
    const QString name = args.size() > 1 ? args[1].toString() : QString();

    if (target.kind == Target::Kind::Document) {
        if (interface != DocumentInterface && !(interface.isEmpty() && member != QLatin1String("GetAll")))
            return message.createErrorReply(UnknownInterface,
                                            QStringLiteral("No interface %1 here.").arg(interface));
        TDDocumentScripting scripting(*target.document);
        auto value = [&](const QString &key) -> std::optional<QVariant> {
            if (key == QLatin1String("Name"))
                return QVariant(target.document->displayName());
            if (key == QLatin1String("PageWidth"))
                return QVariant(scripting.pageWidth());
            if (key == QLatin1String("PageHeight"))
                return QVariant(scripting.pageHeight());
            return std::nullopt;
        };
        if (member == QLatin1String("GetAll")) {
            QVariantMap all;
            for (const QString &key :
                 {QStringLiteral("Name"), QStringLiteral("PageWidth"), QStringLiteral("PageHeight")})
                all.insert(key, *value(key));
            return message.createReply(QVariant(all));
        }
        if (member == QLatin1String("Get")) {
            const auto found = value(name);
            return found ? message.createReply(QVariant::fromValue(QDBusVariant(*found)))
                         : message.createErrorReply(
                               UnknownProperty, QStringLiteral("A document has no property “%1”.").arg(name));
        }
        if (name == QLatin1String("Name"))
            return message.createErrorReply(PropertyReadOnly,
                                            QStringLiteral("A document's name cannot be set."));
        if (name != QLatin1String("PageWidth") && name != QLatin1String("PageHeight"))
            return message.createErrorReply(UnknownProperty,
                                            QStringLiteral("A document has no property “%1”.").arg(name));
        const auto number = numberOf(args[2].value<QDBusVariant>().variant());
        if (!number)
            return message.createErrorReply(InvalidArgs, QStringLiteral("%1 must be a number.").arg(name));
        QString error;
        UndoStep step(*target.document);
        const bool done = name == QLatin1String("PageWidth") ? scripting.setPageWidth(*number, &error)
                                                             : scripting.setPageHeight(*number, &error);
        return done ? message.createReply() : message.createErrorReply(InvalidArgs, error);
    }

    if (target.kind == Target::Kind::Graphic) {
        if (interface != GraphicInterface && !(interface.isEmpty() && member != QLatin1String("GetAll")))
            return message.createErrorReply(UnknownInterface,
                                            QStringLiteral("No interface %1 here.").arg(interface));
        TDGraphicScripting scripting(*target.graphic);
        if (member == QLatin1String("GetAll")) {
            QVariantMap all;
            for (const GraphicProperty &property : GraphicProperties)
                all.insert(QLatin1String(property.name), property.get(scripting));
            return message.createReply(QVariant(all));
        }
        const GraphicProperty *property = graphicProperty(name);
        if (!property)
            return message.createErrorReply(UnknownProperty,
                                            QStringLiteral("A graphic has no property “%1”.").arg(name));
        if (member == QLatin1String("Get"))
            return message.createReply(QVariant::fromValue(QDBusVariant(property->get(scripting))));
        if (!property->set)
            return message.createErrorReply(PropertyReadOnly,
                                            QStringLiteral("“%1” cannot be set.").arg(name));
        QString error;
        UndoStep step(*target.document);
        if (property->geometry)
            step.name(QStringLiteral("Transform"));
        if (!property->set(scripting, args[2].value<QDBusVariant>().variant(), &error))
            return message.createErrorReply(InvalidArgs, QStringLiteral("%1: %2").arg(name, error));
        return message.createReply();
    }

    // The application object has no properties.
    if (member == QLatin1String("GetAll"))
        return message.createReply(QVariant(QVariantMap()));
    return message.createErrorReply(UnknownProperty,
                                    QStringLiteral("The application has no property “%1”.").arg(name));
}

QDBusMessage TDScriptingService::applicationCall(const QDBusMessage &message)
{
    const std::vector<TDDocument *> documents = m_documents();
    if (message.member() == QLatin1String("Documents") && message.signature().isEmpty()) {
        QList<QDBusObjectPath> paths;
        for (const TDDocument *document : documents)
            if (document)
                paths.append(QDBusObjectPath(documentPath(*document)));
        return message.createReply(QVariant::fromValue(paths));
    }
    if (message.member() == QLatin1String("CurrentDocument") && message.signature().isEmpty()) {
        if (documents.empty() || !documents.front())
            return message.createErrorReply(NoSuchElementError, QStringLiteral("No document is open."));
        return message.createReply(QVariant::fromValue(QDBusObjectPath(documentPath(*documents.front()))));
    }
    return message.createErrorReply(
        UnknownMethod,
        QStringLiteral("The application has no method %1(%2).").arg(message.member(), message.signature()));
}

QDBusMessage TDScriptingService::documentCall(const QDBusMessage &message, TDDocument &document)
{
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    const QString signature = message.signature();
    const bool elements = member == QLatin1String("Elements") && signature == QLatin1String("s");
    const bool insert = member == QLatin1String("Insert") && signature == QLatin1String("sia{sv}");
    const bool remove = member == QLatin1String("Remove") && signature == QLatin1String("si");
    const bool replace = member == QLatin1String("Replace") && signature == QLatin1String("sia{sv}");
    if (!elements && !insert && !remove && !replace)
        return message.createErrorReply(
            UnknownMethod, QStringLiteral("A document has no method %1(%2).").arg(member, signature));
    const auto list = TDDocumentScripting::listNamed(args[0].toString());
    if (!list)
        return message.createErrorReply(InvalidArgs,
                                        QStringLiteral("There is no list “%1”: the lists are graphics, "
                                                       "rectangles, ovals and paths.")
                                            .arg(args[0].toString()));
    TDDocumentScripting scripting(document);
    if (elements) {
        QList<QDBusObjectPath> paths;
        for (const auto &graphic : scripting.elements(*list))
            paths.append(QDBusObjectPath(graphicPath(document, *graphic)));
        return message.createReply(QVariant::fromValue(paths));
    }
    const int index = args[1].toInt();
    QString error;
    UndoStep step(document);
    if (remove) {
        if (!scripting.remove(*list, index, &error))
            return message.createErrorReply(NoSuchElementError, error);
        return message.createReply();
    }
    // The properties are set before the graphic joins the drawing, so that
    // a value that fails leaves the drawing as it was.
    const QVariantMap properties = qdbus_cast<QVariantMap>(args[2]);
    const TDGraphicPtr graphic = TDDocumentScripting::makeGraphic(*list);
    QString errorName;
    if (!applyProperties(*graphic, properties, &errorName, &error))
        return message.createErrorReply(errorName, error);
    const bool done = insert ? scripting.insert(*list, graphic, index, &error)
                             : scripting.replace(*list, index, graphic, &error);
    if (!done)
        return message.createErrorReply(NoSuchElementError, error);
    return message.createReply(QVariant::fromValue(QDBusObjectPath(graphicPath(document, *graphic))));
}

QDBusMessage TDScriptingService::graphicCall(const QDBusMessage &message, TDDocument &document,
                                             TDGraphic &graphic)
{
    const QString member = message.member();
    const QString signature = message.signature();
    const QList<QVariant> args = message.arguments();
    TDGraphicScripting scripting(graphic);
    QString error;
    UndoStep step(document);
    step.name(QStringLiteral("Transform"));
    bool done = false;
    if (member == QLatin1String("Translate") && signature == QLatin1String("dd"))
        done = scripting.translate(args[0].toDouble(), args[1].toDouble(), &error);
    else if (member == QLatin1String("Rotate") && signature == QLatin1String("d"))
        done = scripting.rotate(args[0].toDouble(), &error);
    else if (member == QLatin1String("Scale") && signature == QLatin1String("dd"))
        done = scripting.scale(args[0].toDouble(), args[1].toDouble(), &error);
    else
        return message.createErrorReply(
            UnknownMethod, QStringLiteral("A graphic has no method %1(%2).").arg(member, signature));
    return done ? message.createReply() : message.createErrorReply(InvalidArgs, error);
}

} // namespace scrivane
