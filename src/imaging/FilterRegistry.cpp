#include "imaging/FilterRegistry.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "imaging/Log.h"
#include "imaging/PlugIn.h"

namespace imaging {

FilterRegistry& FilterRegistry::shared() {
    static FilterRegistry r;
    return r;
}

std::string FilterRegistry::validate(const FilterDescription& d) {
    if (d.name.empty()) return "a filter has no name";
    if (!d.build) return d.name + ": no builder";
    std::set<std::string> seen;
    for (auto& a : d.inputs) {
        std::string where = d.name + "." + a.key + ": ";
        if (a.key.rfind("input", 0) != 0) return where + "input keys begin with \"input\"";
        if (!seen.insert(a.key).second) return where + "key declared twice";
        if (a.className.empty()) return where + "no attribute class";
        if (!a.defaultValue.isNone()) {
            auto k = a.defaultValue.kind();
            using K = Value::Kind;
            bool ok = (a.className == kClassNumber && (k == K::Number || k == K::Boolean)) ||
                      (a.className == kClassVector && k == K::Vector) ||
                      (a.className == kClassColor && k == K::Color) ||
                      (a.className == kClassTransform && k == K::Transform) ||
                      (a.className == kClassString && k == K::String) ||
                      (a.className == kClassData && k == K::Data);
            if (!ok) return where + "default of the wrong class";
        }
        // Limits in order wherever they exist.
        std::vector<std::pair<const char*, std::optional<double>>> chain = {
            {"min", a.min}, {"slider min", a.sliderMin}};
        if (a.isNumber()) chain.push_back({"default", a.defaultValue.toNumber()});
        chain.push_back({"slider max", a.sliderMax});
        chain.push_back({"max", a.max});
        std::optional<double> prev;
        const char* prevName = "";
        for (auto& [n, v] : chain) {
            if (!v) continue;
            if (!std::isfinite(*v)) return where + n + " is not finite";
            if (prev && *v < *prev) return where + prevName + " > " + n;
            prev = v, prevName = n;
        }
    }
    return {};
}

bool FilterRegistry::registerFilter(FilterDescription d) {
    if (auto why = validate(d); !why.empty()) {
        log("filter refused: " + why);
        return false;
    }
    for (auto& a : d.inputs)
        if (a.displayName.empty()) a.displayName = displayNameForKey(a.key);
    std::unique_lock lock(mutex_);
    for (auto& f : filters_)
        if (f->name == d.name) {
            log("filter refused: " + d.name + " is already registered");
            return false;
        }
    auto p = std::make_shared<const FilterDescription>(std::move(d));
    auto pos = std::lower_bound(filters_.begin(), filters_.end(), p,
                                [](auto& x, auto& y) { return x->name < y->name; });
    filters_.insert(pos, std::move(p));
    return true;
}

std::vector<std::string> FilterRegistry::filterNamesInCategory(std::string_view category) const {
    std::shared_lock lock(mutex_);
    std::vector<std::string> names;
    for (auto& f : filters_)
        if (std::find(f->categories.begin(), f->categories.end(), category) != f->categories.end())
            names.push_back(f->name);
    return names;
}

std::vector<std::string> FilterRegistry::allFilterNames() const {
    std::shared_lock lock(mutex_);
    std::vector<std::string> names;
    for (auto& f : filters_) names.push_back(f->name);
    return names;
}

std::shared_ptr<const FilterDescription> FilterRegistry::find(std::string_view name) const {
    std::shared_lock lock(mutex_);
    auto pos = std::lower_bound(filters_.begin(), filters_.end(), name,
                                [](auto& x, std::string_view n) { return x->name < n; });
    if (pos != filters_.end() && (*pos)->name == name) return *pos;
    return nullptr;
}

std::unique_ptr<Filter> FilterRegistry::filterWithName(std::string_view name) const {
    auto d = find(name);
    if (!d) return nullptr;
    return std::make_unique<Filter>(std::move(d));
}

std::string FilterRegistry::localizedNameForFilterName(std::string_view name) const {
    auto d = find(name);
    return d ? d->displayName : std::string();
}

std::vector<std::string> FilterRegistry::defaultPlugInFolders() {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("DEVERAV_PLUGIN_PATH")) {
        std::string s(env);
        size_t start = 0;
        while (start <= s.size()) {
            size_t end = s.find(':', start);
            if (end == std::string::npos) end = s.size();
            if (end > start) dirs.push_back(s.substr(start, end - start));
            start = end + 1;
        }
    }
    if (const char* home = std::getenv("HOME"))
        dirs.push_back(std::string(home) + "/.local/share/deverav/plugins");
#ifdef DEVERAV_PLUGIN_INSTALL_DIR
    dirs.push_back(DEVERAV_PLUGIN_INSTALL_DIR);
#endif
    return dirs;
}

int FilterRegistry::loadAllPlugIns() {
    int n = 0;
    for (auto& d : defaultPlugInFolders()) n += loadPlugIns(d);
    return n;
}

int FilterRegistry::loadPlugIns(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return 0;
    std::vector<fs::path> files;
    for (auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".so") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (auto& f : files) {
        std::string path = fs::weakly_canonical(f, ec).string();
        {
            std::shared_lock lock(mutex_);
            if (std::find(loadedPlugIns_.begin(), loadedPlugIns_.end(), path) !=
                loadedPlugIns_.end())
                continue;
        }
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            log(std::string("plug-in not loaded: ") + dlerror());
            continue;
        }
        auto abi = reinterpret_cast<DeveravPlugInAbi>(dlsym(h, DEVERAV_PLUGIN_ABI_SYMBOL));
        auto entry =
            reinterpret_cast<DeveravPlugInRegister>(dlsym(h, DEVERAV_PLUGIN_REGISTER_SYMBOL));
        if (!abi || !entry) {
            log("plug-in not loaded: " + path + " is not a filter plug-in");
            dlclose(h);
            continue;
        }
        if (int v = abi(); v != DEVERAV_PLUGIN_ABI) {
            log("plug-in not loaded: " + path + " was built for another version (" +
                std::to_string(v) + ")");
            dlclose(h);
            continue;
        }
        entry(this);
        std::unique_lock lock(mutex_);
        loadedPlugIns_.push_back(path);
        ++loaded;
    }
    return loaded;
}

}  // namespace imaging
