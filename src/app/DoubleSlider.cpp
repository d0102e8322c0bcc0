#include "app/DoubleSlider.h"


#include <algorithm>
#include <cmath>

namespace scrivane {

DoubleSlider::DoubleSlider(Qt::Orientation orientation, QWidget *parent) : QSlider(orientation, parent)
{
    setRange(0, Steps);
    connect(this, &QSlider::valueChanged, this, [this](int step) {
        if (m_setting)
            return;
        m_value = valueFor(step);
        Q_EMIT doubleValueChanged(m_value);
    });
}

void DoubleSlider::setDoubleRange(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || !(minimum < maximum)) {
        minimum = 0;
        maximum = 1;
    }
    m_minimum = minimum;
    m_maximum = maximum;
    setDoubleValue(m_value);
}

void DoubleSlider::setDoubleValue(double value)
{
    if (!std::isfinite(value))
        value = m_minimum;
    m_value = value;
    m_setting = true;
    setValue(stepFor(value));
    m_setting = false;
}

int DoubleSlider::stepFor(double value) const
{
    const double fraction = std::clamp((value - m_minimum) / (m_maximum - m_minimum), 0.0, 1.0);
    return int(std::lround(fraction * Steps));
}

double DoubleSlider::valueFor(int step) const
{
    if (step <= 0)
        return m_minimum;
    if (step >= Steps)
        return m_maximum;
    return m_minimum + (m_maximum - m_minimum) * double(step) / Steps;
}

} // namespace scrivane
