#include "workbench/DovOdovoImageView.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "foundation/NativeName.h"

namespace workbench {

namespace {
QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << foundation::NativeName::fromUrl(url);
    return files;
}
}  // namespace

DovOdovoImageView::DovOdovoImageView(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
}

void DovOdovoImageView::setImage(const QImage& image) {
    m_image = image;
    update();
}

void DovOdovoImageView::concludeDragOperation(const QStringList& files) {
    m_filePath.clear();
    if (files.isEmpty()) return;
    m_filePath = files.first();
    QImage shown(m_filePath);
    if (!shown.isNull()) setImage(shown);
    Q_EMIT imageDropped();
}

void DovOdovoImageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // A sunken grey bezel.
    p.fillRect(rect(), QColor(0x1c, 0x1c, 0x1e));
    p.setPen(QColor(0x70, 0x70, 0x72));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_image.isNull()) return;
    const QRect area = rect().adjusted(3, 3, -3, -3);
    QSize s = m_image.size();
    s.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), s);
    target.moveCenter(area.center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_image);
}

void DovOdovoImageView::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    m_pressAt = event->position().toPoint();
}

void DovOdovoImageView::mouseMoveEvent(QMouseEvent* event) {
    // Without a file there is nothing to offer: no drag starts.
    if (!m_pressed || m_filePath.isEmpty()) return;
    if ((event->position().toPoint() - m_pressAt).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressed = false;
    auto* data = new QMimeData;
    data->setUrls({foundation::NativeName::toUrl(m_filePath)});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QFileIconProvider().icon(QFileInfo(m_filePath)).pixmap(32, 32));
    drag->setHotSpot(QPoint(16, 16));
    drag->exec(Qt::CopyAction);
}

void DovOdovoImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void DovOdovoImageView::dropEvent(QDropEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    concludeDragOperation(files);
}

}  // namespace workbench
