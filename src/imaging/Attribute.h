#pragma once
// What a filter says about each of its inputs, in the platform's vocabulary.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Value.h"

namespace imaging {

// Attribute dictionary keys.
inline constexpr const char* kCIAttributeClass = "CIAttributeClass";
inline constexpr const char* kCIAttributeType = "CIAttributeType";
inline constexpr const char* kCIAttributeDefault = "CIAttributeDefault";
inline constexpr const char* kCIAttributeMin = "CIAttributeMin";
inline constexpr const char* kCIAttributeMax = "CIAttributeMax";
inline constexpr const char* kCIAttributeSliderMin = "CIAttributeSliderMin";
inline constexpr const char* kCIAttributeSliderMax = "CIAttributeSliderMax";
inline constexpr const char* kCIAttributeIdentity = "CIAttributeIdentity";
inline constexpr const char* kCIAttributeDisplayName = "CIAttributeDisplayName";
inline constexpr const char* kCIAttributeFilterName = "CIAttributeFilterName";
inline constexpr const char* kCIAttributeFilterDisplayName = "CIAttributeFilterDisplayName";
inline constexpr const char* kCIAttributeFilterCategories = "CIAttributeFilterCategories";

// Attribute types.
inline constexpr const char* kCIAttributeTypeTime = "CIAttributeTypeTime";
inline constexpr const char* kCIAttributeTypeScalar = "CIAttributeTypeScalar";
inline constexpr const char* kCIAttributeTypeDistance = "CIAttributeTypeDistance";
inline constexpr const char* kCIAttributeTypeAngle = "CIAttributeTypeAngle";
inline constexpr const char* kCIAttributeTypeBoolean = "CIAttributeTypeBoolean";
inline constexpr const char* kCIAttributeTypeInteger = "CIAttributeTypeInteger";
inline constexpr const char* kCIAttributeTypeCount = "CIAttributeTypeCount";
inline constexpr const char* kCIAttributeTypePosition = "CIAttributeTypePosition";
inline constexpr const char* kCIAttributeTypeOffset = "CIAttributeTypeOffset";
inline constexpr const char* kCIAttributeTypePosition3 = "CIAttributeTypePosition3";
inline constexpr const char* kCIAttributeTypeRectangle = "CIAttributeTypeRectangle";
inline constexpr const char* kCIAttributeTypeOpaqueColor = "CIAttributeTypeOpaqueColor";
inline constexpr const char* kCIAttributeTypeColor = "CIAttributeTypeColor";
inline constexpr const char* kCIAttributeTypeGradient = "CIAttributeTypeGradient";
inline constexpr const char* kCIAttributeTypeImage = "CIAttributeTypeImage";
inline constexpr const char* kCIAttributeTypeTransform = "CIAttributeTypeTransform";

// Attribute classes.
inline constexpr const char* kClassNumber = "NSNumber";
inline constexpr const char* kClassVector = "CIVector";
inline constexpr const char* kClassColor = "CIColor";
inline constexpr const char* kClassImage = "CIImage";
inline constexpr const char* kClassTransform = "NSAffineTransform";
inline constexpr const char* kClassString = "NSString";
inline constexpr const char* kClassData = "NSData";

// Filter categories.
inline constexpr const char* kCICategoryDistortionEffect = "CICategoryDistortionEffect";
inline constexpr const char* kCICategoryGeometryAdjustment = "CICategoryGeometryAdjustment";
inline constexpr const char* kCICategoryCompositeOperation = "CICategoryCompositeOperation";
inline constexpr const char* kCICategoryHalftoneEffect = "CICategoryHalftoneEffect";
inline constexpr const char* kCICategoryColorAdjustment = "CICategoryColorAdjustment";
inline constexpr const char* kCICategoryColorEffect = "CICategoryColorEffect";
inline constexpr const char* kCICategoryTransition = "CICategoryTransition";
inline constexpr const char* kCICategoryTileEffect = "CICategoryTileEffect";
inline constexpr const char* kCICategoryGenerator = "CICategoryGenerator";
inline constexpr const char* kCICategoryReduction = "CICategoryReduction";
inline constexpr const char* kCICategoryGradient = "CICategoryGradient";
inline constexpr const char* kCICategoryStylize = "CICategoryStylize";
inline constexpr const char* kCICategorySharpen = "CICategorySharpen";
inline constexpr const char* kCICategoryBlur = "CICategoryBlur";
inline constexpr const char* kCICategoryStillImage = "CICategoryStillImage";
inline constexpr const char* kCICategoryVideo = "CICategoryVideo";
inline constexpr const char* kCICategoryBuiltIn = "CICategoryBuiltIn";

struct Attribute {
    std::string key;
    std::string className;  // one of the kClass... names
    std::string type;       // one of the kCIAttributeType... names, or empty
    std::string displayName;
    Value defaultValue;  // nothing for images
    std::optional<double> min, max, sliderMin, sliderMax, identity;
    bool optional = false;                // an image the filter can do without
    std::optional<size_t> maxComponents;  // vectors: the most components taken

    // Vectors take up to six components (positions, rectangles), or as many as the default
    // has (convolution weights), unless the attribute says otherwise.
    size_t mostComponents() const {
        return maxComponents ? *maxComponents
                             : std::max<size_t>(6, defaultValue.toVector().count());
    }

    bool isImage() const { return className == kClassImage; }
    bool isNumber() const { return className == kClassNumber; }
};

// "inputNRNoiseLevel" -> "NR Noise Level", "inputRadius0" -> "Radius 0".
std::string displayNameForKey(const std::string& key);

}  // namespace imaging
