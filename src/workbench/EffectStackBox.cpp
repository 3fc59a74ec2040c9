#include "workbench/EffectStackBox.h"

namespace workbench {

EffectStackBox::EffectStackBox(QWidget* parent) : MyBorderView(parent) {}

bool EffectStackBox::drawsBorder() const {
    const auto rows = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return !rows.isEmpty() &&
           !rows.first()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
}

void EffectStackBox::paintEvent(QPaintEvent*) {
    if (drawsBorder()) drawBorder();
}

}  // namespace workbench
