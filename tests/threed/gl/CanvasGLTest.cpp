// The 3D canvas, its textures and the two effects drawn by OpenGL (Mesa's software renderer
// under Xvfb).

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QApplication>
#include <QOpenGLWidget>
#include <QTest>

#include "chrome/ZoomCanvas.h"
#include "foundation/ImageBridge.h"
#include "foundation/UndoManager.h"
#include "threed/EvalEffect.h"
#include "threed/MyOGLView.h"
#include "threed/ObjectEffect.h"
#include "threed/TestHost.h"
#include "threed/Texture2D.h"

using threed::EvalEffect;
using threed::MyOGLView;
using threed::ObjectEffect;
using threed::Texture2D;

namespace {

// A picture whose top half is red and bottom half blue.
QImage halves(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::blue);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(255, 0, 0));
    return img;
}

// A canvas shown in a window, its picture and effect given by the test.
class CanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        view.setImageSource([this] { return app.picture; });
        view.setEffectSource([this] { return effect; });
        view.resize(400, 300);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        ASSERT_TRUE(view.surface());
    }
    void setPicture(const QImage& img) { app.setPicture(img); }

    // Errors raised by the drawing so far (and clears them).
    GLenum glError() {
        view.surface()->makeCurrent();
        const GLenum e = glGetError();
        view.surface()->doneCurrent();
        return e;
    }

    // Level `level` of a texture as 8-bit RGBA, rows as uploaded (the view's context current).
    static QImage level(const Texture2D& t, int level) {
        t.bind();
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w <= 0 || h <= 0) return {};
        QImage img(w, h, QImage::Format_RGBA8888_Premultiplied);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, img.bits());
        return img;
    }

    // Drawn pixels (alpha not 0) in a shot.
    static int drawn(const QImage& shot) {
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) n += qAlpha(shot.pixel(x, y)) != 0;
        return n;
    }

    threed::test::TestHost app;
    foundation::UndoManager& undo = app.undo;
    effects::BaseEffect* effect = nullptr;
    MyOGLView view;
};

}  // namespace

TEST_F(CanvasTest, PicturesBecomeTexturesWithTheirWholeChainOfLevels) {
    view.surface()->makeCurrent();
    Texture2D::setSizeLimit({});
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    glBindTexture(GL_TEXTURE_2D, 0);
    const auto t = Texture2D::initWithImage(picture);
    ASSERT_TRUE(t);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);  // the binding is left as it was
    EXPECT_EQ(t->pixelFormat(), Texture2D::kTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(QSize(t->pixelsWide(), t->pixelsHigh()), QSize(3, 2));
    EXPECT_EQ(t->maxS(), 1);
    EXPECT_EQ(t->maxT(), 1);
    EXPECT_EQ(level(*t, 0).pixelColor(0, 0), QColor(Qt::red));  // first row first
    EXPECT_EQ(level(*t, 1).size(), QSize(1, 1));                // levels down to one pixel

    // A picture of fewer than 8 bits per component is packed into 16 bits, but shown, and
    // reduced, from its own colours, not from the packed ones.
    QImage rgb666(4, 4, QImage::Format_RGB666);
    rgb666.fill(QColor(0x0c, 0x80, 0x0c));  // 6 bits of red and blue; 5 would lose one
    for (int x = 0; x < 4; ++x) rgb666.setPixelColor(x, 0, QColor(0, 0xfc, 0));
    const auto packed = Texture2D::initWithImage(rgb666);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->pixelFormat(), Texture2D::kTexture2DPixelFormat_RGB565);
    const QColor green = rgb666.pixelColor(1, 0), dark = rgb666.pixelColor(2, 3);
    EXPECT_EQ(level(*packed, 0).pixelColor(2, 3), dark);
    EXPECT_NEAR(level(*packed, 1).pixelColor(0, 0).green(), (green.green() + dark.green()) / 2, 1);

    // A mask's rows are padded in memory; each is read from where it starts.
    QImage mask(5, 3, QImage::Format_Alpha8);
    mask.fill(0);
    mask.scanLine(2)[4] = 200;
    auto a = Texture2D::initWithImage(mask);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->pixelFormat(), Texture2D::kTexture2DPixelFormat_A8);
    EXPECT_EQ(level(*a, 0).pixelColor(4, 2).alpha(), 200);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // A texture dropped while its context is not current is deleted in its own context.
    const GLuint name = a->name();
    view.surface()->doneCurrent();
    a.reset();
    view.surface()->makeCurrent();
    EXPECT_FALSE(glIsTexture(name));
    view.surface()->doneCurrent();
}

