#pragma once
// Evaluates image graphs: only the region asked for, in tiles, on all cores.

#include <atomic>
#include <vector>

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
    // Bytes of intermediates a render into a bitmap may hold at once before it goes in strips
    // of rows.
    size_t stripBudget = size_t(64) << 20;
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

    // The strips of rows renderBitmap renders `region` in, as the first row of each counted
    // from the top, top strip first: a single 0 when it renders the whole at once. Where strips
    // do not change the pixels (nothing but the result is held whole) the result's own pixels
    // are kept within a quarter of the strip budget too.
    std::vector<int> stripStarts(const Image& image, const Rect& region, double scale,
                                 const RenderOptions& options = {}) const;

    // Rows `first` to `first + count - 1` (counted from the top) of what renderBitmap gives for
    // `region`, rendered as one strip: pixel for pixel the same when they are one of
    // stripStarts' strips, without the rest of the result being computed or held.
    Bitmap renderRows(const Image& image, const Rect& region, double scale, int first, int count,
                      PixelFormat format = PixelFormat::RGBA8,
                      const RenderOptions& options = {}) const;

    // The size in pixels of what renderBitmap gives for `region` at `scale`.
    static IRect pixelRect(const Rect& region, double scale);

    // Conversion of an engine buffer, premultiplied in `space`, to a bitmap (rows top to
    // bottom). RGBAF bitmaps keep the values as they are.
    static Bitmap toBitmap(const Buffer& buffer, PixelFormat format,
                           WorkingSpace space = WorkingSpace::Linear);
};

}  // namespace imaging
