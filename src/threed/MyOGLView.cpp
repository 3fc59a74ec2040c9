#include "threed/MyOGLView.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "foundation/ImageBridge.h"
#include "foundation/NotificationCenter.h"

namespace threed {

MyOGLView::MyOGLView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("openGLView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    foundation::NotificationCenter::defaultCenter().addObserver(this, foundation::kUpdateOpenGLView,
                                                                [this] { update(); });
}

MyOGLView::~MyOGLView() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

void MyOGLView::setImageSource(std::function<imaging::Image()> picture) {
    m_picture = std::move(picture);
    update();
}

QImage MyOGLView::ogl_shot() {
    if (width() <= 0 || height() <= 0) return {};
    QImage frame(size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::black);
    render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
    return frame;
}

imaging::Image MyOGLView::ogl_shot_CI() {
    return foundation::imageFromQImage(ogl_shot());
}

void MyOGLView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const imaging::Image pic = m_picture ? m_picture() : imaging::Image();
    if (pic.isNull()) return;
    const imaging::Rect e = pic.extent();
    if (e.isEmpty() || e.isInfinite()) return;
    const double scale = std::min(width() / e.width, height() / e.height);
    const imaging::IRect px = imaging::IRect::cover(e, scale);
    const QImage img = foundation::renderQImage(pic, px, scale);
    if (img.isNull()) return;
    p.drawImage(QPoint((width() - img.width()) / 2, (height() - img.height()) / 2), img);
}

void MyOGLView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu) m_contextMenu(event->globalPos());
}

}  // namespace threed
