#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace scrivane {

class TDColorWell;

// The controls of the grid panel: colour, drawn, in front, spacing, snap,
// pixel alignment and the number of sub-grids (a field and a slider).
class TDGridPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaximumSubGrids = 20;

    explicit TDGridPane(QWidget *parent = nullptr);

    TDColorWell *documentGridColor = nullptr;
    QCheckBox *documentGridDraw = nullptr;
    QCheckBox *documentGridFront = nullptr;
    QLineEdit *documentGridSize = nullptr;
    QCheckBox *documentGridSnap = nullptr;
    QCheckBox *documentGridAlign = nullptr;
    QSpinBox *documentGridSteps = nullptr;
    QSlider *documentGridStepsSlider = nullptr;
};

} // namespace scrivane
