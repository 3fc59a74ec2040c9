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

namespace {
QString shown(const char* type, float v) {
    const ValueKind k = valueKindForType(type);
    return formatNumber(k.beforeDecimal, k.afterDecimal, shownValue(k.dataType, v));
}
}  // namespace

TEST(ParameterMath, ReadOutsShowEachValueKindInItsFormat) {
    EXPECT_EQ(shown(imaging::kCIAttributeTypeScalar, 0.5f), "0.50");
    EXPECT_EQ(shown(imaging::kCIAttributeTypeScalar, 7.f), "7.00");
    EXPECT_EQ(shown(imaging::kCIAttributeTypeAngle, 0.7853982f), "45.0");
    EXPECT_EQ(shown(imaging::kCIAttributeTypeTime, 0.25f), "25.000");
    EXPECT_EQ(shown(imaging::kCIAttributeTypeDistance, 10.f), "10.0");
    EXPECT_EQ(shown(imaging::kCIAttributeTypeDistance, 3.f), " 3.0");  // padded to 4
    EXPECT_EQ(shown("", -1.f), "-1.00");                               // untyped: a scalar
    EXPECT_EQ(valueKindForType(imaging::kCIAttributeTypeCount).dataType, kScalarData);

    // Typed values back to the filter's units.
    EXPECT_EQ(filterValueForShown(kAngleData, 90.f), 1.5707964f);
    EXPECT_FLOAT_EQ(filterValueForShown(kTimeData, 25.f), 0.25f);
    EXPECT_EQ(filterValueForShown(kDistanceData, 500.f), 500.f);

    // Too large for the 31-character read-out: exponent form, still within the buffer.
    const QString huge = formatNumber(4, 2, 1e30f);
    EXPECT_LT(huge.size(), 32);
    EXPECT_TRUE(huge.contains('e'));
}

TEST(ParameterMath, TypedTextReadsItsLeadingNumber) {
    EXPECT_EQ(numberFromText("12"), 12.f);
    EXPECT_EQ(numberFromText("  -3.5 px"), -3.5f);
    EXPECT_EQ(numberFromText("abc"), 0.f);
    EXPECT_EQ(numberFromText(""), 0.f);
    EXPECT_EQ(numberFromText("1e999"), 0.f);  // not a finite number
}

TEST(ParameterMath, TransformFieldsOfKnownMatrices) {
    TransformFields id = transformFields(1, 0, 0, 1);
    EXPECT_EQ(id.scale, 1.f);
    EXPECT_EQ(id.angle, 0.f);
    EXPECT_EQ(id.stretch, 1.f);
    EXPECT_EQ(id.skew, 0.f);

    // m21 = 0, m22 = 1 is angle 0 whatever else; a half-turn is π.
    EXPECT_EQ(transformFields(3, 0.5, 0, 1).angle, 0.f);
    EXPECT_FLOAT_EQ(transformFields(-1, 0, 0, -1).angle, float(std::numbers::pi));
    // A quarter turn the other way lies in [0, 2π).
    EXPECT_FLOAT_EQ(transformFields(0, -1, 1, 0).angle, float(1.5 * std::numbers::pi));
}

TEST(ParameterMath, AQuarterTurnComposesAndDecomposesExactly) {
    const double a = std::numbers::pi / 2;
    const imaging::AffineTransform t = standard_fields_to_transform(1, a, 1, 0, 7, -3);
    EXPECT_EQ(t.a, double(float(std::cos(a))));  // about 6e-17, kept as a float
    EXPECT_EQ(t.b, 1);
    EXPECT_EQ(t.c, -1);
    EXPECT_EQ(t.d, double(float(std::cos(a))));
    EXPECT_EQ(t.tx, 7);
    EXPECT_EQ(t.ty, -3);
    const TransformFields back = transformFields(t.a, t.b, t.c, t.d);
    EXPECT_FLOAT_EQ(back.scale, 1);
    EXPECT_FLOAT_EQ(back.angle, float(a));
    EXPECT_FLOAT_EQ(back.stretch, 1);
    EXPECT_NEAR(back.skew, 0, 1e-6);

    const imaging::Vector v = standard_fields_to_transform_vector(1, a, 1, 0, 7, -3);
    ASSERT_EQ(v.count(), 6u);
    EXPECT_EQ(v.at(1), 1);
    EXPECT_EQ(v.at(4), 7);
}

TEST(ParameterMath, FieldsRoundTripForScaledStretchedSkewedTurns) {
    for (const TransformFields f :
         {TransformFields{2, 1, 0.5, 0.3}, TransformFields{0.1f, 5, 3, -2},
          TransformFields{40, 3.5, 0.02f, 9}}) {
        const imaging::AffineTransform t =
            standard_fields_to_transform(f.scale, f.angle, f.stretch, f.skew, 0, 0);
        const TransformFields back = transformFields(t.a, t.b, t.c, t.d);
        EXPECT_NEAR(back.scale, f.scale, 1e-5 * f.scale);
        EXPECT_NEAR(back.angle, f.angle, 1e-5);
        EXPECT_NEAR(back.stretch, f.stretch, 1e-4 * f.stretch);
        EXPECT_NEAR(back.skew, f.skew, 1e-4);
    }
}

TEST(ParameterMath, ComponentFieldsFillTheRowFrom80) {
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(componentFieldFrame(300, i), QRect(80 + 55 * i, 0, 50, 16)) << i;
    // A width that does not divide evenly: floors, first field exactly at 80.
    EXPECT_EQ(componentFieldFrame(251, 0), QRect(80, 0, 37, 16));
    EXPECT_EQ(componentFieldFrame(251, 3).x(), int(std::floor(80 + 3 * (37.75 + 5))));
}

TEST(ParameterMath, ThumbnailsHaveTheirLongerSideAt64) {
    Thumbnail t = thumbnailFor(200, 100);
    EXPECT_EQ(t.width, 64);
    EXPECT_EQ(t.height, 32);
    EXPECT_DOUBLE_EQ(t.sx, 0.32);
    t = thumbnailFor(1, 500);
    EXPECT_EQ(t.width, 1);
    EXPECT_EQ(t.height, 64);
    EXPECT_DOUBLE_EQ(t.sx, 1.0);
    t = thumbnailFor(1000, 1);  // never thinner than one pixel
    EXPECT_EQ(t.height, 1);
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
    const QString longer = longLabel.left(cut.size() - 3 + 1) + "...";
    EXPECT_GT(fm.horizontalAdvance(longer), 75);

    EXPECT_EQ(ParameterView::ellipsizeFieldFontString(4, font, longLabel), "...");
}
