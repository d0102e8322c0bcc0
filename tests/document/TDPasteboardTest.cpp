// Graphics on the pasteboard: the types a copy declares, pictures made only
// when read, hostile archives, and images that outlive their document.

#include "DocumentTestSupport.h"
#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/LinkService.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

std::shared_ptr<TDRectangle> redRectangle(const Rect &rect)
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(Color::calibratedRGB(1, 0, 0));
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    return graphic;
}

} // namespace

TEST(TDPasteboard, CopyDeclaresTheTypesInOrderAndDrawsPicturesOnlyWhenRead)
{
    TDDocument document;
    TDGraphicArray graphics;
    for (int i = 0; i < 3; ++i) {
        graphics.push_back(redRectangle(Rect(10 + 30 * i, 10, 20, 20)));
        document.addGraphic(graphics.back());
    }
    const auto pasteboard = Pasteboard::withUniqueName();
    ASSERT_TRUE(TDDocument::copy(graphics, *pasteboard));
    // The link type is offered while the program answers links (a session
    // bus is there).
    QStringList types{Pasteboard::GraphicsType, Pasteboard::TIFFType};
    if (LinkService::shared())
        types << Pasteboard::LinkType;
    types << Pasteboard::PDFType << Pasteboard::PNGType;
    EXPECT_EQ(pasteboard->types(), types);
    EXPECT_TRUE(pasteboard->hasDataForType(Pasteboard::GraphicsType));
    for (const QString &type : types.mid(1))
        EXPECT_FALSE(pasteboard->hasDataForType(type)) << type.toStdString();

    // The archive holds copies of the three graphics.
    const TDGraphicArray copies =
        TDDocument::graphicsWithArchivedData(*pasteboard->dataForType(Pasteboard::GraphicsType));
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_NE(copies[0], graphics[0]);
    EXPECT_EQ(copies[2]->bounds(), graphics[2]->bounds());

    const auto pdf = pasteboard->dataForType(Pasteboard::PDFType);
    ASSERT_TRUE(pdf);
    EXPECT_TRUE(pdf->startsWith("%PDF"));
    EXPECT_FALSE(pasteboard->hasDataForType(Pasteboard::TIFFType));
}

TEST(TDPasteboard, TheTIFFBackgroundFollowsTheDefault)
{
    TDDocument document;
    const auto graphic = redRectangle(Rect(0, 0, 20, 20));
    // Two graphics apart: the picture has background between them.
    const auto small = redRectangle(Rect(40, 40, 10, 10));
    document.addGraphic(graphic);
    document.addGraphic(small);
    for (const bool opaque : {false, true}) {
        UserDefaults::standard().setBool(QStringLiteral("copy opaque background"), opaque);
        const auto pasteboard = Pasteboard::withUniqueName();
        ASSERT_TRUE(TDDocument::copy({graphic, small}, *pasteboard));
        const auto tiff = pasteboard->dataForType(Pasteboard::TIFFType);
        ASSERT_TRUE(tiff);
        const QImage image = QImage::fromData(*tiff, "TIFF");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(50, 50));
        EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(255, 0, 0));
        const QColor corner = QColor::fromRgba(image.pixel(30, 5));
        if (opaque)
            EXPECT_EQ(corner, QColor(255, 255, 255));
        else
            EXPECT_EQ(corner.alpha(), 0);
    }
    UserDefaults::standard().setBool(QStringLiteral("copy opaque background"), false);
}

TEST(TDPasteboard, NothingToCopyDeclaresNothing)
{
    const auto pasteboard = Pasteboard::withUniqueName();
    const int before = pasteboard->changeCount();
    EXPECT_FALSE(TDDocument::copy({}, *pasteboard));
    EXPECT_EQ(pasteboard->changeCount(), before);
    EXPECT_TRUE(pasteboard->types().isEmpty());
}

