#include "workbench/MyImageView.h"

namespace workbench {

MyImageView::MyImageView(QWidget* parent) : chrome::ZoomCanvas(parent) {
    setObjectName(QStringLiteral("ciView"));
}

}  // namespace workbench
