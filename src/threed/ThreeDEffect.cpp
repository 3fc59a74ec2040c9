#include "threed/ThreeDEffect.h"

#include <QLabel>
#include <QOpenGLContext>
#include <QWidget>
#include <cmath>
#include <limits>

#include "effects/EffectHost.h"
#include "foundation/NotificationCenter.h"
#include "threed/Texture2D.h"
#include "workbench/Autoresizer.h"

namespace threed {

void ThreeDEffect::initEffect() {
    setUpGL();
    loadImage();
}

void ThreeDEffect::draw() {
    if (!wasInit) {
        initEffect();
        wasInit = true;
    }
    loadImage();
    render();
}

void ThreeDEffect::clearEffect() {
    clearTopControlsView();
    clearFilter();
}

void ThreeDEffect::reloadImage() {
    clearFilter();
    loadImage();
}

void ThreeDEffect::clearFilter() {
    m_texture.reset();
}

void ThreeDEffect::loadImage() {
    const bool canUpload = QOpenGLContext::currentContext() != nullptr;
    if (m_texture && (!canUpload || m_texture->isCurrent())) return;
    m_texture.reset();
    if (!canUpload) return;
    const effects::EffectHost* host = effects::EffectHost::shared();
    const imaging::Image picture = host ? host->backImage() : imaging::Image();
    if (!picture) return;
    m_texture = Texture2D::initWithImage(Texture2D::imageForPicture(picture));
}

void ThreeDEffect::mouseDown(QPointF point) {
    const std::array<float, 4>& r = rotationField();
    const float h = r[0], v = r[1];
    registerUndo([this, h, v] { setPositionUNDO(h, v); });
    m_lastPoint = QPointF(point.x(), kMouseTop - point.y());
    gTrackball = true;
}

void ThreeDEffect::mouseDragged(QPointF point) {
    if (!gTrackball) return;
    const QPointF p(point.x(), kMouseTop - point.y());
    std::array<float, 4>& r = rotationField();
    r[0] += float(p.x() - m_lastPoint.x());
    r[1] += float(p.y() - m_lastPoint.y());
    m_lastPoint = p;
}

void ThreeDEffect::mouseUp(QPointF) {
    gTrackball = false;
}

void ThreeDEffect::setPositionUNDO(float horizontal, float vertical) {
    std::array<float, 4>& r = rotationField();
    const float h = r[0], v = r[1];
    registerUndo([this, h, v] { setPositionUNDO(h, v); });
    r[0] = horizontal;
    r[1] = vertical;
    postUpdateOpenGLView();
}

void ThreeDEffect::readFloat(const effects::EffectSettings& d, const QString& key, float& out) {
    const auto v = storedNumber(d, key);
    if (v && std::abs(*v) <= std::numeric_limits<float>::max()) out = float(*v);
}

void ThreeDEffect::readInt(const effects::EffectSettings& d, const QString& key, int32_t& out) {
    // Beyond the type's range a number is left out, not wrapped round.
    const auto v = storedNumber(d, key);
    if (v && *v >= std::numeric_limits<int32_t>::min() && *v <= std::numeric_limits<int32_t>::max())
        out = int32_t(std::lround(*v));
}

void ThreeDEffect::saveRotation(effects::EffectSettings& d, const QString& prefix) const {
    const std::array<float, 4>& r = rotationField();
    for (int i = 0; i < 4; ++i) d.insert(prefix + QString::number(i), r[i]);
}

void ThreeDEffect::readRotation(const effects::EffectSettings& d, const QString& prefix) {
    std::array<float, 4>& r = rotationField();
    for (int i = 0; i < 4; ++i) readFloat(d, prefix + QString::number(i), r[i]);
}

void ThreeDEffect::postUpdateOpenGLView() {
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        foundation::kUpdateOpenGLView);
}

void ThreeDEffect::buildControls(const std::function<void(QWidget*)>& rows) {
    buildControlsPanel([&rows](QWidget* host) {
        addPanelBorder(host);
        rows(host);
    });
}

QLabel* ThreeDEffect::addLabel(QWidget* host, const QString& text, const QRect& frame) {
    QFont f = host->font();
    f.setPixelSize(10);
    QLabel* label = makeRowLabel(host, text, f);
    place(host, label, frame);
    return label;
}

void ThreeDEffect::place(QWidget* host, QWidget* control, const QRect& frame) {
    placeAtTop(host, control, frame, kControlsHeight,
               workbench::kMaxXMargin | workbench::kMinYMargin);
}

}  // namespace threed
