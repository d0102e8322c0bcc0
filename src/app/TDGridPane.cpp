#include "app/TDGridPane.h"

#include "app/TDColorWell.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

namespace scrivane {

TDGridPane::TDGridPane(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);
    auto *drawRow = new QHBoxLayout;
    documentGridDraw = new QCheckBox(tr("Show grid"), this);
    documentGridColor = new TDColorWell(this);
    drawRow->addWidget(documentGridDraw);
    drawRow->addWidget(documentGridColor);
    form->addRow(drawRow);
    documentGridFront = new QCheckBox(tr("In front of the drawing"), this);
    form->addRow(documentGridFront);
    documentGridSize = new QLineEdit(this);
    form->addRow(tr("Spacing:"), documentGridSize);
    auto *stepsRow = new QHBoxLayout;
    documentGridSteps = new QSpinBox(this);
    documentGridSteps->setRange(1, MaximumSubGrids);
    documentGridStepsSlider = new QSlider(Qt::Horizontal, this);
    documentGridStepsSlider->setRange(1, MaximumSubGrids);
    stepsRow->addWidget(documentGridStepsSlider, 1);
    stepsRow->addWidget(documentGridSteps);
    form->addRow(tr("Subdivisions:"), stepsRow);
    documentGridSnap = new QCheckBox(tr("Snap to grid"), this);
    documentGridAlign = new QCheckBox(tr("Align to pixels"), this);
    form->addRow(documentGridSnap);
    form->addRow(documentGridAlign);
}

} // namespace scrivane
