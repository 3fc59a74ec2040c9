#pragma once
// Embedded colour profiles: pictures are brought into the working space (sRGB) when read, and
// written files say they are sRGB.

#include <QByteArray>

#include "imaging/Bitmap.h"

namespace imaging::io {

enum class ProfileSpace { None, RGB, Gray, CMYK, Other };

// The colour space an ICC profile describes; None when the bytes are not a profile.
ProfileSpace profileSpace(const QByteArray& icc);

// Converts a straight-alpha RGBA8 bitmap whose colours are in the profile's space (RGB, or grey
// in the first channel) to sRGB, alpha untouched. False, leaving the bitmap as it was, when the
// profile is unusable or describes another kind of colour; a profile of sRGB changes nothing.
bool convertToSRGB(Bitmap& bitmap, const QByteArray& icc);

// sRGB from CMYK rows (`channels` bytes a pixel: C, M, Y, K and, with 5, alpha) through a CMYK
// profile. A null bitmap when the profile is unusable.
Bitmap cmykToSRGB(const uint8_t* cmyk, int width, int height, int channels, const QByteArray& icc);

// The ICC profile a JPEG (APP2 segments) or PNG (iCCP chunk) carries; empty when none.
QByteArray embeddedProfile(const QByteArray& file);

// The sRGB profile written into files.
const QByteArray& srgbProfile();

}  // namespace imaging::io
