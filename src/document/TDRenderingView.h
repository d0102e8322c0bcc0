#pragma once

#include "model/TDDrawProtocol.h"
#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include <QByteArray>

#include <memory>

class QIODevice;

namespace scrivane {

class GraphicsContext;
class TDDocument;
class TDPrintInfo;

// The off-screen view through which graphics become PDF, EPS and print
// pages: a rectangle of the document (`printBounds`), the graphics in
// order, and whether white goes underneath.  As a drawing target it shows
// nothing selected or edited, at zoom 1, and says it renders PDF.
class TDRenderingView : public TDDrawProtocol {
public:
    TDRenderingView(const Rect &frame, TDGraphicArray graphics, TDDocument *document);
    static std::unique_ptr<TDRenderingView>
    renderViewWithBounds(const Rect &bounds, const TDGraphicArray &graphics, TDDocument *document);
    // The drawing bounds of the graphics.
    static std::unique_ptr<TDRenderingView> renderViewWithGraphics(const TDGraphicArray &graphics,
                                                                   TDDocument *document);

    const Rect &printBounds() const { return m_printBounds; }
    const TDGraphicArray &graphics() const { return m_graphics; }
    void setTransparent(bool transparent) { m_drawBackground = !transparent; }
    bool isOpaque() const { return m_drawBackground; }
    // Not owned; the document's settings apply to print pages.
    void setPrintInfo(const TDPrintInfo *info) { m_printInfo = info; }
    const TDPrintInfo *printInfo() const { return m_printInfo; }

    // Draws into a context whose user space is the view's (flipped, the
    // origin at the top left of `printBounds`).
    void drawRect(GraphicsContext &context);
    // One page of the view's size; empty data when the output failed.
    QByteArray PDFRepresentation();
    QByteArray EPSRepresentation();

    // --- Printing ---------------------------------------------------------------------
    // The view is cut into pieces the size of the print info's paper less
    // its margins, printed left to right, then top to bottom (a view that
    // fits on one sheet is one page).  Without a print info the view is one
    // page of its own size.
    int pagesAcross() const;
    int pagesDown() const;
    int pageCount() const { return pagesAcross() * pagesDown(); }
    Size sheetSize() const;
    // The part of the view page `index` (from 0) shows, in view
    // coordinates; where on the sheet it goes (inside the margins).
    Rect rectForPage(int index) const;
    Rect imageableRect() const;
    // Draws one page into a context whose user space is the sheet in
    // points, flipped.
    void drawPage(int index, GraphicsContext &context);
    // Every page, one sheet each, into one PDF; false when the output
    // failed.
    bool writePages(QIODevice *device);

    // TDDrawProtocol
    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return true; }
    TDDocumentInterface *document() const override;

private:
    QByteArray vectorRepresentation(bool pdf);

    TDGraphicArray m_graphics;
    const TDPrintInfo *m_printInfo = nullptr;
    Rect m_printBounds;
    TDDocument *m_document;
    bool m_drawBackground = false;
};

} // namespace scrivane
