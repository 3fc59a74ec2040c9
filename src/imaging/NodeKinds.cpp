#include "imaging/NodeKinds.h"

#include <cstring>

#include "imaging/SourceNode.h"

namespace imaging {

// ---------------------------------------------------------------------------------------------
// Sample kernels

namespace detail {

IRect SampleNodeBase::roi(size_t i, const IRect& out, double scale) const {
    Rect pic = out.toPicture(scale);
    Rect need = roi_ ? roi_(i, pic) : pic.insetBy(-reach_, -reach_);
    // One more pixel on each side for the bilinear neighbours.
    return IRect::cover(need, scale).grown(1, 1);
}

SampleOptions withDefaultExtent(SampleOptions o, const std::vector<Image>& inputs) {
    if (!o.extent) o.extent = inputs.empty() ? Rect::infinite() : inputs.front().extent();
    return o;
}

Rect gridRoi(const std::function<Point(Point)>& map, const Rect& out, double) {
    if (out.isEmpty()) return {};
    constexpr int n = 32;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300, step = 0;
    std::vector<Point> prevRow(n + 1);
    for (int j = 0; j <= n; ++j) {
        Point prev{};
        for (int i = 0; i <= n; ++i) {
            Point q = map({out.x + out.width * i / n, out.y + out.height * j / n});
            if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
                q = {NAN, NAN};
            } else {
                x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
                y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
                if (i > 0 && std::isfinite(prev.x))
                    step = std::max(step, std::hypot(q.x - prev.x, q.y - prev.y));
                if (j > 0 && std::isfinite(prevRow[size_t(i)].x))
                    step = std::max(
                        step, std::hypot(q.x - prevRow[size_t(i)].x, q.y - prevRow[size_t(i)].y));
            }
            prev = q;
            prevRow[size_t(i)] = q;
        }
    }
    if (x1 < x0) return {};
    // Between grid points a smooth map can stray by about one grid step.
    double pad = step + 2;
    return Rect{x0 - pad, y0 - pad, x1 - x0 + 2 * pad, y1 - y0 + 2 * pad};
}

namespace {
class AreaNode final : public Node {
  public:
    AreaNode(std::vector<Image> in, const Rect& extent,
             std::function<Rect(size_t, const Rect&, double)> roi, AreaRender render)
        : Node(std::move(in), extent), roi_(std::move(roi)), render_(std::move(render)) {}
    IRect roi(size_t i, const IRect& out, double scale) const override {
        return IRect::cover(roi_(i, out.toPicture(scale), scale), scale).grown(1, 1);
    }
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        render_(info, out, ins);
    }
    const char* kindName() const override { return "area"; }

  private:
    std::function<Rect(size_t, const Rect&, double)> roi_;
    AreaRender render_;
};
}  // namespace

}  // namespace detail

Image areaKernel(std::vector<Image> inputs, const Rect& extent,
                 std::function<Rect(size_t, const Rect&, double)> roi, AreaRender render) {
    for (auto& i : inputs)
        if (!i) return {};
    return makeImage<detail::AreaNode>(std::move(inputs), extent, std::move(roi),
                                       std::move(render));
}

// ---------------------------------------------------------------------------------------------
// Separable convolution passes

std::vector<float> gaussianTaps(double sigma) {
    if (!(sigma > 0)) return {1.f};
    int r = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<float> taps(size_t(r) + 1);
    double sum = 0;
    for (int k = 0; k <= r; ++k) {
        double w = std::exp(-0.5 * k * k / (sigma * sigma));
        taps[size_t(k)] = float(w);
        sum += k ? 2 * w : w;
    }
    for (auto& t : taps) t = float(t / sum);
    return taps;
}

