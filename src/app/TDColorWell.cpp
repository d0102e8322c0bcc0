#include "app/TDColorWell.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace scrivane {

namespace {

QPointer<TDColorWell> &currentWell()
{
    static QPointer<TDColorWell> well;
    return well;
}

} // namespace

TDColorWell::TDColorWell(QWidget *parent) : QToolButton(parent)
{
    setMinimumSize(44, 22);
    setToolTip(tr("Choose a colour"));
    connect(this, &QToolButton::clicked, this, &TDColorWell::openDialog);
}

TDColorWell::~TDColorWell() = default;

QColor TDColorWell::toQColor(const Color &color)
{
    const Color rgb = color.toCalibratedRGB();
    return QColor::fromRgbF(rgb.components()[0], rgb.components()[1], rgb.components()[2], rgb.alpha());
}

Color TDColorWell::fromQColor(const QColor &color)
{
    return Color::calibratedRGB(float(color.redF()), float(color.greenF()), float(color.blueF()),
                                float(color.alphaF()));
}

void TDColorWell::setColor(const Color &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    if (currentWell() == this) {
        QColorDialog *dialog = sharedDialog();
        const QSignalBlocker quiet(dialog);
        dialog->setCurrentColor(toQColor(color));
    }
}

void TDColorWell::takeColor(const Color &color)
{
    m_color = color;
    update();
    Q_EMIT colorChanged(color);
}

QColorDialog *TDColorWell::sharedDialog()
{
    static QPointer<QColorDialog> dialog;
    if (!dialog) {
        dialog = new QColorDialog();
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->setOption(QColorDialog::ShowAlphaChannel, true);
        dialog->setOption(QColorDialog::NoButtons, true);
        dialog->setWindowTitle(QObject::tr("Colours"));
        QObject::connect(dialog, &QColorDialog::currentColorChanged, dialog, [](const QColor &color) {
            if (TDColorWell *well = currentWell())
                well->takeColor(fromQColor(color));
        });
    }
    return dialog;
}

TDColorWell *TDColorWell::activeWell()
{
    return currentWell();
}

void TDColorWell::makeActive()
{
    TDColorWell *previous = currentWell();
    currentWell() = this;
    if (previous && previous != this)
        previous->update();
    update();
    if (QColorDialog *dialog = sharedDialog(); dialog->isVisible()) {
        const QSignalBlocker quiet(dialog);
        dialog->setCurrentColor(toQColor(m_color));
    }
}

void TDColorWell::openDialog()
{
    makeActive();
    QColorDialog *dialog = sharedDialog();
    {
        const QSignalBlocker quiet(dialog);
        dialog->setCurrentColor(toQColor(m_color));
    }
    dialog->show();
    dialog->raise();
}

void TDColorWell::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QRect swatch = rect().adjusted(5, 5, -5, -5);
    // A checkerboard under the colour shows its transparency.
    const int cell = 4;
    for (int y = swatch.top(); y <= swatch.bottom(); y += cell)
        for (int x = swatch.left(); x <= swatch.right(); x += cell)
            painter.fillRect(QRect(x, y, cell, cell).intersected(swatch),
                             ((x - swatch.left()) / cell + (y - swatch.top()) / cell) % 2 ? Qt::lightGray : Qt::white);
    painter.fillRect(swatch, isEnabled() ? toQColor(m_color) : QColor(Qt::transparent));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

} // namespace scrivane
