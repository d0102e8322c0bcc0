#include "document/TDDocumentScripting.h"

#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDLayer.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
constexpr double LargestPaper = 100000;
const Rect NewGraphicBounds(0, 0, 100, 100);
} // namespace

std::optional<TDDocumentScripting::List> TDDocumentScripting::listNamed(const QString &name)
{
    for (List list : {List::Graphics, List::Rectangles, List::Ovals, List::Paths})
        if (name == listName(list))
            return list;
    return std::nullopt;
}

QString TDDocumentScripting::listName(List list)
{
    switch (list) {
    case List::Graphics:
        return QStringLiteral("graphics");
    case List::Rectangles:
        return QStringLiteral("rectangles");
    case List::Ovals:
        return QStringLiteral("ovals");
    case List::Paths:
        return QStringLiteral("paths");
    }
    return QString();
}

bool TDDocumentScripting::belongs(List list, const TDGraphic &graphic)
{
    switch (list) {
    case List::Graphics:
        return true;
    case List::Rectangles:
        return dynamic_cast<const TDRectangle *>(&graphic) != nullptr;
    case List::Ovals:
        return dynamic_cast<const TDOval *>(&graphic) != nullptr;
    case List::Paths:
        return dynamic_cast<const TDBezierGraphic *>(&graphic) != nullptr;
    }
    return false;
}

TDGraphicPtr TDDocumentScripting::makeGraphic(List list)
{
    switch (list) {
    case List::Ovals: {
        auto oval = std::make_shared<TDOval>();
        oval->setInitialTransformation(TDGraphic::transformForBounds(NewGraphicBounds));
        oval->recalculatePath();
        return oval;
    }
    case List::Paths: {
        auto path = std::make_shared<TDBezierGraphic>();
        auto outline = std::make_shared<TDBezierPath>();
        outline->appendRect(NewGraphicBounds);
        path->setBezierPath(outline);
        return path;
    }
    case List::Graphics:
    case List::Rectangles:
        break;
    }
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setInitialTransformation(TDGraphic::transformForBounds(NewGraphicBounds));
    rectangle->recalculatePath();
    return rectangle;
}

// --- Page ------------------------------------------------------------------------------------

double TDDocumentScripting::pageWidth() const
{
    return m_document.pageBounds().width();
}

double TDDocumentScripting::pageHeight() const
{
    return m_document.pageBounds().height();
}

bool TDDocumentScripting::setPageWidth(double width, QString *error)
{
    if (!std::isfinite(width)) {
        if (error)
            *error = QStringLiteral("The page width must be a number.");
        return false;
    }
    TDPrintInfo info = m_document.printInfo();
    info.setMargins(0, 0, info.topMargin(), info.bottomMargin());
    info.setPaperSize(Size(float(std::clamp(width, 1.0, LargestPaper)), info.paperSize().height));
    m_document.setPrintInfo(info);
    return true;
}

// The height is the one between the top and bottom margins, so those are
// the margins that go.
bool TDDocumentScripting::setPageHeight(double height, QString *error)
{
    if (!std::isfinite(height)) {
        if (error)
            *error = QStringLiteral("The page height must be a number.");
        return false;
    }
    TDPrintInfo info = m_document.printInfo();
    info.setMargins(info.leftMargin(), info.rightMargin(), 0, 0);
    info.setPaperSize(Size(info.paperSize().width, float(std::clamp(height, 1.0, LargestPaper))));
    m_document.setPrintInfo(info);
    return true;
}

// --- Element lists -------------------------------------------------------------------------------

TDGraphicArray TDDocumentScripting::elements(List list) const
{
    TDGraphicArray result;
    for (const auto &layer : m_document.layers())
        for (const auto &graphic : layer->graphics())
            if (graphic && belongs(list, *graphic))
                result.push_back(graphic);
    return result;
}

bool TDDocumentScripting::checkIndex(const TDGraphicArray &elements, List list, int index, bool end,
                                     QString *error) const
{
    const int size = int(elements.size());
    if (index >= 0 && (index < size || (end && index == size)))
        return true;
    if (error)
        *error = QStringLiteral("There is no place %1 among the %2 %3 (the first is 0).")
                     .arg(index)
                     .arg(size)
                     .arg(listName(list));
    return false;
}

bool TDDocumentScripting::checkNewGraphic(List list, const TDGraphicPtr &graphic, QString *error) const
{
    const char *problem = nullptr;
    if (!graphic)
        problem = "There is no graphic to place.";
    else if (graphic->layer() || graphic->document())
        problem = "The graphic is in a drawing already.";
    else if (!belongs(list, *graphic))
        problem = "The graphic is not of the list's kind.";
    if (problem && error)
        *error = QString::fromLatin1(problem);
    return !problem;
}

template <typename Change> void TDDocumentScripting::asOneStep(const QString &action, Change &&change)
{
    TDUndoManager *undo = m_document.undoManager();
    if (undo)
        undo->beginUndoGrouping();
    change();
    if (undo) {
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), action));
        undo->endUndoGrouping();
    }
}

bool TDDocumentScripting::insert(List list, const TDGraphicPtr &graphic, int index, QString *error)
{
    const TDGraphicArray current = elements(list);
    if (!checkNewGraphic(list, graphic, error) || !checkIndex(current, list, index, true, error))
        return false;
    asOneStep(QStringLiteral("Add"), [&] {
        if (index > 0) {
            // Directly above the element before the index, so that the new
            // graphic takes that index in the list.  (Beneath that element
            // it would land one place early, before the element the script
            // named.)
            const TDGraphic *before = current[size_t(index) - 1].get();
            if (const auto parent = before->layer())
                parent->insertGraphic(graphic, parent->indexOfGraphic(before) + 1);
        } else if (!m_document.layers().empty()) {
            m_document.layers().front()->insertGraphic(graphic, 0);
        }
    });
    return graphic->layer() != nullptr;
}

bool TDDocumentScripting::remove(List list, int index, QString *error)
{
    const TDGraphicArray current = elements(list);
    if (!checkIndex(current, list, index, false, error))
        return false;
    asOneStep(QStringLiteral("Delete"), [&] { m_document.removeGraphic(current[size_t(index)].get()); });
    return true;
}

bool TDDocumentScripting::replace(List list, int index, const TDGraphicPtr &graphic, QString *error)
{
    const TDGraphicArray current = elements(list);
    if (!checkIndex(current, list, index, false, error) || !checkNewGraphic(list, graphic, error))
        return false;
    asOneStep(QStringLiteral("Replace"),
              [&] { m_document.replaceGraphic(current[size_t(index)].get(), graphic); });
    return graphic->layer() != nullptr;
}

} // namespace scrivane
