#include "effects/BaseEffect.h"

#include <QLabel>
#include <QLayout>
#include <QWidget>
#include <cmath>
#include <exception>
#include <limits>
#include <string>

#include "effects/EffectHost.h"
#include "foundation/UndoManager.h"
#include "imaging/Log.h"
#include "workbench/Autoresizer.h"
#include "workbench/MyBorderView.h"

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

void BaseEffect::buildControlsPanel(const std::function<void(QWidget*)>& rows) {
    clearTopControlsView();
    if (!topControlsView) return;
    try {
        rows(topControlsView);
    } catch (const std::exception& e) {
        imaging::log(std::string("controls of ") + className().toStdString() + ": " + e.what());
    }
    // Children added to a host already on screen stay hidden until shown.
    for (QWidget* w : topControlsView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        w->show();
}

void BaseEffect::addPanelBorder(QWidget* host) {
    auto* border = new workbench::MyBorderView(host);
    workbench::Autoresizer::of(host)->place(border, QRect(QPoint(), host->size()),
                                            workbench::kWidthSizable | workbench::kHeightSizable);
    border->lower();
}

void BaseEffect::placeAtTop(QWidget* host, QWidget* child, QRect frame, int panelHeight, int mask) {
    frame.translate(0, host->height() - panelHeight);
    workbench::Autoresizer::of(host)->place(child, frame, mask);
}

QLabel* BaseEffect::makeRowLabel(QWidget* host, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, host);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace effects
