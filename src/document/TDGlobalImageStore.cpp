#include "document/TDGlobalImageStore.h"

#include "document/TDGhostscript.h"
#include "document/TDPdfImporter.h"
#include "document/TDPdfPicture.h"
#include "platform/DataHash.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QDebug>
#include <QUuid>

#include <algorithm>

namespace scrivane {

TDGlobalImageStore::~TDGlobalImageStore()
{
    if (TDImageStore::shared() == this)
        TDImageStore::setShared(nullptr);
}

TDGlobalImageStore &TDGlobalImageStore::instance()
{
    static TDGlobalImageStore *store = [] {
        auto *made = new TDGlobalImageStore; // lives as long as the process
        TDImageStore::setShared(made);
        return made;
    }();
    return *store;
}

std::optional<TDImageStore::Image> TDGlobalImageStore::image(const QString &key) const
{
    const Entry *found = entry(key);
    if (!found)
        return std::nullopt;
    return Image{found->key, found->data, found->extension, found->size};
}

bool TDGlobalImageStore::drawImage(const QString &key, GraphicsContext &context,
                                   const Rect &destination) const
{
    const Entry *found = entry(key);
    if (!found)
        return false;
    if (!found->image.isNull())
        return context.drawImage(found->image, destination, Rect());
    if (!isVectorExtension(found->extension))
        return false;
    // A PDF or EPS picture draws its first page, read once.
    if (!found->pictureTried) {
        found->pictureTried = true;
        QString error;
        if (const std::optional<QByteArray> pdf = pdfOf(*found, &error))
            found->picture = TDPdfPicture::firstPage(*pdf, &error);
        if (!found->picture)
            qWarning().noquote() << error;
    }
    return found->picture && context.drawImage(found->picture.get(), destination, Rect());
}

QString TDGlobalImageStore::addGlobalImage(const QByteArray &data, const QString &name,
                                           const QString &extension, DocumentRef document)
{
    if (data.isEmpty()) {
        qWarning("Bad Image Data");
        return QStringLiteral("!");
    }
    const QByteArray hash = DataHash::md5Digest(data);
    if (const auto known = m_byHash.constFind(hash); known != m_byHash.constEnd()) {
        addImage(*known, document);
        return *known;
    }

    QString ext = extension.toLower();
    if (!isSafeExtension(ext))
        ext = sniffExtension(data);
    // What the file says of its size is read before any pixel is decoded.
    const QSize declared = declaredSize(data);
    if (qint64(declared.width()) * declared.height() > MaximumPixels) {
        qWarning().noquote() << QStringLiteral("The image%1 of %2 × %3 pixels is too large to be read")
                                    .arg(name.isEmpty() ? QString() : QStringLiteral(" “%1”").arg(name))
                                    .arg(declared.width())
                                    .arg(declared.height());
        return QStringLiteral("!");
    }
    QImage picture = QImage::fromData(data);
    const bool vector = isVectorExtension(ext) || ext == QLatin1String("pict") || ext == QLatin1String("pct");
    if (picture.isNull() && !vector) {
        qWarning().noquote() << QStringLiteral("The image data (%1 bytes%2) cannot be read as an image")
                                    .arg(data.size())
                                    .arg(name.isEmpty() ? QString() : QStringLiteral(", “%1”").arg(name));
        return QStringLiteral("!");
    }
    if (ext.isEmpty())
        ext = QStringLiteral("png");
    // One pixel is one point, whatever resolution the file declares.
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(1);
        picture.setDotsPerMeterX(2835);
        picture.setDotsPerMeterY(2835);
        // Kept in the pixel format cairo draws from, so that no redraw
        // converts it again.
        if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32_Premultiplied)
            picture = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                        : QImage::Format_RGB32);
    }

    // A name becomes the key only when it is long (an earlier key read back
    // from a package), safe as a file name, and not taken by other data:
    // replacing that entry would take the image from the documents using it.
    QString key;
    if (name.size() > KeptNameLength && isSafeKey(name) && m_entries.find(name) == m_entries.end())
        key = name;
    else
        key = makeUniqueKey();

    Entry made;
    made.key = key;
    made.data = data;
    made.hash = hash;
    made.extension = ext;
    if (!picture.isNull())
        made.size = Size(float(picture.width()), float(picture.height()));
    else if (ext == QLatin1String("pdf") || ext == QLatin1String("ai"))
        made.size = TDPdfImporter::pageSize(data).value_or(Size());
    else if (isVectorExtension(ext))
        made.size = TDGhostscript::boundingBoxSize(data).value_or(Size());
    made.image = std::move(picture);
    if (document)
        made.documents.push_back(document);
    m_entries.emplace(key, std::move(made));
    m_byHash.insert(hash, key);
    return key;
}

