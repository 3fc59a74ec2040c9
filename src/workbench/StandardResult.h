#pragma once
// The standard family's result: the working filter fed with the picture and applied over it.
// A pure function of the filter, the picture and the visible size: the working filter is
// copied, never written, so that the canvas can render the result on a worker thread while the
// user goes on editing the filter.

#include <memory>

#include "imaging/Filter.h"
#include "imaging/Image.h"

namespace workbench {

// A copy of `filter` with the inputs the application feeds: the picture as its image (as its
// background for compositing filters), and an extent the size of the visible area. Nothing
// for no filter.
std::shared_ptr<const imaging::Filter> fedFilter(const imaging::Filter* filter,
                                                 const imaging::Image& picture, double width,
                                                 double height);

// The result of the fed filter: far larger results (generators, tiles) cropped to the picture,
// and a filter without an image input (a generator) drawn over the picture. The picture itself
// for no filter; nothing when the filter yields nothing.
imaging::Image standardResult(const imaging::Filter* filter, const imaging::Image& picture,
                              double width, double height);

}  // namespace workbench
