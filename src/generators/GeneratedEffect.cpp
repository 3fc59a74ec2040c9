#include "generators/GeneratedEffect.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <utility>

#include "chrome/BaseColoredTextButton.h"
#include "effects/EffectHost.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Resources.h"
#include "foundation/UndoManager.h"
#include "workbench/Autoresizer.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

namespace generators {

namespace {
constexpr int kLabelX = 10, kLabelWidth = 120, kLabelHeight = 16, kControlX = 140;
// Kept at a fixed distance from the host's top-left corner.
constexpr int kTopLeft = workbench::kMaxXMargin | workbench::kMinYMargin;
}  // namespace

GeneratedEffect::GeneratedEffect() : m_receiver(std::make_unique<QObject>()) {}

GeneratedEffect::~GeneratedEffect() {
    // Steps that would call into this effect go with it.
    effects::EffectHost* host = effects::EffectHost::shared();
    if (foundation::UndoManager* um = host ? host->undoManager() : nullptr)
        um->removeAllActionsWithTarget(this);
}

QSize GeneratedEffect::pictureSize() const {
    return m_image.isNull() ? kNoPictureSize : m_image.size();
}

void GeneratedEffect::prepare() {
    if (wasInit) return;
    initEffect();
    wasInit = true;
}

GeneratedEffect::Layers GeneratedEffect::layers() const {
    if (m_effectImage.isNull()) return {true, Qt::transparent, {}, 1, pictureSize()};
    Layers l = overLayers();
    l.generated = m_effectImage;
    l.size = pictureSize();
    return l;
}

void paintLayersAbovePicture(QPainter& p, const GeneratedEffect::Layers& layers,
                             const QRectF& target, const QImage& generated) {
    if (layers.background.alpha() > 0) p.fillRect(target, layers.background);
    if (generated.isNull() || layers.opacity <= 0) return;
    p.save();
    p.setOpacity(layers.opacity);
    // Reduced drawings are stretched softly over the picture.
    p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != QSizeF(generated.size()));
    p.drawImage(target, generated);
    p.restore();
}

QImage GeneratedEffect::getDrawImage() {
    prepare();
    const Layers l = layers();
    if (l.generated.isNull()) return m_image;
    QImage out(l.size, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull()) {
        // Not the plain picture: that would pass for the result.
        m_compositionProblem = noMemoryFor(l.size);
        return {};
    }
    m_compositionProblem.clear();
    out.fill(Qt::transparent);
    QPainter p(&out);
    if (l.picture && !m_image.isNull()) p.drawImage(0, 0, m_image);
    paintLayersAbovePicture(p, l, QRectF(QPointF(0, 0), QSizeF(l.size)), l.generated);
    return out;
}

QImage GeneratedEffect::takeBuffer(QImage& old, QSize size, QImage::Format format) {
    QImage img = std::exchange(old, QImage());
    if (img.size() == size && img.format() == format && img.isDetached()) return img;
    img = QImage();
    return QImage(size, format);
}

QString GeneratedEffect::noMemoryFor(QSize size) {
    return QStringLiteral("There is not enough memory for a picture of %1 × %2 pixels.")
        .arg(size.width())
        .arg(size.height());
}

void GeneratedEffect::noteGeneration(bool made, QSize size) {
    m_generationProblem = made ? QString() : noMemoryFor(size);
}

QString GeneratedEffect::problem() const {
    return m_compositionProblem.isEmpty() ? m_generationProblem : m_compositionProblem;
}

void GeneratedEffect::initEffect() {
    loadImage();
    makeImageEffect();
}

void GeneratedEffect::clearEffect() {
    wasInit = false;
    clearFilter();
    clearTopControlsView();
}

void GeneratedEffect::reloadImage() {
    clearFilter();
    loadImage();
    makeImageEffect();
}

void GeneratedEffect::loadImage() {
    if (!m_image.isNull()) return;
    if (effects::EffectHost* host = effects::EffectHost::shared())
        m_image = host->getImage(true);
    else
        clearFilter();
}

void GeneratedEffect::clearFilter() {
    m_image = QImage();
}

void GeneratedEffect::regenerate() {
    makeImageEffect();
    postUpdate();
}

void GeneratedEffect::setUpControlsView() {
    buildControlsPanel([this](QWidget* host) { buildControls(host); });
}

// ---------------------------------------------------------------- placement with the mouse

void GeneratedEffect::mouseDown(QPointF) {
    if (!isMousing()) return;
    const QPointF old = m_startPT;
    registerUndo([this, old] { setPositionUNDO(old); });
    m_mouseMoved = true;
}

void GeneratedEffect::mouseDragged(QPointF p) {
    if (!isMousing() || !m_mouseMoved) return;
    m_startPT = p;
    makeImageEffect();
    postUpdate();
}

void GeneratedEffect::mouseUp(QPointF p) {
    if (isMousing() && m_mouseMoved) {
        const QPointF old = m_startPT;
        registerUndo([this, old] { setPositionUNDO(old); });
        m_startPT = p;
        makeImageEffect();
        postUpdate();
    }
    m_mouseMoved = false;
}

