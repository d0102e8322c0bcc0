#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

namespace scrivane {

class TDResizeView;
class TDSnapTitleBar;

// A floating palette: a top-level tool window without the window system's
// frame, with a title strip of its own (close button, roll-up triangle,
// title) above the one widget it holds.  Palettes snap together: one
// dropped with its top edge near another's bottom edge, their centres
// roughly aligned, hangs under it and from then on moves with it, making a
// vertical chain.  Where the window system does not let a program place
// its windows (Wayland) palettes open and float without snapping.
//
// Each palette remembers in the user defaults, under its name N, whether it
// is shown ("N visible"), whether it is rolled down ("N toggle"), its
// height after a drag of the grip ("N size"), its frame ("NSWindow Frame
// N"), and which palette it hangs under (the dictionary "inspector links").
// The palettes of the process form one list; finishLoading restores the
// chains at launch.
class TDSnapPanel : public QWidget {
    Q_OBJECT
public:
    // The palette holds `content` (it takes it; null for none yet).
    TDSnapPanel(const QString &name, const QString &title, QWidget *content = nullptr);
    ~TDSnapPanel() override;

    const QString &name() const { return m_name; }
    QWidget *content() const { return m_content; }
    // The palette takes the widget; the one it held before is deleted.
    void setContent(QWidget *content);
    // Shows the height grip.
    void setResizable(bool resizable);
    bool isResizable() const { return m_grip != nullptr; }
    TDSnapTitleBar *titleBar() const { return m_titleBar; }

    // --- The palettes of the process -------------------------------------------
    static std::vector<TDSnapPanel *> palettes();
    static TDSnapPanel *named(const QString &name);
    // Whether this window system lets the program place its windows.
    static bool canPlaceWindows();
    // Shows the palettes whose defaults say so and restores their chains
    // from "inspector links".
    static void finishLoading();
    // Snaps every palette, from the top of the screen down.
    static void jogAll();

    // --- Showing --------------------------------------------------------------------
    // Shows the palette when "N visible" says so.
    void showIfVisible();
    // Stores "N visible", shows and raises the palette (and its chain).
    void orderFront();
    // Stores "N visible" off; the palette leaves its chain and hides.
    void closePalette();

    // --- Chains ------------------------------------------------------------------------
    TDSnapPanel *parentPalette() const { return m_parent; }
    TDSnapPanel *childPalette() const { return m_child; }
    bool isChild(const TDSnapPanel *palette) const { return palette && palette == m_child; }
    // Refused for none, when this palette has a child already, when the
    // other hangs under a palette already, or when it would close a ring.
    void setChildPalette(TDSnapPanel *palette);
    void removeChildPalette();
    // The area of the chain from this palette down.
    QRect frameWithChild() const;
    // The child (and its chain) straightened under this palette.
    void snapChild();
    // Snaps this palette where it stands.
    void jog();
    // Moves the palette and the chain under it.
    void moveChain(const QPoint &topLeft);

    // --- Rolling up and down ---------------------------------------------------------
    // The height changes in three steps, the top edge staying put and the
    // chain below following each step.
    void animateToHeight(int height);
    // Rolled up at once (at creation).
    void shrinkNow();
    void shrink();
    void grow();
    // Rolls down when rolled up, else up.
    void toggleSize();
    bool isRolledUp() const;
    // The height to roll down to.
    int openHeight() const { return m_oldHeight; }

    // --- Gestures of the title strip and the grip ----------------------------------
    void beginDrag(const QPoint &globalPos);
    // Alt held places the palette freely: no snapping, no keeping inside
    // the screen.
    void dragTo(const QPoint &globalPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void endDrag();
    void beginResize(int globalY);
    void resizeTo(int globalY);
    // Stores "N size".
    void endResize();
    int minimumPaletteHeight() const;

Q_SIGNALS:
    // The height changed through the grip.
    void resizedByGrip();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString key(const char *suffix) const;
    void setParentPalette(TDSnapPanel *parent);
    void layoutParts();
    // The snapping after a move; `pointer`: the move followed the pointer
    // (the screen under it is used), else the palette's own screen.
    void windowMoved(bool pointer, Qt::KeyboardModifiers modifiers);
    QRect screenArea(bool pointer) const;
    void raiseChain();
    void saveFrame() const;
    void restoreFrame();
    void setHeightKeepingTop(int height);

    QString m_name;
    QPointer<QWidget> m_content;
    TDSnapTitleBar *m_titleBar = nullptr;
    TDResizeView *m_grip = nullptr;
    TDSnapPanel *m_parent = nullptr;
    TDSnapPanel *m_child = nullptr;
    bool m_snapping = false;
    // Set while rolling: the content keeps its size and is clipped.
    bool m_rolling = false;
    int m_oldHeight = 0;
    QPoint m_dragOffset;
    int m_resizeStartY = 0;
    int m_resizeStartHeight = 0;
};

} // namespace scrivane
