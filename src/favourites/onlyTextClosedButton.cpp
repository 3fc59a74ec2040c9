#include "favourites/onlyTextClosedButton.h"

#include <QEnterEvent>
#include <QPainter>

#include "foundation/Resources.h"

namespace favourites {

using foundation::Resources;

onlyTextClosedButton::onlyTextClosedButton(QWidget* parent) : chrome::BaseColoredButton(parent) {}

void onlyTextClosedButton::addCloseBtn() {
    if (closeBtn) return;
    closeBtn = new chrome::BaseColoredButton(this);
    closeBtn->setObjectName(QStringLiteral("closeBox"));
    closeBtn->setGeometry(width() - 20, 2, kCloseBoxSize, kCloseBoxSize);
    closeBtn->setImage(Resources::imageNamed(QStringLiteral("off_x")));
    closeBtn->setAlternateImage(Resources::imageNamed(QStringLiteral("on_x")));
    closeBtn->setState(0);
    closeBtn->setAllowsMixedState(true);
    closeBtn->setToolTip(QStringLiteral("Remove this favourite"));
    closeBtn->hide();
    connect(closeBtn, &QPushButton::clicked, this, [this] { removeMySelf(); });
    // Shown while the mouse is over the button, as when it enters later.
    if (underMouse()) closeBtn->show();
}

void onlyTextClosedButton::removeMySelf() {
    if (m_controller) m_controller->removeFavoriteOfCurrentMode(this);
}

void onlyTextClosedButton::enterEvent(QEnterEvent* event) {
    chrome::BaseColoredButton::enterEvent(event);
    if (closeBtn) closeBtn->show();
}

void onlyTextClosedButton::leaveEvent(QEvent* event) {
    chrome::BaseColoredButton::leaveEvent(event);
    if (closeBtn) closeBtn->hide();
}

void onlyTextClosedButton::paintEvent(QPaintEvent* event) {
    chrome::BaseColoredButton::paintEvent(event);
    if (backImg.isNull()) return;
    QPainter p(this);
    p.drawImage(kThumbnailOrigin, backImg);
}

}  // namespace favourites
