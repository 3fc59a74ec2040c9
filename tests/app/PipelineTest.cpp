// The picture's road through the controller: the standard result, Apply in the three modes,
// opening, pasting and copying, the picture edits and their undo, and the undoable setters.

#include <QAction>
#include <QMimeData>
#include <QTransform>
#include <functional>

#include "effects/BaseEffect.h"
#include "imaging/Node.h"
#include "imaging/io/ImageIO.h"
#include "support/AppRig.h"
#include "threed/MyOGLView.h"
#include "workbench/MyImageView.h"
#include "workbench/StandardResult.h"

using app::Controller;
using imaging::Image;
using namespace apprig;

namespace {

// An effect that records how the controller drives it and draws a fixed picture.
class ProbeEffect : public effects::BaseEffect {
  public:
    struct Log {
        int copies = 0, controls = 0, clears = 0, reloads = 0;
    };
    explicit ProbeEffect(std::shared_ptr<Log> log, QImage drawn = {})
        : log_(std::move(log)), drawn_(std::move(drawn)) {}
    QString className() const override { return QStringLiteral("ProbeEffect"); }
    QImage getDrawImage() override { return drawn_; }
    void setUpControlsView() override { ++log_->controls; }
    void clearEffect() override { ++log_->clears; }
    void reloadImage() override { ++log_->reloads; }
    std::unique_ptr<effects::BaseEffect> mycopy() const override {
        ++log_->copies;
        auto c = copyWithZone();
        static_cast<ProbeEffect&>(*c).drawn_ = drawn_;
        return c;
    }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override {
        return std::make_unique<ProbeEffect>(log_);
    }

  private:
    std::shared_ptr<Log> log_;
    QImage drawn_;
};

class PipelineTest : public apprig::AppRig {};

}  // namespace

// ---------------------------------------------------------------- the standard result

TEST_F(PipelineTest, OnlyResultsFarLargerInBothDirectionsAreCroppedToThePicture) {
    usePicture(solid(100, 80, Qt::red));
    auto f = makeFilter("CIAffineTransform");
    ASSERT_TRUE(f);
    c->standard().setCurrentFilter(f);

    f->setValue("inputTransform", imaging::AffineTransform::scaling(2, 1));
    imaging::Rect e = c->coreImageResultForRect({0, 0, 300, 200}).extent();
    EXPECT_EQ(e, (imaging::Rect{0, 0, 200, 80}));  // wider only: kept whole

    f->setValue("inputTransform", imaging::AffineTransform::scaling(2, 2));
    e = c->coreImageResultForRect({0, 0, 300, 200}).extent();
    EXPECT_EQ(e, (imaging::Rect{0, 0, 100, 80}));

    // Fringes of a small blur are only somewhat larger: they stay.
    auto blur = makeFilter("CIGaussianBlur");
    blur->setValue("inputRadius", 4.0);
    c->standard().setCurrentFilter(blur);
    e = c->coreImageResult().extent();
    EXPECT_LT(e.x, 0);
    EXPECT_GT(e.width, 100);
}

TEST_F(PipelineTest, GeneratorsAreLaidOverThePictureAndExtentInputsGetTheViewSize) {
    usePicture(solid(60, 40, QColor(0, 0, 255)));
    auto orange = makeFilter("CIConstantColorGenerator");
    orange->setValue("inputColor", imaging::Color{1, 0, 0, 0.5});
    c->standard().setCurrentFilter(orange);
    const Image result = c->coreImageResult();
    EXPECT_EQ(result.extent(), (imaging::Rect{0, 0, 60, 40}));
    const QColor mid = pixels(result).pixelColor(30, 20);
    // Half-transparent red over blue: both show.
    EXPECT_GT(mid.red(), 100);
    EXPECT_GT(mid.blue(), 100);
    EXPECT_EQ(mid.alpha(), 255);

    auto rect = makeFilter("CIBlurredRectangleGenerator");
    ASSERT_TRUE(rect);
    c->standard().setCurrentFilter(rect);
    const imaging::Vector before = rect->value("inputExtent").toVector();
    const auto fed = workbench::fedFilter(rect.get(), c->backImage(), 300, 200);
    EXPECT_EQ(fed->value("inputExtent").toVector(), (imaging::Vector{0, 0, 300, 200}));
    EXPECT_EQ(c->coreImageResultForRect({0, 0, 300, 200}).extent(), (imaging::Rect{0, 0, 60, 40}));
    // Composing never writes into the working filter (the canvas renders while it is edited).
    EXPECT_EQ(rect->value("inputExtent").toVector(), before);

    // A generator that yields nothing leaves the picture alone.
    imaging::FilterDescription none{
        "TestNothingGenerator", "Nothing", {"CICategoryGenerator"}, {}, [](const imaging::Args&) {
            return Image();
        }};
    imaging::FilterRegistry::shared().registerFilter(none);
    c->standard().setCurrentFilter(makeFilter("TestNothingGenerator"));
    EXPECT_EQ(c->coreImageResult(), c->backImage());
}

