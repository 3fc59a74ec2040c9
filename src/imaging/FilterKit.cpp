#include "imaging/FilterKit.h"

#include <algorithm>

namespace imaging::kit {

namespace {
std::vector<std::string>& refused() {
    static std::vector<std::string> names;
    return names;
}
}  // namespace

const std::vector<std::string>& refusedFilterDefs() {
    return refused();
}

FilterDef::FilterDef(std::string name, std::string displayName, std::vector<std::string> categories,
                     std::vector<Attribute> inputs, FilterBuilder build) {
    for (const char* c : {kCICategoryVideo, kCICategoryStillImage, kCICategoryBuiltIn})
        if (std::find(categories.begin(), categories.end(), c) == categories.end())
            categories.push_back(c);
    if (!FilterRegistry::shared().registerFilter(
            FilterDescription{name, std::move(displayName), std::move(categories),
                              std::move(inputs), std::move(build)}))
        refused().push_back(name);
}

}  // namespace imaging::kit
