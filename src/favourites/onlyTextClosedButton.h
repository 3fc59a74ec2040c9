#pragma once
// One favourite's button in a favourites bar: the skinned frame with the favourite's thumbnail,
// and a close box that shows while the mouse is over the button and removes the favourite.

#include <QColor>
#include <QImage>

#include "chrome/BaseColoredButton.h"

namespace favourites {

class onlyTextClosedButton;

// What a favourite button reports to: the owner removes the favourite of the current mode.
class FavouritesController {
  public:
    virtual void removeFavoriteOfCurrentMode(onlyTextClosedButton* button) = 0;

  protected:
    ~FavouritesController() = default;
};

class onlyTextClosedButton : public chrome::BaseColoredButton {
    Q_OBJECT

  public:
    // Where the thumbnail's top-left corner sits in the button.
    static constexpr QPoint kThumbnailOrigin{7, 17};
    static constexpr int kCloseBoxSize = 14;

    explicit onlyTextClosedButton(QWidget* parent = nullptr);

    void setController(FavouritesController* controller) { m_controller = controller; }
    // The thumbnail, drawn at its own size.
    void addBackImage(const QImage& image) {
        backImg = image;
        update();
    }
    QImage getBackImage() const { return backImg; }
    // Gives the button its close box (once).
    void addCloseBtn();
    chrome::BaseColoredButton* closeButton() const { return closeBtn; }
    // The close box's action: the controller removes this favourite.
    void removeMySelf();

    void setOnColor(const QColor& c) { onColor = c; }
    void setOffColor(const QColor& c) { offColor = c; }
    void setMyFontSize(float size) { myfontSize = size; }

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor offColor, onColor;
    QImage backImg;
    float myfontSize = 12;
    chrome::BaseColoredButton* closeBtn = nullptr;
    FavouritesController* m_controller = nullptr;
};

}  // namespace favourites
