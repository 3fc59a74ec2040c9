#include "imaging/FilterKit.h"

#include <algorithm>

namespace imaging::kit {

FilterDef::FilterDef(std::string name, std::string displayName, std::vector<std::string> categories,
                     std::vector<Attribute> inputs, FilterBuilder build) {
    for (const char* c : {kCICategoryVideo, kCICategoryStillImage, kCICategoryBuiltIn})
        if (std::find(categories.begin(), categories.end(), c) == categories.end())
            categories.push_back(c);
    FilterRegistry::shared().registerFilter(
        FilterDescription{std::move(name), std::move(displayName), std::move(categories),
                          std::move(inputs), std::move(build)});
}

}  // namespace imaging::kit