void TDGlobalImageStore::addImage(const QString &key, DocumentRef document)
{
    if (!document)
        return;
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    auto &documents = it->second.documents;
    if (std::find(documents.begin(), documents.end(), document) == documents.end())
        documents.push_back(document);
}

void TDGlobalImageStore::releaseDocumentImages(DocumentRef document)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        auto &documents = it->second.documents;
        const auto user = std::find(documents.begin(), documents.end(), document);
        if (user == documents.end()) {
            ++it;
            continue;
        }
        if (documents.size() == 1) {
            m_byHash.remove(it->second.hash);
            it = m_entries.erase(it);
        } else {
            documents.erase(user);
            ++it;
        }
    }
}

const TDGlobalImageStore::Entry *TDGlobalImageStore::entry(const QString &key) const
{
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : &it->second;
}

QStringList TDGlobalImageStore::keys() const
{
    QStringList result;
    for (const auto &[key, entry] : m_entries)
        result.append(key);
    return result;
}

void TDGlobalImageStore::clear()
{
    m_entries.clear();
    m_byHash.clear();
}

QSize TDGlobalImageStore::declaredSize(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead() ? reader.size() : QSize();
}

bool TDGlobalImageStore::isSafeKey(const QString &name)
{
    if (name.isEmpty() || name.size() > MaximumKeyLength || name.startsWith(QLatin1Char('.')) ||
        name.contains(QLatin1String("..")))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f;
    });
}

bool TDGlobalImageStore::isSafeExtension(const QString &extension)
{
    if (extension.isEmpty() || extension.size() > 16)
        return false;
    return std::all_of(extension.begin(), extension.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
}

QString TDGlobalImageStore::sniffExtension(const QByteArray &data)
{
    if (data.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (data.startsWith("\xff\xd8\xff"))
        return QStringLiteral("jpg");
    if (data.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4)))
        return QStringLiteral("tiff");
    if (data.startsWith("BM"))
        return QStringLiteral("bmp");
    if (data.startsWith("%PDF"))
        return QStringLiteral("pdf");
    if (data.startsWith("%!PS") || data.startsWith("\xc5\xd0\xd3\xc6"))
        return QStringLiteral("eps");
    return QString();
}

bool TDGlobalImageStore::isVectorExtension(const QString &extension)
{
    static const QStringList extensions{QStringLiteral("pdf"), QStringLiteral("ai"),   QStringLiteral("eps"),
                                        QStringLiteral("epsf"), QStringLiteral("epsi"), QStringLiteral("ps")};
    return extensions.contains(extension.toLower());
}

std::optional<QByteArray> TDGlobalImageStore::pdfData(const QString &key, QString *error)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || !isVectorExtension(it->second.extension)) {
        if (error)
            *error = QStringLiteral("The picture is no PDF or EPS picture.");
        return std::nullopt;
    }
    return pdfOf(it->second, error);
}

std::optional<QByteArray> TDGlobalImageStore::pdfOf(const Entry &found, QString *error)
{
    if (found.data.startsWith("%PDF"))
        return found.data;
    if (found.pdf.isEmpty()) {
        const std::optional<QByteArray> pdf = TDGhostscript::pdfFromEPS(found.data, error);
        if (!pdf)
            return std::nullopt;
        found.pdf = *pdf;
    }
    return found.pdf;
}

QString TDGlobalImageStore::makeUniqueKey()
{
    static quint32 counter = 0;
    return QStringLiteral("%1-%2-%3")
        .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
        .arg(quint32(QCoreApplication::applicationPid()), 8, 16, QLatin1Char('0'))
        .arg(++counter, 8, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace scrivane
