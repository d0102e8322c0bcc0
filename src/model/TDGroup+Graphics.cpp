#include "model/TDGroup.h"

#include "model/TDApplicationServices.h"
#include "model/TDDocumentInterface.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDModelArchiving.h"
#include "model/TDUndoManager.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

#include <algorithm>

namespace scrivane {

namespace {
TDGroup &asGroup(TDGraphic &graphic)
{
    return static_cast<TDGroup &>(graphic);
}
} // namespace

void TDGroup::refreshLayersPanel() const
{
    if (auto *panel = TDApplicationServices::layerController())
        panel->invalidate();
}

void TDGroup::resizeCanvas() const
{
    if (TDGraphicViewInterface *view = graphicView())
        view->calculateSize();
}

void TDGroup::invalidateGraphic(TDGraphic *graphic)
{
    if (TDGraphicViewInterface *view = graphicView())
        view->invalidateGraphic(graphic);
}

void TDGroup::adopt(const TDGraphicPtr &graphic)
{
    graphic->setDocument(document());
    graphic->setLayer(std::static_pointer_cast<TDGroup>(weak_from_this().lock()));
}

int TDGroup::indexOfGraphic(const TDGraphic *graphic) const
{
    for (size_t i = 0; i < m_graphics.size(); ++i)
        if (m_graphics[i].get() == graphic)
            return int(i);
    return TDNotFound;
}

void TDGroup::addGraphic(const TDGraphicPtr &graphic)
{
    if (!graphic)
        return;
    const int index = int(m_graphics.size());
    registerUndo(Registration::Ordinary, QStringLiteral("removeGraphicAtIndex"),
                 [index](TDGraphic &g) { asGroup(g).removeGraphicAtIndex(index); });
    m_graphics.push_back(graphic);
    childrenChanged();
    adopt(graphic);
    refreshLayersPanel();
    invalidateGraphic(graphic.get());
    calculateBoundsAfterAppending(*graphic);
    resizeCanvas();
}

void TDGroup::addGraphicVeryQuietly(const TDGraphicPtr &graphic)
{
    if (!graphic)
        return;
    const int index = int(m_graphics.size());
    registerUndo(Registration::Ordinary, QStringLiteral("removeGraphicAtIndex"),
                 [index](TDGraphic &g) { asGroup(g).removeGraphicAtIndex(index); });
    m_graphics.push_back(graphic);
    childrenChanged();
    graphic->setDocument(document());
    calculateBoundsAfterAppending(*graphic);
    graphic->setLayer(std::static_pointer_cast<TDGroup>(weak_from_this().lock()));
}

void TDGroup::insertGraphic(const TDGraphicPtr &graphic, int index)
{
    if (!graphic)
        return;
    index = std::clamp(index, 0, int(m_graphics.size()));
    registerUndo(Registration::Ordinary, QStringLiteral("removeGraphicAtIndex"),
                 [index](TDGraphic &g) { asGroup(g).removeGraphicAtIndex(index); });
    m_graphics.insert(m_graphics.begin() + index, graphic);
    childrenChanged();
    adopt(graphic);
    refreshLayersPanel();
    invalidateGraphic(graphic.get());
    resizeCanvas();
    calculateBounds();
}

void TDGroup::addGraphic(const TDGraphicPtr &graphic, const TDGraphic *existing)
{
    const int index = indexOfGraphic(existing);
    if (index != TDNotFound)
        insertGraphic(graphic, index);
}

void TDGroup::addGraphicsQuietly(const TDGraphicArray &graphics)
{
    addGraphicsQuietly(graphics, int(m_graphics.size()));
}

void TDGroup::addGraphicsQuietly(const TDGraphicArray &graphics, int index)
{
    index = std::clamp(index, 0, int(m_graphics.size()));
    registerUndo(Registration::Ordinary, QStringLiteral("removeGraphics"),
                 [graphics](TDGraphic &g) { asGroup(g).removeGraphics(graphics); });
    TDGraphicArray added;
    for (const auto &graphic : graphics)
        if (graphic)
            added.push_back(graphic);
    m_graphics.insert(m_graphics.begin() + index, added.begin(), added.end());
    childrenChanged();
    for (const auto &graphic : added)
        adopt(graphic);
    calculateBounds();
}

void TDGroup::addGraphics(const TDGraphicArray &graphics)
{
    addGraphicsQuietly(graphics);
    for (const auto &graphic : graphics)
        if (graphic)
            invalidateGraphic(graphic.get());
}

void TDGroup::removeGraphicAtIndex(int index)
{
    if (index < 0 || index >= int(m_graphics.size()))
        return;
    const TDGraphicPtr graphic = m_graphics[size_t(index)];
    invalidateGraphic(graphic.get());
    registerUndo(Registration::Ordinary, QStringLiteral("insertGraphic"),
                 [graphic, index](TDGraphic &g) { asGroup(g).insertGraphic(graphic, index); });
    m_graphics.erase(m_graphics.begin() + index);
    childrenChanged();
    // In-place text editing of the graphic ends (also when an undo removes
    // it); the parent reference stays (moveAllGraphics relies on it).
    graphic->removeFromDocument();
    refreshLayersPanel();
    resizeCanvas();
}

void TDGroup::removeGraphic(const TDGraphic *graphic)
{
    const int index = indexOfGraphic(graphic);
    if (index != TDNotFound)
        removeGraphicAtIndex(index);
}

void TDGroup::removeGraphics(const TDGraphicArray &graphics)
{
    // Each removed graphic with the index it had, lowest first: inserting
    // them back in that order puts every one where it was.
    std::vector<std::pair<int, TDGraphicPtr>> placed;
    for (size_t i = 0; i < m_graphics.size(); ++i)
        if (std::find(graphics.begin(), graphics.end(), m_graphics[i]) != graphics.end())
            placed.emplace_back(int(i), m_graphics[i]);
    registerUndo(Registration::Ordinary, QStringLiteral("addGraphics"),
                 [placed](TDGraphic &g) { asGroup(g).restoreGraphics(placed); });
    std::erase_if(m_graphics, [&graphics](const TDGraphicPtr &child) {
        return std::find(graphics.begin(), graphics.end(), child) != graphics.end();
    });
    childrenChanged();
    for (const auto &[index, graphic] : placed)
        graphic->removeFromDocument();
    refreshLayersPanel();
    resizeCanvas();
    calculateBounds();
}

void TDGroup::restoreGraphics(const std::vector<std::pair<int, TDGraphicPtr>> &placed)
{
    TDGraphicArray graphics;
    for (const auto &[index, graphic] : placed)
        graphics.push_back(graphic);
    registerUndo(Registration::Ordinary, QStringLiteral("removeGraphics"),
                 [graphics](TDGraphic &g) { asGroup(g).removeGraphics(graphics); });
    for (const auto &[index, graphic] : placed) {
        const int at = std::clamp(index, 0, int(m_graphics.size()));
        m_graphics.insert(m_graphics.begin() + at, graphic);
        childrenChanged();
        adopt(graphic);
    }
    calculateBounds();
    for (const auto &graphic : graphics)
        invalidateGraphic(graphic.get());
    refreshLayersPanel();
    resizeCanvas();
}

void TDGroup::removeAllGraphics()
{
    while (!m_graphics.empty())
        removeGraphicAtIndex(0);
}

bool TDGroup::moveGraphic(const TDGraphicPtr &graphic, int index)
{
    const int old = indexOfGraphic(graphic.get());
    if (old == TDNotFound || old == index)
        return false;
    // A target beyond the ends that clamps to where the graphic stands moves
    // nothing, and registers nothing: its undo would have no redo.
    const int target = std::clamp(index, 0, int(m_graphics.size()) - 1);
    if (target == old)
        return false;
    registerUndo(Registration::Ordinary, QStringLiteral("moveGraphic"),
                 [graphic, old](TDGraphic &g) { asGroup(g).moveGraphic(graphic, old); });
    m_graphics.erase(m_graphics.begin() + old);
    m_graphics.insert(m_graphics.begin() + target, graphic);
    childrenChanged();
    refreshLayersPanel();
    invalidateGraphic(graphic.get());
    return true;
}

bool TDGroup::replaceGraphic(const TDGraphic *old, const TDGraphicPtr &replacement)
{
    const int index = indexOfGraphic(old);
    if (index == TDNotFound || !replacement)
        return false;
    removeGraphicAtIndex(index);
    insertGraphic(replacement, index);
    resizeCanvas();
    calculateBounds();
    return true;
}

void TDGroup::setGraphics(const TDGraphicArray &graphics)
{
    for (int i = int(m_graphics.size()) - 1; i >= 0; --i)
        removeGraphicAtIndex(i);
    for (auto it = graphics.rbegin(); it != graphics.rend(); ++it)
        insertGraphic(*it, 0);
    calculateBounds();
    resizeCanvas();
}

void TDGroup::_setGraphics(const TDGraphicArray &graphics)
{
    m_graphics.clear();
    for (const auto &graphic : graphics)
        if (graphic)
            m_graphics.push_back(graphic);
    childrenChanged();
    calculateBounds();
    resizeCanvas();
}

void TDGroup::setGraphicsWithDoc(const TDGraphicArray &graphics)
{
    _setGraphics(graphics);
    for (const auto &graphic : m_graphics)
        adopt(graphic);
}

void TDGroup::setDocument(TDDocumentInterface *document)
{
    TDGraphic::setDocument(document);
    for (const auto &graphic : m_graphics)
        adopt(graphic);
}

void TDGroup::deselectGraphics()
{
    TDGraphicViewInterface *view = graphicView();
    for (auto it = m_graphics.rbegin(); it != m_graphics.rend(); ++it) {
        if (view)
            view->deselectGraphic(it->get());
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(*it))
            group->deselectGraphics();
    }
}

