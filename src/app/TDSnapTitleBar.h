#pragma once

#include <QWidget>

class QToolButton;

namespace scrivane {

class TDCloseButton;
class TDSnapPanel;

// A palette's own title strip, 16 points high: the close button, the
// disclosure triangle that rolls the palette up and down, and the title.
// Dragging the strip moves the palette (and the chain hanging under it).
class TDSnapTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit TDSnapTitleBar(TDSnapPanel *palette);

    TDCloseButton *closeButton() const { return m_close; }
    QToolButton *disclosureButton() const { return m_disclosure; }
    // The triangle shows open (down) or rolled up.
    void setToggleState(bool open);
    void shrinkNow() { setToggleState(false); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TDSnapPanel *m_palette;
    TDCloseButton *m_close;
    QToolButton *m_disclosure;
    bool m_dragging = false;
};

} // namespace scrivane
