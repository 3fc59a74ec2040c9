// The parameter panel's layout: which inputs get rows, the two passes and the trimming, the
// colour-well pairing, the rows' frames and how they follow the panel's width.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>

#include "workbench/Autoresizer.h"
#include "workbench/FilterView.h"
#include "workbench/ParameterView.h"
#include "workbench/TestFilters.h"

using namespace imaging::kit;
using workbench::FilterView;
using workbench::ParameterView;

namespace {

constexpr int kWidth = 300;

struct Panel {
    explicit Panel(std::shared_ptr<imaging::Filter> f, int height = 300) {
        place.resize(kWidth, height);
        view = new FilterView(QRect(0, 0, kWidth, height), &place);
        view->setFilter(std::move(f));
        fits = view->buildRows();
        place.show();  // hidden widgets get their resize events only once shown
    }
    std::vector<ParameterView*> rows() const {
        std::vector<ParameterView*> r;
        for (QObject* o : view->children())
            if (auto* row = qobject_cast<ParameterView*>(o)) r.push_back(row);
        return r;
    }
    QRect frame(QWidget* w) const { return workbench::Autoresizer::of(view)->frame(w); }

    QWidget place;
    FilterView* view;
    bool fits;
};

}  // namespace

TEST(PanelLayout, SliderCheckBoxAndTransformInA300PointPlace) {
    Panel p(testfilters::make("Three", {ImageInput(), Scalar("inputAmount", 1).limits(0, 2),
                                        Boolean("inputOn", true), Transform()}));
    EXPECT_TRUE(p.fits);
    // Trimmed to 152 points, its top edge where it was.
    EXPECT_EQ(p.view->frame(), QRect(0, 148, kWidth, 152));
    EXPECT_EQ(p.view->geometry(), QRect(0, 0, kWidth, 152));
    const auto rows = p.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(p.frame(rows[0]), QRect(0, 124, kWidth - 12, 18));
    EXPECT_EQ(p.frame(rows[1]), QRect(2, 108, kWidth - 10, 16));
    EXPECT_EQ(p.frame(rows[2]), QRect(2, 40, kWidth - 10, 67));
    EXPECT_EQ(p.view->getControlTopPosition(), 39);
    EXPECT_EQ(p.view->getLastControlType(), workbench::kTransformRow);
    EXPECT_TRUE(p.view->drawsBorder());
    // Qt's y-down geometry of the same rows: the slider directly under the 10-point header.
    EXPECT_EQ(rows[0]->geometry().top(), 10);
}

TEST(PanelLayout, ColourWellsPairOnALineUnlessAnotherRowComesBetween) {
    const int half = (kWidth - 20) / 2;
    Panel three(testfilters::make(
        "Colours", {ColorInput("inputColor0", 1, 0, 0), ColorInput("inputColor1", 0, 1, 0),
                    ColorInput("inputColor2", 0, 0, 1)}));
    // Two lines of 30: 46 + 60 + 3 = 109 points tall.
    EXPECT_EQ(three.view->frame().height(), 60 + 49);
    auto rows = three.rows();
    ASSERT_EQ(rows.size(), 3u);
    const int top = 60 + 39;
    EXPECT_EQ(three.frame(rows[0]), QRect(2, top - 26, half, 26));
    EXPECT_EQ(three.frame(rows[1]), QRect(2 + half, top - 26, half, 26));
    EXPECT_EQ(three.frame(rows[2]), QRect(2, top - 30 - 26, half, 26));
    // The right-hand well keeps to the right edge when the panel widens.
    EXPECT_EQ(workbench::Autoresizer::of(three.view)->mask(rows[1]),
              workbench::kMinXMargin | workbench::kWidthSizable | workbench::kMinYMargin);

    Panel split(testfilters::make(
        "Split", {ColorInput("inputColor0", 1, 0, 0), Scalar("inputAmount", 1).limits(0, 2),
                  ColorInput("inputColor1", 0, 1, 0)}));
    rows = split.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(split.frame(rows[0]).x(), 2);
    EXPECT_EQ(split.frame(rows[2]).x(), 2);
    EXPECT_EQ(split.frame(rows[1]).y(), split.frame(rows[0]).y() - 4 - 18);
    EXPECT_EQ(split.frame(rows[2]).y(), split.frame(rows[1]).y() - 26);
}

