#pragma once
// Space held while the mouse is over a canvas makes a left-button drag pan. Watched for the
// whole program, since the keyboard focus is mostly elsewhere (a list, a slider), and taken
// from the focused control, which would otherwise be pressed by it. Not while typing.

#include <QObject>
#include <QPointer>
#include <QWidget>

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

    // The canvas under the mouse (entering one), or none (leaving `canvas`).
    void enter(QWidget* canvas, PanTarget* target);
    void leave(QWidget* canvas);
    bool isHovered(const QWidget* canvas) const { return m_hovered && m_hovered == canvas; }
    bool held() const { return m_held; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override;

  private:
    using QObject::QObject;
    void tellHovered();

    QPointer<QWidget> m_hovered;
    PanTarget* m_target = nullptr;
    bool m_held = false;
};

}  // namespace chrome
