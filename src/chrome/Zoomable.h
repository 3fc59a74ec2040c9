#pragma once

namespace chrome {

// A canvas the View menu's zoom commands act on, and the zoom scale all canvases share.
class Zoomable {
  public:
    static constexpr double kMinZoom = 0.1, kMaxZoom = 10.0;
    // Above this zoom picture pixels are drawn as sharp squares rather than smoothed.
    static constexpr double kSharpAbove = 2.0;

    // The zoom after one wheel step from `z` in the direction of `delta` (none for 0).
    static double zoomAfterWheelStep(double z, double delta) {
        if (delta > 0) z += z > 1.0 ? 0.2 * z : 0.05;
        if (delta < 0) z -= z > 1.1 ? 0.2 * z : 0.05;
        return z < kMinZoom ? kMinZoom : (z > kMaxZoom ? kMaxZoom : z);
    }

    virtual ~Zoomable() = default;
    // A wheel step in or out, 100 %, and the zoom that shows the whole picture.
    virtual void zoomIn() = 0;
    virtual void zoomOut() = 0;
    virtual void zoomToActualSize() = 0;
    virtual void zoomToFit() = 0;
};

}  // namespace chrome