int TDGroup::moveAllGraphics(const TDGraphicArray &graphics, int index)
{
    TDUndoManager *manager = undoManager();
    if (manager)
        manager->beginUndoGrouping();
    for (const auto &graphic : graphics) {
        if (!graphic)
            continue;
        const auto parent = graphic->layer();
        const int old = parent ? parent->indexOfGraphic(graphic.get()) : TDNotFound;
        if (parent && old != TDNotFound) {
            if (parent.get() == this && old < index)
                index -= 1;
            parent->removeGraphicAtIndex(old);
        } else if (!parent) {
            if (TDDocumentInterface *doc = document())
                doc->removeFromGraphics(graphic.get());
        }
    }
    index = std::clamp(index, 0, int(m_graphics.size()));
    for (const auto &graphic : graphics)
        if (graphic)
            insertGraphic(graphic, index);
    refreshLayersPanel();
    calculateBounds();
    invalidateGraphic(this);
    if (manager)
        manager->endUndoGrouping();
    return index;
}

void TDGroup::copyAllGraphics(const TDGraphicArray &graphics, int index)
{
    TDModelArchiving::registerClasses();
    PropertyList::Array originals;
    for (const auto &graphic : graphics)
        if (graphic)
            originals.emplace_back(graphic);
    QString error;
    const auto data =
        KeyedArchiver::archivedData(PropertyList(std::move(originals)), PropertyList::Format::Binary, &error);
    const auto copies = data ? KeyedUnarchiver::unarchive(*data, &error) : std::nullopt;
    if (!copies) {
        qWarning().noquote() << QStringLiteral("Graphics could not be copied: %1").arg(error);
        return;
    }
    TDUndoManager *manager = undoManager();
    if (manager)
        manager->beginUndoGrouping();
    for (const PropertyList &value : copies->toArray())
        if (const auto copy = value.objectAs<TDGraphic>())
            insertGraphic(copy, index);
    refreshLayersPanel();
    calculateBounds();
    invalidateGraphic(this);
    if (manager)
        manager->endUndoGrouping();
}

} // namespace scrivane
