#include "imaging/Value.h"

#include <cstdio>
#include <cstring>

#include "imaging/WorkingSpace.h"

namespace imaging {

Px toLinearPremultiplied(const Color& c) {
    float a = float(std::clamp(c.a, 0.0, 1.0));
    return Px{srgbToLinear(float(c.r)) * a, srgbToLinear(float(c.g)) * a,
              srgbToLinear(float(c.b)) * a, a};
}

WorkingColor::WorkingColor(const Color& c) {
    const float a = float(std::clamp(c.a, 0.0, 1.0));
    v_[size_t(WorkingSpace::Linear)] = toLinearPremultiplied(c);
    v_[size_t(WorkingSpace::None)] = Px{float(c.r) * a, float(c.g) * a, float(c.b) * a, a};
}

WorkingColor WorkingColor::straight(Px e) {
    WorkingColor w;
    w.v_[size_t(WorkingSpace::Linear)] =
        Px{srgbToLinear(e[0]), srgbToLinear(e[1]), srgbToLinear(e[2]), e[3]};
    w.v_[size_t(WorkingSpace::None)] = e;
    return w;
}

Data::Data(std::vector<uint8_t> bytes)
    : d_(std::make_shared<const std::vector<uint8_t>>(std::move(bytes))) {}

Data Data::fromText(std::string_view text) {
    return Data(std::vector<uint8_t>(text.begin(), text.end()));
}

Data Data::fromFloats(const std::vector<float>& values) {
    std::vector<uint8_t> b(values.size() * sizeof(float));
    if (!b.empty()) std::memcpy(b.data(), values.data(), b.size());
    return Data(std::move(b));
}

std::vector<float> Data::floats() const {
    std::vector<float> f(size() / sizeof(float));
    if (!f.empty()) std::memcpy(f.data(), bytes(), f.size() * sizeof(float));
    return f;
}

double Value::toNumber(double fallback) const {
    if (auto* d = std::get_if<double>(&v_)) return *d;
    if (auto* b = std::get_if<bool>(&v_)) return *b ? 1.0 : 0.0;
    return fallback;
}

Vector Value::toVector() const {
    if (auto* v = std::get_if<Vector>(&v_)) return *v;
    return {};
}

Color Value::toColor() const {
    if (auto* c = std::get_if<Color>(&v_)) return *c;
    return {};
}

Image Value::toImage() const {
    if (auto* i = std::get_if<Image>(&v_)) return *i;
    return {};
}

Data Value::toData() const {
    if (auto* d = std::get_if<Data>(&v_)) return *d;
    return {};
}

AffineTransform Value::toTransform() const {
    if (auto* t = std::get_if<AffineTransform>(&v_)) return *t;
    return {};
}

std::string Value::toString() const {
    char buf[256];
    switch (kind()) {
        case Kind::None:
            return "(none)";
        case Kind::Number:
            std::snprintf(buf, sizeof buf, "%g", std::get<double>(v_));
            return buf;
        case Kind::Boolean:
            return std::get<bool>(v_) ? "true" : "false";
        case Kind::Vector: {
            std::string s = "[";
            const auto& v = std::get<Vector>(v_).values();
            for (size_t i = 0; i < v.size(); ++i) {
                std::snprintf(buf, sizeof buf, "%s%g", i ? " " : "", v[i]);
                s += buf;
            }
            return s + "]";
        }
        case Kind::Color: {
            const auto& c = std::get<Color>(v_);
            std::snprintf(buf, sizeof buf, "rgba(%g,%g,%g,%g)", c.r, c.g, c.b, c.a);
            return buf;
        }
        case Kind::Image:
            return "image " + imaging::toString(std::get<Image>(v_).extent());
        case Kind::Transform: {
            const auto& t = std::get<AffineTransform>(v_);
            std::snprintf(buf, sizeof buf, "[%g %g %g %g %g %g]", t.a, t.b, t.c, t.d, t.tx, t.ty);
            return buf;
        }
        case Kind::String:
            return std::get<std::string>(v_);
        case Kind::Data: {
            // Text as it is when it is printable, otherwise its size.
            const Data& d = std::get<Data>(v_);
            bool printable = d.size() > 0;
            for (char c : d.text()) printable = printable && (c >= 0x20 && c < 0x7f);
            if (printable) return std::string(d.text());
            std::snprintf(buf, sizeof buf, "%zu bytes", d.size());
            return buf;
        }
    }
    return {};
}

const char* kindName(Value::Kind k) {
    switch (k) {
        case Value::Kind::None:
            return "none";
        case Value::Kind::Number:
            return "number";
        case Value::Kind::Boolean:
            return "boolean";
        case Value::Kind::Vector:
            return "vector";
        case Value::Kind::Color:
            return "color";
        case Value::Kind::Image:
            return "image";
        case Value::Kind::Transform:
            return "transform";
        case Value::Kind::String:
            return "string";
        case Value::Kind::Data:
            return "data";
    }
    return "?";
}

}  // namespace imaging