TEST_F(CanvasTest, WithoutAnEffectThePictureFillsTheSquareUprightAndKeepsItsTexture) {
    EXPECT_TRUE(view.ogl_shot().size() == QSize(1, 1));  // no picture: nothing drawn
    setPicture(halves(60, 40));
    QImage shot = view.ogl_shot();
    // 0.9 of the 300-pixel square either way of the middle.
    EXPECT_NEAR(shot.width(), 270, 1);
    EXPECT_NEAR(shot.height(), 270, 1);
    // Sampled away from the edges, where the repeating texture blends in the opposite edge.
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 20), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() - 20), QColor(Qt::blue));
    EXPECT_EQ(drawn(shot), shot.width() * shot.height());

    const std::shared_ptr<const Texture2D> texture = view.flatTexture();
    ASSERT_TRUE(texture);
    view.surface()->repaint();
    view.ogl_shot();
    EXPECT_EQ(view.flatTexture(), texture);  // not made again for each frame

    // A large picture is reduced to twice the canvas.
    setPicture(halves(3000, 2000));
    shot = view.ogl_shot();
    ASSERT_TRUE(view.flatTexture());
    EXPECT_EQ(view.flatTexture()->pixelsWide(), 800);
    EXPECT_EQ(view.flatTexture()->pixelsHigh(), 533);
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 20), QColor(Qt::red));

    EXPECT_EQ(view.ogl_shot_CI().extent().width, shot.width());
}

