#include "app/TDEffectsPane.h"

#include "app/FilterListView.h"
#include "app/FilterView.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace scrivane {

TDEffectsPane::TDEffectsPane(QWidget *parent) : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto *bar = new QHBoxLayout;
    addButton = new QToolButton(this);
    addButton->setObjectName(QStringLiteral("addFilter"));
    addButton->setText(QStringLiteral("+"));
    addButton->setToolTip(tr("Add an effect"));
    addButton->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(addButton);
    bar->addStretch(1);
    column->addLayout(bar);

    scrollView = new QScrollArea(this);
    scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView->setWidgetResizable(false);
    interfaceView = new FilterListView;
    interfaceView->setObjectName(QStringLiteral("filterList"));
    scrollView->setWidget(interfaceView);
    scrollView->setMinimumWidth(FilterView::Width + scrollView->frameWidth() * 2 + 16);
    column->addWidget(scrollView, 1);
}

void TDEffectsPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

} // namespace scrivane
