#pragma once
// Text drawn into a picture with cairo and the system's fonts (fontconfig finds the nearest
// installed face for a name it does not know).

#include <string>

#include "imaging/Bitmap.h"

namespace imaging::text {

// Black text on a transparent ground, one line per "\n", in a font of `points` size drawn at
// `scale` pixels per point; the bitmap just holds the lines (straight-alpha sRGB bytes). Null
// for empty text. Throws Error when the picture would exceed the size limit.
Bitmap draw(const std::string& text, const std::string& fontName, double points, double scale);

}  // namespace imaging::text
