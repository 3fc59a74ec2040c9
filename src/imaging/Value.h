#pragma once
// Values a filter input can hold.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "imaging/Geometry.h"
#include "imaging/Image.h"
#include "imaging/Pixel.h"

namespace imaging {

// A vector of 2 to 6 components (positions, rectangles, offsets, weights).
class Vector {
  public:
    Vector() = default;
    Vector(std::initializer_list<double> v) : v_(v) {}
    explicit Vector(std::vector<double> v) : v_(std::move(v)) {}
    static Vector point(Point p) { return {p.x, p.y}; }
    static Vector rect(const Rect& r) { return {r.x, r.y, r.width, r.height}; }

    size_t count() const { return v_.size(); }
    double at(size_t i) const { return i < v_.size() ? v_[i] : 0.0; }
    double x() const { return at(0); }
    double y() const { return at(1); }
    double z() const { return at(2); }
    double w() const { return at(3); }
    Point toPoint() const { return {at(0), at(1)}; }
    Rect toRect() const { return {at(0), at(1), at(2), at(3)}; }
    const std::vector<double>& values() const { return v_; }

    friend bool operator==(const Vector&, const Vector&) = default;

  private:
    std::vector<double> v_;
};

// Bytes (colour-cube tables, barcode messages): shared when copied, compared by content.
class Data {
  public:
    Data() = default;
    explicit Data(std::vector<uint8_t> bytes);
    static Data fromText(std::string_view text);
    // Native-endian 32-bit floats.
    static Data fromFloats(const std::vector<float>& values);

    size_t size() const { return d_ ? d_->size() : 0; }
    const uint8_t* bytes() const { return d_ ? d_->data() : nullptr; }
    std::string_view text() const { return {reinterpret_cast<const char*>(bytes()), size()}; }
    // The bytes as floats (a trailing part of a float is ignored).
    std::vector<float> floats() const;

    friend bool operator==(const Data& a, const Data& b) { return a.text() == b.text(); }

  private:
    std::shared_ptr<const std::vector<uint8_t>> d_;
};

// An RGBA colour as the user sees it: sRGB-encoded components in 0..1, straight alpha.
struct Color {
    double r = 0, g = 0, b = 0, a = 1;
    friend bool operator==(const Color&, const Color&) = default;
};

// The colour as the engine computes with it: linear light, premultiplied.
Px toLinearPremultiplied(const Color& c);

class Value {
  public:
    enum class Kind { None, Number, Boolean, Vector, Color, Image, Transform, String, Data };

    Value() = default;
    Value(double v) : v_(v) {}
    Value(int v) : v_(double(v)) {}
    Value(bool v) : v_(v) {}
    Value(Vector v) : v_(std::move(v)) {}
    Value(Color c) : v_(c) {}
    Value(Image i) : v_(std::move(i)) {}
    Value(AffineTransform t) : v_(t) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(imaging::Data d) : v_(std::move(d)) {}

    Kind kind() const { return Kind(v_.index()); }
    bool isNone() const { return kind() == Kind::None; }
    // Numbers and booleans are both numbers to the platform.
    bool isNumeric() const { return kind() == Kind::Number || kind() == Kind::Boolean; }

    double toNumber(double fallback = 0) const;
    bool toBool() const { return toNumber() != 0; }
    Vector toVector() const;
    Color toColor() const;
    Image toImage() const;
    AffineTransform toTransform() const;
    imaging::Data toData() const;
    std::string toString() const;  // a readable rendering of any kind

    friend bool operator==(const Value&, const Value&) = default;

  private:
    std::variant<std::monostate, double, bool, Vector, Color, Image, AffineTransform, std::string,
                 imaging::Data>
        v_;
};

const char* kindName(Value::Kind k);

}  // namespace imaging
