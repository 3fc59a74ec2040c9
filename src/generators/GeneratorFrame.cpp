#include "generators/GeneratorFrame.h"

#include <QCheckBox>
#include <QPainter>
#include <cmath>

#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

namespace generators {

GeneratedEffect::Layers GeneratorFrame::overLayers() const {
    Layers layers;
    layers.picture = m_useBackImage;
    layers.background = m_bgColor;
    layers.opacity = m_opacity / 100.0;
    return layers;
}

QSize GeneratorFrame::reducedSize(QSize picture, int limit, float& zoom) {
    const int shorter = std::min(picture.width(), picture.height());
    zoom = shorter > limit ? float(limit) / float(shorter) : 1.0f;
    return {int(zoom * float(picture.width())), int(zoom * float(picture.height()))};
}

void GeneratorFrame::makeImageEffect() {
    const QSize size = drawingSize(pictureSize());
    const QRectF rect(0, 0, size.width(), size.height());
    Drawing drawing = size.isEmpty() ? Drawing() : record(rect);
    const bool kept = bool(drawing);
    keepDrawing(std::move(drawing), size);
    if (kept) return;
    const uchar* previous = m_effectImage.constBits();
    QImage image = takeBuffer(m_effectImage, size, QImage::Format_ARGB32_Premultiplied);
    noteGeneration(size.isEmpty() || !image.isNull(), size);
    if (size.isEmpty() || image.isNull()) return;  // the plain picture is shown
    clearForDrawing(image, image.constBits() == previous);
    const std::atomic<bool> never{false};
    paintUpright(
        image, [this, rect](QPainter& p, const std::atomic<bool>&) { drawMyself(p, rect); }, never);
    m_effectImage = image;
}

// ---------------------------------------------------------------- settings

void GeneratorFrame::changeBgColor(workbench::ColorWell* sender) {
    changeSetting(m_bgColor, sender->color(), sender, false, false,
                  &GeneratorFrame::setchangeBgColorSender);
}

void GeneratorFrame::setchangeBgColorSender(QColor color, QWidget* sender) {
    changeSetting(m_bgColor, color, sender, true, false, &GeneratorFrame::setchangeBgColorSender);
}

void GeneratorFrame::useBgImage(QCheckBox* sender) {
    changeSetting(m_useBackImage, sender->isChecked(), sender, false, false,
                  &GeneratorFrame::setuseBgImageSender);
}

void GeneratorFrame::setuseBgImageSender(bool on, QWidget* sender) {
    changeSetting(m_useBackImage, on, sender, true, false, &GeneratorFrame::setuseBgImageSender);
}

void GeneratorFrame::changeOpacity(workbench::FloatSlider* sender) {
    changeSetting(m_opacity, sender->floatValue(), sender, false, false,
                  &GeneratorFrame::setchangeOpacitySender);
}

void GeneratorFrame::setchangeOpacitySender(float opacity, QWidget* sender) {
    changeSetting(m_opacity, opacity, sender, true, false, &GeneratorFrame::setchangeOpacitySender);
}

void GeneratorFrame::buildFrameControls(QWidget* host, const QString& opacityLabel) {
    addBorderView(host);
    addLabel(host, QStringLiteral("Background Color:"), 196);
    addColorWell(host, 193, m_bgColor, [this](workbench::ColorWell* w) { changeBgColor(w); });
    addLabel(host, QStringLiteral("Background Image:"), 167);
    addCheckBox(host, 167, m_useBackImage, [this](QCheckBox* b) { useBgImage(b); });
    addLabel(host, opacityLabel, 142);
    // The slider shows the opacity as a whole number.
    addFloatSlider(host, 142, 0, 100, int(m_opacity), true,
                   [this](workbench::FloatSlider* s) { changeOpacity(s); });
}

// ---------------------------------------------------------------- settings dictionary and copies

effects::EffectSettings GeneratorFrame::save() const {
    effects::EffectSettings d = BaseEffect::save();
    d.insert(kUseBackImageKey, m_useBackImage);
    d.insert(kBgColorKey, m_bgColor);
    d.insert(kOpacityKey, m_opacity);
    return d;
}

void GeneratorFrame::readInt(const effects::EffectSettings& d, const QString& key, int& field,
                             int min, int max) {
    if (const auto v = storedNumber(d, key)) field = int(std::clamp(*v, double(min), double(max)));
}

void GeneratorFrame::readBool(const effects::EffectSettings& d, const QString& key, bool& field) {
    const auto it = d.constFind(key);
    if (it != d.constEnd() && it->typeId() == QMetaType::Bool)
        field = it->toBool();
    else if (const auto v = storedNumber(d, key))
        field = *v != 0;
}

void GeneratorFrame::readFloat(const effects::EffectSettings& d, const QString& key, float& field,
                               float min, float max) {
    if (const auto v = storedNumber(d, key))
        field = float(std::clamp(*v, double(min), double(max)));
}

void GeneratorFrame::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    BaseEffect::read(d);
    readBool(d, kUseBackImageKey, m_useBackImage);
    if (const auto it = d.constFind(kBgColorKey); it != d.constEnd()) {
        const QColor c = it->value<QColor>();
        if (c.isValid()) setBgColor(c);
    }
    readFloat(d, kOpacityKey, m_opacity, 0, 100);
}

std::unique_ptr<effects::BaseEffect> GeneratorFrame::mycopy() const {
    auto copy = BaseEffect::mycopy();
    auto* f = static_cast<GeneratorFrame*>(copy.get());
    f->setUseBackImage(m_useBackImage);
    f->setBgColor(m_bgColor);
    f->seOpacity(m_opacity);
    return copy;
}

}  // namespace generators