TEST_F(PipelineTest, CompositingFiltersGetThePictureAsBackgroundOnly) {
    usePicture(solid(50, 50, Qt::blue));
    auto over = makeFilter("CISourceOverCompositing");
    const Image foreground = foundation::imageFromQImage(solid(10, 10, Qt::green));
    over->setValue("inputImage", foreground);
    c->standard().setCurrentFilter(over);
    EXPECT_FALSE(c->hasMissingImage());
    const auto fed = workbench::fedFilter(over.get(), c->backImage(), 50, 50);
    EXPECT_EQ(fed->value("inputBackgroundImage").toImage(), c->backImage());
    EXPECT_EQ(fed->value("inputImage").toImage(), foreground);
    EXPECT_TRUE(over->value("inputBackgroundImage").toImage().isNull());
    EXPECT_EQ(c->coreImageResult().extent(), (imaging::Rect{0, 0, 50, 50}));

    // Its foreground is an image of its own: without one nothing can be drawn.
    over->setValue("inputImage", imaging::Value());
    EXPECT_TRUE(c->hasMissingImage());
    EXPECT_TRUE(c->coreImageResult().isNull());
}

// ---------------------------------------------------------------- Apply

TEST_F(PipelineTest, ApplyKeepsTheFringesAtTheOriginAsAPictureInMemory) {
    usePicture(distinctPixels(100, 80));
    const Image before = c->backImage();
    auto blur = makeFilter("CIGaussianBlur");
    blur->setValue("inputRadius", 5.0);
    c->standard().setCurrentFilter(blur);
    const imaging::Rect fringed = c->coreImageResult().extent();
    ASSERT_LT(fringed.x, 0);

    c->applyBtnAction();
    const imaging::Rect e = c->backImage().extent();
    EXPECT_EQ(e, (imaging::Rect{0, 0, std::ceil(fringed.width), std::ceil(fringed.height)}));
    // Rendered, not a deeper graph over the old picture.
    EXPECT_STREQ(c->backImage().node()->kindName(), "source");
    EXPECT_TRUE(c->wasChanged());
    EXPECT_EQ(c->getCurrentFilter(), nullptr);
    EXPECT_EQ(undo().undoActionName(), "");
    EXPECT_EQ(undo().undoCount(), 1);  // the new picture and the dropped filter together

    endEvent();
    c->undo();  // the picture and the filter that made it come back together
    EXPECT_EQ(c->backImage(), before);
    EXPECT_EQ(c->getCurrentFilter(), blur.get());
    EXPECT_FALSE(c->wasChanged());
    c->redo();
    EXPECT_EQ(c->backImage().extent(), e);
}

TEST_F(PipelineTest, ApplyWithNothingSelectedChangesNothingInAnyMode) {
    const Image before = c->backImage();
    for (chrome::BaseColoredButton* mode : {w->standardBtn(), w->threeDBtn(), w->customBtn()}) {
        c->changeFilterMode(mode);
        endEvent();
        const int steps = undo().undoCount();
        const bool changed = c->wasChanged();
        c->applyBtnAction();
        EXPECT_EQ(c->backImage(), before);
        EXPECT_EQ(c->wasChanged(), changed);
        EXPECT_EQ(undo().undoCount(), steps);
    }
}

TEST_F(PipelineTest, ApplyTakesTheGeneratorsPicture) {
    auto log = std::make_shared<ProbeEffect::Log>();
    ProbeEffect generator(log, solid(30, 20, Qt::yellow));
    switchTo(app::Mode::Custom);
    c->outlineViewSelectionDidChange_Custom(&generator);
    EXPECT_EQ(c->getEffectedImage().size(), QSize(30, 20));
    c->applyBtnAction();
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 30, 20}));
    EXPECT_EQ(pixels(c->backImage()).pixelColor(5, 5), QColor(Qt::yellow));
    EXPECT_EQ(c->getCurrentCustomEffect(), nullptr);
    EXPECT_EQ(log->clears, 1);
}