TEST_F(CanvasTest, StraightCurvesMakeAFlatRectangleFilledOrAsLines) {
    setPicture(halves(64, 64));
    EvalEffect surface;
    surface.awakeFromNib();
    auto working = surface.mycopy();
    auto* e = static_cast<EvalEffect*>(working.get());
    effect = e;
    threed::test::makeFlat(*e);
    const QImage flat = view.ogl_shot();
    EXPECT_EQ(glError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(e->wasInitialised());
    ASSERT_TRUE(e->texture());
    // x and y from -0.5 to 0.5: the middle half of the 300-pixel square, every pixel drawn.
    EXPECT_NEAR(flat.width(), 150, 2);
    EXPECT_NEAR(flat.height(), 150, 2);
    EXPECT_EQ(drawn(flat), flat.width() * flat.height());

    e->setFilledMode(0);
    const QImage wire = view.ogl_shot();
    EXPECT_NEAR(wire.width(), flat.width(), 1);
    EXPECT_NEAR(wire.height(), flat.height(), 1);
    EXPECT_GT(drawn(wire), 0);
    EXPECT_LT(drawn(wire), flat.width() * flat.height() * 7 / 10);

    // Undoing a curve change bends the surface again.
    e->setFilledMode(1);
    e->setPointsIdxSender(0.6, EvalEffect::kFirstCurve, nullptr);
    const QImage bent = view.ogl_shot();
    EXPECT_LT(drawn(bent), bent.width() * bent.height() * 9 / 10);
}

TEST_F(CanvasTest, ColoredLightKeepsOnlyRedAndLeavesNoTintBehind) {
    QImage white(32, 32, QImage::Format_RGB32);
    white.fill(Qt::white);
    setPicture(white);
    EvalEffect surface;
    effect = &surface;
    const QImage decal = view.ogl_shot();
    ASSERT_GT(drawn(decal), 100);
    EXPECT_EQ(decal.pixelColor(decal.width() / 2, decal.height() / 2), QColor(Qt::white));

    surface.setDecalMode(EvalEffect::kModulate);
    const QImage tinted = view.ogl_shot();
    int red = 0;
    for (int y = 0; y < tinted.height(); ++y)
        for (int x = 0; x < tinted.width(); ++x) {
            const QRgb c = tinted.pixel(x, y);
            ASSERT_EQ(qGreen(c), 0);
            ASSERT_EQ(qBlue(c), 0);
            red += qRed(c) > 200;
        }
    EXPECT_GT(red, 100);

    // Transparent parts of a picture shown afterwards are white, not the tint.
    QImage half(32, 32, QImage::Format_ARGB32_Premultiplied);
    half.fill(Qt::transparent);
    for (int y = 0; y < 32; ++y)
        for (int x = 16; x < 32; ++x) half.setPixel(x, y, qRgb(0, 0, 255));
    setPicture(half);
    effect = nullptr;
    const QImage flat = view.ogl_shot();
    EXPECT_EQ(flat.pixelColor(flat.width() / 4, flat.height() / 2), QColor(Qt::white));
    EXPECT_EQ(flat.pixelColor(flat.width() * 3 / 4, flat.height() / 2), QColor(Qt::blue));
}

TEST_F(CanvasTest, EveryShapeIsDrawnAndAnUnknownOneLeavesTheFrameEmpty) {
    setPicture(halves(64, 64));
    view.ogl_shot();  // the flat view first: the solids draw after it without GL errors
    ObjectEffect solid;
    effect = &solid;
    // Only faces turned towards the viewer are drawn: the open and flat shapes show when the
    // solid is turned about x.
    for (int type = 0; type < ObjectEffect::ShapeCount; ++type) {
        solid.setObjectMode(type);
        int most = 0;
        for (float vertical : {0.f, 120.f, 240.f}) {
            solid.setRotation({0, vertical, 0, 0});
            most = std::max(most, drawn(view.ogl_shot()));
        }
        EXPECT_GT(most, 2000) << type;
        EXPECT_EQ(glError(), GLenum(GL_NO_ERROR)) << type;
    }
    solid.setObjectMode(7);
    EXPECT_EQ(drawn(view.ogl_shot()), 0);
    // Without a picture only the clear happens.
    app.picture = {};
    solid.setObjectMode(0);
    solid.reloadImage();
    EXPECT_EQ(drawn(view.ogl_shot()), 0);
}

TEST_F(CanvasTest, MarkingTheViewForDisplayRedrawsTheScene) {
    struct Counting : ObjectEffect {
        void draw() override {
            ++draws;
            ObjectEffect::draw();
        }
        int draws = 0;
    } counting;
    effect = &counting;
    view.update();  // as the controller's updateView does
    EXPECT_TRUE(QTest::qWaitFor([&] { return counting.draws > 0; }, 2000));
    // and only once: redrawing the surface does not set off another redraw.
    QTest::qWait(300);
    const int settled = counting.draws;
    QTest::qWait(300);
    EXPECT_EQ(counting.draws, settled);
    EXPECT_LE(settled, 2);
}

namespace {

// What the canvas shows now, rows top to bottom.
QImage shown(MyOGLView& view) {
    return view.surface()->grabFramebuffer().convertToFormat(QImage::Format_RGBA8888);
}

// The rows and columns of what is shown that are drawn (alpha not 0).
QRect drawnArea(const QImage& frame) {
    return MyOGLView::extractImageDataRect(frame.convertToFormat(QImage::Format_RGBA8888));
}

}  // namespace

TEST_F(CanvasTest, ZoomAndPanChangeWhatIsShownButNeverTheFrameGivenAway) {
    setPicture(halves(60, 40));
    const QImage standard = view.ogl_shot();
    ASSERT_NEAR(standard.width(), 270, 1);

    // Steps as the other canvases' wheel, about the middle; 100 % is the standard view.
    view.zoomIn();
    EXPECT_DOUBLE_EQ(view.zoom(), 1.05);
    view.zoomIn();
    EXPECT_DOUBLE_EQ(view.zoom(), 1.26);
    view.zoomOut();
    EXPECT_DOUBLE_EQ(view.zoom(), chrome::ZoomCanvas::zoomAfterWheelStep(1.26, -1));
    view.setZoom(0.5);
    QRect area = drawnArea(shown(view));
    EXPECT_NEAR(area.width(), 135, 2);
    EXPECT_NEAR(area.center().x(), 200, 2);
    EXPECT_EQ(view.ogl_shot(), standard);
    view.setZoom(100);
    EXPECT_EQ(view.zoom(), chrome::ZoomCanvas::kMaxZoom);

    // Panning moves the scene with the hand, only as far as it still covers the view.
    view.setZoom(3);
    QImage now = shown(view);
    EXPECT_EQ(now.pixelColor(200, 140), QColor(Qt::red));
    EXPECT_EQ(now.pixelColor(200, 160), QColor(Qt::blue));
    view.panBy({100, 50});
    EXPECT_EQ(view.pan(), QPointF(100, 50));
    now = shown(view);
    EXPECT_EQ(now.pixelColor(200, 190), QColor(Qt::red));
    EXPECT_EQ(now.pixelColor(200, 210), QColor(Qt::blue));
    view.panBy({1000, -1000});
    EXPECT_EQ(view.pan(), QPointF(250, -300));  // (3 × 300 − 400) / 2, (3 × 300 − 300) / 2
    EXPECT_EQ(view.ogl_shot(), standard);
    // Zooming keeps what lies in the view's middle there, and a scene smaller than the view
    // cannot be moved.
    view.zoomToActualSize();
    view.setZoom(4);
    view.panBy({100, -50});
    view.setZoom(2);
    EXPECT_EQ(view.pan(), QPointF(50, -25));
    view.setZoom(1.5);
    EXPECT_EQ(view.pan(), QPointF(25, -18.75));
    view.zoomToActualSize();
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.pan(), QPointF());
    view.panBy({30, 30});
    EXPECT_EQ(view.pan(), QPointF());
    // Back at 100 % the canvas shows exactly the frame given away.
    EXPECT_EQ(shown(view),
              view.readFrame().mirrored(false, true).convertToFormat(QImage::Format_RGBA8888));
}

