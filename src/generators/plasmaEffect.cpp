#include "generators/plasmaEffect.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "generators/GeneratorRandom.h"
#include "generators/UprightBitmap.h"

namespace generators {

plasmaEffect::plasmaEffect() {
    m_opacity = 40;
    setupPlazma();
}

void plasmaEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> plasmaEffect::newInstance() const {
    return std::make_unique<plasmaEffect>();
}

void plasmaEffect::setupPlazma() {
    for (int t = 0; t < 2; ++t)
        for (int a = 0; a < 2; ++a)
            for (int c = 0; c < 3; ++c) pos[c][a][t] = int(std::lround(randomUnit() * 512));
    for (int i = 0; i < kWavesUsed; ++i) {
        const double x = i * 6.28318531;
        m_wave[i] = int(std::sin(x / 720) * 100 + 100);
        m_wave2[i] = int(std::sin(x / 360) * 64 + 64);
    }
    for (int i = 0; i < kLumaSize; ++i) {
        int v = i;
        while (v < 0 || v > 255) {
            if (v > 255) v = 511 - v;
            v = std::abs(v);
        }
        const int ramp = v < 202 ? v : 4 * v - 603;
        m_luma[i] = ramp * 255 / 417;
    }
}

QSize plasmaEffect::drawingSize(QSize picture) {
    const int s = std::min(std::min(picture.width(), picture.height()), kMaxSide);
    return {s, s};
}

void plasmaEffect::makeImageEffect() {
    setupPlazma();
    GeneratorFrame::makeImageEffect();
}

QImage plasmaEffect::plazmaBitmap(int side) {
    QImage bitmap(side, side, QImage::Format_RGBA8888);
    if (bitmap.isNull()) return bitmap;
    bitmap.fill(QColor(170, 170, 170));  // light grey

    for (int t = 0; t < 2; ++t)
        for (int a = 0; a < 2; ++a)
            for (int c = 0; c < 3; ++c) {
                const int d = int(std::lround(2 * randomUnit()));
                int& p = pos[c][a][t];
                if (t + a == 1) {
                    p += 2 + d;
                    if (p >= 720) p -= 720;
                } else {
                    p -= 2 + d;
                    if (p < 0) p += 720;
                }
            }
    for (int x = 0; x < side; ++x)
        for (int c = 0; c < 3; ++c) {
            cWaves[x][c][0] = m_wave[x + pos[c][0][0]] + m_wave2[x + pos[c][0][1]];
            cWaves[x][c][1] = m_wave[x + pos[c][1][0]] + m_wave2[x + pos[c][1][1]];
        }
    for (int y = 0; y < side; ++y) {
        uchar* px = bitmap.scanLine(y);
        for (int x = 0; x < side; ++x, px += 4) {
            px[0] = uchar(m_luma[cWaves[x][0][0] + cWaves[y][0][1]]);
            px[1] = uchar(m_luma[cWaves[x][1][0] + cWaves[y][1][1]]);
            px[2] = uchar(m_luma[cWaves[x][2][0] + cWaves[y][2][1]]);
        }
    }
    return bitmap;
}

void plasmaEffect::drawPlazma(QPainter& p, const QRectF& rect) {
    const int side = std::min(int(std::min(rect.width(), rect.height())), int(kMaxSide));
    if (side <= 0) return;
    const QImage bitmap = plazmaBitmap(side);
    if (bitmap.isNull()) return;
    drawUpright(p, rect, bitmap);
}

void plasmaEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Plasma opacity:"));
    addGenerateButton(host, 100);
}

std::unique_ptr<effects::BaseEffect> plasmaEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    static_cast<plasmaEffect*>(copy.get())->setupPlazma();
    return copy;
}

}  // namespace generators
