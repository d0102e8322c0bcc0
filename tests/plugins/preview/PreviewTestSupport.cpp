#include "PreviewTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"

#include "TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace scrivane::previewtest {

std::shared_ptr<TDRectangle> rectangle(const Rect &rect, const Color &fill)
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(fill);
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    return graphic;
}

std::unique_ptr<TDDocument> cornerDocument(bool hiddenLayer)
{
    TDModelArchiving::registerClasses();
    auto document = std::make_unique<TDDocument>();
    document->layers()[0]->addGraphicVeryQuietly(rectangle(CornerRect, Color::calibratedRGB(1, 0, 0)));
    if (!hiddenLayer)
        return document;
    auto hidden = TDLayer::layerWithName(QStringLiteral("Hidden"), document.get());
    document->setLayers({document->layers()[0], hidden});
    hidden->addGraphicVeryQuietly(rectangle(HiddenRect, Color::calibratedRGB(0, 0, 1)));
    hidden->setVisibleQuiet(false);
    return document;
}

QString save(TDDocument &document, const QString &name)
{
    const QString folder = QString::fromStdString(test::temporaryFolder());
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(document.saveDocumentTo(path, TDDocument::ScrivaneType)) << document.lastError().toStdString();
    return path;
}

QColor pixel(const QImage &image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixelColor(x, y);
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3 && std::abs(a.alpha() - b.alpha()) <= 3;
}

} // namespace scrivane::previewtest
