#pragma once

#include <QWidget>

namespace scrivane {

class TDSnapPanel;

// The height grip at the bottom right of a palette: dragging it changes
// the palette's height, its top edge staying put.
class TDResizeView : public QWidget {
    Q_OBJECT
public:
    explicit TDResizeView(TDSnapPanel *palette);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TDSnapPanel *m_palette;
    bool m_dragging = false;
};

} // namespace scrivane