namespace {

// Recursive Gaussian (Young and van Vliet): cost independent of sigma.
struct Recursive {
    float b0inv, b1, b2, b3, B;
    explicit Recursive(double sigma) {
        double q = sigma >= 2.5 ? 0.98711 * sigma - 0.96330
                                : 3.97156 - 4.14554 * std::sqrt(1 - 0.26891 * sigma);
        double q2 = q * q, q3 = q2 * q;
        double c0 = 1.57825 + 2.44413 * q + 1.4281 * q2 + 0.422205 * q3;
        double c1 = 2.44413 * q + 2.85619 * q2 + 1.26661 * q3;
        double c2 = -(1.4281 * q2 + 1.26661 * q3);
        double c3 = 0.422205 * q3;
        b0inv = float(1 / c0), b1 = float(c1), b2 = float(c2), b3 = float(c3);
        B = float(1 - (c1 + c2 + c3) / c0);
    }
    // In place over the w columns of a w x h block, row by row so that memory is read in order.
    void runColumns(Px* p, int w, int h) const {
        std::vector<Px> s(size_t(w) * 3, Px{0, 0, 0, 0});
        Px *w1 = s.data(), *w2 = w1 + w, *w3 = w2 + w;
        auto step = [&](int j) {
            Px* row = p + size_t(j) * size_t(w);
            for (int i = 0; i < w; ++i) {
                Px v = row[i] * B + (w1[i] * b1 + w2[i] * b2 + w3[i] * b3) * b0inv;
                w3[i] = w2[i], w2[i] = w1[i], w1[i] = v;
                row[i] = v;
            }
        };
        for (int j = 0; j < h; ++j) step(j);
        std::fill(s.begin(), s.end(), Px{0, 0, 0, 0});
        for (int j = h - 1; j >= 0; --j) step(j);
    }
    // In place over n pixels spaced `stride` apart, forward then backward.
    void run(Px* p, ptrdiff_t n, ptrdiff_t stride) const {
        Px w1{0, 0, 0, 0}, w2 = w1, w3 = w1;
        for (ptrdiff_t i = 0; i < n; ++i) {
            Px& v = p[i * stride];
            Px w = v * B + (w1 * b1 + w2 * b2 + w3 * b3) * b0inv;
            w3 = w2, w2 = w1, w1 = w;
            v = w;
        }
        w1 = w2 = w3 = Px{0, 0, 0, 0};
        for (ptrdiff_t i = n - 1; i >= 0; --i) {
            Px& v = p[i * stride];
            Px w = v * B + (w1 * b1 + w2 * b2 + w3 * b3) * b0inv;
            w3 = w2, w2 = w1, w1 = w;
            v = w;
        }
    }
};

constexpr double kRecursiveFrom = 3.0;  // scaled sigma from which the recursive form is used

// One direction of a separable convolution. With `gaussSigma` set the taps are a Gaussian of
// that many picture units, computed recursively when it is wide.
class SeparablePass final : public Node {
  public:
    SeparablePass(const Image& in, int axis, TapsForScale taps, double gaussSigma, double growth)
        : Node({in}, grow(in.extent(), axis, growth)),
          axis_(axis),
          taps_(std::move(taps)),
          sigma_(gaussSigma) {}

    const char* kindName() const override { return axis_ == 0 ? "convolve-x" : "convolve-y"; }
    bool streamsInputs() const override { return axis_ == 0; }
    std::pair<int, int> tileSize() const override {
        return axis_ == 0 ? std::pair{1024, 16} : std::pair{64, 2048};
    }

    bool recursive(double scale) const { return sigma_ > 0 && sigma_ * scale >= kRecursiveFrom; }
    int reach(double scale) const {
        if (recursive(scale)) return int(std::ceil(4 * sigma_ * scale));
        return int(tapsFor(scale).size()) - 1;
    }
    std::vector<float> tapsFor(double scale) const {
        if (sigma_ > 0) return gaussianTaps(sigma_ * scale);
        auto t = taps_ ? taps_(scale) : std::vector<float>{1.f};
        return t.empty() ? std::vector<float>{1.f} : t;
    }

    IRect roi(size_t, const IRect& out, double scale) const override {
        int r = reach(scale);
        return axis_ == 0 ? out.grown(r, 0) : out.grown(0, r);
    }

    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        const Buffer& in = *ins[0];
        const IRect& o = out.rect();
        const int R = reach(info.scale);
        const bool rec = recursive(info.scale);
        const std::vector<float> taps = rec ? std::vector<float>{} : tapsFor(info.scale);
        const int K = int(taps.size()) - 1;
        const Recursive iir(rec ? sigma_ * info.scale : 1.0);

