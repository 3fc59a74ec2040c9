#include "chrome/BaseColoredButton.h"

#include <QPainter>

#include "foundation/Resources.h"

namespace chrome {

BaseColoredButton::BaseColoredButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
}

void BaseColoredButton::setImage(const QImage& image) {
    m_image = image;
    update();
}

void BaseColoredButton::setAlternateImage(const QImage& image) {
    m_alternateImage = image;
    update();
}

void BaseColoredButton::setState(int state) {
    setChecked(state != 0);
    update();
}

bool BaseColoredButton::isSelected() const {
    if (isDown()) return true;
    return isChecked() && !m_allowsMixedState;
}

QImage BaseColoredButton::currentImage() const {
    // A disabled button with a title shows the image named by its title.
    if (!isEnabled() && !text().isEmpty()) return foundation::Resources::imageNamed(text());
    return isSelected() ? m_alternateImage : m_image;
}

void BaseColoredButton::paintEvent(QPaintEvent* event) {
    const QImage img = currentImage();
    if (img.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (isFitToFrame || !m_noImageScaling)
        p.drawImage(rect(), img);
    else
        p.drawImage(QPoint(0, 0), img);
    if (!isEnabled() && text().isEmpty())
        p.fillRect(rect(), QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.5f));
}

}  // namespace chrome
