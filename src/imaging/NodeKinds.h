#pragma once
// The node kinds filters are built from. A filter's kernel is a small function handed to one
// of these; the node kind knows how far around a region it reads and how to evaluate it at any
// scale, so the kernel only computes colours or source points.
//
// All geometry handed to kernels is in picture units (y up); the scale only matters to the
// node kinds themselves.

#include <functional>
#include <optional>
#include <utility>

#include "imaging/Node.h"
#include "imaging/Value.h"

namespace imaging {

// ---------------------------------------------------------------------------------------------
// Colour kernels: out = f(in0, in1, ..., [picture point, [pixel size]]) per pixel. The pixel
// size (one output pixel in picture units) lets patterns antialias over exactly one pixel, so
// that previews converge to the full result.

namespace detail {

template <size_t N, class F>
class ColorKernelNode final : public Node {
  public:
    ColorKernelNode(std::vector<Image> in, Rect extent, F f)
        : Node(std::move(in), extent), f_(std::move(f)) {}
    bool pointwise() const override { return true; }
    const char* kindName() const override { return "color"; }

    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        renderRows(info, out, ins, std::make_index_sequence<N>{});
    }

  private:
    template <size_t... I>
    void renderRows(const RenderInfo& info, Buffer& out,
                    [[maybe_unused]] std::span<const Buffer* const> ins,
                    std::index_sequence<I...>) const {
        const IRect& r = out.rect();
        const double inv = 1.0 / info.scale;
        [[maybe_unused]] const float pixel = float(inv);
        for (int y = r.y0; y < r.y1; ++y) {
            Px* o = out.row(y);
            [[maybe_unused]] const Px* rows[N == 0 ? 1 : N] = {ins[I]->row(y)...};
            [[maybe_unused]] const double py = (y + 0.5) * inv;
            for (int x = r.x0; x < r.x1; ++x) {
                if constexpr (std::is_invocable_v<const F&, decltype(rows[I][x])..., Point,
                                                  float>) {
                    o[x] = f_(rows[I][x]..., Point{(x + 0.5) * inv, py}, pixel);
                } else if constexpr (std::is_invocable_v<const F&, decltype(rows[I][x])...,
                                                         Point>) {
                    o[x] = f_(rows[I][x]..., Point{(x + 0.5) * inv, py});
                } else {
                    o[x] = f_(rows[I][x]...);
                }
            }
        }
    }
    F f_;
};

}  // namespace detail

// One or more inputs; the extent is the first input's.
template <class F, class... Images>
Image colorKernel(F f, const Image& first, const Images&... rest) {
    if (!first || (!rest || ...)) return {};
    return makeImage<detail::ColorKernelNode<1 + sizeof...(Images), F>>(
        std::vector<Image>{first, rest...}, first.extent(), std::move(f));
}

// Same with an explicit extent (for example the union of the inputs for compositing).
template <class F, class... Images>
Image colorKernelWithExtent(const Rect& extent, F f, const Images&... inputs) {
    if ((!inputs || ...)) return {};
    return makeImage<detail::ColorKernelNode<sizeof...(Images), F>>(std::vector<Image>{inputs...},
                                                                    extent, std::move(f));
}

// ---------------------------------------------------------------------------------------------
// Generators: out = f(picture point, [pixel size]); infinite unless an extent is given.

template <class F>
Image generator(F f, const Rect& extent = Rect::infinite()) {
    return makeImage<detail::ColorKernelNode<0, F>>(std::vector<Image>{}, extent, std::move(f));
}

// ---------------------------------------------------------------------------------------------
// Sample kernels: out = f(sampler, picture point), where the sampler reads any input at any
// picture point (bilinear). The kernel must say what it reads: by default `reach` picture
// units around the output region; `roi` replaces that per input when the reach is not a fixed
// distance (warps, reductions).

class Sampler {
  public:
    Sampler(std::span<const Buffer* const> ins, double scale) : ins_(ins), scale_(scale) {}
    // Bilinear sample of input i at a picture point; transparent outside its extent.
    Px operator()(size_t i, Point p) const { return ins_[i]->sample(p.x * scale_, p.y * scale_); }
    Px operator()(Point p) const { return (*this)(0, p); }
    // Input i's scaled pixel that contains picture point p, clamped to what was computed.
    Px nearest(size_t i, Point p) const {
        return ins_[i]->clamped(int(std::floor(p.x * scale_)), int(std::floor(p.y * scale_)));
    }
    double scale() const { return scale_; }
    // One scaled pixel in picture units: the natural step for finite differences.
    double pixel() const { return 1.0 / scale_; }
    const Buffer& buffer(size_t i) const { return *ins_[i]; }

