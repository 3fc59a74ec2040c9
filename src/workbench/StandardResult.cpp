#include "workbench/StandardResult.h"

#include "imaging/NodeKinds.h"

namespace workbench {

namespace {

const std::string kInputImage = "inputImage";
const std::string kInputBackgroundImage = "inputBackgroundImage";
const std::string kInputExtent = "inputExtent";

// Results wider and higher than this many times the picture (generators, tiles) are cut to it.
constexpr double kCropFactor = 1.3;

bool hasImageInput(const imaging::Filter& f) {
    return f.attribute(kInputImage) != nullptr;
}

}  // namespace

std::shared_ptr<const imaging::Filter> fedFilter(const imaging::Filter* filter,
                                                 const imaging::Image& picture, double width,
                                                 double height) {
    if (!filter) return nullptr;
    std::shared_ptr<imaging::Filter> fed = filter->clone();
    // Compositing filters get the picture as their background; their other image is the one
    // the panel set.
    if (hasImageInput(*fed) && picture)
        fed->setValue(fed->attribute(kInputBackgroundImage) ? kInputBackgroundImage : kInputImage,
                      picture);
    if (const imaging::Attribute* e = fed->attribute(kInputExtent);
        e && e->className == imaging::kClassVector)
        fed->setValue(kInputExtent, imaging::Vector{0, 0, width, height});
    return fed;
}

imaging::Image standardResult(const imaging::Filter* filter, const imaging::Image& picture,
                              double width, double height) {
    const std::shared_ptr<const imaging::Filter> fed = fedFilter(filter, picture, width, height);
    if (!fed) return picture;
    imaging::Image out = fed->outputImage();
    if (out && picture) {
        const imaging::Rect oe = out.extent(), pe = picture.extent();
        // Somewhat larger results (blur fringes) stay whole.
        if (oe.width > kCropFactor * pe.width && oe.height > kCropFactor * pe.height)
            out = imaging::crop(out, pe);
    }
    if (!hasImageInput(*fed) && picture) return out ? imaging::sourceOver(out, picture) : picture;
    return out;
}

}  // namespace workbench
