#include "generators/patchWorkEffect.h"

#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <limits>

#include "generators/GeneratorRandom.h"
#include "generators/UprightBitmap.h"
#include "workbench/FloatSlider.h"

namespace generators {

patchWorkEffect::patchWorkEffect() {
    m_opacity = 40;
    m_startPT = {-11000, -11000};
}

void patchWorkEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> patchWorkEffect::newInstance() const {
    return std::make_unique<patchWorkEffect>();
}

int patchWorkEffect::bitmapSide(QSizeF size) {
    return std::clamp(int(std::min(size.width(), size.height())), 0, int(kMaxSide));
}

QSize patchWorkEffect::drawingSize(QSize picture) {
    const int s = bitmapSide(picture);
    return {s, s};
}

void patchWorkEffect::addNoise(QImage& bitmap) {
    const int side = bitmap.width();
    for (int k = 1; k < side * bitmap.height(); ++k) {
        const unsigned c = ~unsigned(randomUnit() * 16777216);
        uchar* px = bitmap.scanLine(k / side) + 4 * (k % side);
        px[0] = uchar(c >> 16);
        px[1] = uchar(c >> 8);
        px[2] = uchar(c);
    }
}

void patchWorkEffect::smear(QImage& bitmap) {
    const int side = bitmap.width();
    const int last = side - 1;
    const int passes = int(randomUnit() * 13000 + 7000);
    int x = 0;
    for (int pass = 0; pass < passes; ++pass)
        for (int k = 0; k < last; ++k) {
            // The row is at most side - 3, so that offsets of 0 to 2 stay inside; an offset of 3
            // (a random value of exactly 1) and bitmaps under 4 pixels are clamped.
            const int y = std::clamp(int(randomUnit() * (side - 3)), 0, last);
            const int dy = int(3 * randomUnit());
            const int dx = int(3 * randomUnit());
            const uchar* from = bitmap.constScanLine(y) + 4 * x;
            uchar* to = bitmap.scanLine(std::min(y + dy, last)) + 4 * std::min(x + dx, last);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            x = y;  // the next source column is this step's row
        }
}

QImage patchWorkEffect::patchworkBitmap(int side) {
    QImage bitmap(side, side, QImage::Format_RGBX8888);
    if (bitmap.isNull()) return bitmap;
    bitmap.fill(QColor(0, 0, 255));
    addNoise(bitmap);
    smear(bitmap);
    return bitmap;
}

void patchWorkEffect::drawPatchwork(QPainter& p, const QRectF& rect) {
    const QImage bitmap = patchworkBitmap(bitmapSide(rect.size()));
    // The bitmap's first row is its top.
    if (!bitmap.isNull()) drawUpright(p, rect, bitmap);
}

// ---------------------------------------------------------------- settings

void patchWorkEffect::changeLinesLevel(QSlider* sender) {
    changeSetting(m_level, sender->value(), sender, false, true,
                  &patchWorkEffect::setchangeLinesLevelSender);
}

void patchWorkEffect::setchangeLinesLevelSender(int level, QWidget* sender) {
    changeSetting(m_level, level, sender, true, true, &patchWorkEffect::setchangeLinesLevelSender);
}

void patchWorkEffect::changeLineWidth(workbench::FloatSlider* sender) {
    changeSetting(m_lineWidth, sender->floatValue(), sender, false, true,
                  &patchWorkEffect::setchangeLineWidthSender);
}

void patchWorkEffect::setchangeLineWidthSender(float width, QWidget* sender) {
    changeSetting(m_lineWidth, width, sender, true, true,
                  &patchWorkEffect::setchangeLineWidthSender);
}

void patchWorkEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Objects opacity:"));
    addGenerateButton(host, 100);
}

effects::EffectSettings patchWorkEffect::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kLevelKey, m_level);
    d.insert(kLineWidthKey, m_lineWidth);
    return d;
}

void patchWorkEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    readInt(d, kLevelKey, m_level, std::numeric_limits<int>::min(),
            std::numeric_limits<int>::max());
    readFloat(d, kLineWidthKey, m_lineWidth, -std::numeric_limits<float>::max(),
              std::numeric_limits<float>::max());
}

std::unique_ptr<effects::BaseEffect> patchWorkEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<patchWorkEffect*>(copy.get());
    c->setLinesLevel(m_level);
    c->setLineWidth(m_lineWidth);
    return copy;
}

}  // namespace generators
