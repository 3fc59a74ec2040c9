#pragma once
// The one conversion between the y-up frames the program describes its views in and Qt's y-down
// widget geometry.

#include <QRect>
#include <QRectF>

namespace foundation {

// A frame (x, y, width, height) with y measured upwards from the parent's bottom edge, as a Qt
// geometry inside a parent of height `parentHeight`.
inline QRect qtRectFromYUp(int x, int y, int width, int height, int parentHeight) {
    return QRect(x, parentHeight - y - height, width, height);
}

inline QRectF qtRectFromYUp(const QRectF& yUp, double parentHeight) {
    return QRectF(yUp.x(), parentHeight - yUp.y() - yUp.height(), yUp.width(), yUp.height());
}

}  // namespace foundation
