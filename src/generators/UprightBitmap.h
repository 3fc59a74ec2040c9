#pragma once
// Bitmaps computed row by row from the top, drawn under the generators' y-up transform.

#include <QImage>
#include <QPainter>

namespace generators {

// Draws `bitmap` upright, stretched smoothly over `rect` of a y-up painter.
inline void drawUpright(QPainter& p, const QRectF& rect, const QImage& bitmap) {
    p.save();
    p.translate(rect.x(), rect.y() + rect.height());
    p.scale(1, -1);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(0, 0, rect.width(), rect.height()), bitmap);
    p.restore();
}

}  // namespace generators
