// The flare: its spikes, the pixels it lights, the reduced drawing and its placement.

#include <gtest/gtest.h>

#include <cmath>

#include "GeneratorRig.h"
#include "generators/flareEffect.h"

using namespace generators;

namespace {

// The grey level of a drawing-image pixel counted from the bottom row.
int greyAt(const QImage& drawing, int px, int py) {
    return qGray(drawing.pixel(px, drawing.height() - 1 - py));
}

}  // namespace

TEST(Flare, SpikesLieInTheFirstHalfOfTheirSectorsAndLightOnlyTheirReach) {
    GeneratorRig rig(testPicture(600, 300));
    auto proto = prototype<flareEffect>();
    proto->setLinesCount(6);
    flareEffect* f = rig.select(*proto);
    f->prepare();
    // Reduced: the shorter side at most 150; the centre placed at the picture's centre.
    EXPECT_EQ(f->effectImage().size(), QSize(300, 150));
    EXPECT_FLOAT_EQ(f->imageZoom(), 0.5f);
    EXPECT_EQ(f->startPoint(), QPointF(300, 150));
    EXPECT_EQ(f->drawingCentre(), QPoint(150, 75));
    EXPECT_EQ(f->getDrawImage().size(), QSize(600, 300));

    const auto& angles = f->spikeAngles();
    const auto& lengths = f->spikeLengths();
    ASSERT_EQ(angles.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_GE(angles[i], i * M_PI / 3);
        EXPECT_LE(angles[i], i * M_PI / 3 + M_PI / 6);
        EXPECT_GE(lengths[i], 0.2 * 150 - 1e-9);
        EXPECT_LE(lengths[i], 150);
    }

    const QImage img = f->effectImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(greyAt(img, 150, 75), 255);
    double longest = 0;
    for (double l : lengths) longest = std::max(longest, l);
    int lit = 0;
    for (int py = 0; py < 150; ++py)
        for (int px = 0; px < 300; ++px) {
            ASSERT_EQ(qAlpha(img.pixel(px, py)), 255);
            const double r = std::hypot(px - 150.0, py - 75.0);
            if (r >= longest) {
                ASSERT_EQ(greyAt(img, px, py), 0) << px << "," << py;
            }
            lit += greyAt(img, px, py) > 0;
        }
    EXPECT_GT(lit, 1000);

    // Along a spike, inside its reach, brighter towards the centre.
    const double a = angles[2], l = lengths[2];
    auto along = [&](double d) {
        return greyAt(img, int(std::lround(150 + d * std::cos(a))),
                      int(std::lround(75 + d * std::sin(a))));
    };
    EXPECT_GT(along(0.2 * l), along(0.6 * l));
    EXPECT_GT(along(0.2 * l), 100);
}

TEST(Flare, SectorsAndReachWrapFromTheLastSpikeToTheFirst) {
    GeneratorRig rig(testPicture(200, 200));
    auto proto = prototype<flareEffect>();
    proto->setLinesCount(6);
    flareEffect* f = rig.select(*proto);
    f->prepare();
    const auto& a = f->spikeAngles();
    const auto& l = f->spikeLengths();
    const QPoint c = f->drawingCentre();
    auto pixelAt = [&](double angle) {
        return QPoint(int(std::lround(c.x() + 60 * std::cos(angle))),
                      int(std::lround(c.y() + 60 * std::sin(angle))));
    };
    // Just past spike 3: sector 3. Just below spike 0 (under the x axis): the last sector.
    QPoint p = pixelAt(a[3] + 0.05);
    EXPECT_EQ(f->find_spike_index(p.x(), p.y()), 3);
    p = pixelAt(-0.1);
    EXPECT_EQ(f->find_spike_index(p.x(), p.y()), 5);
    // The reach on a spike is its length; half-way between two, the mean of theirs.
    p = pixelAt((a[1] + a[2]) / 2);
    const double theta = std::atan2(p.y() - c.y(), p.x() - c.x());
    const double expected = l[1] + (l[2] - l[1]) * (theta - a[1]) / (a[2] - a[1]);
    EXPECT_NEAR(f->maxvectorlen(p.x(), p.y(), a[1], a[2], l[1], l[2]), expected, 1e-9);
    // Across the wrap: a pixel below spike 0 lies between spike 5 and spike 0 + 2 pi.
    p = pixelAt(-0.1);
    const double t2 = std::atan2(p.y() - c.y(), p.x() - c.x()) + 2 * M_PI;
    const double wrapped = l[5] + (l[0] - l[5]) * (t2 - a[5]) / (a[0] + 2 * M_PI - a[5]);
    EXPECT_NEAR(f->maxvectorlen(p.x(), p.y(), a[5], a[0], l[5], l[0]), wrapped, 1e-9);
    // A spike's brightness: 1 on its line, 0 from 16 pixels off.
    EXPECT_NEAR(f->distance_point_spike(0, c.x() + 40, c.y()), 1, 1e-12);
    EXPECT_NEAR(f->distance_point_spike(0, c.x() + 40, c.y() + 8), 0.5, 1e-12);
    EXPECT_EQ(f->distance_point_spike(0, c.x() + 40, c.y() + 20), 0);
}

