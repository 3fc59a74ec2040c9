#pragma once
// The registry described for people (text) and for scripts (JSON).

#include <string>
#include <vector>

namespace tool {

// Every filter of `names` with its categories and, per input, class, type, default, limits,
// slider range and display name.
std::string listText(const std::vector<std::string>& names);
std::string listJson(const std::vector<std::string>& names);

}  // namespace tool
