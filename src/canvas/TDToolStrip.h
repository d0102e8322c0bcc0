#pragma once

#include "model/TDCanvasTypes.h"

#include <QImage>
#include <QWidget>

namespace scrivane {

class TDDocument;
class TDGraphicView;

// The tool strip of a document window: one row of ten cells, one per tool
// in the order of Tool (select, edit, paint, polygon, rectangle, oval,
// text, zoom, hand, dropper).  The selected cell is the current tool.  A cell shows one of three images: 0
// not selected, 1 selected and used once (with a lock badge to say it is not locked), 2 selected and locked.
// Choosing the tool that is already current locks it; the select and edit tools, and every tool while the
// default "autolockTools" is on, lock at once.
class TDToolStrip : public QWidget {
    Q_OBJECT

public:
    static constexpr int toolCount = kToolCount;
    static constexpr int cellSize = 28;

    explicit TDToolStrip(QWidget *parent = nullptr);
    ~TDToolStrip() override;

    // The document whose drawing mode follows the strip and the canvas told
    // of every change (neither owned).
    void setDocument(TDDocument *document);
    void setGraphicView(TDGraphicView *view);

    // The tool of the selected cell.
    Tool drawMode() const { return m_selected; }
    // The tool at the last change.
    Tool lastMode() const { return m_mode; }
    bool toggleLocked() const { return m_toggleLocked; }
    // Selects the cell in column n − 1 (the digit keys), then changeMode.
    void selectCell(int n);
    // Selects the tool's cell, then changeMode.
    void select(Tool tool);
    // Follows the selected cell: the canvas is told, the cells' images and
    // the lock follow.
    void changeMode();
    // Which of its three images the cell of the column shows.
    int imageIndexOfCell(int column) const { return m_imageIndex[column]; }
    int imageIndexOfCell(Tool tool) const { return m_imageIndex[tagOfTool(tool)]; }

    // The three images of a column (index 0, 1 or 2), made once per process.
    static QImage cellImage(int column, int index);
    // The ten tool icons in two rows: the normal look above, the selected
    // look below (column i at x = i × 28.25).
    static QImage toolsImage();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // After every change of tool.
    void modeChanged(scrivane::Tool mode);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    TDDocument *m_document = nullptr;
    TDGraphicView *m_graphicView = nullptr;
    Tool m_selected = Tool::Select;
    Tool m_mode = Tool::Select;
    bool m_toggleLocked = false;
    int m_imageIndex[toolCount] = {};
};

} // namespace scrivane