        if (axis_ == 0) {
            const int n = o.width() + 2 * R;
            std::vector<Px> line(static_cast<size_t>(n));
            for (int y = o.y0; y < o.y1; ++y) {
                loadRow(in, y, o.x0 - R, n, line.data());
                Px* dst = out.row(y);
                if (rec) {
                    iir.run(line.data(), n, 1);
                    std::memcpy(dst + o.x0, line.data() + R, size_t(o.width()) * sizeof(Px));
                } else {
                    const Px* c = line.data() + R;
                    for (int i = 0; i < o.width(); ++i) {
                        Px acc = c[i] * taps[0];
                        for (int k = 1; k <= K; ++k) acc += (c[i - k] + c[i + k]) * taps[size_t(k)];
                        dst[o.x0 + i] = acc;
                    }
                }
            }
            return;
        }

        const int w = o.width(), h = o.height() + 2 * R;
        if (rec) {
            std::vector<Px> block(size_t(w) * size_t(h));
            for (int j = 0; j < h; ++j)
                loadRow(in, o.y0 - R + j, o.x0, w, block.data() + size_t(j) * w);
            iir.runColumns(block.data(), w, h);
            for (int y = o.y0; y < o.y1; ++y)
                std::memcpy(out.row(y) + o.x0, block.data() + size_t(y - o.y0 + R) * w,
                            size_t(w) * sizeof(Px));
            return;
        }
        std::vector<Px> acc(static_cast<size_t>(w)), line(static_cast<size_t>(w));
        for (int y = o.y0; y < o.y1; ++y) {
            std::fill(acc.begin(), acc.end(), Px{0, 0, 0, 0});
            for (int k = -K; k <= K; ++k) {
                if (!rowPresent(in, y + k, o.x0, w)) continue;
                loadRow(in, y + k, o.x0, w, line.data());
                const float t = taps[size_t(std::abs(k))];
                for (int i = 0; i < w; ++i) acc[size_t(i)] += line[size_t(i)] * t;
            }
            std::memcpy(out.row(y) + o.x0, acc.data(), size_t(w) * sizeof(Px));
        }
    }

  private:
    static Rect grow(const Rect& e, int axis, double g) {
        return axis == 0 ? e.insetBy(-g, 0) : e.insetBy(0, -g);
    }
    static bool rowPresent(const Buffer& in, int y, int x0, int n) {
        const IRect& r = in.rect();
        return y >= r.y0 && y < r.y1 && x0 < r.x1 && x0 + n > r.x0;
    }
    // Copies n pixels of row y starting at x0, transparent where the buffer has none.
    static void loadRow(const Buffer& in, int y, int x0, int n, Px* dst) {
        const IRect& r = in.rect();
        if (y < r.y0 || y >= r.y1) {
            std::fill(dst, dst + n, Px{0, 0, 0, 0});
            return;
        }
        int a = std::clamp(r.x0 - x0, 0, n), b = std::clamp(r.x1 - x0, 0, n);
        std::fill(dst, dst + a, Px{0, 0, 0, 0});
        if (b > a) std::memcpy(dst + a, in.row(y) + x0 + a, size_t(b - a) * sizeof(Px));
        std::fill(dst + std::max(a, b), dst + n, Px{0, 0, 0, 0});
    }

    int axis_;
    TapsForScale taps_;
    double sigma_;
};

}  // namespace

Image gaussianBlur(const Image& in, double sigma) {
    if (!in) return {};
    if (!(sigma > 0) || !std::isfinite(sigma)) return in;
    double g = 3 * sigma;
    Image h = makeImage<SeparablePass>(in, 0, TapsForScale{}, sigma, g);
    return makeImage<SeparablePass>(h, 1, TapsForScale{}, sigma, g);
}

Image convolveSeparable(const Image& in, TapsForScale horizontal, TapsForScale vertical,
                        double extentGrowth) {
    if (!in) return {};
    Image h = makeImage<SeparablePass>(in, 0, std::move(horizontal), 0.0, extentGrowth);
    return makeImage<SeparablePass>(h, 1, std::move(vertical), 0.0, extentGrowth);
}

