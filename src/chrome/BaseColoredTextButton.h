#pragma once
// A skinned button that draws its title in light grey over its image, and lights up while the
// pointer is over it. The alert buttons and the effects' "Generate" buttons are of this kind.

#include "chrome/BaseColoredButton.h"

namespace chrome {

class BaseColoredTextButton : public BaseColoredButton {
    Q_OBJECT

  public:
    explicit BaseColoredTextButton(QWidget* parent = nullptr);

    // Whether the button itself turns on while hovered (off when its owner tracks the pointer).
    void setTracksHover(bool tracks) { m_tracksHover = tracks; }

    // Where the title is drawn: the bounds moved up by 2 points.
    QRect titleRect() const { return rect().translated(0, -2); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    bool m_tracksHover = true;
};

}  // namespace chrome
