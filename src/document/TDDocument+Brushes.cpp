#include "document/TDDocument.h"

#include "model/TDBrushLibrary.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedUnarchiver.h"

namespace scrivane {

std::optional<TDBrushDocument> TDDocument::readBrushDocument(const QString &path, QString *error)
{
    // The document lives as long as a brush uses its graphics.
    auto document = std::make_shared<TDDocument>();
    if (!document->readFromFile(path, ScrivaneType)) {
        if (error)
            *error = document->lastError();
        return std::nullopt;
    }
    TDBrushDocument brush;
    brush.paperBounds = document->paperBounds();
    brush.graphics = document->graphics();
    const PropertyList &info = document->infoDictionary();
    const PropertyList method = info.value(QStringLiteral("colorizationMethod"));
    brush.colorizationMethod = method.isNumber() ? int(method.toInteger()) : 0;
    const PropertyList keyColor = info.value(QStringLiteral("keyColor"));
    if (keyColor.kind() == PropertyList::Kind::Data && !keyColor.toData().isEmpty()) {
        if (const auto value = KeyedUnarchiver::unarchive(keyColor.toData()))
            brush.keyColor = ArchivedColor::fromValue(*value);
    } else if (keyColor.isObject()) {
        brush.keyColor = ArchivedColor::fromValue(keyColor);
    }
    brush.owner = std::move(document);
    return brush;
}

void TDDocument::registerBrushDocumentReader()
{
    static const bool registered = [] {
        TDBrushLibrary::setDocumentReader(&TDDocument::readBrushDocument);
        return true;
    }();
    (void)registered;
}

} // namespace scrivane
