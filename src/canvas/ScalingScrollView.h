#pragma once

#include "platform/Geometry.h"

#include <QScrollArea>
#include <QSize>

class QComboBox;
class QLineEdit;

namespace scrivane {

class TDGraphicView;
class TDRulerView;

// The scroll view around a canvas.  It owns the zoom (its scale factor,
// always within 0.05 and 256) and shows it in a zoom popup at the right
// end of the horizontal scroller row: 25% to 800% and "Custom...", which
// opens a field for any percentage.  A zoom that matches no entry appears
// as a custom entry ("137.5%") in its place among them.
//
// It also holds the two rulers, above and to the left of the document
// view; they are hidden until asked for and follow the scrolling.
class ScalingScrollView : public QScrollArea {
    Q_OBJECT

public:
    static constexpr float minimumScale = 0.05f;
    static constexpr float maximumScale = 256.0f;

    explicit ScalingScrollView(QWidget *parent = nullptr);
    ~ScalingScrollView() override;

    // Places the canvas as the document view (the scroll view owns it).
    void setDocumentView(TDGraphicView *view);
    TDGraphicView *documentView() const;

    float scaleFactor() const { return m_scaleFactor; }
    // Clamps, stores and, with `adjustPopup`, selects the matching popup
    // entry or inserts a custom one; a new factor resizes and redraws the
    // canvas.
    void setScaleFactor(float factor, bool adjustPopup);

    // The zoom popup (made on first use); null without a horizontal
    // scroller.
    QComboBox *scalePopUpButton() const { return m_scalePopUpButton; }
    void makeScalePopUpButton();
    // Index of the inserted custom entry, -1 when there is none.
    int customIndex() const { return m_customIndex; }
    // The custom-zoom field while it is open, else null.
    QLineEdit *customField() const { return m_customField; }

    // Turning the scroller off resets the zoom to 1 without touching the
    // popup, and removes the popup.
    void setHasHorizontalScroller(bool on);
    bool hasHorizontalScroller() const;

    // The area the document view is seen through, in pixels.
    QSize contentSize() const;

    // The rulers (always there; shown or hidden together).
    TDRulerView *horizontalRulerView() const { return m_horizontalRuler; }
    TDRulerView *verticalRulerView() const { return m_verticalRuler; }
    bool rulersVisible() const { return m_rulersVisible; }
    void setRulersVisible(bool visible);

    // The popup's choice, as the popup sends it.
    void scalePopUpAction(int index);
    // The custom field's value, as the field sends it.
    void customAction();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Lays the popup into the scroller row and the rulers beside the
    // document view.
    void tile();
    void tileRulers();
    // Keeps the view's centre while the zoom changes to `factor`.
    void setScaleFactorKeepingCentre(float factor, bool adjustPopup);

    TDRulerView *m_horizontalRuler = nullptr;
    TDRulerView *m_verticalRuler = nullptr;
    bool m_rulersVisible = false;
    QComboBox *m_scalePopUpButton = nullptr;
    QLineEdit *m_customField = nullptr;
    float m_scaleFactor = 1.0f;
    int m_customIndex = -1;
    bool m_updatingPopup = false;
};

} // namespace scrivane
