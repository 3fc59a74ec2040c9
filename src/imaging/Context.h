#pragma once
// Evaluates image graphs: only the region asked for, in tiles, on all cores.

#include <atomic>

#include "imaging/Bitmap.h"
#include "imaging/Buffer.h"
#include "imaging/Image.h"
#include "imaging/WorkingSpace.h"

namespace imaging {

// Raised when a render is abandoned through RenderOptions::cancel.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "render cancelled"; }
};

struct RenderOptions {
    // Checked between tiles; when it becomes true the render stops with Cancelled.
    const std::atomic<bool>* cancel = nullptr;
    // None: no colour management; sources are not decoded and results are not encoded.
    WorkingSpace workingSpace = WorkingSpace::Linear;
};

class Context {
  public:
    // The pixels of `image` covering `region` (picture units) at `scale` scaled pixels per
    // picture unit: a buffer over IRect::cover(region, scale), premultiplied in the working
    // space, transparent outside the image's extent. Throws Error when the work would exceed the
    // size limit.
    Buffer render(const Image& image, const Rect& region, double scale = 1.0,
                  const RenderOptions& options = {}) const;

    // Same, converted to a bitmap (rows top to bottom) in the given format.
    Bitmap renderBitmap(const Image& image, const Rect& region, double scale = 1.0,
                        PixelFormat format = PixelFormat::RGBA8,
                        const RenderOptions& options = {}) const;

    // Conversion of an engine buffer, premultiplied in `space`, to a bitmap (rows top to
    // bottom). RGBAF bitmaps keep the values as they are.
    static Bitmap toBitmap(const Buffer& buffer, PixelFormat format,
                           WorkingSpace space = WorkingSpace::Linear);
};

}  // namespace imaging
