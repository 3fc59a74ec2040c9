#pragma once
// The entry points a filter plug-in exports. A plug-in is a shared object built against this
// library: the loader checks deverav_plugin_abi() and then calls deverav_plugin_register(),
// which adds the plug-in's filters to the registry it is given.

namespace imaging {
class FilterRegistry;
}

#define DEVERAV_PLUGIN_ABI 2  // 2: values hold data; attributes may limit vector lengths
#define DEVERAV_PLUGIN_ABI_SYMBOL "deverav_plugin_abi"
#define DEVERAV_PLUGIN_REGISTER_SYMBOL "deverav_plugin_register"

extern "C" {
typedef int (*DeveravPlugInAbi)();
typedef void (*DeveravPlugInRegister)(imaging::FilterRegistry* registry);
}

// Use once in a plug-in: DEVERAV_PLUGIN(registry) { registry->registerFilter(...); }
#define DEVERAV_PLUGIN(registry)                                                    \
    extern "C" __attribute__((visibility("default"))) int deverav_plugin_abi() {    \
        return DEVERAV_PLUGIN_ABI;                                                  \
    }                                                                               \
    extern "C" __attribute__((visibility("default"))) void deverav_plugin_register( \
        imaging::FilterRegistry* registry)
