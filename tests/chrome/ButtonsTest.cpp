#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTest>

#include "chrome/BaseColoredButton.h"
#include "chrome/BaseColoredTextButton.h"
#include "foundation/Resources.h"

using chrome::BaseColoredButton;
using chrome::BaseColoredTextButton;

namespace {

QImage solid(QColor c) {
    QImage img(20, 20, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

QImage render(QWidget& w) {
    QImage out(w.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::black);
    w.render(&out);
    return out;
}

}  // namespace

TEST(BaseColoredButton, SelectionFollowsTheStateItsOwnerSetsNotAClickUnlessMixedStateIsAllowed) {
    BaseColoredButton b;
    b.setImage(solid(Qt::red));
    b.setAlternateImage(solid(Qt::blue));
    EXPECT_FALSE(b.isSelected());
    EXPECT_EQ(b.currentImage().pixelColor(0, 0), QColor(Qt::red));
    b.setState(1);
    EXPECT_TRUE(b.isSelected());
    EXPECT_EQ(b.currentImage().pixelColor(0, 0), QColor(Qt::blue));

    // A close box shows its alternate image only while pressed.
    b.setAllowsMixedState(true);
    EXPECT_FALSE(b.isSelected());
    b.setDown(true);
    EXPECT_TRUE(b.isSelected());
    b.setDown(false);
    b.setAllowsMixedState(false);

    // A click does not change the state its owner sets.
    b.resize(40, 20);
    int clicks = 0;
    QObject::connect(&b, &QPushButton::clicked, [&] { ++clicks; });
    b.setState(0);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(b.state(), 0);
}

TEST(BaseColoredButton, DisabledLooks) {
    BaseColoredButton b;
    b.resize(20, 20);
    b.setImage(solid(Qt::white));
    b.setEnabled(false);
    // Without a title: the image greyed by a half-transparent grey.
    const QColor greyed = render(b).pixelColor(10, 10);
    EXPECT_NEAR(greyed.redF(), 0.5 * 1.0 + 0.5 * 0.6, 0.02);
    EXPECT_NEAR(greyed.blueF(), 0.8, 0.02);

    // With a title: the image named by the title.
    b.setText("Apply");
    EXPECT_EQ(b.currentImage(), foundation::Resources::imageNamed("Apply"));
    EXPECT_FALSE(b.currentImage().isNull());
}

TEST(BaseColoredTextButton, HoverLightsItAndTheTitleSitsTwoPointsUp) {
    BaseColoredTextButton b;
    b.resize(96, 32);
    b.setImage(solid(Qt::darkGray));
    b.setAlternateImage(solid(Qt::gray));
    b.setText("OK");
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(&b, &enter);
    EXPECT_EQ(b.state(), 1);
    QApplication::sendEvent(&b, &leave);
    EXPECT_EQ(b.state(), 0);
    EXPECT_EQ(b.titleRect(), QRect(0, -2, 96, 32));

    // The title is drawn in light grey.
    const QImage img = render(b);
    int light = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) light += qGray(img.pixel(x, y)) > 180;
    EXPECT_GT(light, 10);
}
