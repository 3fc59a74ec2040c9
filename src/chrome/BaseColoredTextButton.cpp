#include "chrome/BaseColoredTextButton.h"

#include <QPainter>

#include "chrome/Skin.h"

namespace chrome {

BaseColoredTextButton::BaseColoredTextButton(QWidget* parent) : BaseColoredButton(parent) {
    QFont f = font();
    f.setPixelSize(13);
    setFont(f);
}

void BaseColoredTextButton::paintEvent(QPaintEvent* event) {
    BaseColoredButton::paintEvent(event);
    if (text().isEmpty() || currentImage().isNull()) return;
    QPainter p(this);
    p.setFont(font());
    p.setPen(isEnabled() ? lightGreyText()
                         : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(titleRect(), Qt::AlignCenter, text());
}

void BaseColoredTextButton::enterEvent(QEnterEvent* event) {
    BaseColoredButton::enterEvent(event);
    if (m_tracksHover) setState(1);
}

void BaseColoredTextButton::leaveEvent(QEvent* event) {
    BaseColoredButton::leaveEvent(event);
    if (m_tracksHover) setState(0);
}

}  // namespace chrome
