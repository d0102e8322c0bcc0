#pragma once

#include "app/TDColorWell.h"

namespace scrivane {

// The small colour well under one stop of the gradient editor: the stop's
// colour inside a marker frame, drawn highlighted while the shared colour
// dialog edits it.  Its tag is the stop's index in the gradient's list.
class TDGradientColorWell : public TDColorWell {
    Q_OBJECT
public:
    static constexpr int Width = 15;
    static constexpr int Height = 20;

    explicit TDGradientColorWell(QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // Makes this well the one the colour dialog edits, without showing the
    // dialog.
    void activate();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_tag = 0;
};

} // namespace scrivane
