#include <gtest/gtest.h>

#include "foundation/ExportFormats.h"

using namespace foundation;

TEST(ExportFormats, SaveAsGivesTheFileTheFormatsExtensionAndLeavesTheFoldersAlone) {
    struct Case {
        const char* chosen;
        int index;
        const char* written;
    };
    const Case cases[] = {
        {"/p/Holiday.png", 7, "/p/Holiday.jpeg"},
        {"/p/photo.JPG", 7, "/p/photo.jpg"},  // already a JPEG name: only its case changes
        {"/p/photo.Tif", 10, "/p/photo.tif"},
        {"/p/x.png", 10, "/p/x.tiff"},
        {"/p/x", 2, "/p/x.sgi"},
        {"/p/x.jpg", 8, "/p/x.png"},
        {"/p/x.jpg", 4, "/p/x.bmp"},
        {"/p/x.jpg", 6, "/p/x.gif"},
        {"/p/x.jpg", 11, "/p/x.tga"},
        {"/p/x.jpg", 3, "/p/x.psd"},
        {"/p/x.jpg", 17, "/p/x.pdf"},
        {"/p/x.PDF", 17, "/p/x.pdf"},
        {"/Photos.OLD/Beach Trip/IMG_01.PNG", 8, "/Photos.OLD/Beach Trip/IMG_01.png"},
        {"/My.Pictures/scan", 7, "/My.Pictures/scan.jpeg"},
        {"/p/.hidden", 8, "/p/.hidden.png"},
        {"/p/archive.tar.gz", 8, "/p/archive.tar.png"},
        {"/tmp/Ünïcødé 写真/фото.PNG", 8, "/tmp/Ünïcødé 写真/фото.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(finalPathForFormat(QString::fromUtf8(c.chosen), c.index),
                  QString::fromUtf8(c.written))
            << c.chosen << " as " << c.index;
}

TEST(ExportFormats, ThePicturesOwnFileIsRewrittenInTheFormatItsExtensionNames) {
    struct Case {
        const char* path;
        int index;
    };
    const Case cases[] = {
        {"a.jpg", 7},   {"a.JPEG", 7}, {"a.png", 8},  {"a.pngf", 8},    {"a.tif", 10},
        {"a.TIFF", 10}, {"a.bmp", 4},  {"a.gif", 6},  {"a.sgi", 2},     {"a.psd", 3},
        {"a.8bps", 3},  {"a.tga", 11}, {"a.pdf", 17}, {"a.pics", 1},    {"a.pict", 1},
        {"a.webp", -1}, {"a", -1},     {"a.tar", -1}, {"/x.png/a", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatIndexForPath(QString::fromUtf8(c.path)), c.index) << c.path;
}
