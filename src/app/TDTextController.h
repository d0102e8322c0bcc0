#pragma once

#include "canvas/TDTextView.h"
#include "platform/Color.h"
#include "platform/NotificationCenter.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QTextCharFormat>

#include <vector>

namespace scrivane {

class TDTextPane;

// Drives the text pane of the inspector.  It follows the in-place text
// editor that last reported a change of its selection or typing
// attributes, shows that editor's typing attributes (kerning, line height
// multiple and baseline shift relative to the font size) and changes the
// attributes of its selection.  The editor is held weakly: once it closes,
// the actions change nothing.
//
// The sliders are not linear: kerning ratio k ↔ slider s with s = √k / 2
// (k > 0) or −√−k / 0.6324555 (k < 0), k = (2s)² or −(0.6324555 s)²; line
// height multiple m with s = √(m − 1) / 3 (m > 1) or √(1 − m) / −0.94868326,
// m = 1 + (3s)² or 1 − 0.9 s²; baseline ratio b = s.  Slider values within
// 0.05 of 0 mean no change (0, 1 and 0).  The kerning and baseline fields
// show and take per cent; the line field the multiple.  A multiple typed
// out of the range a stored text keeps (0.1 … 10) is brought into it.
class TDTextController : public QObject {
    Q_OBJECT
public:
    enum class ChangeMode { None, Kerning, Baseline };
    // The font popup's keeps at most this many recent fonts.
    static constexpr int RecentFontLimit = 21;

    explicit TDTextController(TDTextPane *pane, QObject *parent = nullptr);
    ~TDTextController() override;

    TDTextView *currentTextView() const { return m_view.data(); }
    const std::vector<QFont> &recentFonts() const { return m_recentFonts; }
    double kerningRatio() const { return m_kerningRatio; }
    double baselineRatio() const { return m_baselineRatio; }
    double lineValue() const { return m_lineValue; }

    // --- Slider scales ----------------------------------------------------------
    static double sliderForKerning(double k);
    static double kerningForSlider(double s);
    static double sliderForLine(double m);
    static double lineForSlider(double s);
    static double sliderForBaseline(double b) { return b; }
    static double baselineForSlider(double s);

    // --- Following the editor ---------------------------------------------------------
    // Shows the typing attributes of the notification's editor.
    void textUpdate(const Notification &notification);
    // Puts the font at the old selection's place at the front of the
    // recent fonts, then refreshes.
    void fontUpdate(const Notification &notification);
    void updateFonts();

    // --- Actions -------------------------------------------------------------------------
    // The recent font chosen in the popup goes to the edited selection.
    void finishFonts();
    // Slider values are -1 … 1; field values are per cent (kerning,
    // baseline) or the multiple (line).
    void characterAction(double value, bool fromSlider);
    void baselineAction(double value, bool fromSlider);
    void lineAction(double value, bool fromSlider);
    // The field's text as a number of the person's locale (a trailing "%"
    // allowed); false when it is none.
    bool fieldAction(const QString &text, void (TDTextController::*action)(double, bool));
    // A run's attributes with the pending kerning or baseline change.
    QTextCharFormat convertAttributes(const QTextCharFormat &attributes) const;
    void colorAction(const Color &color);
    void alignmentAction(Qt::Alignment alignment);
    // 0: the font panel; other tags: panels this desktop has not.
    void popUpAction(int tag);

private:
    void connectPane();
    // Takes the notification's editor as the current one; false when it is
    // none or graphics are being created in bulk.
    bool follow(const Notification &notification);
    void showAttributes();
    void applyAttributeChange(ChangeMode mode);

    TDTextPane *m_pane;
    QPointer<TDTextView> m_view;
    std::vector<QFont> m_recentFonts;
    ChangeMode m_mode = ChangeMode::None;
    double m_kerningRatio = 0;
    double m_baselineRatio = 0;
    double m_lineValue = 1;
    bool m_updating = false;
};

} // namespace scrivane