TEST_F(CanvasTest, FitFillsTheViewWithWhatIsDrawn) {
    setPicture(halves(64, 64));
    EvalEffect surface;
    effect = &surface;
    threed::test::makeFlat(surface);
    const QImage standard = view.ogl_shot();
    const double height = standard.height();
    ASSERT_NEAR(height, 150, 2);  // half the scene square

    view.zoomToFit();
    EXPECT_NEAR(view.zoom(), 300 / height, 1e-9);
    const QRect area = drawnArea(shown(view));
    EXPECT_GE(area.top(), 0);
    EXPECT_LE(area.top(), 1);
    EXPECT_GE(area.bottom(), 298);
    EXPECT_NEAR(area.center().x(), 200, 2);
    EXPECT_EQ(view.ogl_shot(), standard);

    // Nothing drawn: the standard view.
    app.picture = {};
    surface.reloadImage();
    view.zoomToFit();
    EXPECT_EQ(view.zoom(), 1.0);
}

TEST_F(CanvasTest, AboveTwoHundredPercentTexelsAreSharp) {
    // Two columns, black and white: smoothed enlargements show greys between them.
    QImage two(2, 1, QImage::Format_ARGB32_Premultiplied);
    two.setPixel(0, 0, qRgb(0, 0, 0));
    two.setPixel(1, 0, qRgb(255, 255, 255));
    setPicture(two);
    auto greys = [&] {
        const QImage now = shown(view);
        const QRect area = drawnArea(now);
        int n = 0;
        // Inside the picture, away from its edges where the repeat blends the other side in.
        for (int x = area.left() + area.width() / 8; x < area.right() - area.width() / 8; ++x) {
            const int g = now.pixelColor(x, area.center().y()).red();
            n += g > 10 && g < 245;
        }
        return n;
    };
    view.setZoom(1.5);
    EXPECT_GT(greys(), 50);
    view.setZoom(3);
    EXPECT_EQ(greys(), 0);
    // The frame given away stays smooth.
    const QImage shot = view.ogl_shot();
    int smooth = 0;
    for (int x = 0; x < shot.width(); ++x) {
        const int g = qRed(shot.pixel(x, shot.height() / 2));
        smooth += g > 10 && g < 245;
    }
    EXPECT_GT(smooth, 50);
}

TEST_F(CanvasTest, MiddleOrSpaceDragsPanAndNeverTurnTheScene) {
    setPicture(halves(64, 64));
    ObjectEffect solid;
    effect = &solid;
    solid.setRotation({0, 0, 0, 0});
    view.setZoom(4);
    QWidget* s = view.surface();
    auto drag = [&](Qt::MouseButton button, QPoint by) {
        const QPoint at(200, 150);
        QTest::mousePress(s, button, {}, at);
        QTest::mouseMove(s, at + by);
        QTest::mouseRelease(s, button, {}, at + by);
    };
    drag(Qt::MiddleButton, {40, -30});
    EXPECT_EQ(view.pan(), QPointF(40, -30));
    EXPECT_FALSE(view.isPanning());
    EXPECT_EQ(solid.rotation()[0], 0);
    EXPECT_FALSE(undo.canUndo());

    // Space over the canvas turns a left drag into a pan, with the hand shown.
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), s->mapToGlobal(QPointF(10, 10)));
    QApplication::sendEvent(s, &enter);
    EXPECT_EQ(s->cursor().shape(), Qt::PointingHandCursor);
    QTest::keyPress(&view, Qt::Key_Space);
    EXPECT_EQ(s->cursor().shape(), Qt::OpenHandCursor);
    drag(Qt::LeftButton, {-10, 20});
    EXPECT_EQ(view.pan(), QPointF(30, -10));
    EXPECT_EQ(solid.rotation()[0], 0);
    EXPECT_FALSE(undo.canUndo());
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_EQ(s->cursor().shape(), Qt::PointingHandCursor);

    // Without Space a left drag turns the solid, as at 100 %.
    drag(Qt::LeftButton, {20, 0});
    EXPECT_EQ(view.pan(), QPointF(30, -10));
    EXPECT_EQ(solid.rotation()[0], 20);
    EXPECT_TRUE(undo.canUndo());
}
