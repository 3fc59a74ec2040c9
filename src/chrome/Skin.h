#pragma once
// The colours of the dark window and its panels.

#include <QColor>
#include <QPalette>

class QMenu;
class QPoint;

namespace chrome {

inline QColor windowGrey() {
    return QColor(0x3a, 0x3a, 0x3c);
}
inline QColor panelGrey() {
    return QColor(0x2e, 0x2e, 0x30);
}
inline QColor fieldGrey() {
    return QColor(0x24, 0x24, 0x26);
}
inline QColor lightGreyText() {
    return QColor::fromRgbF(0.83f, 0.83f, 0.83f);
}
inline QColor accent() {
    return QColor(0xe8, 0xa4, 0x3c);
}

// The dark palette used throughout the window, its panels and its dialogs.
QPalette darkPalette();

// Pops up a canvas's context menu at a screen point, in the menu font at size 11.
void popUpContextMenu(QMenu* menu, const QPoint& globalPos);

}  // namespace chrome
