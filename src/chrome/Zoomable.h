#pragma once

namespace chrome {

// A canvas the View menu's zoom commands act on.
class Zoomable {
  public:
    virtual ~Zoomable() = default;
    // A wheel step in or out, 100 %, and the zoom that shows the whole picture.
    virtual void zoomIn() = 0;
    virtual void zoomOut() = 0;
    virtual void zoomToActualSize() = 0;
    virtual void zoomToFit() = 0;
};

}  // namespace chrome
