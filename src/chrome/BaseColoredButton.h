#pragma once
// A push button drawn from images: the image, or the alternate image while selected; greyed
// when disabled. The mode buttons, favourite buttons and their close boxes are made of it.

#include <QImage>
#include <QPushButton>

namespace chrome {

class BaseColoredButton : public QPushButton {
    Q_OBJECT

  public:
    explicit BaseColoredButton(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void setAlternateImage(const QImage& image);
    QImage image() const { return m_image; }
    QImage alternateImage() const { return m_alternateImage; }

    // On/off state (0 or 1), as a checkable button's checked state.
    int state() const { return isChecked() ? 1 : 0; }
    void setState(int state);

    // A button that allows a mixed state (the close boxes) shows its alternate image only while
    // pressed.
    void setAllowsMixedState(bool allow) { m_allowsMixedState = allow; }
    bool allowsMixedState() const { return m_allowsMixedState; }
    // Draw the image at its own size at the origin instead of scaled to the bounds.
    void setNoImageScaling(bool noScaling) { m_noImageScaling = noScaling; }

    bool isSelected() const;
    void setFitToFrame(bool fit) { isFitToFrame = fit; }
    void setDragEnable(bool enable) { isDragEnable = enable; }
    bool isDragEnableSet() const { return isDragEnable; }

    // The image this button draws in its current state; null when it draws as a plain button.
    QImage currentImage() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The state changes only when the owner sets it, never by a click alone.
    void nextCheckState() override {}

  private:
    bool isDragEnable = false;
    bool isFitToFrame = false;
    bool m_allowsMixedState = false;
    bool m_noImageScaling = false;
    QImage m_image, m_alternateImage;
};

}  // namespace chrome
