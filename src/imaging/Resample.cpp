#include "imaging/Resample.h"

#include <tbb/parallel_for.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/Error.h"

namespace imaging {

namespace {

constexpr double kLobes = 3;

double lanczos(double x) {
    x = std::abs(x);
    if (x < 1e-9) return 1;
    if (x >= kLobes) return 0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// For each output position along one axis: the first source index and the normalised weights.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;  // `stride` per output position
    int stride = 0;
};

Taps tapsFor(int srcLen, int dstLen) {
    const double scale = double(dstLen) / srcLen;
    // Reducing: stretch the filter over as many source pixels as one output pixel covers.
    const double stretch = scale < 1 ? 1 / scale : 1;
    const double support = kLobes * stretch;
    Taps t;
    t.stride = int(std::ceil(support)) * 2 + 1;
    t.first.resize(size_t(dstLen));
    t.count.resize(size_t(dstLen));
    t.weights.assign(size_t(dstLen) * size_t(t.stride), 0.f);
    for (int i = 0; i < dstLen; ++i) {
        const double centre = (i + 0.5) / scale;  // in source pixel units
        int lo = int(std::floor(centre - support + 0.5));
        int hi = int(std::floor(centre + support - 0.5));
        lo = std::max(lo, 0);
        hi = std::min(hi, srcLen - 1);
        if (hi - lo + 1 > t.stride) hi = lo + t.stride - 1;
        double sum = 0;
        float* w = &t.weights[size_t(i) * size_t(t.stride)];
        for (int j = lo; j <= hi; ++j) {
            const double v = lanczos((j + 0.5 - centre) / stretch);
            w[j - lo] = float(v);
            sum += v;
        }
        if (std::abs(sum) < 1e-12) {
            // Cannot happen for a filter this wide, but never divide by zero.
            lo = std::clamp(int(centre), 0, srcLen - 1);
            hi = lo;
            w[0] = 1;
            sum = 1;
        }
        for (int j = 0; j <= hi - lo; ++j) w[j] = float(w[j] / sum);
        t.first[size_t(i)] = lo;
        t.count[size_t(i)] = hi - lo + 1;
    }
    return t;
}

// Sinc lobes overshoot: keep premultiplied pixels valid.
inline Px legal(Px p) {
    const float a = std::clamp(p[3], 0.f, 1.f);
    Px r = pxMin(pxMax(p, splat(0.f)), splat(a));
    r[3] = a;
    return r;
}

void checkCancel(const RenderOptions& o) {
    if (o.cancel && o.cancel->load(std::memory_order_relaxed)) throw Cancelled();
}

}  // namespace

Bitmap resampleToBitmap(const Image& image, int width, int height, const RenderOptions& options) {
    if (image.isNull() || image.extent().isEmpty() || image.extent().isInfinite())
        throw Error("There is no picture to resize.");
    if (width < 1 || height < 1) throw Error("A picture needs at least one pixel each way.");
    // Refuses absurd sizes before anything is allocated.
    checkPictureSize(width, height);

    const Context context;
    const Buffer src = context.render(image, image.extent(), 1.0, options);
    const IRect sr = src.rect();
    const int sw = sr.width(), sh = sr.height();

    // Horizontal pass into rows of the new width, one per source row (y up like the source).
    const Taps tx = tapsFor(sw, width);
    Buffer mid(IRect{0, 0, width, sh});
    tbb::parallel_for(0, sh, [&](int y) {
        if (options.cancel && options.cancel->load(std::memory_order_relaxed)) return;
        const Px* in = src.row(sr.y0 + y) + sr.x0;
        Px* out = mid.row(y);
        for (int x = 0; x < width; ++x) {
            const float* w = &tx.weights[size_t(x) * size_t(tx.stride)];
            const Px* s = in + tx.first[size_t(x)];
            Px acc{0, 0, 0, 0};
            for (int k = 0; k < tx.count[size_t(x)]; ++k) acc += s[k] * w[k];
            out[x] = acc;
        }
    });
    checkCancel(options);

    // Vertical pass.
    const Taps ty = tapsFor(sh, height);
    Buffer dst(IRect{0, 0, width, height});
    tbb::parallel_for(0, height, [&](int y) {
        if (options.cancel && options.cancel->load(std::memory_order_relaxed)) return;
        const float* w = &ty.weights[size_t(y) * size_t(ty.stride)];
        const int first = ty.first[size_t(y)], n = ty.count[size_t(y)];
        Px* out = dst.row(y);
        for (int x = 0; x < width; ++x) {
            Px acc{0, 0, 0, 0};
            for (int k = 0; k < n; ++k) acc += mid.row(first + k)[x] * w[k];
            out[x] = legal(acc);
        }
    });
    checkCancel(options);

    return Context::toBitmap(dst, PixelFormat::RGBA8);
}

}  // namespace imaging
