#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace scrivane {

class TDTransformCentreView;

// The controls of the transform pane: position, size, rotation and skew
// fields, the scale lock, the reference-point picker, and what a typed
// transformation changes (the shape, the stroke, the fill).
class TDTransformPane : public QWidget {
    Q_OBJECT
public:
    explicit TDTransformPane(QWidget *parent = nullptr);

    QLineEdit *transformXField = nullptr;
    QLineEdit *transformYField = nullptr;
    QLineEdit *transformWidthField = nullptr;
    QLineEdit *transformHeightField = nullptr;
    QLineEdit *transformRotateField = nullptr;
    QLineEdit *transformSkewField = nullptr;
    // On: typing a width scales only the width (a height only the height).
    QCheckBox *transformScaleLock = nullptr;
    TDTransformCentreView *transformOriginView = nullptr;
    QCheckBox *transformShape = nullptr;
    QCheckBox *transformStroke = nullptr;
    QCheckBox *transformFill = nullptr;
};

} // namespace scrivane
