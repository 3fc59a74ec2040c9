#include "imaging/Filter.h"

#include <algorithm>

#include <cctype>

#include "imaging/Log.h"

namespace imaging {

std::string displayNameForKey(const std::string& key) {
    std::string k = key.rfind("input", 0) == 0 ? key.substr(5) : key;
    std::string out;
    auto isUp = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
    auto isLow = [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; };
    auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    for (size_t i = 0; i < k.size(); ++i) {
        char c = k[i];
        if (i > 0) {
            char p = k[i - 1];
            bool next_low = i + 1 < k.size() && isLow(k[i + 1]);
            bool split = (isUp(c) && (isLow(p) || isDigit(p))) ||
                         (isUp(c) && isUp(p) && next_low) || (isDigit(c) && !isDigit(p)) ||
                         (!isDigit(c) && isDigit(p));
            if (split) out += ' ';
        }
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Args

Value Args::value(std::string_view key) const {
    const Attribute* a = f_.attribute(key);
    if (!a) throw UndeclaredInput(f_.name(), key);
    return f_.hasValue(key) ? f_.value(key) : a->defaultValue;
}

Image Args::image(std::string_view key) const {
    return value(key).toImage();
}

double Args::number(std::string_view key) const {
    return value(key).toNumber();
}

Vector Args::vector(std::string_view key) const {
    return value(key).toVector();
}

Color Args::color(std::string_view key) const {
    return value(key).toColor();
}

AffineTransform Args::transform(std::string_view key) const {
    return value(key).toTransform();
}

// ---------------------------------------------------------------------------------------------
// Filter

std::vector<std::string> Filter::inputKeys() const {
    std::vector<std::string> keys;
    keys.reserve(d_->inputs.size());
    for (auto& a : d_->inputs) keys.push_back(a.key);
    return keys;
}

const Attribute* Filter::attribute(std::string_view key) const {
    for (auto& a : d_->inputs)
        if (a.key == key) return &a;
    return nullptr;
}

void Filter::setDefaults() {
    for (auto& a : d_->inputs) {
        if (a.isImage()) continue;
        if (a.defaultValue.isNone()) {
            values_.erase(a.key);
        } else {
            values_[a.key] = a.defaultValue;
        }
    }
}

namespace {

bool classAccepts(const std::string& cls, Value::Kind k) {
    using K = Value::Kind;
    if (cls == kClassNumber) return k == K::Number || k == K::Boolean;
    if (cls == kClassVector) return k == K::Vector;
    if (cls == kClassColor) return k == K::Color;
    if (cls == kClassImage) return k == K::Image;
    if (cls == kClassTransform) return k == K::Transform;
    if (cls == kClassString) return k == K::String;
    if (cls == kClassData) return k == K::Data;
    return false;
}

bool allFinite(const Value& v) {
    using K = Value::Kind;
    switch (v.kind()) {
        case K::Number:
            return std::isfinite(v.toNumber());
        case K::Vector: {
            // A named copy: the loop must not walk a temporary's destroyed storage.
            const Vector vec = v.toVector();
            for (double d : vec.values())
                if (!std::isfinite(d)) return false;
            return true;
        }
        case K::Color: {
            Color c = v.toColor();
            return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) &&
                   std::isfinite(c.a);
        }
        case K::Transform: {
            AffineTransform t = v.toTransform();
            for (double d : {t.a, t.b, t.c, t.d, t.tx, t.ty})
                if (!std::isfinite(d)) return false;
            return true;
        }
        default:
            return true;
    }
}

}  // namespace

namespace {
constexpr double kMaxVectorComponent = 1e9;
}  // namespace

bool Filter::setValue(std::string_view key, const Value& v) {
    const Attribute* a = attribute(key);
    if (!a) {
        log(name() + ": no input named '" + std::string(key) + "'; value ignored");
        return false;
    }
    if (v.isNone() || (v.kind() == Value::Kind::Image && !v.toImage())) {
        values_.erase(a->key);
        return true;
    }
    if (!classAccepts(a->className, v.kind())) {
        log(name() + ": input '" + a->key + "' takes a " + a->className + ", not a " +
            kindName(v.kind()) + "; value ignored");
        return false;
    }
    if (!allFinite(v)) {
        log(name() + ": input '" + a->key + "' refused a value that is not a finite number");
        return false;
    }
    const size_t most = a->mostComponents();
    if (v.kind() == Value::Kind::Vector &&
        (v.toVector().count() < 1 || v.toVector().count() > most)) {
        log(name() + ": input '" + a->key + "' refused a vector of " +
            std::to_string(v.toVector().count()) + " components");
        return false;
    }
    if (v.kind() == Value::Kind::Vector) {
        // Components far beyond any picture (positions, weights) would only overflow the
        // engine's floats.
        std::vector<double> c = v.toVector().values();
        for (double& x : c) x = std::clamp(x, -kMaxVectorComponent, kMaxVectorComponent);
        values_[a->key] = Value(Vector(std::move(c)));
        return true;
    }
    if (v.kind() == Value::Kind::Number) {
        double d = v.toNumber();
        if (a->min) d = std::max(d, *a->min);
        if (a->max) d = std::min(d, *a->max);
        values_[a->key] = Value(d);
        return true;
    }
    values_[a->key] = v;
    return true;
}

Value Filter::value(std::string_view key) const {
    if (key == "outputImage") return Value(outputImage());
    auto it = values_.find(key);
    return it == values_.end() ? Value() : it->second;
}

bool Filter::hasValue(std::string_view key) const {
    return values_.find(key) != values_.end();
}

Image Filter::outputImage() const {
    for (auto& a : d_->inputs)
        if (a.isImage() && !a.optional && !hasValue(a.key)) return {};
    if (!d_->build) return {};
    try {
        return d_->build(Args(*this));
    } catch (const std::exception& e) {
        log(name() + ": could not build the output: " + e.what());
        return {};
    }
}

}  // namespace imaging
