// The numbers of the parameter rows: formats and value kinds, the transform's fields in both
// directions, the component fields' places, thumbnails and shortened labels.

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <cmath>
#include <numbers>

#include "imaging/Attribute.h"
#include "workbench/ParameterMath.h"
#include "workbench/ParameterView.h"

using namespace workbench;

TEST(ParameterMath, ReadOutsShowEachValueKindInItsFormatAndTypedTextReadsBack) {
    const std::tuple<const char*, float, const char*> shown[] = {
        {imaging::kCIAttributeTypeScalar, 0.5f, "0.50"},
        {imaging::kCIAttributeTypeScalar, 7.f, "7.00"},
        {imaging::kCIAttributeTypeAngle, 0.7853982f, "45.0"},
        {imaging::kCIAttributeTypeTime, 0.25f, "25.000"},
        {imaging::kCIAttributeTypeDistance, 10.f, "10.0"},
        {imaging::kCIAttributeTypeDistance, 3.f, " 3.0"},  // padded to 4
        {"", -1.f, "-1.00"},                               // untyped: a scalar
    };
    for (const auto& [type, value, text] : shown) {
        const ValueKind k = valueKindForType(type);
        EXPECT_EQ(formatNumber(k.beforeDecimal, k.afterDecimal, shownValue(k.dataType, value)),
                  text);
    }
    EXPECT_EQ(valueKindForType(imaging::kCIAttributeTypeCount).dataType, kScalarData);
    EXPECT_EQ(filterValueForShown(kAngleData, 90.f), 1.5707964f);
    EXPECT_FLOAT_EQ(filterValueForShown(kTimeData, 25.f), 0.25f);
    EXPECT_EQ(filterValueForShown(kDistanceData, 500.f), 500.f);
    // Too large for the 31-character read-out: exponent form, still within the buffer.
    const QString huge = formatNumber(4, 2, 1e30f);
    EXPECT_LT(huge.size(), 32);
    EXPECT_TRUE(huge.contains('e'));

    // The leading number of typed text; nothing usable reads as 0.
    for (auto [text, number] :
         {std::pair{"12", 12.f}, {"  -3.5 px", -3.5f}, {"abc", 0.f}, {"", 0.f}, {"1e999", 0.f}})
        EXPECT_EQ(numberFromText(text), number) << text;
}

TEST(ParameterMath, TransformFieldsOfKnownMatrices) {
    const TransformFields id = transformFields(1, 0, 0, 1);
    EXPECT_EQ(std::tuple(id.scale, id.angle, id.stretch, id.skew), std::tuple(1.f, 0.f, 1.f, 0.f));
    // m21 = 0, m22 = 1 is angle 0 whatever else; a half-turn is π; a quarter turn the other way
    // lies in [0, 2π).
    EXPECT_EQ(transformFields(3, 0.5, 0, 1).angle, 0.f);
    EXPECT_FLOAT_EQ(transformFields(-1, 0, 0, -1).angle, float(std::numbers::pi));
    EXPECT_FLOAT_EQ(transformFields(0, -1, 1, 0).angle, float(1.5 * std::numbers::pi));

    // A quarter turn composes exactly, its near-zero cosine kept as a float.
    const double a = std::numbers::pi / 2;
    const imaging::AffineTransform t = standard_fields_to_transform(1, a, 1, 0, 7, -3);
    const double c = float(std::cos(a));
    EXPECT_EQ(t, (imaging::AffineTransform{c, 1, -1, c, 7, -3}));
    const imaging::Vector v = standard_fields_to_transform_vector(1, a, 1, 0, 7, -3);
    EXPECT_EQ(v, (imaging::Vector{c, 1, -1, c, 7, -3}));
}

TEST(ParameterMath, FieldsRoundTripForTurnsScaledStretchedAndSkewed) {
    for (const TransformFields f :
         {TransformFields{1, float(std::numbers::pi / 2), 1, 0}, TransformFields{2, 1, 0.5, 0.3},
          TransformFields{0.1f, 5, 3, -2}, TransformFields{40, 3.5, 0.02f, 9}}) {
        const imaging::AffineTransform t =
            standard_fields_to_transform(f.scale, f.angle, f.stretch, f.skew, 0, 0);
        const TransformFields back = transformFields(t.a, t.b, t.c, t.d);
        EXPECT_NEAR(back.scale, f.scale, 1e-5 * f.scale);
        EXPECT_NEAR(back.angle, f.angle, 1e-5);
        EXPECT_NEAR(back.stretch, f.stretch, 1e-4 * f.stretch);
        EXPECT_NEAR(back.skew, f.skew, 1e-4);
    }
}

TEST(ParameterMath, ComponentFieldsAndThumbnails) {
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(componentFieldFrame(300, i), QRect(80 + 55 * i, 0, 50, 16)) << i;
    // A width that does not divide evenly: floors, first field exactly at 80.
    EXPECT_EQ(componentFieldFrame(251, 0), QRect(80, 0, 37, 16));
    EXPECT_EQ(componentFieldFrame(251, 3).x(), int(std::floor(80 + 3 * (37.75 + 5))));

    // The longer side at 64, never thinner than one pixel: (w, h) -> (w, h, sx).
    const std::tuple<int, int, int, int, double> thumbs[] = {
        {200, 100, 64, 32, 0.32}, {1, 500, 1, 64, 1.0}, {1000, 1, 64, 1, 0.064}};
    for (const auto& [w, h, tw, th, sx] : thumbs) {
        const Thumbnail t = thumbnailFor(w, h);
        EXPECT_EQ(QSize(t.width, t.height), QSize(tw, th)) << w << "x" << h;
        EXPECT_DOUBLE_EQ(t.sx, sx);
    }
    EXPECT_EQ(thumbnailFor(0, 10).width, 0);
}

TEST(ParameterMath, LabelsAreShortenedToTheirField) {
    QFont font;
    font.setPointSizeF(9);
    const QFontMetrics fm(font);
    EXPECT_EQ(ParameterView::ellipsizeFieldFontString(500, font, "Replacement Color"),
              "Replace With");
    EXPECT_EQ(ParameterView::ellipsizeFieldFontString(500, font, "Radius"), "Radius");

    const QString longLabel = "A Rather Long Parameter Name";
    const QString cut = ParameterView::ellipsizeFieldFontString(80, font, longLabel);
    EXPECT_TRUE(cut.endsWith("...")) << cut.toStdString();
    EXPECT_LE(fm.horizontalAdvance(cut), 75);
    EXPECT_TRUE(longLabel.startsWith(cut.chopped(3)));
    // The cut is the longest that fits.
    EXPECT_GT(fm.horizontalAdvance(longLabel.left(cut.size() - 2) + "..."), 75);
    EXPECT_EQ(ParameterView::ellipsizeFieldFontString(4, font, longLabel), "...");
}
