#pragma once
// Neighbourhood operations for the focus and stylize filters: boxes, discs, streaks, ranks and
// small convolutions. Sizes are picture units; each operation works out its pixels for the
// scale it is rendered at, and the box, rectangle and streak passes cost the same whatever the
// radius. Pixels beyond the input's extent count as transparent.

#include <vector>

#include "imaging/NodeKinds.h"

namespace imaging::nbhd {

// Mean over a box of half-width halfX by halfY around each point (continuous edges, so that
// fractional sizes and every scale agree). The extent grows by the half-widths.
Image boxBlur(const Image& in, double halfX, double halfY);

// Mean over a disc, or a weighted sum of concentric discs (rings are a disc minus a smaller
// one): the kernel is sum(weight_i * disc(radius_i)), normalised to keep the mean. The cost per
// pixel grows with the radius up to a few dozen pixels; wider discs are summed on a coarser
// grid.
struct Disc {
    double radius;
    double weight = 1;
};
Image discBlur(const Image& in, std::vector<Disc> discs);

enum class Rank { Maximum, Minimum };
// Per-channel maximum or minimum over a width x height rectangle (picture units).
Image rectRank(const Image& in, double width, double height, Rank rank);
// Per-channel maximum or minimum over a disc.
Image discRank(const Image& in, double radius, Rank rank);

// Per-channel median of each pixel's 3 x 3 neighbourhood. A picture pixel's neighbourhood is
// smaller than a preview pixel, so below three-quarter scale the input passes unchanged.
Image median3x3(const Image& in);

// Convolution with a kernel of w x h weights on the picture's pixel grid, row by row from the
// top-left (y up: the first row lies above the centre), plus a bias. At other scales each tap
// is read where it falls. With rgbOnly the alpha channel is left as it was.
Image pixelConvolution(const Image& in, std::vector<float> weights, int w, int h, float bias,
                       bool rgbOnly);

// Mean along streaks: out(p) = mean of in(map_t(p)) for t evenly in [t0, t0 + 1], where map_t
// is a translation by t (dx, dy) or a zoom about a centre by the factor exp(t rate). The cost
// per pixel hardly depends on the streak's length: the picture is resampled along the streaks
// once and each streak's mean read from running sums.
struct Streak {
    enum Kind { Translate, Zoom } kind = Translate;
    double dx = 0, dy = 0;  // Translate
    Point centre;           // Zoom
    double rate = 0;        // Zoom
    double t0 = -0.5;
};
Image streakBlur(const Image& in, Streak streak);

// Detail finer than a couple of pixels and weaker than `level` smoothed away; stronger detail
// kept and amplified by 1 + sharpness.
Image denoised(const Image& in, float level, float sharpness);

// A kernel over each pixel's 3 x 3 neighbourhood of scaled pixels: f(n, p, pixel) with n[3 j + i]
// the pixel at offset (i - 1, j - 1) (rows from the bottom), p the picture point and pixel the
// scaled pixel's size in picture units. Beyond what the input holds its edge pixels repeat.
template <class F>
Image stencil3x3(const Image& in, F f) {
    if (!in) return {};
    return areaKernel(
        {in}, in.extent(),
        [](size_t, const Rect& out, double scale) { return out.insetBy(-2 / scale, -2 / scale); },
        [f](const RenderInfo& info, Buffer& out, std::span<const Buffer* const> ins) {
            const Buffer& src = *ins[0];
            const IRect& o = out.rect();
            const IRect& ir = src.rect();
            if (ir.isEmpty()) return out.fill(Px{0, 0, 0, 0});
            const int w = o.width();
            // Three rows of the neighbourhood, each with a pixel to spare on either side.
            std::vector<Px> rows(3 * size_t(w + 2));
            Px n[9];
            for (int y = o.y0; y < o.y1; ++y) {
                for (int j = 0; j < 3; ++j) {
                    const Px* r = src.row(std::clamp(y + j - 1, ir.y0, ir.y1 - 1));
                    Px* d = rows.data() + size_t(j) * size_t(w + 2);
                    for (int x = o.x0 - 1; x <= o.x1; ++x)
                        d[x - o.x0 + 1] = r[std::clamp(x, ir.x0, ir.x1 - 1)];
                }
                Px* dst = out.row(y);
                for (int x = 0; x < w; ++x) {
                    for (int j = 0; j < 3; ++j)
                        for (int i = 0; i < 3; ++i)
                            n[3 * j + i] = rows[size_t(j) * size_t(w + 2) + size_t(x + i)];
                    dst[o.x0 + x] = f(n, info.center(o.x0 + x, y), 1 / info.scale);
                }
            }
        });
}

}  // namespace imaging::nbhd
