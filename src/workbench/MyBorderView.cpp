#include "workbench/MyBorderView.h"

#include <QPainter>
#include <QPen>

namespace workbench {

MyBorderView::MyBorderView(QWidget* parent) : QWidget(parent) {}

void MyBorderView::setBorderColor(const QColor& c) {
    bgColor = c;
    update();
}

void MyBorderView::setLineWidth(float w) {
    lineWidth = w;
    update();
}

void MyBorderView::paintEvent(QPaintEvent*) {
    drawBorder();
}

void MyBorderView::drawBorder() {
    QPainter p(this);
    QPen pen(bgColor);
    pen.setWidthF(lineWidth);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // The stroke is centred on the bounds: its outer half falls outside and is clipped.
    p.drawRect(QRectF(rect()));
}

}  // namespace workbench
