#pragma once
// What a filter file needs: attribute declarations and the self-registering FilterDef.
//
//   static const FilterDef gaussianBlur{
//       "CIGaussianBlur", "Gaussian Blur", {kCICategoryBlur},
//       {ImageInput(), Scalar("inputRadius", 10).min(0).slider(0, 100).identity(0)},
//       [](const Args& a) { return gaussianBlur(a.image(), a.number("inputRadius")); }};
//
// Each fact about an input (key, class, type, default, limits, display name) is written once,
// here; panels, handles and tests read it from the registry.

#include <numbers>

#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/NodeKinds.h"

namespace imaging::kit {

inline constexpr double kPi = std::numbers::pi;

// An attribute under construction; converts to Attribute.
class Attr {
  public:
    Attr(std::string key, const char* cls, const char* type, Value def) {
        a_.key = std::move(key);
        a_.className = cls;
        a_.type = type ? type : "";
        a_.defaultValue = std::move(def);
    }
    Attr& min(double v) { return a_.min = v, *this; }
    Attr& max(double v) { return a_.max = v, *this; }
    Attr& range(double lo, double hi) { return a_.min = lo, a_.max = hi, *this; }
    Attr& slider(double lo, double hi) { return a_.sliderMin = lo, a_.sliderMax = hi, *this; }
    // Hard limits that are also the slider's range.
    Attr& limits(double lo, double hi) { return range(lo, hi).slider(lo, hi); }
    Attr& identity(double v) { return a_.identity = v, *this; }
    Attr& name(std::string display) { return a_.displayName = std::move(display), *this; }
    Attr& optional() { return a_.optional = true, *this; }
    Attr& components(size_t most) { return a_.maxComponents = most, *this; }
    operator Attribute() const { return a_; }

  private:
    Attribute a_;
};

// Numbers (class NSNumber).
inline Attr Scalar(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeScalar, def);
}
// Distances no picture needs: a quarter of the longest side one may have, which blurs any
// picture to a flat tint. The ceiling holds unless a filter declares its own, so that no radius
// can size a buffer, or a blur's lines, beyond reason.
inline constexpr double kMaxDistance = kMaxSide / 4;
inline Attr Distance(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeDistance, def).max(kMaxDistance);
}
inline Attr Angle(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeAngle, def);
}
inline Attr Time(std::string k = "inputTime", double def = 0) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeTime, def).limits(0, 1);
}
inline Attr Boolean(std::string k, bool def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeBoolean, def).limits(0, 1);
}
inline Attr Integer(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeInteger, def);
}
inline Attr Count(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, kCIAttributeTypeCount, def);
}
// A number with no declared type.
inline Attr Number(std::string k, double def) {
    return Attr(std::move(k), kClassNumber, nullptr, def);
}

// Vectors (class CIVector).
inline Attr Position(std::string k, double x, double y) {
    return Attr(std::move(k), kClassVector, kCIAttributeTypePosition, Vector{x, y});
}
inline Attr Center(double x = 150, double y = 150) {
    return Position("inputCenter", x, y);
}
inline Attr Position3(std::string k, double x, double y, double z) {
    return Attr(std::move(k), kClassVector, kCIAttributeTypePosition3, Vector{x, y, z});
}
inline Attr Offset(std::string k, double x, double y) {
    return Attr(std::move(k), kClassVector, kCIAttributeTypeOffset, Vector{x, y});
}
inline Attr Rectangle(std::string k, double x, double y, double w, double h) {
    return Attr(std::move(k), kClassVector, kCIAttributeTypeRectangle, Vector{x, y, w, h});
}
// A vector with no declared type (weights, colour-matrix rows).
inline Attr VectorInput(std::string k, std::initializer_list<double> def) {
    return Attr(std::move(k), kClassVector, nullptr, Vector(def));
}

// Colours (class CIColor).
inline Attr ColorInput(std::string k, double r, double g, double b, double a = 1) {
    return Attr(std::move(k), kClassColor, kCIAttributeTypeColor, Color{r, g, b, a});
}
inline Attr OpaqueColor(std::string k, double r, double g, double b) {
    return Attr(std::move(k), kClassColor, kCIAttributeTypeOpaqueColor, Color{r, g, b, 1});
}

// Images (class CIImage). Needed unless marked optional().
inline Attr ImageInput(std::string k = "inputImage") {
    return Attr(std::move(k), kClassImage, kCIAttributeTypeImage, Value());
}
inline Attr GradientImage(std::string k = "inputGradientImage") {
    return Attr(std::move(k), kClassImage, kCIAttributeTypeGradient, Value());
}

// Text (class NSString) and bytes (class NSData).
inline Attr Text(std::string k, std::string def) {
    return Attr(std::move(k), kClassString, nullptr, Value(std::move(def)));
}
inline Attr DataInput(std::string k, Data def) {
    return Attr(std::move(k), kClassData, nullptr, Value(std::move(def)));
}

// Affine transforms (class NSAffineTransform).
inline Attr Transform(std::string k = "inputTransform") {
    return Attr(std::move(k), kClassTransform, kCIAttributeTypeTransform, AffineTransform{});
}

// Registers a built-in filter when the program starts. Every built-in filter is also in the
// built-in, still-image and video categories.
struct FilterDef {
    FilterDef(std::string name, std::string displayName, std::vector<std::string> categories,
              std::vector<Attribute> inputs, FilterBuilder build);
};

// The built-in filters the registry refused (their reasons are in the log): a fault of the
// program that the tests report.
const std::vector<std::string>& refusedFilterDefs();

}  // namespace imaging::kit
