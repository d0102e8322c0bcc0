// The process-wide image store: de-duplication by digest, keys, users.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"

#include <QBuffer>
#include <QImageWriter>

#include "PngHeader.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::doctest;

namespace {
TDGlobalImageStore &store()
{
    return TDGlobalImageStore::instance();
}
} // namespace

TEST(TDGlobalImageStore, SameBytesFromTwoDocumentsShareOneEntryUntilBothRelease)
{
    auto first = std::make_unique<TDDocument>();
    auto second = std::make_unique<TDDocument>();
    const QByteArray png = solidPng(4, 3, Qt::red);
    const QString key = first->addImage(png, "png");
    EXPECT_EQ(second->addImage(png, "png"), key);
    ASSERT_NE(store().entry(key), nullptr);
    EXPECT_EQ(store().entry(key)->documents.size(), 2u);
    EXPECT_EQ(store().entry(key)->size, Size(4, 3));
    EXPECT_EQ(TDImageStore::shared(), &store());

    first.reset(); // a closing document releases its images
    ASSERT_NE(store().entry(key), nullptr);
    EXPECT_EQ(store().entry(key)->documents.size(), 1u);
    second.reset();
    EXPECT_EQ(store().entry(key), nullptr);
}

TEST(TDGlobalImageStore, OnlyLongSafeNamesBecomeKeys)
{
    TDDocument document;
    const QString name51(51, QLatin1Char('k'));
    const QString name52(52, QLatin1Char('m'));
    const QString made = document.addImage(solidPng(1, 1, Qt::blue), name51, "png");
    EXPECT_NE(made, name51);
    // What the store makes survives a reload unchanged.
    EXPECT_GT(made.size(), TDGlobalImageStore::KeptNameLength);
    EXPECT_TRUE(TDGlobalImageStore::isSafeKey(made));
    EXPECT_EQ(document.addImage(solidPng(1, 1, Qt::green), name52, "png"), name52);

    // Names that would not be safe file names are never keys.
    const QString longTail(60, QLatin1Char('x'));
    int colour = 10;
    for (const QString &unsafe : {QString("../") + longTail, longTail + "/y", QString(".") + longTail,
                                  longTail + "..", longTail + QChar(0x0a), QString(300, QLatin1Char('z'))}) {
        const QString key = document.addImage(solidPng(1, 1, QColor(colour++, 0, 0)), unsafe, "png");
        EXPECT_NE(key, unsafe);
        EXPECT_TRUE(TDGlobalImageStore::isSafeKey(key)) << key.toStdString();
    }
}

TEST(TDGlobalImageStore, ANameTakenByOtherDataIsNotReplaced)
{
    TDDocument a;
    TDDocument b;
    const QString name(60, QLatin1Char('n'));
    const QString first = a.addImage(solidPng(2, 2, Qt::red), name, "png");
    ASSERT_EQ(first, name);
    const QString second = b.addImage(solidPng(2, 2, Qt::yellow), name, "png");
    EXPECT_NE(second, name);
    EXPECT_EQ(store().entry(first)->data, solidPng(2, 2, Qt::red));
    EXPECT_EQ(store().entry(second)->data, solidPng(2, 2, Qt::yellow));
}

TEST(TDGlobalImageStore, EmptyOrUnreadableDataAnswersTheNoImageKey)
{
    TDDocument document;
    EXPECT_EQ(document.addImage(QByteArray(), "png"), "!");
    EXPECT_EQ(document.addImage(QByteArray("not an image"), "png"), "!");
    EXPECT_EQ(store().entry("!"), nullptr);
    // PDF data is kept, though it is not drawn.
    const QString pdf = document.addImage(QByteArray("%PDF-1.4 minimal"), "pdf");
    ASSERT_NE(store().entry(pdf), nullptr);
    EXPECT_EQ(store().entry(pdf)->extension, "pdf");
}

TEST(TDGlobalImageStore, OnePixelIsOnePointWhateverTheResolution)
{
    QImage image(600, 300, QImage::Format_RGB32);
    image.fill(Qt::gray);
    image.setDotsPerMeterX(11811); // 300 dpi
    image.setDotsPerMeterY(11811);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "tiff").write(image));
    TDDocument document;
    const QString key = document.addImage(tiff, "tiff");
    ASSERT_NE(store().entry(key), nullptr);
    EXPECT_EQ(store().entry(key)->size, Size(600, 300));
    EXPECT_EQ(store().image(key)->extension, "tiff");
}

TEST(TDGlobalImageStore, ExtensionsAreCheckedAndSniffed)
{
    TDDocument document;
    const QString key = document.addImage(solidPng(3, 3, Qt::darkCyan), "p/n.g");
    EXPECT_EQ(store().entry(key)->extension, "png");
    QString extension;
    const QByteArray data = TDDocument::dataForImage(QImage(), &extension);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_TRUE(extension.isEmpty());
}

TEST(TDGlobalImageStore, AnImageDeclaringTooManyPixelsIsRefusedBeforeItIsDecoded)
{
    TDGlobalImageStore &store = TDGlobalImageStore::instance();
    const QByteArray huge = test::pngHeader(100000, 100000);
    EXPECT_EQ(TDGlobalImageStore::declaredSize(huge), QSize(100000, 100000));
    const size_t before = store.count();
    EXPECT_EQ(store.addGlobalImage(huge, QString(), "png", nullptr), "!");
    EXPECT_EQ(store.count(), before);
}