TEST(PanelLayout, WhichInputsGetRows) {
    auto plain = testfilters::make(
        "Plain",
        {ImageInput(), ImageInput("inputTexture"), Scalar("inputScale", 1).limits(0, 2),
         Boolean("inputFlag", false), Integer("inputCount", 3).limits(0, 9),
         Number("inputPlain", 1).limits(0, 2), ColorInput("inputColor", 1, 1, 1), Transform(),
         VectorInput("inputWeights", {1, 2, 3, 4}), Offset("inputOffset", 1, 2), Center(),
         Rectangle("inputRect", 0, 0, 1, 1), Position3("inputPoint", 0, 0, 0)});
    using namespace workbench;  // the row kinds
    const std::pair<std::string, RowKind> expected[] = {
        {"inputImage", kNoRow},        {"inputTexture", kImageWellRow},
        {"inputScale", kSliderRow},    {"inputFlag", kCheckBoxRow},
        {"inputCount", kSliderRow},    {"inputPlain", kSliderRow},
        {"inputColor", kColorWellRow}, {"inputTransform", kTransformRow},
        {"inputWeights", kVectorRow},  {"inputOffset", kOffsetRow},
        {"inputCenter", kNoRow},       {"inputRect", kNoRow},
        {"inputPoint", kNoRow},        {"inputMissing", kNoRow}};
    ASSERT_FALSE(FilterView::isCompositingFilter(*plain));
    for (const auto& [key, kind] : expected)
        EXPECT_EQ(FilterView::rowKindForKey(*plain, key, false), kind) << key;

    // A compositing filter: its foreground gets a well, its background is the picture.
    auto over = testfilters::make("Over", {ImageInput(), ImageInput("inputBackgroundImage")});
    ASSERT_TRUE(FilterView::isCompositingFilter(*over));
    EXPECT_EQ(FilterView::rowKindForKey(*over, "inputImage", true), workbench::kImageWellRow);
    EXPECT_EQ(FilterView::rowKindForKey(*over, "inputBackgroundImage", true), kNoRow);
    Panel overPanel(over);
    ASSERT_EQ(overPanel.rows().size(), 1u);
    EXPECT_EQ(overPanel.rows()[0]->getKey(), "inputImage");
    EXPECT_EQ(overPanel.frame(overPanel.rows()[0]).height(), 44);

    // Text and data are shown as they are, and cannot be edited there.
    auto texts = testfilters::make(
        "Texts",
        {Text("inputText", "Hello"), DataInput("inputMessage", imaging::Data::fromText("42"))});
    EXPECT_EQ(FilterView::rowKindForKey(*texts, "inputText", false), workbench::kReadOnlyRow);
    EXPECT_EQ(FilterView::rowKindForKey(*texts, "inputMessage", false), workbench::kReadOnlyRow);
    Panel textPanel(texts);
    ASSERT_EQ(textPanel.rows().size(), 2u);
    const auto fields = textPanel.rows()[1]->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 1);
    EXPECT_TRUE(fields[0]->isReadOnly());
    EXPECT_EQ(fields[0]->text(), "42");
}

TEST(PanelLayout, APanelWithoutRowsDrawsNoBorder) {
    Panel p(testfilters::make("Bump", {ImageInput(), Center()}));
    EXPECT_TRUE(p.rows().empty());
    EXPECT_FALSE(p.view->drawsBorder());
    EXPECT_EQ(p.view->frame().height(), 49);
}

TEST(PanelLayout, RowsThatDoNotFitKeepTheFullHeightAndTheNeededHeightIsKnown) {
    std::vector<imaging::Attribute> many = {ImageInput()};
    for (int i = 0; i < 12; ++i)
        many.push_back(Scalar("inputS" + std::to_string(i), 0).limits(0, 1));
    auto f = testfilters::make("Many", many);
    Panel small(f, 200);
    EXPECT_FALSE(small.fits);
    EXPECT_EQ(small.view->frame(), QRect(0, 0, kWidth, 200));
    // 46 + 12 × 18 + 3 = 265 of room, one more point to be positive.
    EXPECT_EQ(FilterView::neededHeight(*f, kWidth), 266);
    Panel enough(f, 266);
    EXPECT_TRUE(enough.fits);
    EXPECT_EQ(enough.view->frame().height(), 12 * 18 + 49);
}

TEST(PanelLayout, RowsFollowThePanelsWidth) {
    Panel p(testfilters::make("Wide",
                              {Scalar("inputAmount", 1).limits(0, 2), Boolean("inputOn", true)}));
    QWidget* slider = p.rows()[0];
    QWidget* check = p.rows()[1];
    p.place.resize(kWidth + 100, 300);
    EXPECT_EQ(p.view->width(), kWidth + 100);
    EXPECT_EQ(p.frame(slider).width(), kWidth + 100 - 12);  // flexible width
    EXPECT_EQ(p.frame(check).width(), kWidth - 10);         // flexible right margin
    // The panel keeps to the top of its place when the place grows.
    p.place.resize(kWidth + 100, 500);
    EXPECT_EQ(p.view->geometry().top(), 0);
    // The slider inside its row stretches, the read-out keeps to the right edge.
    auto* row = p.rows()[0];
    EXPECT_EQ(row->frameOf(row->getReadout()).x(), kWidth + 100 - 12 - 47);
}
