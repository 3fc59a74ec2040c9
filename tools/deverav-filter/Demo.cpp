#include "Demo.h"

#include <QDir>
#include <algorithm>
#include <cmath>

#include "FilterChain.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/NodeKinds.h"
#include "imaging/io/ImageIO.h"

namespace tool {

using namespace imaging;

namespace {

constexpr int kW = 1200, kH = 800;

// Hue sweeping across, light rising upwards, with rings and stripes for the filters to bend.
Px colourful(Point p) {
    const float hue = float(p.x / kW) * 6.f, light = 0.25f + 0.6f * float(p.y / kH);
    auto channel = [&](float offset) {
        float h = std::fmod(hue + offset, 6.f);
        return std::clamp(std::abs(h - 3.f) - 1.f, 0.f, 1.f);
    };
    const double ring = std::hypot(p.x - kW * 0.5, p.y - kH * 0.5);
    float shade = std::fmod(ring, 80.0) < 8 ? 0.35f : 1.f;
    if (int(p.x / 30) % 10 == 0) shade *= 0.6f;
    Px c = Px{channel(0.f), channel(4.f), channel(2.f), 0.f} * (light * shade) +
           splat(0.08f) * (1.f - shade);
    c[3] = 1.f;  // opaque
    return c;
}

// Translucent discs for compositing.
Px overlay(Point p) {
    const double dx = std::fmod(p.x, 200.0) - 100, dy = std::fmod(p.y, 200.0) - 100;
    if (dx * dx + dy * dy > 60 * 60) return Px{0, 0, 0, 0};
    return Px{0.9f, 0.9f, 0.2f, 1.f} * 0.6f;
}

void save(const Image& img, const Rect& r, const std::string& path) {
    io::writeBitmap(Context().renderBitmap(img, r, 1.0, PixelFormat::RGBA8), path);
}

}  // namespace

std::vector<std::string> runDemo(const std::string& dir) {
    if (!QDir().mkpath(QString::fromStdString(dir)))
        throw Error("Could not create the folder \"" + dir + "\".");
    const Rect picture{0, 0, kW, kH};
    const std::string base = dir + "/picture.png", over = dir + "/overlay.png";
    std::vector<std::string> written;
    save(generator(colourful, picture), picture, base);
    written.push_back(base);
    save(generator(overlay, picture), picture, over);
    written.push_back(over);

    const Image source = io::readImage(base);
    auto loader = [](const std::string& path) { return io::readImage(path); };
    const std::vector<ChainStep> chosen = {
        {"CIGaussianBlur", {{"radius", "8"}}},
        {"CIColorControls", {{"saturation", "1.6"}, {"contrast", "1.2"}}},
        {"CITwirlDistortion", {{"center", "[600,400]"}, {"radius", "350"}, {"angle", "2.5"}}},
        {"CIAffineTransform", {{"transform", "[0.866,0.5,-0.5,0.866,300,-250]"}}},
        {"CISourceOverCompositing", {{"backgroundImage", base}}},
        {"CICrop", {{"rectangle", "[200,150,800,500]"}}},
    };
    auto& registry = FilterRegistry::shared();
    std::vector<ChainStep> steps;
    for (auto& s : chosen)
        if (registry.filterWithName(s.filter)) steps.push_back(s);
    // Fill up with whatever else is registered, at its defaults.
    for (auto& name : registry.allFilterNames()) {
        if (steps.size() >= 8) break;
        if (std::none_of(steps.begin(), steps.end(), [&](auto& s) { return s.filter == name; }))
            steps.push_back({name, {}});
    }
    for (auto& step : steps) {
        // Compositing lays the translucent discs over the picture.
        const Image in = step.filter == "CISourceOverCompositing" ? io::readImage(over) : source;
        Image result;
        try {
            result = applyChain({step}, in, loader);
        } catch (const std::exception& e) {
            // A filter that needs more than a picture at its defaults is left out of the demo.
            continue;
        }
        const std::string path = dir + "/" + step.filter + ".png";
        save(result, defaultRegion(result.extent(), picture), path);
        written.push_back(path);
    }
    return written;
}

}  // namespace tool
