#pragma once
// Scaling a whole picture to a new pixel size with a windowed-sinc (Lanczos-3) filter in linear
// light: sharp when enlarging, no aliasing when reducing by any factor (the filter widens with
// the reduction, so every source pixel contributes).

#include "imaging/Bitmap.h"
#include "imaging/Context.h"
#include "imaging/Image.h"

namespace imaging {

// The picture (finite extent) scaled to width x height pixels, as a straight-alpha sRGB bitmap.
// Throws Error for an empty or infinite picture or an absurd size, Cancelled when cancelled.
Bitmap resampleToBitmap(const Image& image, int width, int height,
                        const RenderOptions& options = {});

}  // namespace imaging
