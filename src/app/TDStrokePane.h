#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;
class QStackedWidget;
class QTableWidget;

namespace scrivane {

class TDColorWell;
class TDPressureView;

// The controls of the stroke pane: the kind popup (item data = stroke
// style code: 0 none, 1 line, 2 brush, 3 text; the temporary items "Group"
// and "LinkBack"), colour, width slider and field, cap, join and dash
// popups (the last item "Other..." has the data -1), the field for a dash
// pattern of one's own, and one option view per kind: the arrowheads for a
// line, the brush sets with the pressure curve for a brush.  The inspector
// fills the controls and reacts to them.
class TDStrokePane : public QWidget {
    Q_OBJECT
public:
    static constexpr int GroupTag = 100;
    static constexpr int LinkBackTag = 101;
    // The width slider counts tenths of a point up to 50 points.
    static constexpr int WidthSliderScale = 10;
    static constexpr int WidthSliderMaximum = 500;

    explicit TDStrokePane(QWidget *parent = nullptr);

    QComboBox *strokeOption = nullptr;
    TDColorWell *strokeColorWell = nullptr;
    QSlider *strokeWidthSlider = nullptr;
    QLineEdit *strokeWidthField = nullptr;
    QComboBox *strokeCapMenu = nullptr;
    QComboBox *strokeJoinMenu = nullptr;
    QComboBox *strokeDashMenu = nullptr;
    QLineEdit *customDashField = nullptr;

    QStackedWidget *strokeView = nullptr;
    QWidget *noStrokeView = nullptr;
    QWidget *arrowsView = nullptr;
    QWidget *artisticStrokeView = nullptr;
    QWidget *textStrokeView = nullptr;

    QComboBox *arrowStartStyle = nullptr;
    QSlider *arrowStartSizeSlider = nullptr;
    QLineEdit *arrowStartSizeField = nullptr;
    QCheckBox *arrowStartMorphCheck = nullptr;
    QComboBox *arrowEndStyle = nullptr;
    QSlider *arrowEndSizeSlider = nullptr;
    QLineEdit *arrowEndSizeField = nullptr;
    QCheckBox *arrowEndMorphCheck = nullptr;

    QComboBox *brushPopup = nullptr;
    QTableWidget *strokeBrushTable = nullptr;
    QCheckBox *pressureCheck = nullptr;
    TDPressureView *pressureView = nullptr;

    // The option view of a kind tag (the text view for unknown tags).
    QWidget *viewForTag(int tag) const;

private:
    QWidget *arrowControls(bool atEnd);
};

} // namespace scrivane
