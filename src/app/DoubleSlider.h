#pragma once

#include <QSlider>

namespace scrivane {

// A slider over a range of real numbers.  QSlider counts in integers: this
// one divides its range into a fixed number of steps and reports the real
// value of the step reached.  A value set from outside is kept exactly
// (and answered by doubleValue()) until the slider moves.
class DoubleSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int Steps = 1000;

    explicit DoubleSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);

    // An empty or reversed range, or one that is not finite, becomes 0 to 1.
    void setDoubleRange(double minimum, double maximum);
    double doubleMinimum() const { return m_minimum; }
    double doubleMaximum() const { return m_maximum; }

    double doubleValue() const { return m_value; }
    // Shows the value (held to the range for the knob); reports nothing.
    void setDoubleValue(double value);

Q_SIGNALS:
    // The person moved the slider (or the value was set through the
    // integer steps).
    void doubleValueChanged(double value);

private:
    int stepFor(double value) const;
    double valueFor(int step) const;

    double m_minimum = 0;
    double m_maximum = 1;
    double m_value = 0;
    bool m_setting = false;
};

} // namespace scrivane
