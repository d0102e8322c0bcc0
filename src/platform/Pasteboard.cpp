#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUuid>
#include <QVariant>

#include <cstring>

namespace scrivane {

const QString Pasteboard::GraphicsType = QStringLiteral("application/x-scrivane-graphics");
const QString Pasteboard::TIFFType = QStringLiteral("image/tiff");
const QString Pasteboard::PNGType = QStringLiteral("image/png");
const QString Pasteboard::JPEGType = QStringLiteral("image/jpeg");
const QString Pasteboard::GIFType = QStringLiteral("image/gif");
const QString Pasteboard::BMPType = QStringLiteral("image/bmp");
const QString Pasteboard::PDFType = QStringLiteral("application/pdf");
const QString Pasteboard::PostScriptType = QStringLiteral("application/postscript");
const QString Pasteboard::SVGType = QStringLiteral("image/svg+xml");
const QString Pasteboard::URIListType = QStringLiteral("text/uri-list");
const QString Pasteboard::ColorType = QStringLiteral("application/x-color");
const QString Pasteboard::LinkType = QStringLiteral("application/x-quelmont-link");
const QString Pasteboard::GeneralName = QStringLiteral("general");
const QString Pasteboard::DragName = QStringLiteral("drag");

// One declaration's types and data.  The platform data objects made from
// it keep it; `owner` is the pasteboard while these are its contents.
struct Pasteboard::Contents {
    QStringList types;
    QHash<QString, QByteArray> data;
    Provider provider;
    std::vector<std::shared_ptr<void>> kept;
    Pasteboard *owner = nullptr;
    // Types the owner was asked for: once each, even when it had nothing
    // (and a provider reading its own pasteboard does not ask again).
    QStringList asked;
};

// Offers the declared types to other programs and to drops; each type's
// data is asked for only when a reader wants it.
class Pasteboard::MimeData : public QMimeData {
public:
    explicit MimeData(std::shared_ptr<Contents> contents) : m_contents(std::move(contents)) {}

    QStringList formats() const override { return m_contents->types; }
    bool hasFormat(const QString &type) const override { return m_contents->types.contains(type); }

protected:
    QVariant retrieveData(const QString &type, QMetaType) const override
    {
        if (!m_contents->types.contains(type))
            return QVariant();
        if (Pasteboard *owner = m_contents->owner) {
            const auto data = owner->dataForType(type);
            return data ? QVariant(*data) : QVariant();
        }
        const auto found = m_contents->data.constFind(type);
        return found == m_contents->data.constEnd() ? QVariant() : QVariant(*found);
    }

private:
    std::shared_ptr<Contents> m_contents;
};

Pasteboard::Pasteboard(QString name) : m_name(std::move(name)), m_contents(std::make_shared<Contents>())
{
    m_contents->owner = this;
}

Pasteboard::~Pasteboard()
{
    if (m_contents)
        m_contents->owner = nullptr;
}

Pasteboard &Pasteboard::general()
{
    // Never freed: the desktop's clipboard may still hold data objects that
    // read from it while the program ends.
    static Pasteboard *pasteboard = [] {
        auto *made = new Pasteboard(GeneralName);
        made->m_isGeneral = true;
        // Whatever the clipboard held when the program started counts as
        // contents of their own.
        made->m_changeCount = 1;
        made->watchClipboard();
        return made;
    }();
    return *pasteboard;
}

Pasteboard &Pasteboard::drag()
{
    static Pasteboard *pasteboard = new Pasteboard(DragName);
    return *pasteboard;
}

std::shared_ptr<Pasteboard> Pasteboard::withUniqueName()
{
    auto made = std::make_shared<Pasteboard>(QUuid::createUuid().toString(QUuid::WithoutBraces));
    made->m_unique = true;
    return made;
}

std::shared_ptr<Pasteboard> Pasteboard::withMimeData(const QMimeData *data)
{
    auto made = std::make_shared<Pasteboard>(DragName);
    made->m_mimeData = data;
    made->m_readsMimeData = true;
    return made;
}

void Pasteboard::watchClipboard()
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, QGuiApplication::clipboard(),
                     [this] { clipboardChanged(); });
}

void Pasteboard::clipboardChanged()
{
    if (m_publishing)
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_published && clipboard->mimeData() == m_published.data())
        return;
    // Another program's data: new contents, read from the clipboard.
    ++m_changeCount;
    m_contents->owner = nullptr;
    m_contents = std::make_shared<Contents>();
    m_contents->owner = this;
}

