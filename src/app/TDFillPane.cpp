#include "app/TDFillPane.h"

#include "app/TDColorWell.h"
#include "app/TDGradientView.h"
#include "app/TDImageWell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace scrivane {

namespace {

QWidget *page(QStackedWidget *stack, QLayout *layout)
{
    auto *widget = new QWidget(stack);
    widget->setLayout(layout);
    stack->addWidget(widget);
    return widget;
}

} // namespace

TDFillPane::TDFillPane(QWidget *parent) : QWidget(parent)
{
    auto *top = new QVBoxLayout(this);
    auto *kindRow = new QHBoxLayout;
    fillOption = new QComboBox(this);
    const QStringList kinds{tr("None"), tr("Colour"), tr("Image"), tr("Gradient"), tr("Text")};
    for (int code = 0; code < kinds.size(); ++code)
        fillOption->addItem(kinds[code], code);
    fillOption->setPlaceholderText(tr("Mixed"));
    fillNonZero = new QCheckBox(tr("Non-zero winding"), this);
    kindRow->addWidget(fillOption, 1);
    kindRow->addWidget(fillNonZero);
    top->addLayout(kindRow);

    fillView = new QStackedWidget(this);
    top->addWidget(fillView);

    noFillView = page(fillView, new QVBoxLayout);

    auto *solid = new QFormLayout;
    fillColorWell = new TDColorWell;
    solid->addRow(tr("Colour:"), fillColorWell);
    solidFillView = page(fillView, solid);

    auto *image = new QVBoxLayout;
    fillImageWell = new TDImageWell;
    image->addWidget(fillImageWell);
    auto *imageRow = new QHBoxLayout;
    fillImageChoose = new QPushButton(tr("Choose…"));
    fillImageAlpha = new QSlider(Qt::Horizontal);
    fillImageAlpha->setRange(0, 100);
    imageRow->addWidget(fillImageChoose);
    imageRow->addWidget(new QLabel(tr("Opacity:")));
    imageRow->addWidget(fillImageAlpha, 1);
    image->addLayout(imageRow);
    imageFillView = page(fillView, image);

    auto *gradient = new QVBoxLayout;
    fillGradientView = new TDGradientView;
    fillGradientView->setMinimumSize(120, 50);
    gradient->addWidget(fillGradientView);
    auto *gradientRow = new QHBoxLayout;
    fillGradientType = new QComboBox;
    fillGradientType->addItem(tr("Linear"));
    fillGradientType->addItem(tr("Radial"));
    gradientRow->addWidget(new QLabel(tr("Kind:")));
    gradientRow->addWidget(fillGradientType, 1);
    gradient->addLayout(gradientRow);
    gradientFillView = page(fillView, gradient);

    auto *text = new QFormLayout;
    fillColorWellB = new TDColorWell;
    textBackgroundCheck = new QCheckBox(tr("Paint behind the text"));
    textPaddingSlider = new QSlider(Qt::Horizontal);
    textPaddingSlider->setRange(0, MaximumPadding);
    textPaddingSlider->setToolTip(tr("Room left free at both ends of each line"));
    textHyphenationSlider = new QSlider(Qt::Horizontal);
    textHyphenationSlider->setRange(0, HyphenationScale);
    textHyphenationSlider->setToolTip(tr("How empty a line may be before a word is hyphenated to fill it"));
    editTextButton = new QPushButton(tr("Edit Text"));
    text->addRow(tr("Background:"), fillColorWellB);
    text->addRow(QString(), textBackgroundCheck);
    text->addRow(tr("Padding:"), textPaddingSlider);
    text->addRow(tr("Hyphenation:"), textHyphenationSlider);
    text->addRow(editTextButton);
    textFillView = page(fillView, text);

    auto *group = new QVBoxLayout;
    fillClipGroup = new QCheckBox(tr("Clip to the top graphic"));
    group->addWidget(fillClipGroup);
    groupFillView = page(fillView, group);

    auto *linkBack = new QVBoxLayout;
    linkBack->addWidget(new QLabel(tr("Embedded from another application")));
    linkBackFillView = page(fillView, linkBack);

    top->addStretch(1);
}

QWidget *TDFillPane::viewForTag(int tag) const
{
    switch (tag) {
    case 1:
        return solidFillView;
    case 2:
        return imageFillView;
    case 3:
        return gradientFillView;
    case 4:
        return textFillView;
    case GroupTag:
        return groupFillView;
    case LinkBackTag:
        return linkBackFillView;
    default:
        return noFillView;
    }
}

} // namespace scrivane
