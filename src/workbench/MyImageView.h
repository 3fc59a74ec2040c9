#pragma once
// The standard canvas: the standard mode's result (the picture, or the working filter's output
// over it) at the canvas's zoom.

#include "chrome/ZoomCanvas.h"

namespace workbench {

class MyImageView : public chrome::ZoomCanvas {
    Q_OBJECT

  public:
    explicit MyImageView(QWidget* parent = nullptr);
};

}  // namespace workbench