bool Pasteboard::readsClipboard() const
{
    if (!m_isGeneral || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    // Own contents are on the clipboard exactly while it still holds the data
    // object published for them.  Not a flag set when the clipboard says it
    // changed: another program may have held the clipboard since before
    // this one started (or before its first paste), and no change is ever
    // announced for that.
    return !(m_published && QGuiApplication::clipboard()->mimeData() == m_published.data());
}

const QMimeData *Pasteboard::platformData() const
{
    if (m_readsMimeData)
        return m_mimeData;
    if (readsClipboard())
        return QGuiApplication::clipboard()->mimeData();
    return nullptr;
}

int Pasteboard::declareTypes(const QStringList &types, Provider owner)
{
    if (m_readsMimeData)
        return m_changeCount;
    ++m_changeCount;
    m_contents->owner = nullptr;
    m_contents = std::make_shared<Contents>();
    m_contents->owner = this;
    for (const QString &type : types)
        if (!type.isEmpty() && !m_contents->types.contains(type))
            m_contents->types.append(type);
    m_contents->provider = std::move(owner);
    if (m_isGeneral && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        m_publishing = true;
        MimeData *published = new MimeData(m_contents);
        m_published = published;
        QGuiApplication::clipboard()->setMimeData(published);
        m_publishing = false;
    }
    return m_changeCount;
}

bool Pasteboard::setData(const QByteArray &data, const QString &type)
{
    if (m_readsMimeData || !m_contents->types.contains(type))
        return false;
    m_contents->data.insert(type, data);
    return true;
}

bool Pasteboard::setColor(const QColor &color)
{
    return setData(encodeColor(color), ColorType);
}

bool Pasteboard::setURLs(const QList<QUrl> &urls)
{
    return setData(encodeURLs(urls), URIListType);
}

QStringList Pasteboard::types() const
{
    if (m_readsMimeData || readsClipboard()) {
        const QMimeData *data = platformData();
        if (!data)
            return {};
        QStringList offered = data->formats();
        // Qt keeps colours and URL lists it made itself as values; they are
        // offered under their types all the same.
        if (data->hasColor() && !offered.contains(ColorType))
            offered.append(ColorType);
        if (data->hasUrls() && !offered.contains(URIListType))
            offered.append(URIListType);
        return offered;
    }
    return m_contents->types;
}

QString Pasteboard::availableTypeFromArray(const QStringList &preferred) const
{
    const QStringList offered = types();
    for (const QString &type : preferred)
        if (offered.contains(type))
            return type;
    return QString();
}

std::optional<QByteArray> Pasteboard::dataForType(const QString &type)
{
    if (m_readsMimeData || readsClipboard()) {
        const QMimeData *data = platformData();
        if (!data)
            return std::nullopt;
        if (type == ColorType && data->hasColor() && !data->formats().contains(ColorType)) {
            const QVariant value = data->colorData();
            return value.canConvert<QColor>() ? std::optional(encodeColor(value.value<QColor>()))
                                              : std::nullopt;
        }
        if (type == URIListType && data->hasUrls() && !data->formats().contains(URIListType))
            return encodeURLs(data->urls());
        if (!data->hasFormat(type))
            return std::nullopt;
        return data->data(type);
    }
    const std::shared_ptr<Contents> contents = m_contents;
    if (!contents->types.contains(type))
        return std::nullopt;
    if (!contents->data.contains(type) && contents->provider && !contents->asked.contains(type)) {
        contents->asked.append(type);
        contents->provider(*this, type);
    }
    const auto found = contents->data.constFind(type);
    if (found == contents->data.constEnd())
        return std::nullopt;
    return *found;
}

bool Pasteboard::hasDataForType(const QString &type) const
{
    if (const QMimeData *data = platformData())
        return data->hasFormat(type);
    return m_contents->data.contains(type);
}

QList<QUrl> Pasteboard::urls()
{
    if (const QMimeData *data = platformData(); data && data->hasUrls())
        return data->urls();
    const auto data = dataForType(URIListType);
    return data ? decodeURLs(*data) : QList<QUrl>();
}

QStringList Pasteboard::fileNames()
{
    QStringList names;
    for (const QUrl &url : urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            names.append(url.toLocalFile());
    return names;
}

std::optional<QColor> Pasteboard::color()
{
    if (const QMimeData *data = platformData(); data && data->hasColor()) {
        const QVariant value = data->colorData();
        if (value.canConvert<QColor>() && value.value<QColor>().isValid())
            return value.value<QColor>();
    }
    const auto data = dataForType(ColorType);
    return data ? decodeColor(*data) : std::nullopt;
}

void Pasteboard::keepWhileContentsLast(std::shared_ptr<void> token)
{
    if (token)
        m_contents->kept.push_back(std::move(token));
}

QMimeData *Pasteboard::makeMimeData()
{
    return new MimeData(m_contents);
}

QByteArray Pasteboard::encodeColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    const quint16 values[4] = {quint16(rgb.red() * 257), quint16(rgb.green() * 257),
                               quint16(rgb.blue() * 257), quint16(rgb.alpha() * 257)};
    return QByteArray(reinterpret_cast<const char *>(values), sizeof values);
}

std::optional<QColor> Pasteboard::decodeColor(const QByteArray &data)
{
    quint16 values[4];
    if (data.size() != qsizetype(sizeof values))
        return std::nullopt;
    std::memcpy(values, data.constData(), sizeof values);
    QColor color;
    color.setRgbF(float(values[0]) / 65535.0f, float(values[1]) / 65535.0f, float(values[2]) / 65535.0f,
                  float(values[3]) / 65535.0f);
    return color;
}

QByteArray Pasteboard::encodeURLs(const QList<QUrl> &urls)
{
    QByteArray text;
    for (const QUrl &url : urls) {
        text += url.toEncoded();
        text += "\r\n";
    }
    return text;
}

QList<QUrl> Pasteboard::decodeURLs(const QByteArray &data)
{
    QList<QUrl> result;
    for (const QByteArray &line : data.split('\n')) {
        const QByteArray entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(entry);
        if (url.isValid())
            result.append(url);
    }
    return result;
}

} // namespace scrivane
