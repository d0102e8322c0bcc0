#include "app/TDStrokePane.h"

#include "app/TDColorWell.h"
#include "app/TDPressureView.h"
#include "model/TDArrowhead.h"
#include "model/TDStrokeStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSlider>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace scrivane {

TDStrokePane::TDStrokePane(QWidget *parent) : QWidget(parent)
{
    auto *top = new QVBoxLayout(this);
    auto *kindRow = new QHBoxLayout;
    strokeOption = new QComboBox(this);
    const QStringList kinds{tr("None"), tr("Line"), tr("Brush"), tr("Text")};
    for (int code = 0; code < kinds.size(); ++code)
        strokeOption->addItem(kinds[code], code);
    strokeOption->setPlaceholderText(tr("Mixed"));
    strokeColorWell = new TDColorWell(this);
    kindRow->addWidget(strokeOption, 1);
    kindRow->addWidget(strokeColorWell);
    top->addLayout(kindRow);

    auto *form = new QFormLayout;
    auto *widthRow = new QHBoxLayout;
    strokeWidthSlider = new QSlider(Qt::Horizontal, this);
    strokeWidthSlider->setRange(0, WidthSliderMaximum);
    strokeWidthField = new QLineEdit(this);
    strokeWidthField->setMaximumWidth(70);
    strokeWidthField->setPlaceholderText(tr("Mixed"));
    widthRow->addWidget(strokeWidthSlider, 1);
    widthRow->addWidget(strokeWidthField);
    form->addRow(tr("Width:"), widthRow);

    strokeCapMenu = new QComboBox(this);
    strokeCapMenu->addItems({tr("Butt"), tr("Round"), tr("Square")});
    strokeJoinMenu = new QComboBox(this);
    strokeJoinMenu->addItems({tr("Miter"), tr("Round"), tr("Bevel")});
    auto *capJoin = new QHBoxLayout;
    capJoin->addWidget(strokeCapMenu);
    capJoin->addWidget(strokeJoinMenu);
    form->addRow(tr("Cap, join:"), capJoin);

    strokeDashMenu = new QComboBox(this);
    strokeDashMenu->setIconSize(QSize(75, 5));
    const auto &dashes = TDStrokeStyle::builtinDashes();
    for (int i = 0; i < int(dashes.size()); ++i)
        strokeDashMenu->addItem(QIcon(QPixmap::fromImage(dashes[size_t(i)].image)),
                                dashes[size_t(i)].dash.empty() ? tr("Solid") : QString(), i);
    strokeDashMenu->addItem(tr("Other..."), -1);
    customDashField = new QLineEdit(this);
    customDashField->setPlaceholderText(tr("Dash lengths in line widths"));
    customDashField->hide();
    auto *dashColumn = new QVBoxLayout;
    dashColumn->addWidget(strokeDashMenu);
    dashColumn->addWidget(customDashField);
    form->addRow(tr("Dashes:"), dashColumn);
    top->addLayout(form);

    strokeView = new QStackedWidget(this);
    noStrokeView = new QWidget(strokeView);
    strokeView->addWidget(noStrokeView);

    arrowsView = new QWidget(strokeView);
    auto *arrows = new QVBoxLayout(arrowsView);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->addWidget(arrowControls(false));
    arrows->addWidget(arrowControls(true));
    strokeView->addWidget(arrowsView);

    artisticStrokeView = new QWidget(strokeView);
    auto *brush = new QVBoxLayout(artisticStrokeView);
    brush->setContentsMargins(0, 0, 0, 0);
    brushPopup = new QComboBox(artisticStrokeView);
    strokeBrushTable = new QTableWidget(artisticStrokeView);
    strokeBrushTable->setColumnCount(1);
    strokeBrushTable->horizontalHeader()->hide();
    strokeBrushTable->horizontalHeader()->setStretchLastSection(true);
    strokeBrushTable->verticalHeader()->hide();
    strokeBrushTable->setSelectionMode(QAbstractItemView::SingleSelection);
    strokeBrushTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    strokeBrushTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    strokeBrushTable->setMinimumHeight(90);
    pressureCheck = new QCheckBox(tr("Pressure"), artisticStrokeView);
    pressureView = new TDPressureView(artisticStrokeView);
    pressureView->setToggleCheck(pressureCheck);
    brush->addWidget(brushPopup);
    brush->addWidget(strokeBrushTable);
    brush->addWidget(pressureCheck);
    brush->addWidget(pressureView);
    strokeView->addWidget(artisticStrokeView);

    textStrokeView = new QWidget(strokeView);
    auto *text = new QVBoxLayout(textStrokeView);
    text->addWidget(new QLabel(tr("Text along the path is kept as it was read."), textStrokeView));
    strokeView->addWidget(textStrokeView);

    top->addWidget(strokeView);
    top->addStretch(1);
}

QWidget *TDStrokePane::arrowControls(bool atEnd)
{
    auto *box = new QWidget(arrowsView);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    auto *sizeRow = new QHBoxLayout;
    column->addLayout(row);
    column->addLayout(sizeRow);
    auto *style = new QComboBox(box);
    style->setIconSize(QSize(40, 12));
    const auto &arrows = TDArrowhead::arrows();
    for (int i = 0; i < int(arrows.size()); ++i) {
        const TDArrowhead &arrow = arrows[size_t(i)];
        style->addItem(QIcon(QPixmap::fromImage(atEnd ? arrow.endImage() : arrow.startImage())), arrow.name(), i);
    }
    auto *slider = new QSlider(Qt::Horizontal, box);
    slider->setRange(0, 400);
    auto *field = new QLineEdit(box);
    field->setMaximumWidth(50);
    auto *morph = new QCheckBox(tr("Bend"), box);
    row->addWidget(new QLabel(atEnd ? tr("End:") : tr("Start:"), box));
    row->addWidget(style, 1);
    row->addWidget(morph);
    sizeRow->addWidget(new QLabel(tr("Size %:"), box));
    sizeRow->addWidget(slider, 1);
    sizeRow->addWidget(field);
    (atEnd ? arrowEndStyle : arrowStartStyle) = style;
    (atEnd ? arrowEndSizeSlider : arrowStartSizeSlider) = slider;
    (atEnd ? arrowEndSizeField : arrowStartSizeField) = field;
    (atEnd ? arrowEndMorphCheck : arrowStartMorphCheck) = morph;
    return box;
}

QWidget *TDStrokePane::viewForTag(int tag) const
{
    switch (tag) {
    case 0:
        return noStrokeView;
    case 1:
        return arrowsView;
    case 2:
        return artisticStrokeView;
    default:
        return textStrokeView;
    }
}

} // namespace scrivane
