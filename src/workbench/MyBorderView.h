#pragma once
// A view that strokes its own bounds.

#include <QColor>
#include <QWidget>

namespace workbench {

class MyBorderView : public QWidget {
    Q_OBJECT

  public:
    explicit MyBorderView(QWidget* parent = nullptr);

    void setBorderColor(const QColor& c);
    void setLineWidth(float w);
    QColor borderColor() const { return bgColor; }
    float borderLineWidth() const { return lineWidth; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void drawBorder();

    QColor bgColor = Qt::white;
    float lineWidth = 2.0f;
};

}  // namespace workbench
