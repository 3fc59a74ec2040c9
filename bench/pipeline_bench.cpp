// Why Apply renders its result into memory: a picture that stays a lazy chain of every effect
// applied costs more to draw with each Apply, a rendered one costs the same every time. And
// what a high-quality resize costs.

#include <benchmark/benchmark.h>

#include "imaging/Context.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Resample.h"

using namespace imaging;

namespace {

Image picture(int w, int h) {
    Bitmap b(w, h, PixelFormat::RGBA8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = 255;
        }
    return Image::fromBitmap(b);
}

Image applyOnce(const Image& in) {
    auto f = FilterRegistry::shared().filterWithName("CIColorControls");
    f->setDefaults();
    f->setValue("inputImage", in);
    f->setValue("inputSaturation", 0.9);
    return f->outputImage();
}

// Draws a canvas-sized part of the picture after range(0) applications.
void BM_DrawAfterApplies(benchmark::State& state, bool rendered) {
    const Context context;
    Image pic = picture(2000, 1500);
    for (int i = 0; i < state.range(0); ++i) {
        pic = applyOnce(pic);
        if (rendered)
            pic =
                Image::fromBitmap(context.renderBitmap(pic, pic.extent(), 1.0, PixelFormat::RGBA8));
    }
    const Rect canvas{0, 0, 1000, 750};
    for (auto _ : state) benchmark::DoNotOptimize(context.render(pic, canvas, 1.0));
}

void BM_Resize(benchmark::State& state) {
    const Image pic = picture(4000, 3000);
    for (auto _ : state)
        benchmark::DoNotOptimize(resampleToBitmap(pic, int(state.range(0)), int(state.range(1))));
}

}  // namespace

BENCHMARK_CAPTURE(BM_DrawAfterApplies, lazy, false)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawAfterApplies, rendered, true)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resize)->Args({1000, 750})->Args({8000, 6000})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
