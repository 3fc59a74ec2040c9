#pragma once
// Every filter the program knows, built in or from plug-ins, by name and by category.

#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Filter.h"

namespace imaging {

class FilterRegistry {
  public:
    static FilterRegistry& shared();

    // Adds a filter. Refused (false, logged) when the description is inconsistent: a name
    // already taken, keys that do not begin with "input" or repeat, defaults of the wrong
    // class, limits out of order (min <= slider min <= default <= slider max <= max).
    bool registerFilter(FilterDescription d);
    // Why a description would be refused; empty when it is fine.
    static std::string validate(const FilterDescription& d);

    // Names of the filters of one category, in a stable order (by name).
    std::vector<std::string> filterNamesInCategory(std::string_view category) const;
    std::vector<std::string> allFilterNames() const;
    // A fresh filter with empty inputs, or nothing for an unknown name.
    std::unique_ptr<Filter> filterWithName(std::string_view name) const;
    // The filter's display name; empty for an unknown name.
    std::string localizedNameForFilterName(std::string_view name) const;

    // Loads every plug-in (a shared object exporting deverav_plugin_register) of the default
    // folders; returns how many loaded. Failures are logged and skipped.
    int loadAllPlugIns();
    int loadPlugIns(const std::string& folder);
    // $DEVERAV_PLUGIN_PATH entries, ~/.local/share/deverav/plugins and the install folder.
    static std::vector<std::string> defaultPlugInFolders();

  private:
    std::shared_ptr<const FilterDescription> find(std::string_view name) const;
    mutable std::shared_mutex mutex_;
    std::vector<std::shared_ptr<const FilterDescription>> filters_;
    std::vector<std::string> loadedPlugIns_;
};

}  // namespace imaging
