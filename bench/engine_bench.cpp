// The engine on a 6000 x 4000 picture: whole-picture renders of the compared operations, and a
// canvas-sized preview (1280 x 800 pixels at scale 0.2) through every registered filter.
//
// Times are of Context rendering only: the pictures are in memory, and their reduced levels
// (built once per picture) exist before timing starts, as they do while a user drags a slider.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "imaging/Context.h"
#include "imaging/FilterKit.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/NodeKinds.h"

using namespace imaging;

namespace {

constexpr int kW = 6000, kH = 4000;
const Rect kPicture{0, 0, kW, kH};
const Rect kCanvas{0, 0, 6400, 4000};  // 1280 x 800 scaled pixels at 0.2
constexpr double kPreviewScale = 0.2;

// Smooth colour with grain, like a photograph: opaque, 8-bit sRGB.
const Image& picture() {
    static Image img = [] {
        Bitmap b(kW, kH, PixelFormat::RGBA8);
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> grain(-12, 12);
        for (int y = 0; y < kH; ++y) {
            uint8_t* p = b.row(y);
            for (int x = 0; x < kW; ++x, p += 4) {
                const double u = double(x) / kW, v = double(y) / kH;
                const int c[3] = {int(255 * u), int(255 * (0.5 + 0.5 * std::sin(7 * v + 3 * u))),
                                  int(255 * (1 - u * v))};
                for (int k = 0; k < 3; ++k) p[k] = uint8_t(std::clamp(c[k] + grain(rng), 0, 255));
                p[3] = 255;
            }
        }
        return Image::fromBitmap(b);
    }();
    return img;
}

// Translucent discs, for compositing and second inputs.
const Image& overlay() {
    static Image img = [] {
        Bitmap b(kW, kH, PixelFormat::RGBA8);
        for (int y = 0; y < kH; ++y) {
            uint8_t* p = b.row(y);
            for (int x = 0; x < kW; ++x, p += 4) {
                const int dx = x % 800 - 400, dy = y % 800 - 400;
                if (dx * dx + dy * dy < 300 * 300) p[0] = 255, p[1] = 200, p[2] = 0, p[3] = 150;
            }
        }
        return Image::fromBitmap(b);
    }();
    return img;
}

std::unique_ptr<Filter> prepared(const std::string& name) {
    auto f = FilterRegistry::shared().filterWithName(name);
    if (!f) return f;
    f->setDefaults();
    for (auto& a : f->attributes())
        if (a.isImage()) f->setValue(a.key, a.key == "inputImage" ? picture() : overlay());
    return f;
}

void renderLoop(benchmark::State& state, const Image& img, const Rect& region, double scale) {
    Context ctx;
    for (auto _ : state) {
        Bitmap b = ctx.renderBitmap(img, region, scale, PixelFormat::RGBA8);
        benchmark::DoNotOptimize(b.data());
    }
}

// A whole-picture operation by filter name with settings; skipped when the filter is missing.
void fullPicture(benchmark::State& state, const std::string& name,
                 const std::vector<std::pair<std::string, Value>>& settings, bool wholeExtent) {
    auto f = prepared(name);
    if (!f) {
        state.SkipWithError((name + " is not registered").c_str());
        return;
    }
    for (auto& [k, v] : settings) f->setValue(k, v);
    Image out = f->outputImage();
    renderLoop(state, out, wholeExtent ? out.extent() : kPicture, 1.0);
    state.counters["Mpx/s"] = benchmark::Counter(double(kW) * kH, benchmark::Counter::kIsRate);
}

void registerAll() {
    const double c = std::cos(kit::kPi / 6), s = std::sin(kit::kPi / 6);
    struct Full {
        const char* label;
        std::string filter;
        std::vector<std::pair<std::string, Value>> settings;
        bool wholeExtent = false;
    };
    const std::vector<Full> full = {
        {"Full/GaussianBlur10", "CIGaussianBlur", {{"inputRadius", 10.0}}},
        {"Full/ColorControls",
         "CIColorControls",
         {{"inputSaturation", 1.5}, {"inputBrightness", 0.1}, {"inputContrast", 1.2}}},
        {"Full/Rotate30",
         "CIAffineTransform",
         {{"inputTransform", AffineTransform{c, s, -s, c, 0, 0}}},
         true},
        {"Full/Twirl",
         "CITwirlDistortion",
         {{"inputCenter", Vector{3000, 2000}}, {"inputRadius", 2000.0}, {"inputAngle", kit::kPi}}},
        {"Full/SourceOver", "CISourceOverCompositing", {}},
    };
    for (const Full& f : full) {
        benchmark::RegisterBenchmark(
            f.label,
            [f](benchmark::State& st) { fullPicture(st, f.filter, f.settings, f.wholeExtent); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
    }
    // SourceOver's foreground is the overlay, not the picture.
    benchmark::RegisterBenchmark("Full/SourceOverNodeKind",
                                 [](benchmark::State& st) {
                                     renderLoop(st, sourceOver(overlay(), picture()), kPicture,
                                                1.0);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2.0);

    benchmark::RegisterBenchmark("Preview/BuildReducedLevels",
                                 [](benchmark::State& st) {
                                     const Bitmap base(kW, kH, PixelFormat::RGBA8);
                                     for (auto _ : st) {
                                         Image fresh = Image::fromBitmap(base);
                                         Bitmap b =
                                             Context().renderBitmap(fresh, kCanvas, kPreviewScale);
                                         benchmark::DoNotOptimize(b.data());
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();

    for (const std::string& name : FilterRegistry::shared().allFilterNames()) {
        benchmark::RegisterBenchmark(("Preview/" + name).c_str(),
                                     [name](benchmark::State& st) {
                                         auto f = prepared(name);
                                         Image out = f->outputImage();
                                         if (!out) {
                                             st.SkipWithError("no output at the defaults");
                                             return;
                                         }
                                         renderLoop(st, out, kCanvas, kPreviewScale);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5)
            ->ComputeStatistics(
                "max",
                [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true);
    }
}

}  // namespace

int main(int argc, char** argv) {
    setLogSink([](const std::string&) {});
    FilterRegistry::shared().loadAllPlugIns();
    // Missing filters still get a line, so that the table says what was not measured.
    for (const char* n : {"CIColorControls", "CITwirlDistortion"})
        if (!FilterRegistry::shared().filterWithName(n))
            std::fprintf(stderr, "note: %s is not registered in this build; skipped\n", n);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