void GeneratedEffect::setPositionUNDO(QPointF p) {
    const QPointF old = m_startPT;
    registerUndo([this, old] { setPositionUNDO(old); });
    m_startPT = p;
    makeImageEffect();
    postUpdate();
}

// ---------------------------------------------------------------- settings

void GeneratedEffect::postUpdate() {
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        foundation::kUpdateCustomView);
}

void GeneratedEffect::showValue(QWidget* control, float value) {
    const QSignalBlocker block(control);
    if (auto* f = qobject_cast<workbench::FloatSlider*>(control))
        f->setFloatValue(value);
    else if (auto* s = qobject_cast<QSlider*>(control))
        s->setValue(int(value));
}

void GeneratedEffect::showValue(QWidget* control, int value) {
    const QSignalBlocker block(control);
    if (auto* f = qobject_cast<workbench::FloatSlider*>(control))
        f->setFloatValue(value);
    else if (auto* s = qobject_cast<QSlider*>(control))
        s->setValue(value);
}

void GeneratedEffect::showValue(QWidget* control, bool value) {
    const QSignalBlocker block(control);
    if (auto* b = qobject_cast<QCheckBox*>(control)) b->setChecked(value);
}

void GeneratedEffect::showValue(QWidget* control, const QColor& value) {
    const QSignalBlocker block(control);
    if (auto* w = qobject_cast<workbench::ColorWell*>(control)) w->setColor(value);
}

// ---------------------------------------------------------------- controls panel

void GeneratedEffect::addBorderView(QWidget* host) {
    addPanelBorder(host);
}

void GeneratedEffect::placeInPanel(QWidget* host, QWidget* child, QRect frame, int mask) {
    placeAtTop(host, child, frame, kPanelHeight, mask);
}

QLabel* GeneratedEffect::addLabel(QWidget* host, const QString& text, int y) {
    QFont f = host->font();
    f.setPointSizeF(9);
    QLabel* l = makeRowLabel(host, text, f);
    placeInPanel(host, l, QRect(kLabelX, y, kLabelWidth, kLabelHeight), kTopLeft);
    return l;
}

workbench::ColorWell* GeneratedEffect::addColorWell(
    QWidget* host, int y, const QColor& color, std::function<void(workbench::ColorWell*)> action) {
    auto* w = new workbench::ColorWell(host);
    w->setColor(color);
    placeInPanel(host, w, QRect(kControlX, y, 44, 23), kTopLeft);
    QObject::connect(w, &workbench::ColorWell::colorChanged, receiver(),
                     [w, action] { action(w); });
    return w;
}

QCheckBox* GeneratedEffect::addCheckBox(QWidget* host, int y, bool on,
                                        std::function<void(QCheckBox*)> action) {
    auto* b = new QCheckBox(host);
    b->setChecked(on);
    placeInPanel(host, b, QRect(kControlX, y, 16, 16), kTopLeft);
    QObject::connect(b, &QCheckBox::clicked, receiver(), [b, action] { action(b); });
    return b;
}

workbench::FloatSlider* GeneratedEffect::addFloatSlider(
    QWidget* host, int y, double min, double max, double value, bool continuous,
    std::function<void(workbench::FloatSlider*)> action) {
    auto* s = new workbench::FloatSlider(host);
    s->setMinValue(min);
    s->setMaxValue(max);
    s->setFloatValue(value);
    s->setTracking(continuous);
    placeInPanel(host, s, QRect(kControlX, y, 120, 16), kTopLeft);
    QObject::connect(s, &workbench::FloatSlider::moved, receiver(), [s, action] { action(s); });
    return s;
}

QSlider* GeneratedEffect::addIntSlider(QWidget* host, int y, int min, int max, int value,
                                       bool continuous, std::function<void(QSlider*)> action) {
    auto* s = new QSlider(Qt::Horizontal, host);
    s->setRange(min, max);
    s->setValue(value);
    s->setTracking(continuous);
    s->setFocusPolicy(Qt::NoFocus);
    placeInPanel(host, s, QRect(kControlX, y, 120, 16), kTopLeft);
    QObject::connect(s, &QSlider::valueChanged, receiver(), [s, action] { action(s); });
    return s;
}

chrome::BaseColoredTextButton* GeneratedEffect::addGenerateButton(QWidget* host, int y) {
    auto* b = new chrome::BaseColoredTextButton(host);
    b->setText(QStringLiteral("Generate"));
    b->setAllowsMixedState(true);
    b->setImage(foundation::Resources::imageNamed(QStringLiteral("off_96")));
    b->setAlternateImage(foundation::Resources::imageNamed(QStringLiteral("on_96")));
    // Stays centred when the host's width changes.
    placeInPanel(host, b, QRect((host->width() - 96) / 2, y, 96, 24),
                 workbench::kMinXMargin | workbench::kMaxXMargin | workbench::kMinYMargin);
    QObject::connect(b, &QPushButton::clicked, receiver(), [this] { regenerate(); });
    return b;
}

}  // namespace generators
