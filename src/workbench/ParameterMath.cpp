#include "workbench/ParameterMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "imaging/Attribute.h"

namespace workbench {

namespace {
constexpr double kPi = 3.141592653589793;
constexpr int kNumberBuffer = 32;
}  // namespace

char* format_floating_point_number(int width, int places, char* out, float value) {
    char format[kNumberBuffer];
    std::snprintf(format, sizeof format, "%%%d.%df", width, places);
    const int n = std::snprintf(out, kNumberBuffer, format, double(value));
    // Magnitudes near 10^27 and beyond do not fit: exponent form keeps them readable.
    if (n < 0 || n >= kNumberBuffer)
        std::snprintf(out, kNumberBuffer, "%*.*e", width, places, double(value));
    return out;
}

QString formatNumber(int width, int places, float value) {
    char buffer[kNumberBuffer];
    return QString::fromLatin1(format_floating_point_number(width, places, buffer, value));
}

float numberFromText(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* begin = bytes.constData();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(v)) return 0;
    return float(v);
}

ValueKind valueKindForType(const std::string& type) {
    if (type == imaging::kCIAttributeTypeAngle) return {kAngleData, 3, 1};
    if (type == imaging::kCIAttributeTypeTime) return {kTimeData, 1, 3};
    if (type == imaging::kCIAttributeTypeDistance) return {kDistanceData, 4, 1};
    return {kScalarData, 4, 2};
}

float shownValue(int dataType, float v) {
    switch (dataType) {
        case kAngleData:
            return float(double(v) * 180 / kPi);
        case kTimeData:
            return v * 100.0f;
        default:
            return v;
    }
}

float filterValueForShown(int dataType, float shown) {
    switch (dataType) {
        case kAngleData:
            return float(double(shown) * kPi / 180);
        case kTimeData:
            return float(double(shown) * 0.01);
        default:
            return shown;
    }
}

TransformFields transformFields(double m11, double m12, double m21, double m22) {
    const double s = std::sqrt(m21 * m21 + m22 * m22);
    double a = 0;
    if (!(m21 == 0 && m22 == 1)) {
        a = std::atan2(-m21, m22);
        if (a < 0) a += 2 * kPi;
    }
    const double c = std::cos(a), n = std::sin(a);
    const double d = m11 * n - m12 * c;
    const double q = d == 0 ? 0 : -d / (m11 * c + m12 * n);
    const double p = m11 / ((c - n * q) * s);
    return {float(s), float(a), float(p), float(q)};
}

imaging::AffineTransform standard_fields_to_transform(double s, double a, double p, double q,
                                                      double tX, double tY) {
    const double c = std::cos(a), n = std::sin(a);
    // Entries pass through 32-bit floats, as the stored transform keeps them.
    return {double(float((c - q * n) * p * s)),
            double(float(p * (q * c + n) * s)),
            double(float(-n * s)),
            double(float(s * c)),
            double(float(tX)),
            double(float(tY))};
}

imaging::Vector standard_fields_to_transform_vector(double s, double a, double p, double q,
                                                    double tX, double tY) {
    const imaging::AffineTransform t = standard_fields_to_transform(s, a, p, q, tX, tY);
    return {t.a, t.b, t.c, t.d, t.tx, t.ty};
}

QRect componentFieldFrame(int width, int i) {
    const double g = (int(width - 5) - 95) * 0.25;
    return QRect(int(std::floor(80 + i * (g + 5))), 0, int(std::floor(g)), 16);
}

Thumbnail thumbnailFor(double ew, double eh) {
    Thumbnail t;
    if (!(ew > 0) || !(eh > 0)) return t;
    if (ew > eh) {
        t.sx = 64 / ew;
        t.height = std::max(1, int(std::lround(t.sx * eh)));
        t.sy = t.height / eh;
        t.width = 64;
    } else {
        t.sy = 64 / eh;
        t.width = std::max(1, int(std::lround(t.sy * ew)));
        t.sx = t.width / ew;
        t.height = 64;
    }
    return t;
}

}  // namespace workbench
