#pragma once
// A chain of filters as written on the command line: each filter's "inputImage" is the
// previous filter's result, the first gets the input picture.

#include <optional>
#include <string>
#include <vector>

#include "ValueParser.h"
#include "imaging/Filter.h"
#include "imaging/WorkingSpace.h"

namespace tool {

struct ChainStep {
    std::string filter;
    // key=value settings in the order given; keys with or without the "input" prefix.
    std::vector<std::pair<std::string, std::string>> settings;
};

struct RenderRequest {
    std::string input, output;
    std::vector<ChainStep> steps;
    double scale = 1;
    std::optional<imaging::Rect> region;  // picture units; default: see defaultRegion
    bool time = false;
    imaging::WorkingSpace workingSpace = imaging::WorkingSpace::Linear;
    int depth = 8;  // bits per channel written
};

// Parses the arguments after "render". Without --filter the picture is only converted. Throws
// UsageError.
RenderRequest parseRenderArguments(const std::vector<std::string>& args);

// The filter the step names with its settings applied over the defaults, "inputImage" set to
// `input`. Throws UsageError for an unknown filter or key, a malformed or refused value, or
// an image input left empty.
std::unique_ptr<imaging::Filter> configureStep(const ChainStep& step, const imaging::Image& input,
                                               const ImageLoader& loadImage);

// The result of the whole chain applied to `input`.
imaging::Image applyChain(const std::vector<ChainStep>& steps, const imaging::Image& input,
                          const ImageLoader& loadImage);

// What to render when no region is given: the result's own extent (blur fringes, rotated
// corners and composited backgrounds included), or the picture's when the result is infinite
// (generators, tiles).
imaging::Rect defaultRegion(const imaging::Rect& result, const imaging::Rect& picture);

}  // namespace tool
