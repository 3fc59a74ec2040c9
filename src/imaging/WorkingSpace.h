#pragma once
// The space every kernel computes in. By default linear light (extended linear sRGB,
// premultiplied): sources are decoded when read and results encoded when written. With no
// colour management, kernels see the encoded values as they are, and colours given to filters
// are used as they are too.
//
// The space belongs to a render, not to a graph: one picture can be rendered either way. The
// Context sets it for the thread computing each tile, and colour constants that filters
// capture are resolved while rendering.

#include <array>

#include "imaging/Pixel.h"
#include "imaging/Value.h"

namespace imaging {

enum class WorkingSpace { Linear, None };

namespace detail {
// Initial-exec: read per pixel, so it must be one load, not a call into the loader.
extern thread_local WorkingSpace tlsWorkingSpace __attribute__((tls_model("initial-exec")));
}  // namespace detail

// The working space of the render this thread is computing; Linear outside renders.
inline WorkingSpace currentWorkingSpace() {
    return detail::tlsWorkingSpace;
}

// Sets the thread's working space for its lifetime (restoring the previous one), so that a
// thread that picks up a tile of another render in between keeps each render's own space.
class WorkingSpaceScope {
  public:
    explicit WorkingSpaceScope(WorkingSpace s) : saved_(detail::tlsWorkingSpace) {
        detail::tlsWorkingSpace = s;
    }
    ~WorkingSpaceScope() { detail::tlsWorkingSpace = saved_; }
    WorkingSpaceScope(const WorkingSpaceScope&) = delete;
    WorkingSpaceScope& operator=(const WorkingSpaceScope&) = delete;

  private:
    WorkingSpace saved_;
};

// A colour constant of a filter in both spaces; kernels call it while rendering.
class WorkingColor {
  public:
    WorkingColor() = default;
    // A user colour (sRGB-encoded components, straight alpha) as a premultiplied pixel.
    explicit WorkingColor(const Color& c);
    // Straight sRGB-encoded components; the alpha lane is kept as it is.
    static WorkingColor straight(Px encoded);

    Px operator()() const { return v_[size_t(currentWorkingSpace())]; }

  private:
    std::array<Px, 2> v_{};
};

}  // namespace imaging
