#pragma once

#include "platform/Color.h"

#include <QPointer>
#include <QToolButton>

class QColorDialog;

namespace scrivane {

// A button that shows a colour and, when clicked, opens the shared colour
// dialog (not modal) on it: every colour the person passes over while the
// dialog is open is reported at once, so that the drawing follows live.
// Only one well edits through the dialog at a time; clicking another well
// hands the dialog over.
class TDColorWell : public QToolButton {
    Q_OBJECT
public:
    explicit TDColorWell(QWidget *parent = nullptr);
    ~TDColorWell() override;

    const Color &color() const { return m_color; }
    // Shows the colour; reports nothing.
    void setColor(const Color &color);
    // The person chose a colour (the dialog, or a test): shows it and
    // reports it.
    void takeColor(const Color &color);

    static QColor toQColor(const Color &color);
    static Color fromQColor(const QColor &color);

    // The dialog the wells share, created on first use.
    static QColorDialog *sharedDialog();
    // The well the dialog edits now, or null.
    static TDColorWell *activeWell();

Q_SIGNALS:
    void colorChanged(const scrivane::Color &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    // Makes this well the one the colour dialog edits.
    void makeActive();

private:
    void openDialog();

    Color m_color = Color::black();
};

} // namespace scrivane
