#include "model/TDLayer.h"

#include "model/TDDictionaryReader.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

namespace scrivane {

TDLayer::TDLayer()
{
    setVisibleQuiet(true);
    setLockedQuiet(false);
}

std::shared_ptr<TDLayer> TDLayer::layerWithName(const QString &name, TDDocumentInterface *document)
{
    auto layer = std::make_shared<TDLayer>();
    layer->initWithName(name, document);
    return layer;
}

void TDLayer::initWithName(const QString &name, TDDocumentInterface *document)
{
    setName(name);
    setDocumentReference(document);
}

QString TDLayer::defaultNameFormat() const
{
    return QStringLiteral("Layer");
}

std::shared_ptr<TDLayer> TDLayer::objectWithYAML(const PropertyList &dictionary)
{
    auto layer = std::make_shared<TDLayer>();
    layer->initWithDictionary(dictionary);
    return layer;
}

QStringList TDLayer::archiveClassHierarchy() const
{
    return {QStringLiteral("TDLayer"), QStringLiteral("TDGroup"), QStringLiteral("TDGraphic"),
            QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDLayer::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDLayer", std::make_shared<TDLayer>());
}

} // namespace scrivane