TEST_F(PipelineTest, TheControllerDrivesAnEffectsLifecycle) {
    auto log = std::make_shared<ProbeEffect::Log>();
    ProbeEffect prototype(log);
    switchTo(app::Mode::ThreeD);
    c->outlineViewSelectionDidChange_3D(&prototype);
    effects::BaseEffect* working = c->getCurrent3DEffect();
    ASSERT_NE(working, &prototype);
    EXPECT_EQ(log->copies, 1);
    EXPECT_EQ(log->controls, 1);
    EXPECT_TRUE(c->wasChanged());

    // A new picture makes it take the picture anew.
    c->setBackgroundImage(foundation::imageFromQImage(solid(8, 8, Qt::red)));
    EXPECT_EQ(log->reloads, 1);

    // Dropping clears it and keeps its undo actions, for Undo brings it back; retiring it for
    // another effect removes them.
    int undone = 0;
    undo().registerUndoWithTarget(working, [&] { ++undone; });
    endEvent();
    c->escapeEffect();
    EXPECT_EQ(log->clears, 1);
    EXPECT_EQ(c->getCurrent3DEffect(), nullptr);
    endEvent();
    c->undo();
    EXPECT_EQ(c->getCurrent3DEffect(), working);
    EXPECT_EQ(log->controls, 2);
    c->outlineViewSelectionDidChange_3D(&prototype);
    EXPECT_EQ(log->clears, 2);
    while (undo().canUndo()) undo().undo();
    EXPECT_EQ(undone, 0);
}

// ---------------------------------------------------------------- opening, paste, copy

TEST_F(PipelineTest, AFileThatIsNotAPictureIsRefusedAndNothingIsLost) {
    c->setFilePath(dir.filePath("beach.png"));
    const Image before = c->backImage();
    const QString text = writeFile("notes.txt", "just some words\n");
    foundation::OpenPanel::setResponder(
        [&](const foundation::OpenPanel::Request&) { return QStringList{text}; });
    c->openImg();
    ASSERT_EQ(alerts, QStringList{"Couldn't open file."});
    EXPECT_TRUE(alertTexts.first().contains("notes.txt"));
    EXPECT_TRUE(alertTexts.first().contains("not a picture"));
    EXPECT_EQ(c->backImage(), before);
    EXPECT_EQ(c->getFilePath(), dir.filePath("beach.png"));
    EXPECT_EQ(shownTitle(), "Deverav::beach.png");

    // A dropped file is refused the same way.
    EXPECT_FALSE(c->openDroppedFile(text));
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(c->backImage(), before);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(PipelineTest, OpeningKeepsTheFilterAndCannotBeUndone) {
    const QString file = writeFile("leaf.png", pngBytes(solid(40, 30, Qt::green)));
    auto blur = makeFilter("CIGaussianBlur");
    c->standard().setCurrentFilter(blur);

    QStringList offered;
    foundation::OpenPanel::setResponder([&](const foundation::OpenPanel::Request& r) {
        offered = r.nameFilters;
        EXPECT_FALSE(r.allowsMultipleSelection);
        return QStringList{file};
    });
    c->openImg();
    EXPECT_TRUE(offered.first().contains("*.png"));
    EXPECT_TRUE(offered.first().contains("*.tif"));
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 40, 30}));
    EXPECT_EQ(shownTitle(), "Deverav::leaf.png");
    EXPECT_EQ(c->getCurrentFilter(), blur.get());
    EXPECT_FALSE(undo().canUndo());
    EXPECT_FALSE(c->wasChanged());
    // The canvas fits the small picture enlarged.
    EXPECT_GT(w->ciView()->getZoom(), 1.0);

    // A cancelled panel changes nothing.
    foundation::OpenPanel::setResponder([](const auto&) { return QStringList(); });
    c->openImg();
    EXPECT_EQ(c->backImage().extent().width, 40);
}

TEST_F(PipelineTest, PasteUndoAndRedo) {
    const Image before = c->backImage();
    auto* data = new QMimeData;
    data->setData("image/png",
                  pngBytes(distinctPixels(7, 5)));  // PNG alone, as other programs offer it
    QGuiApplication::clipboard()->setMimeData(data);
    c->paste();
    const Image pasted = c->backImage();
    EXPECT_EQ(pasted.extent(), (imaging::Rect{0, 0, 7, 5}));
    EXPECT_EQ(pixels(pasted), distinctPixels(7, 5));
    EXPECT_TRUE(c->wasChanged());
    endEvent();
    c->undo();
    EXPECT_EQ(c->backImage(), before);
    EXPECT_FALSE(c->wasChanged());
    c->redo();
    EXPECT_EQ(c->backImage(), pasted);

    // Damaged data is refused with a message; the picture stays.
    auto* bad = new QMimeData;
    bad->setData("image/tiff", "II*\0garbage");
    QGuiApplication::clipboard()->setMimeData(bad);
    c->paste();
    EXPECT_EQ(alerts, QStringList{"Couldn't paste the picture."});
    EXPECT_EQ(c->backImage(), pasted);
}

