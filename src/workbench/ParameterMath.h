#pragma once
// The arithmetic of the parameter rows: number formats, value kinds, the transform's four
// fields, the component fields' geometry and thumbnail sizes. Free of widgets so that it can be
// checked number by number.

#include <QRect>
#include <QSize>
#include <QString>

#include "imaging/Geometry.h"
#include "imaging/Value.h"

namespace workbench {

// Writes `value` with at least `width` characters (right-aligned) and `places` decimals into
// `out` (32 bytes) and returns it. Values too large for the buffer are written in exponent form.
char* format_floating_point_number(int width, int places, char* out, float value);
QString formatNumber(int width, int places, float value);

// A number read from the start of a text as a text field's value reads: leading blanks skipped,
// as many characters as form a number, 0 when there is none.
float numberFromText(const QString& text);

// Value kinds of a slider row.
enum DataType { kScalarData = 0, kAngleData = 1, kTimeData = 2, kDistanceData = 3 };
struct ValueKind {
    int dataType;
    int beforeDecimal, afterDecimal;
};
ValueKind valueKindForType(const std::string& attributeType);
// The value the read-out shows for filter value `v`, and back.
float shownValue(int dataType, float v);
float filterValueForShown(int dataType, float shown);

// The four fields of a transform: scale s, angle a (radians, 0 <= a < 2π), stretch p, skew q.
struct TransformFields {
    float scale = 1, angle = 0, stretch = 1, skew = 0;
};
TransformFields transformFields(double m11, double m12, double m21, double m22);
imaging::AffineTransform standard_fields_to_transform(double s, double a, double p, double q,
                                                      double tX, double tY);
imaging::Vector standard_fields_to_transform_vector(double s, double a, double p, double q,
                                                    double tX, double tY);

// Frame (y-up, in the row) of component field `i` (0 to 3) of a vector or offset row `width`
// wide.
QRect componentFieldFrame(int width, int i);

// Size of the thumbnail of a picture `ew` × `eh` (the longer side 64) and the scale factors that
// give it.
struct Thumbnail {
    int width = 0, height = 0;
    double sx = 0, sy = 0;
};
Thumbnail thumbnailFor(double ew, double eh);

}  // namespace workbench
