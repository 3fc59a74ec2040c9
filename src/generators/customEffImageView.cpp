#include "generators/customEffImageView.h"

namespace generators {

customEffImageView::customEffImageView(QWidget* parent) : chrome::ZoomCanvas(parent) {
    setObjectName(QStringLiteral("customEffectsView"));
}

}  // namespace generators
