#include "chrome/PanKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace chrome {

PanKeys* PanKeys::instance() {
    static QPointer<PanKeys> watcher;
    if (!watcher && qApp) {
        watcher = new PanKeys(qApp);
        qApp->installEventFilter(watcher);
    }
    return watcher;
}

bool PanKeys::spaceHeld() {
    const PanKeys* keys = instance();
    return keys && keys->m_held;
}

void PanKeys::enter(QWidget* canvas) {
    m_hovered = canvas;
}

void PanKeys::leave(QWidget* canvas) {
    if (m_hovered == canvas) m_hovered = nullptr;
}

void PanKeys::tellHovered() {
    if (auto* target = dynamic_cast<PanTarget*>(m_hovered.data())) target->showPanCursor();
}

bool PanKeys::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space) return false;
    if (event->type() == QEvent::KeyPress) {
        if (!m_held) {
            const QWidget* focus = QApplication::focusWidget();
            if (!m_hovered || key->modifiers() != Qt::NoModifier ||
                (focus && focus->testAttribute(Qt::WA_InputMethodEnabled)))
                return false;
            m_held = true;
            tellHovered();
        }
        return true;
    }
    if (!m_held) return false;
    if (!key->isAutoRepeat()) {
        m_held = false;
        tellHovered();
    }
    return true;
}

PanDrag::Press PanDrag::press(const QMouseEvent& event) {
    if (m_active) return Press::Waiting;
    const bool pans = event.button() == Qt::MiddleButton ||
                      (event.button() == Qt::LeftButton && PanKeys::spaceHeld());
    if (!pans) return Press::Ignored;
    m_active = true;
    m_button = event.button();
    m_from = event.globalPosition();
    return Press::Started;
}

std::optional<QPointF> PanDrag::moved(const QMouseEvent& event) const {
    if (!m_active) return std::nullopt;
    return event.globalPosition() - m_from;
}

bool PanDrag::release(const QMouseEvent& event) {
    if (!m_active || event.button() != m_button) return false;
    m_active = false;
    return true;
}

void PanDrag::showCursor(QWidget* cursorOwner, const QWidget* canvas) {
    const PanKeys* keys = PanKeys::instance();
    const bool spaceHere = keys && keys->held() && keys->isHovered(canvas);
    if (m_active || spaceHere) {
        if (!m_cursorBefore) m_cursorBefore = cursorOwner->cursor();
        cursorOwner->setCursor(m_active ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    } else if (m_cursorBefore) {
        cursorOwner->setCursor(*m_cursorBefore);
        m_cursorBefore.reset();
    }
}

}  // namespace chrome