TEST(TDPasteboard, HostileArchivesGiveNoGraphics)
{
    EXPECT_TRUE(TDDocument::graphicsWithArchivedData("not an archive at all").empty());
    EXPECT_TRUE(TDDocument::graphicsWithArchivedData(QByteArray()).empty());
    const auto strings = KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList("text")}));
    ASSERT_TRUE(strings);
    EXPECT_TRUE(TDDocument::graphicsWithArchivedData(*strings).empty());
    const auto single =
        KeyedArchiver::archivedData(PropertyList(std::shared_ptr<TDGraphic>(redRectangle(Rect(0, 0, 5, 5)))));
    ASSERT_TRUE(single);
    EXPECT_TRUE(TDDocument::graphicsWithArchivedData(*single).empty());

    // One graphic named twice would stand in two places: it is placed once.
    const auto shared = redRectangle(Rect(0, 0, 5, 5));
    const auto twice = KeyedArchiver::archivedData(PropertyList(PropertyList::Array{
        PropertyList(std::shared_ptr<TDGraphic>(shared)), PropertyList(std::shared_ptr<TDGraphic>(shared))}));
    ASSERT_TRUE(twice);
    EXPECT_EQ(TDDocument::graphicsWithArchivedData(*twice).size(), 1u);
}

TEST(TDPasteboard, CopiedImagesOutliveTheirDocument)
{
    const auto pasteboard = Pasteboard::withUniqueName();
    QString key;
    {
        TDDocument source;
        auto graphic = redRectangle(Rect(0, 0, 8, 8));
        source.addGraphic(graphic);
        graphic->fillStyle()->setStyle(TDFillImage);
        graphic->fillStyle()->setImageData(doctest::solidPng(8, 8, QColor(0, 0, 255)), QStringLiteral("png"));
        graphic->setFillTransformation(TDGraphic::transformForBounds(Rect(0, 0, 8, 8)));
        key = graphic->fillStyle()->imageKey();
        ASSERT_TRUE(TDGlobalImageStore::instance().entry(key));
        ASSERT_TRUE(TDDocument::copy({graphic}, *pasteboard));
    }
    // The source is closed; its image stays while the pasteboard has it,
    // and the pictures made only now still show it.
    ASSERT_TRUE(TDGlobalImageStore::instance().entry(key));
    for (const QString &type : {Pasteboard::PNGType, Pasteboard::TIFFType}) {
        SCOPED_TRACE(type.toStdString());
        const auto picture = pasteboard->dataForType(type);
        ASSERT_TRUE(picture);
        const QImage image = QImage::fromData(*picture);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(doctest::near(doctest::pixel(image, image.width() / 2, image.height() / 2), QColor(0, 0, 255)));
    }
    TDDocument target;
    const TDGraphicArray pasted =
        TDDocument::graphicsWithArchivedData(*pasteboard->dataForType(Pasteboard::GraphicsType));
    ASSERT_EQ(pasted.size(), 1u);
    target.currentLayer()->addGraphicsQuietly(pasted);
    EXPECT_EQ(pasted[0]->fillStyle()->imageKey(), key);
    ASSERT_TRUE(pasted[0]->fillStyle()->image());

    // Once the pasteboard moves on, the target document alone keeps it.
    pasteboard->declareTypes({Pasteboard::PNGType});
    EXPECT_TRUE(TDGlobalImageStore::instance().entry(key));
}

// Link data leaves the process: image fills carry their images; the
// private archive of the same copy carries only their keys.
TEST(TDPasteboard, LinkDataCarriesTheImagesThemselves)
{
    TDDocument document;
    auto graphic = redRectangle(Rect(0, 0, 8, 8));
    document.addGraphic(graphic);
    graphic->fillStyle()->setStyle(TDFillImage);
    const QByteArray png = doctest::solidPng(8, 8, QColor(0, 0, 255));
    graphic->fillStyle()->setImageData(png, QStringLiteral("png"));
    const QString key = graphic->fillStyle()->imageKey();

    const auto bytes = TDDocument::linkDataForGraphics({graphic});
    ASSERT_TRUE(bytes);
    const auto data = PropertyList::fromData(*bytes);
    ASSERT_TRUE(data);
    EXPECT_EQ(LinkService::serverName(*data), LinkService::ScrivaneServerName);
    const QByteArray linked = LinkService::appData(*data);
    EXPECT_TRUE(linked.contains(png));
    EXPECT_FALSE(linked.contains(key.toUtf8()));
    EXPECT_FALSE(TDImageStore::saveImageData()); // reset on the way out

    const auto pasteboard = Pasteboard::withUniqueName();
    ASSERT_TRUE(TDDocument::copy({graphic}, *pasteboard));
    const QByteArray archive = *pasteboard->dataForType(Pasteboard::GraphicsType);
    EXPECT_FALSE(archive.contains(png));
    EXPECT_TRUE(archive.contains(key.toUtf8()));
}
