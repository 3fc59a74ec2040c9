#include "generators/customEffImageView.h"

#include "foundation/NotificationCenter.h"

namespace generators {

customEffImageView::customEffImageView(QWidget* parent) : chrome::ZoomCanvas(parent) {
    setObjectName(QStringLiteral("customEffectsView"));
    foundation::NotificationCenter::defaultCenter().addObserver(this, foundation::kUpdateCustomView,
                                                                [this] { update(); });
}

customEffImageView::~customEffImageView() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

}  // namespace generators
