#pragma once
// Panning a canvas by hand. Space held while the mouse is over a canvas makes a left-button drag
// pan: watched for the whole program, since the keyboard focus is mostly elsewhere (a list, a
// slider), and taken from the focused control, which would otherwise be pressed by it; not while
// typing. PanDrag is the gesture itself, the same on every canvas.

#include <QCursor>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <optional>

class QMouseEvent;

namespace chrome {

// A canvas that pans: shows the open hand while Space is held over it.
class PanTarget {
  public:
    virtual ~PanTarget() = default;
    virtual void showPanCursor() = 0;
};

class PanKeys : public QObject {
  public:
    static PanKeys* instance();
    // Whether Space is held over a canvas now.
    static bool spaceHeld();

    // The canvas under the mouse (entering one, a PanTarget), or none (leaving `canvas`).
    void enter(QWidget* canvas);
    void leave(QWidget* canvas);
    bool isHovered(const QWidget* canvas) const { return m_hovered && m_hovered == canvas; }
    bool held() const { return m_held; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override;

  private:
    using QObject::QObject;
    void tellHovered();

    QPointer<QWidget> m_hovered;
    bool m_held = false;
};

// The pan gesture of one canvas: the middle button, or the left one while Space is held, starts
// it; other buttons wait for it to end; the release of the button that started it ends it.
class PanDrag {
  public:
    enum class Press { Ignored, Started, Waiting };
    Press press(const QMouseEvent& event);
    // While panning: how far the hand has moved since the press, in screen coordinates (the
    // canvas itself may move as it pans).
    std::optional<QPointF> moved(const QMouseEvent& event) const;
    // Whether `event` ends the pan.
    bool release(const QMouseEvent& event);
    bool active() const { return m_active; }
    // The closed hand on `cursorOwner` while panning, the open one while Space is held over
    // `canvas`, and its own cursor back after.
    void showCursor(QWidget* cursorOwner, const QWidget* canvas);

  private:
    bool m_active = false;
    Qt::MouseButton m_button = Qt::NoButton;
    QPointF m_from;
    std::optional<QCursor> m_cursorBefore;
};

}  // namespace chrome
