// Pasteboards: declared types in order, data provided only when asked,
// change counts, the desktop's clipboard in both directions, and data
// handed over by a drop.

#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace scrivane;

TEST(Pasteboard, ProvidesDeclaredTypesOnlyWhenAskedAndOnce)
{
    const auto pasteboard = Pasteboard::withUniqueName();
    QStringList asked;
    const int count = pasteboard->declareTypes(
        {QStringLiteral("a/first"), QStringLiteral("b/second"), QStringLiteral("c/third")},
        [&asked](Pasteboard &pb, const QString &type) {
            asked.append(type);
            // The owner reads what was written at once to make the rest.
            const auto first = pb.dataForType(QStringLiteral("a/first"));
            if (type == QStringLiteral("b/second") && first)
                pb.setData(*first + "!", type);
        });
    EXPECT_EQ(count, pasteboard->changeCount());
    EXPECT_TRUE(pasteboard->setData("one", QStringLiteral("a/first")));
    EXPECT_FALSE(pasteboard->setData("x", QStringLiteral("not/declared")));
    EXPECT_EQ(pasteboard->types(), (QStringList{QStringLiteral("a/first"), QStringLiteral("b/second"),
                                                QStringLiteral("c/third")}));
    EXPECT_TRUE(pasteboard->hasDataForType(QStringLiteral("a/first")));
    EXPECT_FALSE(pasteboard->hasDataForType(QStringLiteral("b/second")));
    EXPECT_TRUE(asked.isEmpty());

    EXPECT_EQ(pasteboard->dataForType(QStringLiteral("b/second")), QByteArray("one!"));
    EXPECT_EQ(pasteboard->dataForType(QStringLiteral("b/second")), QByteArray("one!"));
    // The owner leaves the third type without data: asked once, nothing.
    EXPECT_FALSE(pasteboard->dataForType(QStringLiteral("c/third")));
    EXPECT_FALSE(pasteboard->dataForType(QStringLiteral("c/third")));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("b/second"), QStringLiteral("c/third")}));
    EXPECT_FALSE(pasteboard->dataForType(QStringLiteral("not/declared")));

    // New contents drop the old data and count on.
    pasteboard->declareTypes({QStringLiteral("b/second")});
    EXPECT_EQ(pasteboard->changeCount(), count + 1);
    EXPECT_FALSE(pasteboard->dataForType(QStringLiteral("b/second")));
    EXPECT_EQ(pasteboard->availableTypeFromArray({QStringLiteral("a/first"), QStringLiteral("b/second")}),
              QStringLiteral("b/second"));
    EXPECT_TRUE(pasteboard->availableTypeFromArray({QStringLiteral("a/first")}).isEmpty());
}

TEST(Pasteboard, KeepsTokensWhileItsContentsLast)
{
    const auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->declareTypes({QStringLiteral("a/first")});
    auto token = std::make_shared<int>(1);
    const std::weak_ptr<int> watch = token;
    pasteboard->keepWhileContentsLast(std::move(token));
    EXPECT_FALSE(watch.expired());
    pasteboard->declareTypes({QStringLiteral("a/first")});
    EXPECT_TRUE(watch.expired());
}

TEST(Pasteboard, GeneralPasteboardPublishesOnTheClipboardLazily)
{
    Pasteboard &general = Pasteboard::general();
    int provided = 0;
    general.declareTypes({Pasteboard::GraphicsType, Pasteboard::PNGType},
                         [&provided](Pasteboard &pb, const QString &type) {
                             ++provided;
                             pb.setData("picture", type);
                         });
    general.setData("archive", Pasteboard::GraphicsType);

    const QMimeData *published = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(published, nullptr);
    EXPECT_EQ(published->formats(), (QStringList{Pasteboard::GraphicsType, Pasteboard::PNGType}));
    EXPECT_EQ(provided, 0);
    EXPECT_EQ(published->data(Pasteboard::GraphicsType), QByteArray("archive"));
    EXPECT_EQ(published->data(Pasteboard::PNGType), QByteArray("picture"));
    EXPECT_EQ(provided, 1);
    // Its own contents are still its own.
    EXPECT_EQ(general.types(), (QStringList{Pasteboard::GraphicsType, Pasteboard::PNGType}));
}

TEST(Pasteboard, GeneralPasteboardReadsAnotherProgramsClipboard)
{
    Pasteboard &general = Pasteboard::general();
    general.declareTypes({Pasteboard::GraphicsType});
    general.setData("archive", Pasteboard::GraphicsType);
    const int before = general.changeCount();

    auto *foreign = new QMimeData;
    foreign->setData(Pasteboard::PNGType, "png bytes");
    QGuiApplication::clipboard()->setMimeData(foreign);

    EXPECT_GT(general.changeCount(), before);
    EXPECT_FALSE(general.hasType(Pasteboard::GraphicsType));
    EXPECT_TRUE(general.hasType(Pasteboard::PNGType));
    EXPECT_EQ(general.dataForType(Pasteboard::PNGType), QByteArray("png bytes"));
    // Writing takes the clipboard back.
    general.declareTypes({Pasteboard::GraphicsType});
    EXPECT_EQ(general.types(), QStringList{Pasteboard::GraphicsType});
    EXPECT_NE(QGuiApplication::clipboard()->mimeData(), foreign);
}

TEST(Pasteboard, ReadsColoursAndFilesOfADrop)
{
    QMimeData dropped;
    dropped.setColorData(QColor(255, 0, 0));
    dropped.setUrls(
        {QUrl::fromLocalFile(QStringLiteral("/tmp/a.png")), QUrl(QStringLiteral("https://x.org/b.png"))});
    const auto pasteboard = Pasteboard::withMimeData(&dropped);
    EXPECT_TRUE(pasteboard->hasType(Pasteboard::ColorType));
    EXPECT_TRUE(pasteboard->hasType(Pasteboard::URIListType));
    ASSERT_TRUE(pasteboard->color());
    EXPECT_EQ(pasteboard->color()->rgba(), QColor(255, 0, 0).rgba());
    EXPECT_EQ(pasteboard->fileNames(), QStringList{QStringLiteral("/tmp/a.png")});
    EXPECT_EQ(pasteboard->urls().size(), 2);
    // Nothing can be written to what a drop handed over.
    EXPECT_FALSE(pasteboard->setData("x", Pasteboard::PNGType));
}

TEST(Pasteboard, ColourAndURLListEncodingsRoundTrip)
{
    const QColor colour(10, 20, 30, 40);
    ASSERT_TRUE(Pasteboard::decodeColor(Pasteboard::encodeColor(colour)));
    EXPECT_EQ(Pasteboard::decodeColor(Pasteboard::encodeColor(colour))->rgba(), colour.rgba());
    EXPECT_FALSE(Pasteboard::decodeColor("short"));

    const QList<QUrl> urls{QUrl::fromLocalFile(QStringLiteral("/tmp/with space.png")),
                           QUrl(QStringLiteral("https://x.org/b.png"))};
    EXPECT_EQ(Pasteboard::decodeURLs(Pasteboard::encodeURLs(urls)), urls);
    EXPECT_EQ(Pasteboard::decodeURLs("# a comment\r\nfile:///tmp/c.png\r\n\r\n").size(), 1);
}
