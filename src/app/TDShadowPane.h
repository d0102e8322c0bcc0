#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace scrivane {

class JoystickView;
class TDColorWell;

// The controls of the shadow panel (shadow on or off, colour, radius, and
// the joystick for angle and distance) and the effect controls the
// inspector keeps with it: blend mode (item data = blend mode number),
// opacity slider and field, effects on or off and the effects resolution
// (item data = pixels per point; the item "Image", data 0, while the
// effects can work on the image's own pixels).
class TDShadowPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int ImageResolutionTag = 0;

    explicit TDShadowPane(QWidget *parent = nullptr);

    QCheckBox *shadowCheck = nullptr;
    TDColorWell *shadowColorWell = nullptr;
    QSlider *shadowRadiusSlider = nullptr;
    JoystickView *shadowView = nullptr;

    QComboBox *blendMode = nullptr;
    QSlider *effectAlpha = nullptr;
    QLineEdit *effectAlphaField = nullptr;
    QCheckBox *filterCheck = nullptr;
    QComboBox *filterResolution = nullptr;

    // Opacity is shown on a slider of hundredths.
    static constexpr int AlphaSliderScale = 100;
};

} // namespace scrivane
