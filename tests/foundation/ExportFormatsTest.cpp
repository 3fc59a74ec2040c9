#include <gtest/gtest.h>

#include "foundation/ExportFormats.h"

using namespace foundation;

TEST(ExportFormats, SaveAsGivesTheFileTheFormatsExtensionAndLeavesTheFoldersAlone) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"/p/Holiday.png", 7, "/p/Holiday.jpeg"},
        {"/p/photo.JPG", 7, "/p/photo.jpg"},  // already a JPEG name: only its case changes
        {"/p/photo.Tif", 10, "/p/photo.tif"},
        {"/p/x.png", 10, "/p/x.tiff"},
        {"/p/x", 2, "/p/x.sgi"},
        {"/p/x.PDF", 17, "/p/x.pdf"},
        {"/Photos.OLD/Beach Trip/IMG_01.PNG", 8, "/Photos.OLD/Beach Trip/IMG_01.png"},
        {"/My.Pictures/scan", 7, "/My.Pictures/scan.jpeg"},
        {"/p/.hidden", 8, "/p/.hidden.png"},
        {"/p/archive.tar.gz", 8, "/p/archive.tar.png"},
        {"/tmp/Ünïcødé 写真/фото.PNG", 8, "/tmp/Ünïcødé 写真/фото.png"},
    };
    for (const auto& [chosen, index, written] : cases)
        EXPECT_EQ(finalPathForFormat(QString::fromUtf8(chosen), index), QString::fromUtf8(written))
            << chosen << " as " << index;
    // Every format's own extension.
    const std::pair<int, const char*> extensions[] = {{8, "png"},  {4, "bmp"}, {6, "gif"},
                                                      {11, "tga"}, {3, "psd"}, {17, "pdf"}};
    for (const auto& [index, ext] : extensions)
        EXPECT_EQ(finalPathForFormat("/p/x.jpg", index), QStringLiteral("/p/x.") + ext) << index;
}

TEST(ExportFormats, ThePicturesOwnFileIsRewrittenInTheFormatItsExtensionNames) {
    const std::pair<const char*, int> cases[] = {
        {"a.jpg", 7},  {"a.JPEG", 7},    {"a.JPG", 7},   {"a.png", 8},   {"a.Png", 8},
        {"a.pngf", 8}, {"a.tif", 10},    {"a.TIFF", 10}, {"a.Tif", 10},  {"a.bmp", 4},
        {"a.gif", 6},  {"a.sgi", 2},     {"a.psd", 3},   {"a.8bps", 3},  {"a.tga", 11},
        {"a.pdf", 17}, {"a.pics", 1},    {"a.pict", 1},  {"a.webp", -1}, {"a", -1},
        {"a.tar", -1}, {"/x.png/a", -1},
    };
    for (const auto& [path, index] : cases)
        EXPECT_EQ(formatIndexForPath(QString::fromUtf8(path)), index) << path;
}
