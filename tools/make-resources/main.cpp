// Draws every picture, icon and page the program ships into one folder. Everything is computed
// here from fixed seeds, so two runs give the same files.
//
//   make-resources OUTDIR

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator (the C library's rand is not the same everywhere).
class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    uint32_t next() {
        s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(s_ >> 33);
    }
    double unit() { return next() / double(1u << 31); }  // [0, 1)
    double range(double a, double b) { return a + (b - a) * unit(); }

  private:
    uint64_t s_;
};

QString g_out;
bool g_ok = true;

void save(const QImage& img, const QString& file, const char* format, int quality = -1) {
    const QString path = QDir(g_out).filePath(file);
    if (!img.save(path, format, quality)) {
        std::fprintf(stderr, "make-resources: cannot write %s\n", qPrintable(path));
        g_ok = false;
    }
}

QImage canvas(int w, int h, QColor fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

QFont font(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Smooth value noise in [0, 1] on a lattice of the given cell size, wrapping every `period`
// cells so that textures tile.
class ValueNoise {
  public:
    ValueNoise(uint64_t seed, int period) : period_(period), v_(size_t(period) * period) {
        Rng r(seed);
        for (double& x : v_) x = r.unit();
    }
    double at(double x, double y) const {
        const int xi = int(std::floor(x)), yi = int(std::floor(y));
        const double fx = smooth(x - xi), fy = smooth(y - yi);
        const double a = lattice(xi, yi), b = lattice(xi + 1, yi);
        const double c = lattice(xi, yi + 1), d = lattice(xi + 1, yi + 1);
        return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
    }
    double fractal(double x, double y, int octaves) const {
        double sum = 0, amp = 0.5, norm = 0, f = 1;
        for (int i = 0; i < octaves; ++i) {
            sum += amp * at(x * f, y * f);
            norm += amp;
            amp *= 0.5;
            f *= 2;
        }
        return sum / norm;
    }

  private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double lattice(int x, int y) const {
        x = ((x % period_) + period_) % period_;
        y = ((y % period_) + period_) % period_;
        return v_[size_t(y) * period_ + x];
    }
    int period_;
    std::vector<double> v_;
};

// ------------------------------------------------------------------ the default picture

QPolygonF ridge(Rng& rng, int width, double base, double rough, int levels) {
    std::vector<double> h = {base + rng.range(-rough, rough), base + rng.range(-rough, rough)};
    double amp = rough;
    for (int l = 0; l < levels; ++l) {
        std::vector<double> n;
        for (size_t i = 0; i + 1 < h.size(); ++i) {
            n.push_back(h[i]);
            n.push_back((h[i] + h[i + 1]) / 2 + rng.range(-amp, amp));
        }
        n.push_back(h.back());
        h = std::move(n);
        amp *= 0.55;
    }
    QPolygonF poly;
    for (size_t i = 0; i < h.size(); ++i) poly << QPointF(width * double(i) / (h.size() - 1), h[i]);
    return poly;
}

void drawMainPicture() {
    const int W = 1600, H = 1200;
    const double horizon = 640;
    QImage img = canvas(W, H, Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Rng rng(20260101);

    // Sky: deep blue above, warm towards the horizon.
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0.0, QColor(22, 40, 98));
    sky.setColorAt(0.45, QColor(86, 92, 168));
    sky.setColorAt(0.75, QColor(226, 126, 118));
    sky.setColorAt(1.0, QColor(255, 196, 120));
    p.fillRect(QRectF(0, 0, W, horizon), sky);

    // Sun glow.
    const QPointF sun(1150, 300);
    QRadialGradient glow(sun, 420);
    glow.setColorAt(0.0, QColor(255, 252, 235, 255));
    glow.setColorAt(0.09, QColor(255, 246, 210, 255));
    glow.setColorAt(0.11, QColor(255, 226, 160, 230));
    glow.setColorAt(0.3, QColor(255, 190, 120, 110));
    glow.setColorAt(1.0, QColor(255, 160, 120, 0));
    p.fillRect(QRectF(0, 0, W, horizon), glow);

    // Soft clouds: clusters of translucent ellipses.
    for (int c = 0; c < 14; ++c) {
        const double cx = rng.range(-100, W + 100), cy = rng.range(60, horizon - 200);
        const double scale = rng.range(0.6, 1.6);
        for (int k = 0; k < 18; ++k) {
            const QPointF at(cx + rng.range(-160, 160) * scale, cy + rng.range(-28, 28) * scale);
            const double r = rng.range(30, 80) * scale;
            QRadialGradient g(at, r);
            const int shade = int(rng.range(200, 255));
            g.setColorAt(0, QColor(255, shade, int(shade * 0.92), 70));
            g.setColorAt(1, QColor(255, shade, shade, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(at, r * 1.8, r);
        }
    }

    // Mountain ranges, far to near, hazier far away.
    const QColor ranges[4] = {QColor(150, 110, 160), QColor(104, 78, 140), QColor(64, 56, 110),
                              QColor(34, 40, 74)};
    for (int i = 0; i < 4; ++i) {
        QPolygonF poly = ridge(rng, W, horizon - 190 + i * 45, 80 - i * 12, 8);
        poly << QPointF(W, horizon) << QPointF(0, horizon);
        QLinearGradient g(0, horizon - 320 + i * 55, 0, horizon);
        g.setColorAt(0, ranges[i].lighter(115));
        g.setColorAt(1, ranges[i].darker(120));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPolygon(poly);
    }

    // Water: the sky mirrored, with fine ripples.
    QLinearGradient water(0, horizon, 0, H);
    water.setColorAt(0.0, QColor(250, 186, 126));
    water.setColorAt(0.25, QColor(150, 96, 140));
    water.setColorAt(0.7, QColor(36, 60, 110));
    water.setColorAt(1.0, QColor(14, 26, 60));
    p.fillRect(QRectF(0, horizon, W, H - horizon), water);
    // The sun's path on the water: bright ripples, wider towards the viewer.
    for (int i = 0; i < 1800; ++i) {
        const double depth = std::pow(rng.unit(), 1.3);
        const double y = horizon + 4 + depth * (H - horizon - 200);
        const double spread = 30 + depth * 170;
        const double x = sun.x() + spread * (rng.unit() + rng.unit() - 1);
        const double len = 4 + depth * 40 * rng.unit();
        p.setPen(QPen(QColor(255, 238, 196, int(90 + 120 * (1 - depth) * rng.unit())),
                      0.8 + depth * 1.8));
        p.drawLine(QPointF(x - len / 2, y), QPointF(x + len / 2, y));
    }
    for (int i = 0; i < 2600; ++i) {
        const double y = horizon + std::pow(rng.unit(), 1.6) * (H - horizon);
        const double depth = (y - horizon) / (H - horizon);
        const double x = rng.range(-20, W);
        const double len = 6 + depth * 60 * rng.unit();
        const bool bright = std::abs(x - sun.x()) < 60 + depth * 160 && rng.unit() < 0.5;
        p.setPen(QPen(bright ? QColor(255, 230, 190, 150) : QColor(200, 210, 255, 45),
                      0.6 + depth * 1.6));
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }

    // Shore in the foreground, with grass and flowers: fine detail.
    QPolygonF shore = ridge(rng, W, H - 150, 30, 7);
    for (QPointF& pt : shore) pt.setY(pt.y() + 60 * std::sin(pt.x() / W * kPi));
    shore << QPointF(W, H) << QPointF(0, H);
    QLinearGradient sand(0, H - 240, 0, H);
    sand.setColorAt(0, QColor(70, 84, 46));
    sand.setColorAt(1, QColor(24, 34, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(sand);
    p.drawPolygon(shore);
    for (int i = 0; i < 5200; ++i) {
        const double x = rng.range(0, W);
        // Ground height at x from the shore polygon.
        const int idx = std::clamp(int(x / W * (shore.size() - 3)), 0, int(shore.size()) - 3);
        const double gy = shore[idx].y() + rng.range(4, 200);
        if (gy > H) continue;
        const double h = rng.range(8, 34) * (0.6 + (gy - (H - 200)) / 300);
        const double lean = rng.range(-8, 8);
        const int g = int(rng.range(90, 170));
        p.setPen(QPen(QColor(int(g * 0.55), g, int(g * 0.35), 200), rng.range(0.7, 1.6)));
        QPainterPath blade(QPointF(x, gy));
        blade.quadTo(QPointF(x + lean * 0.3, gy - h * 0.6), QPointF(x + lean, gy - h));
        p.setBrush(Qt::NoBrush);
        p.drawPath(blade);
    }
    const QColor petals[5] = {QColor(240, 70, 90), QColor(250, 200, 60), QColor(200, 110, 240),
                              QColor(255, 255, 255), QColor(255, 130, 40)};
    for (int i = 0; i < 420; ++i) {
        const double x = rng.range(0, W), y = rng.range(H - 120, H - 6);
        const double r = rng.range(2.5, 6.5);
        QRadialGradient g(QPointF(x - r * 0.3, y - r * 0.3), r * 1.3);
        const QColor c = petals[rng.next() % 5];
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c.darker(130));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(x, y), r, r);
    }

    // Balloons: soft shaded shapes in strong colours.
    struct Balloon {
        double x, y, r;
        QColor c;
    };
    const Balloon balloons[] = {{330, 300, 74, QColor(230, 50, 60)},
                                {560, 200, 44, QColor(40, 170, 220)},
                                {760, 360, 30, QColor(250, 210, 40)},
                                {1420, 250, 56, QColor(70, 200, 110)}};
    for (const Balloon& b : balloons) {
        QRadialGradient g(QPointF(b.x - b.r * 0.35, b.y - b.r * 0.45), b.r * 1.5);
        g.setColorAt(0, b.c.lighter(170));
        g.setColorAt(0.5, b.c);
        g.setColorAt(1, b.c.darker(200));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        QPainterPath shape;
        shape.addEllipse(QPointF(b.x, b.y), b.r, b.r * 1.12);
        shape.moveTo(b.x - b.r * 0.55, b.y + b.r * 0.9);
        shape.lineTo(b.x + b.r * 0.55, b.y + b.r * 0.9);
        shape.lineTo(b.x + b.r * 0.2, b.y + b.r * 1.35);
        shape.lineTo(b.x - b.r * 0.2, b.y + b.r * 1.35);
        shape.closeSubpath();
        p.drawPath(shape.simplified());
        p.setPen(QPen(QColor(40, 30, 30, 200), std::max(1.0, b.r / 40)));
        p.drawLine(QPointF(b.x - b.r * 0.18, b.y + b.r * 1.35),
                   QPointF(b.x - b.r * 0.14, b.y + b.r * 1.62));
        p.drawLine(QPointF(b.x + b.r * 0.18, b.y + b.r * 1.35),
                   QPointF(b.x + b.r * 0.14, b.y + b.r * 1.62));
        p.setBrush(QColor(110, 70, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(b.x - b.r * 0.16, b.y + b.r * 1.6, b.r * 0.32, b.r * 0.22));
    }

    // A sign post with text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 44, 26));
    p.drawRect(QRectF(210, 930, 16, 200));
    p.drawRect(QRectF(470, 930, 16, 200));
    QLinearGradient wood(0, 880, 0, 1000);
    wood.setColorAt(0, QColor(176, 122, 72));
    wood.setColorAt(1, QColor(118, 76, 42));
    p.setBrush(wood);
    p.drawRoundedRect(QRectF(170, 880, 356, 120), 10, 10);
    p.setPen(QPen(QColor(90, 58, 32, 150), 1.2));
    for (int i = 0; i < 9; ++i) {
        const double y = 892 + i * 12 + rng.range(-2, 2);
        p.drawLine(QPointF(182, y), QPointF(514, y + rng.range(-3, 3)));
    }
    p.setFont(font(58, true));
    p.setPen(QColor(250, 236, 205));
    p.drawText(QRectF(170, 880, 356, 84), Qt::AlignCenter, QStringLiteral("DEVERAV"));
    p.setFont(font(17));
    p.drawText(QRectF(170, 950, 356, 40), Qt::AlignCenter, QStringLiteral("Lake Orrin  ·  2 km"));
    p.setFont(font(12));
    p.setPen(QColor(255, 255, 255, 150));
    p.drawText(QRectF(W - 420, H - 34, 400, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Default picture · 1600 × 1200 · made by make-resources"));
    p.end();

    // Film grain.
    Rng grain(7);
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const int n = int(grain.next() % 11) - 5;
            const QRgb c = row[x];
            row[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                          std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    save(img.convertToFormat(QImage::Format_RGB32), QStringLiteral("main_img.jpg"), "JPEG", 92);
}

// ------------------------------------------------------------------ default filter pictures

QImage grey(int w, int h, const std::function<double(double, double)>& f) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int v = std::clamp(int(std::lround(f(x + 0.5, y + 0.5) * 255)), 0, 255);
            row[x] = qRgb(v, v, v);
        }
    }
    return img;
}

void drawFilterPictures() {
    // A smooth bump texture that tiles.
    const ValueNoise bumps(11, 8);
    save(grey(256, 256, [&](double x, double y) { return bumps.fractal(x / 32, y / 32, 4); }),
         QStringLiteral("smoothtexture.tiff"), "TIFF");

    // A lit sphere: the shading of every surface direction.
    auto sphere = [](double x, double y, double size, double& nx, double& ny, double& nz) {
        nx = (x - size / 2) / (size / 2);
        ny = -(y - size / 2) / (size / 2);
        const double r2 = nx * nx + ny * ny;
        if (r2 > 1) return false;
        nz = std::sqrt(1 - r2);
        return true;
    };
    const double L[3] = {-0.45, 0.55, 0.70};
    const double Ln = std::sqrt(L[0] * L[0] + L[1] * L[1] + L[2] * L[2]);
    QImage lightball(256, 256, QImage::Format_RGB32);
    QImage shine(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            double nx, ny, nz;
            if (!sphere(x + 0.5, y + 0.5, 256, nx, ny, nz)) {
                lightball.setPixel(x, y, qRgb(0, 0, 0));
                shine.setPixel(x, y, qRgba(0, 0, 0, 0));
                continue;
            }
            const double d = std::max(0.0, (nx * L[0] + ny * L[1] + nz * L[2]) / Ln);
            // Reflection of the light about the normal, seen from straight ahead.
            const double rz = 2 * d * nz - L[2] / Ln;
            const double highlight = std::pow(std::max(0.0, rz), 36);
            const double r = std::min(1.0, 0.08 + 0.78 * d * 1.00 + highlight);
            const double g = std::min(1.0, 0.08 + 0.74 * d * 0.96 + highlight);
            const double b = std::min(1.0, 0.10 + 0.70 * d * 0.90 + highlight);
            lightball.setPixel(x, y, qRgb(int(r * 255), int(g * 255), int(b * 255)));
            // The shine map keeps only the highlight and a thin rim light.
            const double rim = std::pow(1 - nz, 6) * 0.5;
            const double a = std::clamp(std::pow(std::max(0.0, rz), 12) + rim, 0.0, 1.0);
            shine.setPixel(x, y, qRgba(255, 255, 255, int(a * 255)));
        }
    }
    save(lightball, QStringLiteral("lightball.tiff"), "TIFF");
    save(shine, QStringLiteral("restrictedshine.tiff"), "TIFF");

    // A colour ramp from black through blue, magenta and orange to white.
    QImage ramp = canvas(256, 16);
    {
        QPainter p(&ramp);
        QLinearGradient g(0, 0, 256, 0);
        g.setColorAt(0.0, QColor(0, 0, 0));
        g.setColorAt(0.22, QColor(24, 38, 140));
        g.setColorAt(0.45, QColor(170, 40, 150));
        g.setColorAt(0.68, QColor(250, 120, 40));
        g.setColorAt(0.86, QColor(255, 224, 80));
        g.setColorAt(1.0, QColor(255, 255, 255));
        p.fillRect(ramp.rect(), g);
    }
    save(ramp.convertToFormat(QImage::Format_RGB32), QStringLiteral("colormap.tiff"), "TIFF");

    // A greyscale mask: a soft-edged ellipse with a darker band.
    save(grey(512, 384,
              [](double x, double y) {
                  const double dx = (x - 256) / 230, dy = (y - 192) / 160;
                  const double r = std::sqrt(dx * dx + dy * dy);
                  double v = std::clamp((1.0 - r) * 3.0, 0.0, 1.0);
                  v *= 0.75 + 0.25 * std::cos(y / 384 * 2 * kPi);
                  return v;
              }),
         QStringLiteral("mask.tiff"), "TIFF");
}

// ------------------------------------------------------------------ small pictures and buttons

void drawMarker() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass ? QColor(255, 255, 255) : QColor(0, 0, 0, 200), pass ? 1.0 : 2.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 5, 5);
        // Arms with a clear gap in the middle.
        p.drawLine(QPointF(8, 0.5), QPointF(8, 5.5));
        p.drawLine(QPointF(8, 10.5), QPointF(8, 15.5));
        p.drawLine(QPointF(0.5, 8), QPointF(5.5, 8));
        p.drawLine(QPointF(10.5, 8), QPointF(15.5, 8));
    }
    p.end();
    save(img, QStringLiteral("16x16c.tif"), "TIFF");
}

QImage buttonFace(int w, int h, bool on, bool disabled = false) {
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    QLinearGradient g(0, 0, 0, h);
    if (disabled) {
        g.setColorAt(0, QColor(60, 60, 62));
        g.setColorAt(1, QColor(52, 52, 54));
    } else if (on) {
        g.setColorAt(0, QColor(104, 104, 110));
        g.setColorAt(1, QColor(74, 74, 80));
    } else {
        g.setColorAt(0, QColor(82, 82, 86));
        g.setColorAt(1, QColor(58, 58, 62));
    }
    p.setBrush(g);
    p.setPen(QPen(on ? QColor(232, 164, 60) : QColor(30, 30, 32), 1));
    p.drawRoundedRect(r, 6, 6);
    p.setPen(QPen(QColor(255, 255, 255, disabled ? 10 : 28), 1));
    p.drawLine(QPointF(6, 1.5), QPointF(w - 6, 1.5));
    return img;
}

void drawButtons() {
    save(buttonFace(96, 32, false), QStringLiteral("off_96.png"), "PNG");
    save(buttonFace(96, 32, true), QStringLiteral("on_96.png"), "PNG");
    // The disabled look of the tool strip's buttons, named by their titles.
    for (const char* title : {"Open", "Paste", "Apply", "Add"})
        save(buttonFace(96, 32, false, true), QString::fromLatin1(title) + QStringLiteral(".png"),
             "PNG");

    // Favourite button frames.
    for (int on = 0; on < 2; ++on) {
        QImage img = canvas(50, 50);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(on ? QColor(90, 90, 96) : QColor(50, 50, 54));
        p.setPen(QPen(on ? QColor(232, 164, 60) : QColor(28, 28, 30), on ? 2 : 1));
        p.drawRoundedRect(QRectF(1, 1, 48, 48), 5, 5);
        p.end();
        save(img, on ? QStringLiteral("on_button_50.png") : QStringLiteral("off_button_50.png"),
             "PNG");
    }
    // Close boxes.
    for (int on = 0; on < 2; ++on) {
        QImage img = canvas(14, 14);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? QColor(220, 70, 60) : QColor(20, 20, 22, 220));
        p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
        p.setPen(QPen(QColor(240, 240, 240), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
        p.end();
        save(img, on ? QStringLiteral("on_x.png") : QStringLiteral("off_x.png"), "PNG");
    }

    // The three mode buttons: a symbol and a word, lit when on.
    struct Mode {
        const char* name;
        const char* word;
        int kind;
    };
    const Mode modes[] = {{"standard", "Filters", 0}, {"threeD", "3D", 1}, {"custom", "Custom", 2}};
    for (const Mode& m : modes) {
        for (int on = 0; on < 2; ++on) {
            const int w = 100, h = 44;
            QImage img = canvas(w, h);
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            QLinearGradient g(0, 0, 0, h);
            g.setColorAt(0, on ? QColor(88, 88, 94) : QColor(64, 64, 68));
            g.setColorAt(1, on ? QColor(66, 66, 72) : QColor(50, 50, 54));
            p.setBrush(g);
            p.setPen(QPen(QColor(28, 28, 30), 1));
            const double left = m.kind == 0 ? 0.5 : -8, right = m.kind == 2 ? w - 0.5 : w + 8;
            p.setClipRect(QRectF(0, 0, w, h));
            p.drawRoundedRect(QRectF(left, 0.5, right - left, h - 1), 7, 7);
            if (m.kind > 0) {
                p.setPen(QPen(QColor(30, 30, 32), 1));
                p.drawLine(QPointF(0.5, 4), QPointF(0.5, h - 4));
            }
            const QColor ink = on ? QColor(240, 240, 240) : QColor(170, 170, 170);
            const QColor acc = on ? QColor(232, 164, 60) : QColor(130, 130, 130);
            const QPointF c(24, h / 2.0);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(acc, 1.6));
            if (m.kind == 0) {
                // Three sliders.
                for (int i = 0; i < 3; ++i) {
                    const double y = c.y() - 8 + i * 8;
                    p.drawLine(QPointF(c.x() - 10, y), QPointF(c.x() + 10, y));
                    p.setBrush(acc);
                    p.drawEllipse(QPointF(c.x() - 6 + i * 6, y), 2.6, 2.6);
                    p.setBrush(Qt::NoBrush);
                }
            } else if (m.kind == 1) {
                // A cube.
                const double s = 8;
                QPolygonF front{QPointF(c.x() - s, c.y() - s + 3),
                                QPointF(c.x() + s - 3, c.y() - s + 3),
                                QPointF(c.x() + s - 3, c.y() + s), QPointF(c.x() - s, c.y() + s)};
                p.drawPolygon(front);
                p.drawLine(front[0], front[0] + QPointF(4, -4));
                p.drawLine(front[1], front[1] + QPointF(4, -4));
                p.drawLine(front[2], front[2] + QPointF(4, -4));
                p.drawLine(front[0] + QPointF(4, -4), front[1] + QPointF(4, -4));
                p.drawLine(front[1] + QPointF(4, -4), front[2] + QPointF(4, -4));
            } else {
                // A sparkle.
                QPainterPath star;
                for (int i = 0; i < 8; ++i) {
                    const double a = i * kPi / 4, r = i % 2 ? 3.5 : 10;
                    const QPointF pt(c.x() + r * std::sin(a), c.y() - r * std::cos(a));
                    if (i == 0)
                        star.moveTo(pt);
                    else
                        star.lineTo(pt);
                }
                star.closeSubpath();
                p.drawPath(star);
            }
            p.setPen(ink);
            p.setFont(font(13, on));
            p.drawText(QRectF(40, 0, w - 44, h), Qt::AlignVCenter | Qt::AlignLeft,
                       QString::fromLatin1(m.word));
            if (on) {
                p.setPen(Qt::NoPen);
                p.setBrush(acc);
                p.drawRect(QRectF(10, h - 4, w - 20, 2));
            }
            p.end();
            save(img,
                 QString::fromLatin1(m.name) +
                     (on ? QStringLiteral("_on.png") : QStringLiteral("_off.png")),
                 "PNG");
        }
    }
}

// The resize panel's proportion switch: a bracket joining the width and height fields with a
// chain link in the middle, closed while the proportions are kept ("off"), broken when the two
// fields are free ("on").
void drawProportionSwitch() {
    for (int on = 0; on < 2; ++on) {
        const int w = 24, h = 52;
        QImage img = canvas(w, h);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = on ? QColor(150, 150, 150) : QColor(232, 164, 60);
        p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        // Bracket arms from the fields towards the link.
        p.drawPolyline(QPolygonF{QPointF(2, 6), QPointF(12, 6), QPointF(12, 15)});
        p.drawPolyline(QPolygonF{QPointF(2, h - 6), QPointF(12, h - 6), QPointF(12, h - 15)});
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        const QRectF upper(8, 15, 8, 10), lower(8, h - 25, 8, 10);
        if (on) {
            // Two links apart.
            p.drawRoundedRect(upper.translated(0, -2), 4, 4);
            p.drawRoundedRect(lower.translated(0, 2), 4, 4);
        } else {
            p.drawRoundedRect(upper.adjusted(0, 0, 0, 3), 4, 4);
            p.drawRoundedRect(lower.adjusted(0, -3, 0, 0), 4, 4);
        }
        p.end();
        save(img, on ? QStringLiteral("prop_on.png") : QStringLiteral("prop_off.png"), "PNG");
    }
}

void drawIcon() {
    const int S = 256;
    QImage img = canvas(S, S);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, S, S);
    bg.setColorAt(0, QColor(44, 48, 70));
    bg.setColorAt(1, QColor(20, 22, 34));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(8, 8, S - 16, S - 16), 46, 46);
    // A picture frame with a sunset, a lens over it.
    QPainterPath frame;
    frame.addRoundedRect(QRectF(44, 60, 150, 116), 12, 12);
    QLinearGradient sky(0, 60, 0, 176);
    sky.setColorAt(0, QColor(60, 80, 170));
    sky.setColorAt(0.6, QColor(240, 130, 110));
    sky.setColorAt(1, QColor(255, 200, 110));
    p.setBrush(sky);
    p.drawPath(frame);
    p.setClipPath(frame);
    p.setBrush(QColor(40, 36, 80));
    p.drawPolygon(QPolygonF{QPointF(44, 176), QPointF(90, 120), QPointF(120, 146),
                            QPointF(150, 110), QPointF(194, 176)});
    p.setBrush(QColor(255, 236, 180));
    p.drawEllipse(QPointF(150, 96), 14, 14);
    p.setClipping(false);
    QRadialGradient lens(QPointF(168, 160), 56);
    lens.setColorAt(0, QColor(255, 255, 255, 60));
    lens.setColorAt(0.85, QColor(232, 164, 60, 90));
    lens.setColorAt(1, QColor(232, 164, 60, 230));
    p.setBrush(lens);
    p.setPen(QPen(QColor(240, 176, 70), 9));
    p.drawEllipse(QPointF(168, 160), 48, 48);
    p.setPen(QPen(QColor(240, 176, 70), 16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(204, 196), QPointF(226, 218));
    p.end();
    save(img, QStringLiteral("app.png"), "PNG");
}

