#pragma once

#include "model/TDModelTypes.h"

#include <QString>

#include <optional>

namespace scrivane {

class TDDocument;

// What scripts may read and change of a document: its page size and four
// lists of its graphics, with insertion, removal and replacement.
//
// The lists run over the graphics inside the layers (not over the layers
// themselves), bottom layer first and, within a layer, in stacking order:
// "graphics" holds all of them, "rectangles", "ovals" and "paths" those of
// that kind (text boxes are rectangles).  An index outside a list is an
// error (false with a message), never a crash.  Each change is one undo
// step of the document, repainted like an edit in the window.
class TDDocumentScripting {
public:
    enum class List { Graphics, Rectangles, Ovals, Paths };
    // "graphics", "rectangles", "ovals", "paths".
    static std::optional<List> listNamed(const QString &name);
    static QString listName(List list);
    // Whether the graphic belongs in the list.
    static bool belongs(List list, const TDGraphic &graphic);
    // A new graphic of the list's kind (a rectangle for "graphics"), a
    // 100 × 100 square at the origin.
    static TDGraphicPtr makeGraphic(List list);

    explicit TDDocumentScripting(TDDocument &document) : m_document(document) {}

    // The width and height of the page inside its margins.
    double pageWidth() const;
    double pageHeight() const;
    // The paper takes the width (left and right margins become 0) or the
    // height (top and bottom margins become 0); values are brought into 1 …
    // 100,000 points.
    bool setPageWidth(double width, QString *error);
    bool setPageHeight(double height, QString *error);

    TDGraphicArray elements(List list) const;
    // Index 0 puts the graphic at the bottom of the first layer; any other
    // index puts it just above the list's element before that index.  The
    // graphic must be of the list's kind and in no group yet.
    bool insert(List list, const TDGraphicPtr &graphic, int index, QString *error);
    bool remove(List list, int index, QString *error);
    // The graphic takes the place of the list's element at the index.
    bool replace(List list, int index, const TDGraphicPtr &graphic, QString *error);

private:
    bool checkIndex(const TDGraphicArray &elements, List list, int index, bool end, QString *error) const;
    bool checkNewGraphic(List list, const TDGraphicPtr &graphic, QString *error) const;
    // Closes an undo step around `change`, named `action`.
    template <typename Change> void asOneStep(const QString &action, Change &&change);

    TDDocument &m_document;
};

} // namespace scrivane