// ---------------------------------------------------------------------------------------------
// Crop and affine resampling

namespace {

class CropNode final : public Node {
  public:
    CropNode(const Image& in, const Rect& r) : Node({in}, in.extent().intersected(r)), rect_(r) {}
    bool pointwise() const override { return true; }
    const char* kindName() const override { return "crop"; }
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        const IRect& o = out.rect();
        const double s = info.scale;
        auto cover = [s](int pix, double lo, double len) {
            if (len >= Rect::kInfSize * 0.5) return 1.f;
            double a = std::max(pix / s, lo), b = std::min((pix + 1) / s, lo + len);
            return float(std::clamp((b - a) * s, 0.0, 1.0));
        };
        std::vector<float> cx(size_t(o.width()));
        for (int x = o.x0; x < o.x1; ++x) cx[size_t(x - o.x0)] = cover(x, rect_.x, rect_.width);
        for (int y = o.y0; y < o.y1; ++y) {
            const float cy = cover(y, rect_.y, rect_.height);
            const Px* src = ins[0]->row(y);
            Px* dst = out.row(y);
            for (int x = o.x0; x < o.x1; ++x) dst[x] = src[x] * (cx[size_t(x - o.x0)] * cy);
        }
    }

  private:
    Rect rect_;
};

class AffineNode final : public Node {
  public:
    AffineNode(const Image& in, const AffineTransform& t)
        : Node({in}, t.apply(in.extent())), t_(t), inv_(t.inverted()) {}
    const char* kindName() const override { return "affine"; }
    const AffineTransform& transform() const { return t_; }

    IRect roi(size_t, const IRect& out, double scale) const override {
        return IRect::cover(inv_.apply(out.toPicture(scale)), scale).grown(2, 2);
    }
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        const Buffer& in = *ins[0];
        const IRect& o = out.rect();
        const double s = info.scale;
        // Shrinking by more than half would alias: average several samples per pixel.
        int n = int(std::clamp(std::ceil(1 / std::sqrt(std::abs(t_.determinant()))), 1.0, 4.0));
        const float w = 1.f / float(n * n);
        for (int y = o.y0; y < o.y1; ++y) {
            Px* dst = out.row(y);
            for (int x = o.x0; x < o.x1; ++x) {
                Px acc{0, 0, 0, 0};
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i) {
                        Point p{(x + (i + 0.5) / n) / s, (y + (j + 0.5) / n) / s};
                        Point q = inv_.apply(p);
                        acc += in.sample(q.x * s, q.y * s);
                    }
                dst[x] = acc * w;
            }
        }
    }

  private:
    AffineTransform t_, inv_;
};

}  // namespace

Image crop(const Image& in, const Rect& r) {
    if (!in) return {};
    return makeImage<CropNode>(in, r);
}

Image affineTransform(const Image& in, const AffineTransform& t) {
    if (!in) return {};
    if (t.isIdentity()) return in;
    if (!t.isInvertible()) return {};
    if (t.isTranslation()) {
        if (auto* src = dynamic_cast<const SourceNode*>(in.node().get()))
            return src->translated(t.tx, t.ty);
    }
    if (auto* inner = dynamic_cast<const AffineNode*>(in.node().get())) {
        AffineTransform c = inner->transform().concatenated(t);
        return affineTransform(inner->inputs()[0], c);
    }
    return makeImage<AffineNode>(in, t);
}

Image sourceOver(const Image& fg, const Image& bg) {
    if (!fg) return bg;
    if (!bg) return fg;
    return colorKernelWithExtent(
        fg.extent().united(bg.extent()), [](Px a, Px b) { return over(a, b); }, fg, bg);
}

// ---------------------------------------------------------------------------------------------
// Image

Rect Image::extent() const {
    return node_ ? node_->extent() : Rect{};
}

Image Image::imageByApplyingTransform(const AffineTransform& t) const {
    return affineTransform(*this, t);
}

Image Image::imageByCroppingToRect(const Rect& r) const {
    return crop(*this, r);
}

}  // namespace imaging