TEST_F(PipelineTest, CopyPutsTheResultOnTheClipboardAsTiffAndPng) {
    usePicture(distinctPixels(9, 6));
    auto invert = makeFilter("CIColorInvert");
    c->standard().setCurrentFilter(invert);
    c->copy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasFormat("image/tiff"));
    ASSERT_TRUE(data->hasFormat("image/png"));
    for (const char* type : {"image/tiff", "image/png"}) {
        const QByteArray bytes = data->data(type);
        const Image copied =
            imaging::io::imageWithData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        const QImage got = pixels(copied);
        ASSERT_EQ(got.size(), QSize(9, 6)) << type;
        // The filter's result (inverted in linear light), not the plain picture.
        expectNearColour(got.pixelColor(3, 2),
                         invertedInLinearLight(distinctPixels(9, 6).pixelColor(3, 2)), type);
    }
    EXPECT_TRUE(w->pasteBtn()->isEnabled());
}

TEST_F(PipelineTest, PicturesForTexturesAndWritersArePackedRowsTopDown) {
    QImage img = distinctPixels(5, 3);
    usePicture(img);
    const imaging::Bitmap packed = c->getCGImage();
    ASSERT_EQ(packed.width(), 5);
    ASSERT_EQ(packed.height(), 3);
    EXPECT_EQ(packed.bytesPerRow(), 20u);
    const uint8_t* top = packed.row(0);
    EXPECT_EQ(top[4 * 2], img.pixelColor(2, 0).red());
    EXPECT_EQ(top[4 * 2 + 1], img.pixelColor(2, 0).green());
    EXPECT_EQ(c->createObjectImage(72).width(), 5);
    EXPECT_EQ(c->getImage(true).text("flipped"), "1");
    EXPECT_EQ(c->getImage(false).text("flipped"), "0");

    // An empty picture skips the fit and gives nothing to draw.
    const double zoom = w->ciView()->getZoom();
    c->setBackgroundImage(Image());
    EXPECT_EQ(w->ciView()->getZoom(), zoom);
    EXPECT_TRUE(c->getCGImage().isNull());
    EXPECT_TRUE(c->getEffectedImage().isNull());
    EXPECT_EQ(c->getBgImageExtent(), imaging::Rect{});
    c->flipVert();
    c->rotateLeft();
    c->resizeImageHeight(10, 10);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(PipelineTest, WhatIsCopiedAndSavedIsStraightEightBitInOnePass) {
    // Translucent pixels: premultiplied 8-bit steps on the way would round their colours to
    // multiples of 255 / alpha.
    QImage img(4, 2, QImage::Format_RGBA8888);
    img.fill(QColor(201, 103, 57, 8));
    img.setPixelColor(0, 0, QColor(13, 240, 129, 3));
    usePicture(img);
    // The picture as it is held: handed out, not copied.
    const imaging::Bitmap plain = c->createObjectImage(300);
    ASSERT_EQ(plain.format(), imaging::PixelFormat::RGBA8);
    const uint8_t* p = plain.row(0);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{13, 240, 129, 3}));
    EXPECT_EQ(c->createObjectImage(300).data(), plain.data());

    // Through a filter, rendered once into straight pixels.
    auto move = makeFilter("CIAffineTransform");
    move->setValue("inputTransform", imaging::AffineTransform::translation(1, 0));
    c->standard().setCurrentFilter(move);
    const imaging::Bitmap moved = c->createObjectImage(300);
    ASSERT_EQ(moved.width(), 4);
    const uint8_t* q = moved.row(1) + 4 * 2;
    EXPECT_NEAR(q[0], 201, 1);
    EXPECT_NEAR(q[1], 103, 1);
    EXPECT_NEAR(q[2], 57, 1);
    EXPECT_EQ(q[3], 8);
    EXPECT_EQ(c->getEffectedImage().pixelColor(2, 1), QColor(q[0], q[1], q[2], q[3]));
}

// ---------------------------------------------------------------- picture edits

