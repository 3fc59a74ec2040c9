// A filter plug-in for the registry tests: inverts colours.

#include "imaging/FilterKit.h"
#include "imaging/PlugIn.h"

using namespace imaging;

DEVERAV_PLUGIN(registry) {
    registry->registerFilter(FilterDescription{"DVTestPlugInInvert",
                                               "Test Plug-in Invert",
                                               {kCICategoryColorEffect},
                                               {kit::ImageInput()},
                                               [](const Args& a) {
                                                   return colorKernel(
                                                       [](Px p) {
                                                           Px r = splat(p[3]) - p;
                                                           r[3] = p[3];
                                                           return r;
                                                       },
                                                       a.image());
                                               }});
}
