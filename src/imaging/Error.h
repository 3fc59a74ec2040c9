#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace imaging {

// Raised for input the engine refuses (too large, unreadable, corrupt) with a message fit
// to show the user.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// Largest picture the engine accepts: beyond this a bitmap would exhaust memory long before
// anything useful happened.
inline constexpr long long kMaxPixels = 1LL << 28;
inline constexpr int kMaxSide = 65536;

// Throws Error, quoting the picture's size, when a picture of this size cannot be held here:
// beyond the limits above or the machine's memory budget for one picture.
void checkPictureSize(long long width, long long height);

// Throws Error when a bitmap of this size (a render's result, which may pass the side limit by
// a blur's reach) would not fit in memory.
void checkBitmapSize(long long width, long long height, size_t bytesPerPixel);

}  // namespace imaging
