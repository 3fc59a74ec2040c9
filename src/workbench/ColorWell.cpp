#include "workbench/ColorWell.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

#include "chrome/ColorPanel.h"

namespace workbench {

ColorWell::ColorWell(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

ColorWell::~ColorWell() {
    // The chooser edits this well only.
    if (m_dialog) m_dialog->close();
}

void ColorWell::setColor(const QColor& c) {
    m_color = c;
    update();
}

void ColorWell::activate() {
    if (!m_dialog) {
        m_dialog = new QColorDialog(m_color, window());
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_dialog->setOptions(chrome::ColorPanel::options() | QColorDialog::NoButtons);
        connect(m_dialog, &QColorDialog::currentColorChanged, this, [this](const QColor& c) {
            if (c == m_color) return;
            setColor(c);
            Q_EMIT colorChanged();
        });
    }
    m_dialog->show();
    m_dialog->raise();
}

void ColorWell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) activate();
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect().adjusted(1, 1, -1, -1);
    p.fillRect(rect(), QColor(0x18, 0x18, 0x1a));
    // Checkerboard under translucent colours.
    const int cell = 5;
    for (int y = r.top(); y <= r.bottom(); y += cell)
        for (int x = r.left(); x <= r.right(); x += cell)
            p.fillRect(QRect(x, y, cell, cell).intersected(r),
                       ((x - r.left()) / cell + (y - r.top()) / cell) % 2 ? QColor(0xbb, 0xbb, 0xbb)
                                                                          : Qt::white);
    p.fillRect(r, m_color);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace workbench
