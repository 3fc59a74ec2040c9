#include "generators/patMorphingEffect.h"

#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <array>
#include <cmath>
#include <cstring>

#include "generators/GeneratorRandom.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

namespace generators {

void ValueMorpher::update() {
    const float f = hasTarget ? (target - value) * strength + force : force;
    acceleration = f;
    velocity = (f + velocity) * damping;
    value += velocity;
    force = 0;
}

namespace {

// Where each morpher's values lie: at rest after set-up, and as targets.
struct Range {
    ValueMorpher* morpher;
    float restSpan, targetSpan, base;
};

// In the order of the random draws: inside, outside, gap across, gap up.
std::array<Range, 4> ranges() {
    return {{{&patMorphingEffect::interMarkInside, 148, 298, 2},
             {&patMorphingEffect::interMarkOutside, 195, 495, 25},
             {&patMorphingEffect::interGapX, 20, 20, 0},
             {&patMorphingEffect::interGapY, 20, 20, 0}}};
}

}  // namespace

patMorphingEffect::patMorphingEffect() {
    m_opacity = 70;
    m_startPT = {-11000, -11000};
}

void patMorphingEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> patMorphingEffect::newInstance() const {
    return std::make_unique<patMorphingEffect>();
}

void patMorphingEffect::setupPatMorphing() {
    for (const Range& r : ranges()) {
        ValueMorpher& m = *r.morpher;
        m.hasTarget = false;
        m.force = m.target = m.acceleration = m.velocity = 0;
        m.mass = 1;
        m.value = float(randomUnit() * r.restSpan + r.base);
        m.damping = 0.75f;
        m.strength = 0.5f;
    }
}

void patMorphingEffect::updateValues() {
    for (const Range& r : ranges())
        r.morpher->setTarget(float(randomUnit() * r.targetSpan + r.base));
    for (const Range& r : ranges()) r.morpher->update();
}

void patMorphingEffect::regenerate() {
    updateValues();
    GeneratorFrame::regenerate();
}

void patMorphingEffect::drawMyself(QPainter& p, const QRectF& rect) {
    if (!isPlaced(m_startPT)) m_startPT = QPointF(rect.width() / 2, rect.height() / 2);
    drawMorphingPattern(p, rect);
}

void patMorphingEffect::drawMorphingPattern(QPainter& p, const QRectF&) {
    drawPatterns(m_startPT.x(), m_startPT.y(), p);
}

void patMorphingEffect::clearForDrawing(QImage& image, bool reused) {
    if (reused && !m_drawn.isNull()) {
        const QRect r = m_drawn & image.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(image.scanLine(y) + 4 * r.left(), 0, size_t(4 * r.width()));
    } else {
        GeneratorFrame::clearForDrawing(image, reused);
    }
    m_drawn = QRect();
}

void patMorphingEffect::drawPatterns(double x, double y, QPainter& p) {
    const double h = interMarkOutside.value, w = h * m_proportion;
    // Every ellipse lies within this distance of the centre, its stroke and smoothing within a
    // few pixels more.
    const double reach = std::hypot(std::abs(double(interGapX.value)) + std::abs(w),
                                    std::abs(double(interGapY.value)) + std::abs(h)) +
                         m_lineWidth / 2 + 3;
    m_drawn |= p.transform()
                   .mapRect(QRectF(x - reach, y - reach, 2 * reach, 2 * reach))
                   .toAlignedRect()
                   .adjusted(-1, -1, 1, 1);
    p.save();
    p.translate(x, y);
    QPainterPath ellipse;
    ellipse.addEllipse(QRectF(interGapX.value, interGapY.value, w, h));
    const QPen pen(m_patColor, m_lineWidth);
    for (int i = 0; i < m_count; ++i) {
        QTransform turn;
        turn.rotateRadians(i * 2 * M_PI / m_count);
        // Each ellipse a stroke of its own: a translucent colour builds up where they cross.
        p.strokePath(turn.map(ellipse), pen);
    }
    p.restore();
}

// ---------------------------------------------------------------- settings

void patMorphingEffect::changePatCount(QSlider* sender) {
    changeSetting(m_count, sender->value(), sender, false, true,
                  &patMorphingEffect::setchangePatCountSender);
}

void patMorphingEffect::setchangePatCountSender(int count, QWidget* sender) {
    changeSetting(m_count, count, sender, true, true, &patMorphingEffect::setchangePatCountSender);
}

void patMorphingEffect::changePatColor(workbench::ColorWell* sender) {
    changeSetting(m_patColor, sender->color(), sender, false, true,
                  &patMorphingEffect::setchangePatColorSender);
}

void patMorphingEffect::setchangePatColorSender(QColor color, QWidget* sender) {
    changeSetting(m_patColor, color, sender, true, true,
                  &patMorphingEffect::setchangePatColorSender);
}

void patMorphingEffect::changeLineWidth(workbench::FloatSlider* sender) {
    changeSetting(m_lineWidth, sender->floatValue(), sender, false, true,
                  &patMorphingEffect::setchangeLineWidthSender);
}

void patMorphingEffect::setchangeLineWidthSender(float width, QWidget* sender) {
    changeSetting(m_lineWidth, width, sender, true, true,
                  &patMorphingEffect::setchangeLineWidthSender);
}

void patMorphingEffect::changeProportion(workbench::FloatSlider* sender) {
    changeSetting(m_proportion, sender->floatValue(), sender, false, true,
                  &patMorphingEffect::setchangeProportionSender);
}

void patMorphingEffect::setchangeProportionSender(float proportion, QWidget* sender) {
    changeSetting(m_proportion, proportion, sender, true, true,
                  &patMorphingEffect::setchangeProportionSender);
}

void patMorphingEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Pattern opacity:"));
    addLabel(host, QStringLiteral("Objects count:"), 122);
    addIntSlider(host, 122, kMinCount, kMaxCount, m_count, true,
                 [this](QSlider* s) { changePatCount(s); });
    addLabel(host, QStringLiteral("Pattern Color:"), 95);
    addColorWell(host, 92, m_patColor, [this](workbench::ColorWell* w) { changePatColor(w); });
    addLabel(host, QStringLiteral("Line width:"), 70);
    addFloatSlider(host, 70, kMinWidth, kMaxWidth, m_lineWidth, true,
                   [this](workbench::FloatSlider* s) { changeLineWidth(s); });
    addLabel(host, QStringLiteral("Proportion:"), 50);
    addFloatSlider(host, 50, kMinProportion, kMaxProportion, m_proportion, true,
                   [this](workbench::FloatSlider* s) { changeProportion(s); });
    addGenerateButton(host, 15);
}

// ---------------------------------------------------------------- settings dictionary and copies

effects::EffectSettings patMorphingEffect::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kCountKey, m_count);
    d.insert(kPatColorKey, m_patColor);
    d.insert(kLineWidthKey, m_lineWidth);
    d.insert(kProportionKey, m_proportion);
    return d;
}

void patMorphingEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    readInt(d, kCountKey, m_count, 0, kMaxCount);
    if (const auto it = d.constFind(kPatColorKey); it != d.constEnd()) {
        const QColor c = it->value<QColor>();
        if (c.isValid()) setPatColor(c);
    }
    readFloat(d, kLineWidthKey, m_lineWidth, 0, kMaxWidth);
    readFloat(d, kProportionKey, m_proportion, 0, float(kMaxProportion));
}

std::unique_ptr<effects::BaseEffect> patMorphingEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<patMorphingEffect*>(copy.get());
    c->setPatCount(m_count);
    c->setPatColor(m_patColor);
    c->setLineWidth(m_lineWidth);
    c->setProportin(m_proportion);
    c->setStartPoint(m_startPT);
    setupPatMorphing();
    return copy;
}

}  // namespace generators