TEST_F(PipelineTest, FlipsAndTurnsAreExactAndUndone) {
    const QImage img = distinctPixels(6, 4);
    // QImage's y axis points down: a positive angle turns clockwise.
    const struct {
        const char* name;
        std::function<void()> edit;
        QImage want;
    } edits[] = {
        {"vertical flip", [&] { c->flipVert(); }, img.mirrored(false, true)},
        {"horizontal flip", [&] { c->flipHorizont(); }, img.mirrored(true, false)},
        {"left turn", [&] { c->rotateLeft(); }, img.transformed(QTransform().rotate(-90))},
        {"right turn", [&] { c->rotateRight(); }, img.transformed(QTransform().rotate(90))},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        usePicture(img);
        e.edit();
        EXPECT_EQ(pixels(c->backImage()), e.want.convertToFormat(QImage::Format_RGBA8888));
        EXPECT_EQ(c->backImage().extent(),
                  (imaging::Rect{0, 0, double(e.want.width()), double(e.want.height())}));
        endEvent();
        c->undo();
        EXPECT_EQ(pixels(c->backImage()), img);
        c->redo();
        EXPECT_EQ(pixels(c->backImage()), e.want.convertToFormat(QImage::Format_RGBA8888));
    }
    usePicture(img);
    for (int i = 0; i < 4; ++i) c->rotateLeft();
    EXPECT_EQ(pixels(c->backImage()), img);
    // A hundred edits still leave a picture in memory, not a chain of transforms.
    for (int i = 0; i < 100; ++i) c->flipHorizont();
    EXPECT_STREQ(c->backImage().node()->kindName(), "source");
}

TEST_F(PipelineTest, ResizeAndUndoRestoreThePictureExactly) {
    const QImage img = distinctPixels(200, 100);
    usePicture(img);
    c->resizeImageHeight(50, 50);
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 50, 50}));
    endEvent();
    c->undo();
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 200, 100}));
    EXPECT_EQ(pixels(c->backImage()), img);  // not a blurred re-enlargement
    c->redo();
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 50, 50}));
    // Absurd sizes are refused without losing the picture.
    c->resizeImageHeight(1e6f, 1e6f);
    EXPECT_EQ(alerts, QStringList{"Couldn't change the picture."});
    EXPECT_EQ(c->backImage().extent().width, 50);
}

// ---------------------------------------------------------------- parameter edits

TEST_F(PipelineTest, AParameterChangeIsOneNamedUndoStep) {
    auto blur = makeFilter("CIGaussianBlur");
    c->standard().setCurrentFilter(blur);
    const double old = blur->value("inputRadius").toNumber();
    c->setFilterValueForKey(blur, 25.0, "inputRadius");
    c->setActionNameForFilterKey(blur.get(), "inputRadius");
    EXPECT_EQ(blur->value("inputRadius").toNumber(), 25.0);
    EXPECT_EQ(undo().undoActionName(), "Change to Gaussian Blur Radius");
    EXPECT_EQ(w->action(app::act::undo)->text(), "Undo Change to Gaussian Blur Radius");
    endEvent();
    c->undo();
    EXPECT_EQ(blur->value("inputRadius").toNumber(), old);
    c->redo();
    EXPECT_EQ(blur->value("inputRadius").toNumber(), 25.0);

    // The history keeps the filter it changes alive after it is dropped.
    std::weak_ptr<imaging::Filter> weak = blur;
    c->escapeEffect();
    blur.reset();
    EXPECT_FALSE(weak.expired());
    endEvent();
    c->undo();  // the filter comes back
    c->undo();
    EXPECT_EQ(weak.lock()->value("inputRadius").toNumber(), old);

    // A refused value records nothing.
    endEvent();
    const int steps = undo().undoCount();
    auto f = makeFilter("CIGaussianBlur");
    c->setFilterValueForKey(f, std::nan(""), "inputRadius");
    EXPECT_EQ(undo().undoCount(), steps);

    auto dict = std::make_shared<QVariantMap>();
    c->setDictValueForKey(dict, "hello", "inputText");
    endEvent();
    c->undo();
    EXPECT_FALSE(dict->contains("inputText"));
    c->redo();
    EXPECT_EQ(dict->value("inputText"), "hello");
}

TEST(Labels, BlanksBeforeInnerCapitalsAndDigits) {
    const std::pair<QString, QString> cases[] = {
        {"Point0", "Point 0"}, {"EV", "E V"},           {"GCR", "G C R"}, {"Color10", "Color 1 0"},
        {"Radius", "Radius"},  {"ÄrgerÖl", "Ärger Öl"}, {"", ""}};
    for (const auto& [in, out] : cases) EXPECT_EQ(Controller::unInterCap1(in), out);
}
