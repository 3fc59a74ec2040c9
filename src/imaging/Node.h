#pragma once
// The base of every node kind of the image graph. Kernels are pure functions of their inputs,
// the region asked for and the scale; tiling and threads belong to the Context.

#include <span>
#include <vector>

#include "imaging/Buffer.h"
#include "imaging/Image.h"

namespace imaging {

struct RenderInfo {
    double scale = 1;  // scaled pixels per picture unit
    // The picture point at the centre of scaled pixel (x, y).
    Point center(int x, int y) const { return {(x + 0.5) / scale, (y + 0.5) / scale}; }
};

class Node {
  public:
    Node(std::vector<Image> inputs, Rect extent) : inputs_(std::move(inputs)), extent_(extent) {}
    virtual ~Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    const std::vector<Image>& inputs() const { return inputs_; }
    const Rect& extent() const { return extent_; }

    // True when an output pixel depends only on the same pixel of each input at the same scale
    // (colour kernels, sources, generators). The Context then computes such a node tile by tile
    // inside its consumer instead of keeping a whole buffer of it.
    virtual bool pointwise() const { return false; }

    // True when the node would rather have pointwise inputs computed tile by tile for it than
    // kept whole: worth it when its tiles read little beyond themselves.
    virtual bool streamsInputs() const { return false; }

    // The scaled pixels of input `i` needed to compute `out` at `scale`.
    virtual IRect roi(size_t /*i*/, const IRect& out, double /*scale*/) const { return out; }

    // Writes every pixel of `out`. For a pointwise node each input buffer covers out.rect()
    // (transparent outside the input's extent); otherwise each input buffer holds at least the
    // input's extent within roi(), and reading outside it must treat the pixels as transparent.
    virtual void render(const RenderInfo& info, Buffer& out,
                        std::span<const Buffer* const> inputs) const = 0;

    // Called once per render, before any tile, on the rendering thread: the place for work
    // shared by all tiles (building a picture's reduced levels, tables).
    virtual void prepare(double /*scale*/) const {}

    // Roughly how many pixel operations computing `region` takes; the Context refuses renders
    // far beyond what a picture of the largest size needs.
    virtual int64_t workEstimate(const IRect& region, double /*scale*/) const {
        return region.area();
    }

    // Width and height of the tiles the Context splits this node's work into.
    virtual std::pair<int, int> tileSize() const { return {256, 256}; }

    virtual const char* kindName() const = 0;

  private:
    std::vector<Image> inputs_;
    Rect extent_;
};

template <class N, class... Args>
Image makeImage(Args&&... args) {
    return Image(std::make_shared<const N>(std::forward<Args>(args)...));
}

}  // namespace imaging
