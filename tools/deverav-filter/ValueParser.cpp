#include "ValueParser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

#include "UsageError.h"
#include "imaging/Error.h"

namespace tool {

using imaging::Attribute;
using imaging::Value;

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool parseNumber(std::string_view s, double& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(v);
}

// "rgba(...)", "rgb(...)" or a bare list of three or four numbers in 0..1.
imaging::Color parseColor(std::string_view text) {
    std::string_view s = trim(text);
    std::string head = lower(s.substr(0, 5));
    if (head.starts_with("rgba(")) {
        s.remove_prefix(4);
    } else if (head.starts_with("rgb(")) {
        s.remove_prefix(3);
    }
    std::vector<double> c = parseNumberList(s);
    if (c.size() != 3 && c.size() != 4)
        throw UsageError("a colour has 3 or 4 components, as rgba(r,g,b,a) in 0..1");
    return {c[0], c[1], c[2], c.size() == 4 ? c[3] : 1.0};
}

}  // namespace

std::vector<double> parseNumberList(std::string_view text) {
    std::string_view s = trim(text);
    if (s.size() >= 2 &&
        ((s.front() == '[' && s.back() == ']') || (s.front() == '(' && s.back() == ')'))) {
        s = trim(s.substr(1, s.size() - 2));
    }
    std::vector<double> out;
    if (s.empty()) return out;
    const bool commas = s.find(',') != std::string_view::npos;
    while (true) {
        size_t cut = commas ? s.find(',') : s.find_first_of(" \t");
        std::string_view item = trim(s.substr(0, cut));
        double v = 0;
        if (!parseNumber(item, v))
            throw UsageError("\"" + std::string(item) + "\" is not a number");
        out.push_back(v);
        if (cut == std::string_view::npos) break;
        s = commas ? s.substr(cut + 1) : trim(s.substr(cut));
    }
    return out;
}

Value parseValue(const Attribute& a, std::string_view text, const ImageLoader& loadImage) {
    const std::string what = a.key + ": ";
    try {
        if (a.className == imaging::kClassNumber) {
            std::string t = lower(trim(text));
            if (a.type == imaging::kCIAttributeTypeBoolean) {
                if (t == "true" || t == "yes" || t == "on") return Value(true);
                if (t == "false" || t == "no" || t == "off") return Value(false);
            }
            double v = 0;
            if (!parseNumber(t, v))
                throw UsageError("\"" + std::string(trim(text)) + "\" is not a number");
            if (a.type == imaging::kCIAttributeTypeBoolean) return Value(v != 0);
            return Value(v);
        }
        if (a.className == imaging::kClassVector) {
            std::vector<double> v = parseNumberList(text);
            const size_t most = a.mostComponents();
            if (v.size() < 2 || v.size() > most)
                throw UsageError("a vector has 2 to " + std::to_string(most) +
                                 " components, as [x,y,...]");
            return Value(imaging::Vector(std::move(v)));
        }
        if (a.className == imaging::kClassColor) return Value(parseColor(text));
        if (a.className == imaging::kClassTransform) {
            std::vector<double> v = parseNumberList(text);
            if (v.size() != 6) throw UsageError("a transform is six numbers [a,b,c,d,tx,ty]");
            imaging::AffineTransform t{v[0], v[1], v[2], v[3], v[4], v[5]};
            if (!t.isInvertible()) throw UsageError("the transform cannot be inverted");
            return Value(t);
        }
        if (a.className == imaging::kClassImage) {
            std::string path(trim(text));
            if (path.empty()) throw UsageError("an image input needs a file path");
            return Value(loadImage(path));
        }
        if (a.className == imaging::kClassString) return Value(std::string(text));
        if (a.className == imaging::kClassData) {
            // The text's bytes, or with "@" before a path the bytes of that file.
            if (!text.starts_with('@')) return Value(imaging::Data::fromText(text));
            std::ifstream in(std::string(text.substr(1)), std::ios::binary);
            if (!in) throw UsageError("cannot read \"" + std::string(text.substr(1)) + "\"");
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            return Value(imaging::Data(std::move(bytes)));
        }
    } catch (const UsageError& e) {
        throw UsageError(what + e.what());
    } catch (const imaging::Error& e) {
        throw imaging::Error(what + e.what());
    }
    throw UsageError(what + "inputs of class " + a.className + " cannot be set here");
}

}  // namespace tool
