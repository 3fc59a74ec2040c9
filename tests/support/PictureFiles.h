#pragma once
// Picture files with metadata, made by the tests: Qt writes the pictures, Exiv2 adds the camera
// data.

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QString>
#include <exiv2/exiv2.hpp>
#include <functional>

#include "support/Files.h"

namespace testfiles {

// A picture of w × h pixels with a gradient, so that it compresses to something real.
inline QImage gradient(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgba(x * 4 % 256, y * 5 % 256, 90, 200));
    return img.convertToFormat(format);
}

// Changes the metadata of an existing picture file with Exiv2.
inline void editMetadata(const QString& path, const std::function<void(Exiv2::Image&)>& edit) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    edit(*image);
    image->writeMetadata();
}

// A camera's JPEG: sRGB profile, Exif with exposure, resolution and orientation, a GPS position.
inline void writeCameraJpeg(const QString& path, int w = 64, int h = 48) {
    QImage img = gradient(w, h);
    img.setColorSpace(QColorSpace::SRgb);
    img.save(path, "JPEG", 90);
    editMetadata(path, [](Exiv2::Image& image) {
        Exiv2::ExifData& exif = image.exifData();
        exif["Exif.Image.Make"] = "Deverav Test Camera";
        exif["Exif.Image.Model"] = "DT-1";
        exif["Exif.Image.Orientation"] = uint16_t(6);
        exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
        exif["Exif.Image.YResolution"] = Exiv2::URational(300, 1);
        exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
        exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
        exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
        exif["Exif.Photo.DateTimeOriginal"] = "2023:06:01 12:30:00";
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 24/1";
        exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
        exif["Exif.GPSInfo.GPSLongitude"] = "2/1 21/1 3/1";
        exif["Exif.GPSInfo.GPSAltitude"] = Exiv2::URational(35, 1);
    });
}

// What a photographer's JPEG carries beyond writeCameraJpeg: artist and copyright, IPTC
// keywords, XMP, an Exif thumbnail, and pixels in Adobe RGB said both ways (profile and Exif).
inline void writePhotographersJpeg(const QString& path, int w = 64, int h = 48) {
    writeCameraJpeg(path, w, h);
    editMetadata(path, [](Exiv2::Image& image) {
        Exiv2::ExifData& exif = image.exifData();
        exif["Exif.Image.Artist"] = "Ada Example";
        exif["Exif.Image.Copyright"] = "(c) 2023 Ada Example";
        exif["Exif.Photo.ColorSpace"] = uint16_t(0xFFFF);
        exif["Exif.Photo.PixelXDimension"] = uint32_t(6000);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(4000);
        QByteArray thumb;
        {
            QBuffer buf(&thumb);
            buf.open(QIODevice::WriteOnly);
            gradient(16, 12).save(&buf, "JPEG");
        }
        Exiv2::ExifThumb(exif).setJpegThumbnail(
            reinterpret_cast<const Exiv2::byte*>(thumb.constData()), long(thumb.size()));
        Exiv2::IptcData& iptc = image.iptcData();
        iptc["Iptc.Application2.Keywords"] = "lake";
        Exiv2::StringValue second("sunset");
        iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &second);
        Exiv2::XmpData& xmp = image.xmpData();
        xmp["Xmp.dc.subject"] = "balloons";
        xmp["Xmp.xmp.Rating"] = "4";
        xmp["Xmp.tiff.Orientation"] = "6";
        xmp["Xmp.exif.PixelXDimension"] = "6000";
        const QByteArray icc = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(icc.constData()),
                               long(icc.size()));
        image.setIccProfile(profile);
    });
}

}  // namespace testfiles
