#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSlider;
class QToolButton;

namespace scrivane {

class TDColorWell;

// The controls of the text pane: the popup of recently used fonts with a
// button that opens the font panel, three slider-and-field pairs for
// character spacing (kerning), line spacing (line height multiple) and
// baseline shift, the colour and the alignment of the edited text.  The
// pane only lays the controls out; the text controller fills them and
// reacts to them.
class TDTextPane : public QWidget {
    Q_OBJECT
public:
    // Sliders run from -SliderScale to SliderScale for -1 … 1.
    static constexpr int SliderScale = 1000;

    explicit TDTextPane(QWidget *parent = nullptr);

    QComboBox *fontPopup = nullptr;
    QToolButton *fontsButton = nullptr;
    QSlider *characterSlider = nullptr;
    QLineEdit *characterField = nullptr;
    QSlider *lineSlider = nullptr;
    QLineEdit *lineField = nullptr;
    QSlider *baselineSlider = nullptr;
    QLineEdit *baselineField = nullptr;
    TDColorWell *textColorWell = nullptr;
    // Item data: the Qt::Alignment of left, centre, right, justified.
    QComboBox *alignmentPopup = nullptr;
};

} // namespace scrivane
