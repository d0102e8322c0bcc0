#include "document/TDDocument.h"

#include "document/TDGlobalImageStore.h"
#include "document/TDImageExport.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDModelArchiving.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/LinkService.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"

#include <QDebug>

#include <unordered_set>

namespace scrivane {

namespace {

// Holds the images of copied image fills in the store for as long as the
// pasteboard holds the copy, so that a paste finds them even after the
// documents they came from were closed.
struct ImageHold {
    ImageHold() = default;
    ImageHold(const ImageHold &) = delete;
    ImageHold &operator=(const ImageHold &) = delete;
    ~ImageHold() { TDGlobalImageStore::instance().releaseDocumentImages(this); }
};

QStringList imageKeysOf(const TDGraphicArray &graphics)
{
    QStringList keys;
    TDGraphicArray work = graphics;
    for (size_t i = 0; i < work.size(); ++i) {
        const TDGraphicPtr graphic = work[i];
        if (!graphic)
            continue;
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic)) {
            work.insert(work.end(), group->graphics().begin(), group->graphics().end());
            continue;
        }
        const auto &fill = graphic->fillStyle();
        if (fill && fill->style() == TDFillImage && !fill->imageKey().isEmpty() &&
            !keys.contains(fill->imageKey()))
            keys.append(fill->imageKey());
    }
    return keys;
}

// Every graphic inside `graphic`, itself included.
void collectTree(const TDGraphicPtr &graphic, std::vector<const TDGraphic *> &into)
{
    std::vector<TDGraphicPtr> work{graphic};
    for (size_t i = 0; i < work.size(); ++i) {
        into.push_back(work[i].get());
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(work[i]))
            for (const auto &child : group->graphics())
                if (child)
                    work.push_back(child);
    }
}

} // namespace

QStringList TDDocument::pasteboardTypes()
{
    // PNG is what most programs on the desktop take for pictures.  Other
    // programs can send the graphics back for editing only while this one
    // answers links.
    QStringList types{Pasteboard::GraphicsType, Pasteboard::TIFFType};
    if (const LinkService *links = LinkService::shared(); links && links->isConnected())
        types << Pasteboard::LinkType;
    types << Pasteboard::PDFType << Pasteboard::PNGType;
    return types;
}

bool TDDocument::copy(const TDGraphicArray &graphics, Pasteboard &pasteboard)
{
    PropertyList::Array archived;
    for (const auto &graphic : graphics)
        if (graphic)
            archived.emplace_back(graphic);
    if (archived.empty())
        return false;
    QString error;
    const auto data =
        KeyedArchiver::archivedData(PropertyList(std::move(archived)), PropertyList::Format::Binary, &error);
    if (!data) {
        qWarning().noquote() << QStringLiteral("The graphics could not be copied: %1").arg(error);
        return false;
    }
    pasteboard.declareTypes(pasteboardTypes(), &TDDocument::pasteboardProvideDataForType);
    pasteboard.setData(*data, Pasteboard::GraphicsType);

    const QStringList keys = imageKeysOf(graphics);
    if (!keys.isEmpty()) {
        auto hold = std::make_shared<ImageHold>();
        TDGlobalImageStore &store = TDGlobalImageStore::instance();
        for (const QString &key : keys)
            if (store.entry(key))
                store.addImage(key, hold.get());
        pasteboard.keepWhileContentsLast(hold);
    }
    return true;
}

void TDDocument::pasteboardProvideDataForType(Pasteboard &pasteboard, const QString &type)
{
    const bool tiff = type == Pasteboard::TIFFType;
    const bool png = type == Pasteboard::PNGType;
    const bool pdf = type == Pasteboard::PDFType;
    const bool link = type == Pasteboard::LinkType;
    if (!tiff && !png && !pdf && !link)
        return;
    const auto archive = pasteboard.dataForType(Pasteboard::GraphicsType);
    if (!archive)
        return;
    const TDGraphicArray graphics = graphicsWithArchivedData(*archive);
    if (graphics.empty())
        return;
    if (pdf) {
        pasteboard.setData(PDFRepresentationForGraphics(graphics), type);
        return;
    }
    if (link) {
        if (const auto data = linkDataForGraphics(graphics))
            pasteboard.setData(*data, type);
        return;
    }
    const bool opaque = UserDefaults::standard().boolean(QStringLiteral("copy opaque background"));
    const QImage image = imageForGraphics(graphics, 1, opaque);
    if (image.isNull())
        return;
    pasteboard.setData(tiff ? TDImageExport::TIFFData(image) : TDImageExport::PNGData(image), type);
}

TDGraphicArray TDDocument::graphicsWithArchivedData(const QByteArray &data)
{
    TDModelArchiving::registerClasses();
    QString error;
    const auto root = KeyedUnarchiver::unarchive(data, &error);
    if (!root) {
        qWarning().noquote() << QStringLiteral("The pasted graphics cannot be read: %1").arg(error);
        return {};
    }
    if (!root->isArray())
        return {};
    // A graphic can stand in one place only: an archive that names one
    // object twice (at the top, or inside groups) keeps the first place and
    // drops what would put it in a second one.
    TDGraphicArray graphics;
    std::unordered_set<const TDGraphic *> placed;
    for (const PropertyList &value : root->toArray()) {
        const auto graphic = value.objectAs<TDGraphic>();
        if (!graphic)
            continue;
        std::vector<const TDGraphic *> tree;
        collectTree(graphic, tree);
        std::unordered_set<const TDGraphic *> inside;
        bool clash = false;
        for (const TDGraphic *member : tree)
            if (placed.count(member) || !inside.insert(member).second)
                clash = true;
        if (clash)
            continue;
        placed.insert(inside.begin(), inside.end());
        graphics.push_back(graphic);
    }
    return graphics;
}

} // namespace scrivane
