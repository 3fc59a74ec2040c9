#include "chrome/PanKeys.h"

#include <QApplication>
#include <QKeyEvent>

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

void PanKeys::enter(QWidget* canvas, PanTarget* target) {
    m_hovered = canvas;
    m_target = target;
}

void PanKeys::leave(QWidget* canvas) {
    if (m_hovered != canvas) return;
    m_hovered = nullptr;
    m_target = nullptr;
}

void PanKeys::tellHovered() {
    if (m_hovered && m_target) m_target->showPanCursor();
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

}  // namespace chrome