TEST(Flare, OddCentresAndSpikeCountsAreSafe) {
    GeneratorRig rig(testPicture(300, 200));
    auto proto = prototype<flareEffect>();
    flareEffect* f = rig.select(*proto);
    // A centre far away: black everywhere, which at opacity 50 darkens the picture by half.
    f->read({{"startPT.x", 1e30}, {"startPT.y", -5000.0}});
    f->prepare();
    const QImage img = f->effectImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); y += 5)
        for (int x = 0; x < img.width(); x += 5) ASSERT_EQ(img.pixel(x, y), qRgb(0, 0, 0));
    const QColor seen = f->getDrawImage().pixelColor(10, 10);
    EXPECT_NEAR(seen.red(), rig.qpicture.pixelColor(10, 10).red() / 2.0, 1);

    // Fewer than two spikes (only from stored settings) draw nothing.
    f->read({{"linesCount", 1}});
    f->makeImageEffect();
    EXPECT_TRUE(f->spikeAngles().empty());
    const QImage none = argb(f->effectImage());
    for (int y = 0; y < none.height(); y += 5)
        for (int x = 0; x < none.width(); x += 5) ASSERT_EQ(qAlpha(none.pixel(x, y)), 0);

    // "Background Image:" off with the default clear colour: the flare alone at half opacity.
    flareEffect* g = rig.select(*proto);
    g->setUseBackImage(false);
    const QImage composed = argb(g->getDrawImage());
    EXPECT_NEAR(qAlpha(composed.pixel(150, 100)), 128, 1);
    EXPECT_NEAR(qAlpha(composed.pixel(0, 0)), 128, 1);
}

TEST(Flare, PlacementDrawsAnewAtTheDrawingsScale) {
    GeneratorRig rig(testPicture(400, 300));
    flareEffect* f = rig.select(*prototype<flareEffect>());
    f->prepare();
    const QImage before = f->effectImage().copy();
    f->mouseDown({10, 10});
    f->mouseDragged({100, 80});
    EXPECT_EQ(f->drawingCentre(), QPoint(50, 40));  // drawn at half size
    EXPECT_NE(f->effectImage(), before);
}

TEST(Flare, EveryPixelIsLitByTheTwoSpikesAroundItWithinTheReachBetweenThem) {
    GeneratorRig rig(testPicture(260, 180));
    auto proto = prototype<flareEffect>();
    proto->setLinesCount(7);
    flareEffect* f = rig.select(*proto);
    f->setStartPoint({70, 120});  // off centre, so that the sectors differ in size on screen
    f->prepare();
    const QImage img = f->effectImage().convertToFormat(QImage::Format_RGB32);
    const auto& a = f->spikeAngles();
    const auto& l = f->spikeLengths();
    const QPoint c = f->drawingCentre();
    ASSERT_EQ(a.size(), 7u);
    for (int py = 0; py < img.height(); ++py)
        for (int px = 0; px < img.width(); ++px) {
            int expected = 255;
            if (QPoint(px, py) != c) {
                const int i = f->find_spike_index(px, py), j = (i + 1) % 7;
                const double si = f->distance_point_spike(a[size_t(i)], px, py);
                const double sj = f->distance_point_spike(a[size_t(j)], px, py);
                const double dx = c.x() - px, dy = c.y() - py;
                const double reach =
                    f->maxvectorlen(px, py, a[size_t(i)], a[size_t(j)], l[size_t(i)], l[size_t(j)]);
                const double k = 1 - std::min(1.0, std::sqrt(dx * dx + dy * dy) / reach);
                expected =
                    int(std::lround(std::min(k * k * (255 * si * si + 255 * sj * sj), 255.0)));
            }
            ASSERT_EQ(greyAt(img, px, py), expected) << px << "," << py;
        }
}
