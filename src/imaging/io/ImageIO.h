#pragma once
// Reading pictures from files and data, writing bitmaps to files. Uses Qt's image readers and
// writers, and ImageMagick for the formats Qt lacks.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Image.h"

namespace imaging::io {

// The picture in a file as a straight-alpha sRGB bitmap. Throws Error with a message fit for
// the user when the file is missing, not a picture, damaged, or too large.
Bitmap readBitmap(const std::string& path);
Image readImage(const std::string& path);

// The same from encoded bytes (TIFF, PNG or any format the readers know).
Bitmap decodeBitmap(const uint8_t* data, size_t size);
Image imageWithData(const std::vector<uint8_t>& data);

// Encodes a bitmap (`format` is a file extension such as "png" or "tiff").
std::vector<uint8_t> encodeBitmap(const Bitmap& bitmap, const std::string& format);

// Writes a bitmap in the format its extension names, with the resolution stored where the
// format has a field for it (dpi <= 0: leave it out). The file is written beside the target and
// renamed over it only when complete, so a failed write leaves any old file as it was. Throws
// Error on failure.
void writeBitmap(const Bitmap& bitmap, const std::string& path, double dpi = 0, int quality = -1);

// What ImageMagick learns from a file's header without decoding its pixels.
struct PictureHeader {
    int width = 0, height = 0;
    int depth = 0;           // bits per sample
    std::string colorModel;  // "RGB", "Gray", "CMYK" or another colour space's name
    bool hasAlpha = false;
    double dpiX = 0, dpiY = 0;  // 0: not recorded
    std::string format;         // ImageMagick's name of the format, e.g. "SGI"
};

// The header of a file that ImageMagick can read; false when it cannot.
bool pingPicture(const std::string& path, PictureHeader& out);

// While alive, what Qt's picture readers say on this thread is kept here instead of printed.
class DecoderMessages {
  public:
    DecoderMessages();
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;
    const std::string& text() const { return text_; }
    // A decoder said the data ended before the picture did.
    bool sawPrematureEnd() const;

  private:
    std::string text_;
    std::string* saved_;
};

// Sets up the picture libraries: ImageMagick, its limits, and libtiff error handling that
// stays safe when Qt's TIFF reader and ImageMagick's share the process. Done on first use by
// the functions here; a program that also calls ImageMagick or Qt's TIFF reader directly
// should call it once at start. Safe to call more than once.
void initialiseImageLibraries();

// File extensions (lower case, without dot) that can be read.
std::vector<std::string> readableExtensions();

}  // namespace imaging::io
