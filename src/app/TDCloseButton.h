#pragma once

#include <QWidget>

namespace scrivane {

// The close button of a palette's title strip: highlighted while the
// pointer is over it, pressed while held; a release over it closes the
// palette.
class TDCloseButton : public QWidget {
    Q_OBJECT
public:
    explicit TDCloseButton(QWidget *parent = nullptr);
    bool highlight() const { return m_highlight; }
    bool isPressed() const { return m_click; }
    // The picture drawn now ("close_blue", "close_blue_over" or
    // "close_blue_highlight").
    QString imageName() const;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setHighlight(bool on);

    bool m_highlight = false;
    bool m_click = false;
};

} // namespace scrivane
