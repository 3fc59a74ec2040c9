#pragma once
// A horizontal slider over a range of real numbers. A value set from code is kept exactly
// (clamped to the range); one set by the mouse is the nearest of the slider's steps.

#include <QSlider>

namespace workbench {

class FloatSlider : public QSlider {
    Q_OBJECT

  public:
    explicit FloatSlider(QWidget* parent = nullptr);

    void setMinValue(double v);
    void setMaxValue(double v);
    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    void setFloatValue(double v);
    float floatValue() const { return float(m_value); }
    double doubleValue() const { return m_value; }

  Q_SIGNALS:
    // The user moved the slider.
    void moved();

  private:
    void updatePosition();

    static constexpr int kSteps = 10000;
    double m_min = 0, m_max = 1, m_value = 0;
    bool m_setting = false;
};

}  // namespace workbench
