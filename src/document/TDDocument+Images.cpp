#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDImageExport.h"

namespace scrivane {

QString TDDocument::addGlobalImage(const QByteArray &data, const QString &name, const QString &extension,
                                   const TDDocument *document)
{
    return TDGlobalImageStore::instance().addGlobalImage(data, name, extension,
                                                         document ? document->imageStoreRef() : nullptr);
}

void TDDocument::releaseDocumentImages(const TDDocument *document)
{
    if (document)
        TDGlobalImageStore::instance().releaseDocumentImages(document->imageStoreRef());
}

QByteArray TDDocument::dataForImage(const QImage &image, QString *extension)
{
    if (image.isNull()) {
        if (extension)
            extension->clear();
        return QByteArray();
    }
    if (extension)
        *extension = QStringLiteral("png");
    return TDImageExport::PNGData(image);
}

QString TDDocument::addImage(const QByteArray &data, const QString &name, const QString &extension)
{
    return addGlobalImage(data, name, extension, this);
}

QString TDDocument::addImage(const QByteArray &data, const QString &extension)
{
    return addGlobalImage(data, QString(), extension, this);
}

void TDDocument::addImage(const QString &key)
{
    TDGlobalImageStore::instance().addImage(key, imageStoreRef());
}

} // namespace scrivane
