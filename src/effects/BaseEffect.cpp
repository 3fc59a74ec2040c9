#include "effects/BaseEffect.h"

#include <QLayout>
#include <QWidget>
#include <cmath>
#include <limits>

#include "effects/EffectHost.h"
#include "foundation/UndoManager.h"

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
    // A start point beyond float range would come back as infinity: it is left as it is.
    const auto coordinate = [&](const QString& key) -> std::optional<double> {
        const std::optional<double> v = storedNumber(d, key);
        if (v && std::abs(*v) <= std::numeric_limits<float>::max()) return float(*v);
        return std::nullopt;
    };
    if (const auto x = coordinate(kEffectStartX)) m_startPT.setX(*x);
    if (const auto y = coordinate(kEffectStartY)) m_startPT.setY(*y);
}

std::optional<double> BaseEffect::storedNumber(const EffectSettings& d, const QString& key) {
    const auto it = d.constFind(key);
    if (it == d.constEnd()) return std::nullopt;
    bool ok = false;
    const double v = it->toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

void BaseEffect::registerUndo(std::function<void()> undo) {
    const EffectHost* host = EffectHost::shared();
    if (foundation::UndoManager* um = host ? host->undoManager() : nullptr)
        um->registerUndoWithTarget(this, std::move(undo));
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
