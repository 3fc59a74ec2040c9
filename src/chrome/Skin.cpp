#include "chrome/Skin.h"

#include <QMenu>

namespace chrome {

QPalette darkPalette() {
    QPalette p;
    const QColor text = lightGreyText();
    p.setColor(QPalette::Window, windowGrey());
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, fieldGrey());
    p.setColor(QPalette::AlternateBase, panelGrey());
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x4a, 0x4a, 0x4d));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, QColor(0x5a, 0x6e, 0x8c));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, panelGrey());
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Link, accent());
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x32));
    p.setColor(QPalette::Dark, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::Light, QColor(0x60, 0x60, 0x64));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x78, 0x78, 0x78));
    return p;
}

void popUpContextMenu(QMenu* menu, const QPoint& globalPos) {
    if (!menu) return;
    QFont font = menu->font();
    font.setPointSize(11);
    menu->setFont(font);
    menu->popup(globalPos);
}

}  // namespace chrome
