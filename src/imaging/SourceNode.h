#pragma once

#include "imaging/Node.h"

namespace imaging {

// A bitmap in memory; shared between the images that move it (translations reuse it).
class SourceNode final : public Node {
  public:
    struct Storage;
    SourceNode(std::shared_ptr<Storage> storage, Point origin);

    static Image create(const Bitmap& bitmap, Point origin);
    Image translated(double dx, double dy) const;
    const Bitmap& bitmap() const;

    bool pointwise() const override { return true; }
    void prepare(double scale) const override;
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> inputs) const override;
    const char* kindName() const override { return "source"; }

  private:
    size_t levelFor(double scale) const;
    std::shared_ptr<Storage> storage_;
    Point origin_;
};

}  // namespace imaging
