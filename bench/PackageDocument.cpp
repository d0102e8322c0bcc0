#include "PackageDocument.h"

#include "BenchSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"

#include <map>
#include <random>

namespace scrivane::bench {

std::vector<Shape> makeShapes(long count)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> pos(0, 1800), side(5, 80), unit(0, 1);
    std::vector<Shape> shapes;
    for (long i = 0; i < count; ++i) {
        Shape s;
        s.rect = Rect(pos(random), pos(random), side(random), side(random));
        s.fill = Color::calibratedRGB(unit(random), unit(random), unit(random));
        s.line = Color::calibratedRGB(unit(random), unit(random), unit(random));
        s.width = 1 + 4 * unit(random);
        s.shadow = i % 7 == 0;
        s.alpha = i % 5 == 0 ? 0.5f : 1.0f;
        s.group = i % 10 == 0 ? int(i / 100) : -1;
        shapes.push_back(s);
    }
    return shapes;
}

std::shared_ptr<TDRectangle> makeRectangle(const Shape &s, size_t i)
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(s.rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(s.fill);
    graphic->strokeStyle()->setStyle(TDStrokeLine);
    graphic->strokeStyle()->setColor(s.line);
    graphic->strokeStyle()->setStrokeWidth(s.width);
    graphic->setHasShadow(s.shadow);
    graphic->setAlphaValue(s.alpha);
    graphic->setName(QStringLiteral("Rect %1").arg(i + 1));
    return graphic;
}

std::unique_ptr<TDDocument> makeDocument(const std::vector<Shape> &shapes)
{
    TDModelArchiving::registerClasses();
    auto document = std::make_unique<TDDocument>();
    auto second = TDLayer::layerWithName(QStringLiteral("Layer 2"), document.get());
    document->setLayers({document->layers()[0], second});
    std::map<int, TDGraphicArray> groups;
    for (size_t i = 0; i < shapes.size(); ++i) {
        const auto graphic = makeRectangle(shapes[i], i);
        const Shape &s = shapes[i];
        if (s.group >= 0)
            groups[s.group].push_back(graphic);
        else
            (i % 2 ? second : document->layers()[0])->addGraphicVeryQuietly(graphic);
    }
    for (auto &[index, members] : groups)
        document->layers()[0]->addGraphicVeryQuietly(TDGroup::groupWithGraphics(members));
    document->undoManager()->removeAllActions();
    return document;
}

long graphicCount()
{
    return size(10000, 100);
}

} // namespace scrivane::bench
