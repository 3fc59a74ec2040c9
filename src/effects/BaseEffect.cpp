#include "effects/BaseEffect.h"

#include <QLayout>
#include <QWidget>

namespace effects {

BaseEffect::~BaseEffect() = default;

QImage BaseEffect::getDrawImage() {
    return m_image;
}

EffectSettings BaseEffect::save() const {
    EffectSettings d;
    d.insert(kEffectName, m_name);
    d.insert(kEffectTips, m_tips);
    d.insert(kEffectStartX, float(m_startPT.x()));
    d.insert(kEffectStartY, float(m_startPT.y()));
    d.insert(kEffectClass, className());
    return d;
}

void BaseEffect::read(const EffectSettings& d) {
    if (auto it = d.constFind(kEffectName); it != d.constEnd()) setName(it->toString());
    if (auto it = d.constFind(kEffectTips); it != d.constEnd()) setTips(it->toString());
    bool ok = false;
    if (auto it = d.constFind(kEffectStartX); it != d.constEnd()) {
        const float x = it->toFloat(&ok);
        if (ok) m_startPT.setX(x);
    }
    if (auto it = d.constFind(kEffectStartY); it != d.constEnd()) {
        const float y = it->toFloat(&ok);
        if (ok) m_startPT.setY(y);
    }
}

std::unique_ptr<BaseEffect> BaseEffect::mycopy() const {
    return copyWithZone();
}

std::unique_ptr<BaseEffect> BaseEffect::copyWithZone() const {
    auto copy = newInstance();
    copy->setName(m_name);
    copy->setTips(m_tips);
    copy->topControlsView = topControlsView;
    return copy;
}

void BaseEffect::clearTopControlsView() {
    if (!topControlsView) return;
    const auto children = topControlsView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) delete w;
}

}  // namespace effects
