#include "app/TDShadowPane.h"

#include "app/JoystickView.h"
#include "app/TDColorWell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSlider>

namespace scrivane {

TDShadowPane::TDShadowPane(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);

    auto *shadowRow = new QHBoxLayout;
    shadowCheck = new QCheckBox(tr("Shadow"), this);
    shadowColorWell = new TDColorWell(this);
    shadowView = new JoystickView(this);
    shadowRow->addWidget(shadowCheck);
    shadowRow->addWidget(shadowColorWell);
    shadowRow->addWidget(shadowView);
    form->addRow(shadowRow);
    shadowRadiusSlider = new QSlider(Qt::Horizontal, this);
    shadowRadiusSlider->setRange(0, 50);
    form->addRow(tr("Blur:"), shadowRadiusSlider);

    blendMode = new QComboBox(this);
    // The numbers are those stored in documents.
    const QStringList modes{tr("Normal"),      tr("Multiply"),   tr("Screen"),     tr("Overlay"),
                            tr("Darken"),      tr("Lighten"),    tr("Colour Dodge"), tr("Colour Burn"),
                            tr("Soft Light"),  tr("Hard Light"), tr("Difference"), tr("Exclusion"),
                            tr("Hue"),         tr("Saturation"), tr("Colour"),     tr("Luminosity")};
    for (int mode = 0; mode < modes.size(); ++mode)
        blendMode->addItem(modes[mode], mode);
    blendMode->setPlaceholderText(tr("Mixed"));
    form->addRow(tr("Blend:"), blendMode);

    auto *alphaRow = new QHBoxLayout;
    effectAlpha = new QSlider(Qt::Horizontal, this);
    effectAlpha->setRange(0, AlphaSliderScale);
    effectAlphaField = new QLineEdit(this);
    effectAlphaField->setMaximumWidth(50);
    effectAlphaField->setPlaceholderText(tr("Mixed"));
    alphaRow->addWidget(effectAlpha, 1);
    alphaRow->addWidget(effectAlphaField);
    form->addRow(tr("Opacity:"), alphaRow);

    auto *filterRow = new QHBoxLayout;
    filterCheck = new QCheckBox(tr("Effects"), this);
    filterResolution = new QComboBox(this);
    for (int resolution : {1, 2, 4})
        filterResolution->addItem(tr("%1 px per point").arg(resolution), resolution);
    filterRow->addWidget(filterCheck);
    filterRow->addWidget(filterResolution, 1);
    form->addRow(filterRow);
}

} // namespace scrivane
