#include "app/TDTransformPane.h"

#include "app/TDTransformCentreView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace scrivane {

TDTransformPane::TDTransformPane(QWidget *parent) : QWidget(parent)
{
    auto *top = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    const auto field = [this] {
        auto *f = new QLineEdit(this);
        f->setMaximumWidth(90);
        return f;
    };
    transformXField = field();
    transformYField = field();
    transformWidthField = field();
    transformHeightField = field();
    transformRotateField = field();
    transformSkewField = field();
    grid->addWidget(new QLabel(tr("X:"), this), 0, 0);
    grid->addWidget(transformXField, 0, 1);
    grid->addWidget(new QLabel(tr("Y:"), this), 0, 2);
    grid->addWidget(transformYField, 0, 3);
    grid->addWidget(new QLabel(tr("W:"), this), 1, 0);
    grid->addWidget(transformWidthField, 1, 1);
    grid->addWidget(new QLabel(tr("H:"), this), 1, 2);
    grid->addWidget(transformHeightField, 1, 3);
    grid->addWidget(new QLabel(tr("Rotate:"), this), 2, 0);
    grid->addWidget(transformRotateField, 2, 1);
    grid->addWidget(new QLabel(tr("Skew:"), this), 2, 2);
    grid->addWidget(transformSkewField, 2, 3);
    top->addLayout(grid);

    auto *row = new QHBoxLayout;
    transformOriginView = new TDTransformCentreView(this);
    transformScaleLock = new QCheckBox(tr("One side only"), this);
    row->addWidget(transformOriginView);
    row->addWidget(transformScaleLock);
    row->addStretch(1);
    top->addLayout(row);

    auto *modes = new QHBoxLayout;
    transformShape = new QCheckBox(tr("Shape"), this);
    transformStroke = new QCheckBox(tr("Stroke"), this);
    transformFill = new QCheckBox(tr("Fill"), this);
    for (QCheckBox *box : {transformShape, transformStroke, transformFill}) {
        box->setChecked(true);
        modes->addWidget(box);
    }
    top->addLayout(modes);
    top->addStretch(1);
}

} // namespace scrivane
