#pragma once
// Filter input values written on a command line: numbers, vectors "[x,y,...]", colours
// "rgba(r,g,b,a)", transforms as six numbers, images as file paths.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Attribute.h"
#include "imaging/Value.h"

namespace tool {

// Loads the picture an image input names; throws imaging::Error when it cannot.
using ImageLoader = std::function<imaging::Image(const std::string& path)>;

// The numbers of a list such as "[1, 2.5,-3]", "1,2.5,-3" or "(1 2 3)". Throws UsageError
// when an item is not a finite number.
std::vector<double> parseNumberList(std::string_view text);

// The value `text` denotes for an input of attribute `a`. Throws UsageError with a message
// naming the input when the text does not fit the attribute's class.
imaging::Value parseValue(const imaging::Attribute& a, std::string_view text,
                          const ImageLoader& loadImage);

}  // namespace tool
