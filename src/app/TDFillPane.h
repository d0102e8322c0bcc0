#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace scrivane {

class TDColorWell;
class TDGradientView;
class TDImageWell;

// The controls of the fill pane: the kind popup (item data = fill style
// code: 0 none, 1 colour, 2 image, 3 gradient, 4 text; the temporary items
// "Group" 100 and "LinkBack" 101), the winding check box and one option
// view per kind.  The pane only lays the controls out; the inspector
// fills them and reacts to them.
class TDFillPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int GroupTag = 100;
    static constexpr int LinkBackTag = 101;

    explicit TDFillPane(QWidget *parent = nullptr);

    QComboBox *fillOption = nullptr;
    QCheckBox *fillNonZero = nullptr;
    QStackedWidget *fillView = nullptr;
    QWidget *noFillView = nullptr;
    QWidget *solidFillView = nullptr;
    QWidget *imageFillView = nullptr;
    QWidget *gradientFillView = nullptr;
    QWidget *textFillView = nullptr;
    QWidget *groupFillView = nullptr;
    QWidget *linkBackFillView = nullptr;

    TDColorWell *fillColorWell = nullptr;
    TDColorWell *fillColorWellB = nullptr;
    TDImageWell *fillImageWell = nullptr;
    QPushButton *fillImageChoose = nullptr;
    QSlider *fillImageAlpha = nullptr;
    TDGradientView *fillGradientView = nullptr;
    QComboBox *fillGradientType = nullptr;
    QCheckBox *fillClipGroup = nullptr;
    QPushButton *editTextButton = nullptr;
    // Text fills: the padding at both ends of each line (points), the
    // hyphenation factor (per cent of 0 … 1) and whether the fill colour is
    // painted behind the text.
    QSlider *textPaddingSlider = nullptr;
    QSlider *textHyphenationSlider = nullptr;
    QCheckBox *textBackgroundCheck = nullptr;
    static constexpr int MaximumPadding = 50;
    static constexpr int HyphenationScale = 100;

    // The option view of a kind tag (the none view for unknown tags).
    QWidget *viewForTag(int tag) const;
};

} // namespace scrivane