// ------------------------------------------------------------------ the 48 masks

void drawMasks() {
    const int S = 256;
    for (int i = 1; i <= 48; ++i) {
        const int family = (i - 1) / 8;  // six families of eight
        const int k = (i - 1) % 8;
        QImage img = canvas(S, S, Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        Rng rng(1000 + i);
        switch (family) {
            case 0: {  // circles and rings
                if (k < 4) {
                    const double r = 50 + k * 20;
                    p.setBrush(Qt::black);
                    p.drawEllipse(QPointF(S / 2.0, S / 2.0), r, r);
                } else {
                    const int rings = k - 1;
                    for (int j = rings; j >= 1; --j) {
                        p.setBrush(j % 2 ? Qt::black : Qt::white);
                        const double r = 120.0 * j / rings;
                        p.drawEllipse(QPointF(S / 2.0, S / 2.0), r, r);
                    }
                }
                break;
            }
            case 1: {  // stars
                const int points = 4 + k;
                const double inner = k % 2 ? 0.35 : 0.5;
                QPainterPath star;
                for (int j = 0; j < points * 2; ++j) {
                    const double a = j * kPi / points, r = (j % 2 ? inner : 1.0) * 118;
                    const QPointF pt(S / 2.0 + r * std::sin(a), S / 2.0 - r * std::cos(a));
                    if (j == 0)
                        star.moveTo(pt);
                    else
                        star.lineTo(pt);
                }
                star.closeSubpath();
                p.setBrush(Qt::black);
                p.drawPath(star);
                break;
            }
            case 2: {  // stripes: straight, slanted, wavy
                const int n = 3 + k;
                p.translate(S / 2.0, S / 2.0);
                p.rotate(k * 22.5);
                p.translate(-S, -S);
                p.setBrush(Qt::black);
                const double w = 2.0 * S / n;
                for (int j = 0; j < n; ++j) {
                    if (k >= 6) {
                        QPainterPath wave;
                        for (int x = 0; x <= 2 * S; x += 4) {
                            const double y = j * w + 8 * std::sin(x / 20.0);
                            if (x == 0)
                                wave.moveTo(x, y);
                            else
                                wave.lineTo(x, y);
                        }
                        for (int x = 2 * S; x >= 0; x -= 4)
                            wave.lineTo(x, j * w + w / 2 + 8 * std::sin(x / 20.0));
                        wave.closeSubpath();
                        p.drawPath(wave);
                    } else {
                        p.drawRect(QRectF(0, j * w, 2 * S, w / 2));
                    }
                }
                break;
            }
            case 3: {  // vignettes: soft edges of several shapes and strengths
                QImage v = grey(S, S, [&](double x, double y) {
                    const double dx = (x - S / 2.0) / (S / 2.0), dy = (y - S / 2.0) / (S / 2.0);
                    double d;
                    if (k < 3)
                        d = std::sqrt(dx * dx + dy * dy);
                    else if (k < 5)
                        d = std::max(std::abs(dx), std::abs(dy));
                    else if (k < 7)
                        d = std::sqrt(dx * dx * 0.5 + dy * dy * 1.6);
                    else
                        d = std::abs(dx) + std::abs(dy);
                    const double softness = 0.25 + 0.2 * (k % 3);
                    return std::clamp((d - (0.85 - softness)) / softness, 0.0, 1.0);
                });
                p.drawImage(0, 0, v);
                break;
            }
            case 4: {  // letters
                const char* letters = "DEVRAKSQ";
                p.setPen(Qt::black);
                p.setFont(font(200, true));
                p.drawText(QRectF(0, 0, S, S), Qt::AlignCenter, QString(QChar(letters[k])));
                break;
            }
            default: {  // noise: blotches of several sizes, and plain grain
                const ValueNoise noise(500 + k, 16);
                const double cell = k < 6 ? 8.0 + k * 8 : 3.0;
                QImage v = grey(S, S, [&](double x, double y) {
                    const double n = noise.fractal(x / cell, y / cell, k < 6 ? 3 : 1);
                    return k % 2 ? (n > 0.5 ? 1.0 : 0.0) : std::clamp((n - 0.25) * 2, 0.0, 1.0);
                });
                p.drawImage(0, 0, v);
                break;
            }
        }
        p.end();
        save(img.convertToFormat(QImage::Format_Grayscale8), QStringLiteral("t%1.jpg").arg(i),
             "JPEG", 90);
    }
}

// ------------------------------------------------------------------ the help page

void writeHelp() {
    QFile f(QDir(g_out).filePath(QStringLiteral("main.html")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "make-resources: cannot write main.html\n");
        g_ok = false;
        return;
    }
    QTextStream out(&f);
    out << R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Deverav — user guide</title>
<style>
 body { font-family: "DejaVu Sans", sans-serif; background: #2e2e30; color: #d4d4d4;
        max-width: 46em; margin: 2em auto; padding: 0 1.5em; line-height: 1.5; }
 h1 { color: #fff; font-size: 1.8em; margin-bottom: 0.2em; }
 h2 { color: #e8a43c; font-size: 1.2em; margin-top: 1.8em; border-bottom: 1px solid #444; }
 kbd { background: #3a3a3c; border: 1px solid #555; border-radius: 3px; padding: 0 0.35em;
       font-family: "DejaVu Sans Mono", monospace; font-size: 0.9em; }
 table { border-collapse: collapse; }
 td { padding: 0.2em 1em 0.2em 0; vertical-align: top; }
 .lead { color: #aaa; }
</style>
</head>
<body>
<h1>Deverav</h1>
<p class="lead">Effects for one still picture: pick an effect, shape it with its settings and
with the handles on the picture, apply it, and save the result.</p>

<h2>The window</h2>
<p>On the left are the three <b>mode buttons</b>, under them the list of effects of the current
mode, and under the list the <b>settings</b> of the chosen effect. On the right is the picture
with, above it, the tool strip (<b>Open</b>, <b>Paste</b>, <b>Apply</b> and the zoom slider) and,
below it, the favourites of the current mode.</p>
<p>A picture opens with <b>Open</b>, by dropping its file on the picture, or from the file
manager with <b>Open With ▸ Deverav</b> (<code>deverav FILE</code> in a terminal).</p>

<h2>Modes</h2>
<table>
<tr><td><b>Filters</b></td><td>Image filters in nine categories: blurs, colour adjustments,
distortions, generators, sharpening, stylising and more. Each filter gets its own settings panel.</td></tr>
<tr><td><b>3D</b></td><td>The picture on a curved surface or on a solid (sphere, cylinder, torus,
cube, cone, pyramid, disk). Drag on the picture to turn it.</td></tr>
<tr><td><b>Custom</b></td><td>Seven generators that paint random shapes, lines, a Hilbert curve,
patchwork, a flare, plasma or morphing patterns over the picture or over a plain colour. Entries
marked with a cross-hair are placed with the mouse.</td></tr>
</table>
<p>Each mode keeps its own effect: switching away and back shows it as you left it. Switching
modes can be undone with <kbd>Ctrl</kbd>+<kbd>Z</kbd>.</p>

<h2>Handles</h2>
<p>Filters with positions, rectangles or transforms show handles on the picture while the pointer
is over it. Press anywhere to take the nearest handle and drag it. Every move can be undone.
The mouse wheel zooms; so does the slider, whose middle is 100&nbsp;%, and so do the keys of the
<b>View</b> menu. Drag with the middle button, or with <kbd>Space</kbd> held, to move the picture
in the window. Above 200&nbsp;% every pixel of the picture shows as a sharp square.</p>

<h2>Applying and saving</h2>
<p><b>Apply</b> makes the effect's result the new picture, so effects can be stacked. Flips,
rotations, resizing, pasting and Apply can all be undone; opening a file cannot. To undo them,
the program keeps the earlier pictures in memory, up to 2&nbsp;GiB in all: past that the oldest
steps are forgotten, so a long session never runs out of memory. Work that takes longer than
half a second shows a progress panel whose <b>Cancel</b> leaves the picture as it was.
<b>Save</b> writes the result in one of many raster formats or as a one-page PDF.</p>

<h2>Saving</h2>
<p><b>Save As</b> asks for a name, a format and a resolution. The file gets the format's
extension (a name typed as <i>Holiday.png</i> with JPEG chosen is saved as <i>Holiday.jpeg</i>;
<i>photo.jpg</i> stays <i>photo.jpg</i>). The format menu offers only the formats this computer
can write; PDF makes one page the size of the picture, one point per pixel, with the picture
kept without loss. The resolution (72 to 600 dpi) is written into the file for printing where the
format has room for it; the pixels are never scaled. For JPEG a <b>Quality</b> slider (90 at
first) trades detail against the file's size; the choice is kept for the next save. A picture
opened from a file keeps what that file recorded (camera, exposure, date, place, artist,
copyright, keywords) when it is saved as JPEG, PNG, TIFF or PSD, brought up to date: the new
size, upright, without the old thumbnail. A pasted picture has none. <b>Save</b> rewrites the picture's own file
in the format its name says (jpg, png, tif, bmp, gif, sgi, psd, tga, pdf), after asking.
A file is replaced only once the new one is complete, so a failed save never damages the old
file, and the picture still counts as unsaved. Quitting with <b>Save...</b> quits only when
the save succeeded.</p>

<h2>Size and information</h2>
<p><b>Image ▸ Resize Image ...</b> opens a small panel with the picture's new width and height,
in pixels, percent, inches, millimetres, centimetres or picas (a pixel counts as a point, 72 to
the inch). While the chain between the two fields is closed, changing one changes the other in
proportion; click the chain to set them apart. <b>Resize</b> scales the picture, and can be
undone. <b>Image ▸ Image Information ...</b> shows the file the picture came from: its type, its
size and everything it records about itself, such as the camera's settings and the place it was
taken.</p>

<h2>Favourites</h2>
<p>Keep an effect with all its settings as a favourite: it appears as a thumbnail in the bar
under the picture. Click a thumbnail to bring the effect back; the small cross on it removes it.
Favourites are kept between sessions, separately for each mode.</p>

<h2>Keys</h2>
<table>
<tr><td><kbd>Esc</kbd></td><td>Drop the effect of the current mode (Edit ▸ Drop Effect)</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>1</kbd>, <kbd>2</kbd>, <kbd>3</kbd></td><td>Filters, 3D or Custom mode</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>Z</kbd> / <kbd>Ctrl</kbd>+<kbd>Shift</kbd>+<kbd>Z</kbd></td><td>Undo / Redo</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>O</kbd></td><td>Open a picture</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>S</kbd> / <kbd>Ctrl</kbd>+<kbd>Shift</kbd>+<kbd>S</kbd></td><td>Save / Save As</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>C</kbd> / <kbd>Ctrl</kbd>+<kbd>V</kbd></td><td>Copy the result / paste a picture</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>R</kbd> / <kbd>Ctrl</kbd>+<kbd>Shift</kbd>+<kbd>R</kbd></td><td>Rotate right / left</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>Return</kbd></td><td>Apply (Image ▸ Apply)</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>+</kbd> / <kbd>Ctrl</kbd>+<kbd>-</kbd></td><td>Zoom in / out</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>0</kbd> / <kbd>Ctrl</kbd>+<kbd>9</kbd></td><td>Actual size / fit in window</td></tr>
<tr><td><kbd>Space</kbd> + drag, middle button drag</td><td>Move the picture in the window</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>I</kbd></td><td>Picture information</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>Q</kbd></td><td>Quit (you are asked first when there are unsaved changes)</td></tr>
</table>

<h2>Unsaved changes</h2>
<p>Choosing an effect, a favourite or Apply marks the picture as changed. While it is changed,
quitting asks whether to save, and the window's close box does nothing: save, or quit and
choose <b>Don't Save</b>.</p>
</body>
</html>
)";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-resources OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "make-resources: cannot create %s\n", argv[1]);
        return 1;
    }
    drawMainPicture();
    drawFilterPictures();
    drawMarker();
    drawButtons();
    drawProportionSwitch();
    drawIcon();
    drawMasks();
    writeHelp();
    return g_ok ? 0 : 1;
}
