#pragma once
// The custom canvas: the working generator's picture, or the plain picture, at the canvas's
// zoom.

#include "chrome/ZoomCanvas.h"

namespace generators {

class customEffImageView : public chrome::ZoomCanvas {
    Q_OBJECT

  public:
    // Redraws on "UpdateCustomView".
    explicit customEffImageView(QWidget* parent = nullptr);
    ~customEffImageView() override;
};

}  // namespace generators
