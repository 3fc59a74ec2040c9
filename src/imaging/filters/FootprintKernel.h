#pragma once
// Pointwise kernels that also get the footprint of the output pixel in picture units, so that
// patterns (screens, stripes, edges of shapes) can be antialiased over exactly one output pixel
// and previews converge to the full result: out = f(in0, ..., picture point, pixel size).

#include <utility>

#include "imaging/NodeKinds.h"

namespace imaging {

namespace detail {

template <size_t N, class F>
class FootprintNode final : public Node {
  public:
    FootprintNode(std::vector<Image> in, Rect extent, F f)
        : Node(std::move(in), extent), f_(std::move(f)) {}
    bool pointwise() const override { return true; }
    const char* kindName() const override { return "footprint"; }

    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        rows(info, out, ins, std::make_index_sequence<N>{});
    }

  private:
    template <size_t... I>
    void rows(const RenderInfo& info, Buffer& out,
              [[maybe_unused]] std::span<const Buffer* const> ins,
              std::index_sequence<I...>) const {
        const IRect& r = out.rect();
        const double inv = 1.0 / info.scale;
        const float pixel = float(inv);
        for (int y = r.y0; y < r.y1; ++y) {
            Px* o = out.row(y);
            [[maybe_unused]] const Px* in[N == 0 ? 1 : N] = {ins[I]->row(y)...};
            const double py = (y + 0.5) * inv;
            for (int x = r.x0; x < r.x1; ++x)
                o[x] = f_(in[I][x]..., Point{(x + 0.5) * inv, py}, pixel);
        }
    }
    F f_;
};

}  // namespace detail

// One or more inputs; the extent is the first input's.
template <class F, class... Images>
Image footprintKernel(F f, const Image& first, const Images&... rest) {
    if (!first || (!rest || ...)) return {};
    return makeImage<detail::FootprintNode<1 + sizeof...(Images), F>>(
        std::vector<Image>{first, rest...}, first.extent(), std::move(f));
}

// No inputs: out = f(picture point, pixel size); infinite unless an extent is given.
template <class F>
Image footprintGenerator(F f, const Rect& extent = Rect::infinite()) {
    return makeImage<detail::FootprintNode<0, F>>(std::vector<Image>{}, extent, std::move(f));
}

}  // namespace imaging
