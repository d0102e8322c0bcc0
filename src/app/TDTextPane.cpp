#include "app/TDTextPane.h"

#include "app/TDColorWell.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

namespace scrivane {

namespace {

QSlider *slider(QWidget *parent)
{
    auto *s = new QSlider(Qt::Horizontal, parent);
    s->setRange(-TDTextPane::SliderScale, TDTextPane::SliderScale);
    return s;
}

QLineEdit *field(QWidget *parent)
{
    auto *f = new QLineEdit(parent);
    f->setMaximumWidth(64);
    f->setAlignment(Qt::AlignRight);
    return f;
}

QHBoxLayout *pair(QSlider *s, QLineEdit *f)
{
    auto *row = new QHBoxLayout;
    row->addWidget(s, 1);
    row->addWidget(f);
    return row;
}

} // namespace

TDTextPane::TDTextPane(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);
    auto *fontRow = new QHBoxLayout;
    fontPopup = new QComboBox(this);
    fontPopup->setToolTip(tr("Recently used fonts"));
    fontsButton = new QToolButton(this);
    fontsButton->setText(tr("Fonts…"));
    fontsButton->setToolTip(tr("Show the font panel"));
    fontRow->addWidget(fontPopup, 1);
    fontRow->addWidget(fontsButton);
    form->addRow(tr("Font:"), fontRow);

    textColorWell = new TDColorWell;
    form->addRow(tr("Colour:"), textColorWell);
    alignmentPopup = new QComboBox(this);
    alignmentPopup->addItem(tr("Left"), int(Qt::AlignLeft));
    alignmentPopup->addItem(tr("Centre"), int(Qt::AlignHCenter));
    alignmentPopup->addItem(tr("Right"), int(Qt::AlignRight));
    alignmentPopup->addItem(tr("Justified"), int(Qt::AlignJustify));
    form->addRow(tr("Alignment:"), alignmentPopup);

    characterSlider = slider(this);
    characterField = field(this);
    characterSlider->setToolTip(tr("Space between characters, in per cent of the font size"));
    form->addRow(tr("Character:"), pair(characterSlider, characterField));
    lineSlider = slider(this);
    lineField = field(this);
    lineSlider->setToolTip(tr("Line height, as a multiple of the font's"));
    form->addRow(tr("Line:"), pair(lineSlider, lineField));
    baselineSlider = slider(this);
    baselineField = field(this);
    baselineSlider->setToolTip(tr("Baseline shift, in per cent of the font size"));
    form->addRow(tr("Baseline:"), pair(baselineSlider, baselineField));
}

} // namespace scrivane
