// Random sequences of edits, undos and redos end where replaying only the
// edits that remain in effect ends.

#include "ModelTestDoubles.h"

#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <random>

using namespace scrivane;
using namespace scrivane::test;

namespace {

struct Edit {
    int kind;
    int target;
    int extra;
    float value;
    int id; // names what the edit adds
};

struct Model {
    RecordingDocument document;
    RecordingCanvas canvas{&document};
    std::shared_ptr<TDLayer> layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), &document);

    Model()
    {
        document.layers.push_back(layer);
        document.setCurrentLayer(layer.get());
        NotificationCenter::defaultCenter().addObserver(this, UndoManager::didCloseUndoGroupNotification,
                                                        &document.undo(),
                                                        [this](const Notification &) { ++steps; });
    }
    ~Model() { NotificationCenter::defaultCenter().removeObserver(this); }
    // Steps recorded on the undo stack (an edit that changes nothing
    // records none).
    int steps = 0;

    TDGraphicPtr pick(int target) const
    {
        const auto &graphics = layer->graphics();
        return graphics.empty() ? nullptr : graphics[size_t(target) % graphics.size()];
    }

    void apply(const Edit &e)
    {
        TDUndoManager &undo = document.undo();
        undo.beginUndoGrouping();
        const TDGraphicPtr g = pick(e.target);
        if (!g || e.kind == 0) {
            auto shape = TestShape::inRect(Rect(e.value, e.value / 2, 10 + e.extra, 5 + e.extra));
            shape->setName(QStringLiteral("n%1").arg(e.id));
            layer->insertGraphic(shape, e.target % int(layer->graphics().size() + 1));
        } else {
            switch (e.kind) {
            case 1:
                layer->removeGraphic(g.get());
                break;
            case 2:
                g->setAlphaValue(e.value / 100);
                break;
            case 3:
                g->setHasShadow(!g->hasShadow());
                break;
            case 4:
                g->setShadowRadius(e.value / 10);
                break;
            case 5:
                g->startManipulation();
                g->transformWithTransformation(AffineTransform::makeTranslation(e.value, -e.value / 3));
                g->transformWithTransformation(AffineTransform::makeTranslation(e.value / 2, float(e.extra)));
                g->stopManipulation();
                break;
            case 6:
                g->startManipulation();
                g->transformWithTransformation(
                    AffineTransform::makeScale(1 + e.value / 50, 1 + e.extra / 7.0f));
                g->stopManipulation();
                break;
            case 7:
                g->setBlendMode(e.extra % 16);
                break;
            case 8:
                layer->moveGraphic(g, e.extra - 2);
                break;
            case 9: {
                const TDGraphicPtr h = pick(e.target + e.extra + 1);
                layer->removeGraphics({g, h});
                break;
            }
            case 10:
                g->setName(QStringLiteral("renamed %1").arg(e.extra));
                break;
            case 11:
                g->setVisible(!g->visible());
                break;
            case 12:
                g->fillStyle()->setStyle(TDFillColor);
                g->fillStyle()->setColor(Color::calibratedRGB(e.value / 100, float(e.extra % 3) / 2, 0.5f));
                break;
            case 13:
                g->strokeStyle()->setStrokeWidth(e.value / 10 + 0.5f);
                break;
            case 14:
                g->setFillTransformation(AffineTransform::makeScale(e.value, float(e.extra + 1)));
                break;
            default:
                g->setShadowAngle(e.value / 30);
                break;
            }
        }
        undo.endUndoGrouping();
    }
};

// The dictionary with every nested model object expanded into its own
// dictionary, so that two separately built models compare by content.
PropertyList expand(const PropertyList &value)
{
    switch (value.kind()) {
    case PropertyList::Kind::Array: {
        PropertyList::Array out;
        for (const auto &element : value.toArray())
            out.push_back(expand(element));
        return PropertyList(std::move(out));
    }
    case PropertyList::Kind::Dictionary: {
        PropertyList::Dictionary out;
        for (const auto &[key, element] : value.toDictionary())
            out.emplace(key, expand(element));
        return PropertyList(std::move(out));
    }
    case PropertyList::Kind::Object:
        if (const auto graphic = value.objectAs<TDGraphic>())
            return expand(graphic->toYAML());
        if (const auto fill = value.objectAs<TDFillStyle>())
            return expand(fill->toYAML());
        if (const auto stroke = value.objectAs<TDStrokeStyle>())
            return expand(stroke->toYAML());
        return value;
    default:
        return value;
    }
}

} // namespace

TEST(TDModelUndoReplay, RandomEditsUndosAndRedosMatchTheReplay)
{
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto roll = [&random](int n) { return int(random() % unsigned(n)); };
        Model model;
        std::vector<Edit> history;
        size_t position = 0;
        for (int step = 0; step < 80; ++step) {
            const int action = roll(10);
            if (action < 2 && position > 0) {
                model.document.undo().undo();
                --position;
            } else if (action < 4 && position < history.size()) {
                model.document.undo().redo();
                ++position;
            } else {
                const Edit edit{roll(16), roll(7), roll(5), float(roll(90) + 1), step};
                const int before = model.steps;
                model.apply(edit);
                if (model.steps != before) {
                    history.resize(position);
                    history.push_back(edit);
                    ++position;
                }
            }
            ASSERT_EQ(model.document.undo().canUndo(), position > 0);
            ASSERT_EQ(model.document.undo().canRedo(), position < history.size());
        }
        Model replay;
        for (size_t i = 0; i < position; ++i)
            replay.apply(history[i]);
        const PropertyList actual = expand(model.layer->toYAML());
        const PropertyList expected = expand(replay.layer->toYAML());
        ASSERT_EQ(actual, expected);
    }
}