  private:
    std::span<const Buffer* const> ins_;
    double scale_;
};

struct SampleOptions {
    std::optional<Rect> extent;  // default: the first input's extent
    double reach = 0;            // picture units read around the output region
    // Picture rectangle of input i needed for an output picture rectangle (overrides reach).
    std::function<Rect(size_t i, const Rect& out)> roi;
};

namespace detail {

class SampleNodeBase : public Node {
  public:
    SampleNodeBase(std::vector<Image> in, const SampleOptions& o)
        : Node(std::move(in), o.extent ? *o.extent : Rect{}), reach_(o.reach), roi_(o.roi) {}
    IRect roi(size_t i, const IRect& out, double scale) const override;
    const char* kindName() const override { return "sample"; }

  private:
    double reach_;
    std::function<Rect(size_t, const Rect&)> roi_;
};

template <class F>
class SampleNode final : public SampleNodeBase {
  public:
    SampleNode(std::vector<Image> in, const SampleOptions& o, F f)
        : SampleNodeBase(std::move(in), o), f_(std::move(f)) {}
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        Sampler s(ins, info.scale);
        const IRect& r = out.rect();
        for (int y = r.y0; y < r.y1; ++y) {
            Px* o = out.row(y);
            for (int x = r.x0; x < r.x1; ++x) o[x] = f_(s, info.center(x, y));
        }
    }

  private:
    F f_;
};

SampleOptions withDefaultExtent(SampleOptions o, const std::vector<Image>& inputs);

}  // namespace detail

template <class F>
Image sampleKernel(std::vector<Image> inputs, F f, SampleOptions o = {}) {
    for (auto& i : inputs)
        if (!i) return {};
    o = detail::withDefaultExtent(std::move(o), inputs);
    return makeImage<detail::SampleNode<F>>(std::move(inputs), o, std::move(f));
}

// ---------------------------------------------------------------------------------------------
// Warps: out(p) = in(map(p)), map from destination to source picture points. A map may return
// a non-finite point for "transparent here". Unless options.roi is given, the region read is
// found by mapping a grid over the output region.

struct WarpOptions {
    std::optional<Rect> extent;  // default: the input's extent
    std::function<Rect(const Rect& out)> roi;
};

namespace detail {
Rect gridRoi(const std::function<Point(Point)>& map, const Rect& out, double scale);
}

template <class F>
Image warp(const Image& in, F map, WarpOptions o = {}) {
    if (!in) return {};
    SampleOptions so;
    so.extent = o.extent ? *o.extent : in.extent();
    if (o.roi) {
        so.roi = [r = std::move(o.roi)](size_t, const Rect& out) { return r(out); };
    } else {
        so.roi = [map](size_t, const Rect& out) {
            // The scale only sets the grid's density; picture units in and out.
            return detail::gridRoi(map, out, 1.0);
        };
    }
    return sampleKernel(
        {in}, [map](const Sampler& s, Point p) { return s(map(p)); }, so);
}

// ---------------------------------------------------------------------------------------------
// Area kernels: the escape hatch for work that needs whole neighbourhoods (medians, cells,
// reductions). `render` gets the output tile and the inputs' buffers as the Node contract
// states; `roi` maps an output picture rectangle to what input i needs.

using AreaRender =
    std::function<void(const RenderInfo&, Buffer& out, std::span<const Buffer* const> ins)>;
Image areaKernel(std::vector<Image> inputs, const Rect& extent,
                 std::function<Rect(size_t i, const Rect& out, double scale)> roi,
                 AreaRender render);

// ---------------------------------------------------------------------------------------------
// Convolutions. Radii and sigmas are picture units.

// Gaussian blur with standard deviation `sigma`; the extent grows by 3 sigma.
Image gaussianBlur(const Image& in, double sigma);
// Separable convolution with a symmetric 1-D kernel computed for each scale: taps[0] is the
// centre weight, taps[k] the weight at +-k scaled pixels.
using TapsForScale = std::function<std::vector<float>(double scale)>;
Image convolveSeparable(const Image& in, TapsForScale horizontal, TapsForScale vertical,
                        double extentGrowth);
// Taps of a normalised Gaussian with standard deviation sigma (in scaled pixels).
std::vector<float> gaussianTaps(double sigmaPixels);

// ---------------------------------------------------------------------------------------------
// Geometry and compositing.

Image crop(const Image& in, const Rect& r);
Image affineTransform(const Image& in, const AffineTransform& t);
Image sourceOver(const Image& foreground, const Image& background);

}  // namespace imaging
