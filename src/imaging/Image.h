#pragma once
// A picture as a lazy graph: cheap to build, shared, immutable; nothing is computed until a
// Context renders it.

#include <memory>

#include "imaging/Bitmap.h"
#include "imaging/Geometry.h"

namespace imaging {

class Node;

class Image {
  public:
    Image() = default;
    explicit Image(std::shared_ptr<const Node> node) : node_(std::move(node)) {}

    // A picture from a bitmap; its extent is (origin, width, height). Throws Error for a
    // bitmap beyond the size limit.
    static Image fromBitmap(const Bitmap& bitmap, Point origin = {});

    bool isNull() const { return !node_; }
    explicit operator bool() const { return bool(node_); }
    // The bounding rectangle; empty for a null image, possibly infinite.
    Rect extent() const;

    // The image moved by `t`; its extent moves with it.
    Image imageByApplyingTransform(const AffineTransform& t) const;
    Image imageByCroppingToRect(const Rect& r) const;

    const std::shared_ptr<const Node>& node() const { return node_; }
    friend bool operator==(const Image& a, const Image& b) { return a.node_ == b.node_; }

  private:
    std::shared_ptr<const Node> node_;
};

}  // namespace imaging
