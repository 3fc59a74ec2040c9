#include "workbench/FloatSlider.h"

#include <algorithm>
#include <cmath>

namespace workbench {

FloatSlider::FloatSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kSteps);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QSlider::valueChanged, this, [this](int pos) {
        if (m_setting) return;
        m_value = m_max > m_min ? m_min + (m_max - m_min) * pos / kSteps : m_min;
        Q_EMIT moved();
    });
}

void FloatSlider::setMinValue(double v) {
    m_min = v;
    setFloatValue(m_value);
}

void FloatSlider::setMaxValue(double v) {
    m_max = v;
    setFloatValue(m_value);
}

void FloatSlider::setFloatValue(double v) {
    if (std::isnan(v)) v = m_min;
    m_value = m_max >= m_min ? std::clamp(v, m_min, m_max) : m_min;
    updatePosition();
}

void FloatSlider::updatePosition() {
    m_setting = true;
    const double t = m_max > m_min ? (m_value - m_min) / (m_max - m_min) : 0;
    setValue(int(std::lround(t * kSteps)));
    m_setting = false;
}

}  // namespace workbench
