#include "app/TDLayoutPane.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

namespace scrivane {

TDLayoutPane::TDLayoutPane(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);
    const auto field = [this] { return new QLineEdit(this); };
    documentWidth = field();
    documentHeight = field();
    documentSizeInPages = new QCheckBox(tr("Size in pages"), this);
    documentMarginLeft = field();
    documentMarginRight = field();
    documentMarginTop = field();
    documentMarginBottom = field();
    form->addRow(tr("Width:"), documentWidth);
    form->addRow(tr("Height:"), documentHeight);
    form->addRow(documentSizeInPages);
    form->addRow(tr("Left margin:"), documentMarginLeft);
    form->addRow(tr("Right margin:"), documentMarginRight);
    form->addRow(tr("Top margin:"), documentMarginTop);
    form->addRow(tr("Bottom margin:"), documentMarginBottom);
}

} // namespace scrivane
