#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>

#include "favourites/onlyTextClosedButton.h"

using favourites::onlyTextClosedButton;

namespace {

struct Recorder : favourites::FavouritesController {
    void removeFavoriteOfCurrentMode(onlyTextClosedButton* b) override { removed << b; }
    QList<onlyTextClosedButton*> removed;
};

}  // namespace

TEST(FavouriteButton, TheCloseBoxShowsWhileTheMouseIsOverAndRemovesTheFavourite) {
    onlyTextClosedButton b;
    b.resize(51, 50);
    b.show();
    b.addCloseBtn();
    chrome::BaseColoredButton* box = b.closeButton();
    ASSERT_TRUE(box);
    b.addCloseBtn();
    EXPECT_EQ(b.closeButton(), box);
    EXPECT_EQ(box->geometry(), QRect(51 - 20, 2, 14, 14));
    EXPECT_TRUE(box->isHidden());
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&b, &enter);
    EXPECT_FALSE(box->isHidden());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_TRUE(box->isHidden());
    // The close box lights only while pressed.
    EXPECT_TRUE(box->allowsMixedState());

    // Without a controller the box does nothing; with one, it reports this button.
    box->click();
    Recorder controller;
    b.setController(&controller);
    box->click();
    ASSERT_EQ(controller.removed.size(), 1);
    EXPECT_EQ(controller.removed[0], &b);
}

TEST(FavouriteButton, TheThumbnailIsDrawnAtItsPlaceOverTheFrame) {
    onlyTextClosedButton b;
    b.resize(51, 50);
    QImage frame(51, 50, QImage::Format_ARGB32);
    frame.fill(Qt::darkGray);
    b.setImage(frame);
    QImage t(40, 25, QImage::Format_ARGB32);
    t.fill(Qt::red);
    b.addBackImage(t);
    EXPECT_EQ(b.getBackImage(), t);
    QImage shot(b.size(), QImage::Format_ARGB32);
    shot.fill(Qt::black);
    b.render(&shot);
    EXPECT_EQ(shot.pixelColor(7, 17), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(46, 41), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(6, 17), QColor(Qt::darkGray));
    EXPECT_EQ(shot.pixelColor(7, 16), QColor(Qt::darkGray));
    EXPECT_EQ(shot.pixelColor(47, 42), QColor(Qt::darkGray));
}
