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

// Wide Gaussians as four extended box passes (Gwosdek et al.): the variance is exact, the
// support finite (so tiles agree to the last bit of precision) and the cost independent of sigma.
struct BoxCascade {
    static constexpr int kPasses = 4;
    int r = 0;         // each box spans [-r, r] plus fractional end weights
    double alpha = 0;  // weight of the samples at +-(r + 1), relative to the inner ones
    double c = 1;      // normalisation

    explicit BoxCascade(double sigma) {
        double v = sigma * sigma / kPasses;
        // Beyond this the work is refused before rendering (Node::workEstimate); keep ints sane.
        r = int(std::min(std::floor(0.5 * std::sqrt(12 * v + 1) - 0.5), double(1 << 26)));
        double r1 = r + 1.0;
        alpha = (2 * r + 1) * (r * r1 - 3 * v) / (6 * (v - r1 * r1));
        c = 1 / (2 * r + 1 + 2 * alpha);
    }
    int reach() const { return kPasses * (r + 1); }

    // Running sums in float drift with the number of steps taken; they are started afresh at
    // fixed picture positions, every `anchor` pixels, so that the error stays tiny and a pixel's
    // value does not depend on where its tile's line began.
    int anchor() const { return std::max(64, 4 * r); }

    // All passes along a line of n pixels in `a`, whose first pixel is at scaled coordinate
    // x0; `b` is scratch of the same size. Both have r + 1 transparent pixels before and after
    // the line (a[-r-1] .. a[n+r]), never written, so that the sums read beyond its ends without
    // tests. The result ends in `a`.
    __attribute__((target_clones("avx2", "default"))) void runLine(Px* a, Px* b, ptrdiff_t n,
                                                                   ptrdiff_t x0) const {
        const float al = float(alpha), cc = float(c);
        const ptrdiff_t step = anchor();
        for (int pass = 0; pass < kPasses; ++pass) {
            const Px* src = pass % 2 ? b : a;
            Px* dst = pass % 2 ? a : b;
            Px sum{0, 0, 0, 0};
            for (ptrdiff_t i = 0; i < n; ++i) {
                if (i == 0 || (x0 + i) % step == 0) {
                    sum = Px{0, 0, 0, 0};
                    for (ptrdiff_t k = i - r; k < i + r; ++k) sum += src[k];
                }
                sum += src[i + r];
                dst[i] = (sum + (src[i - r - 1] + src[i + r + 1]) * al) * cc;
                sum -= src[i - r];
            }
        }
    }

    // The same down the columns of a w x h block whose first row is at scaled coordinate y0,
    // row by row so that memory is read in order; r + 1 transparent rows lie above and below
    // the block in both buffers. Plain float loops, which the compiler widens.
    __attribute__((target_clones("avx2", "default"))) void runColumns(Px* a, Px* b, int w, int h,
                                                                      int y0) const {
        const float al = float(alpha), cc = float(c);
        const int step = anchor();
        const ptrdiff_t rowLen = ptrdiff_t(w) * 4;
        std::vector<float> store(static_cast<size_t>(rowLen));
        float* sm = store.data();
        for (int pass = 0; pass < kPasses; ++pass) {
            const float* src = reinterpret_cast<const float*>(pass % 2 ? b : a);
            float* dst = reinterpret_cast<float*>(pass % 2 ? a : b);
            for (int j = 0; j < h; ++j) {
                if (j == 0 || (ptrdiff_t(y0) + j) % step == 0) {
                    std::fill(store.begin(), store.end(), 0.f);
                    for (int k = j - r; k < j + r; ++k) {
                        const float* s = src + k * rowLen;
                        for (ptrdiff_t i = 0; i < rowLen; ++i) sm[i] += s[i];
                    }
                }
                const float* add = src + ptrdiff_t(j + r) * rowLen;
                const float* lo = src + ptrdiff_t(j - r - 1) * rowLen;
                const float* hi = src + ptrdiff_t(j + r + 1) * rowLen;
                const float* drop = src + ptrdiff_t(j - r) * rowLen;
                float* d = dst + ptrdiff_t(j) * rowLen;
                for (ptrdiff_t i = 0; i < rowLen; ++i) {
                    const float sum = sm[i] + add[i];
                    d[i] = (sum + (lo[i] + hi[i]) * al) * cc;
                    sm[i] = sum - drop[i];
                }
            }
        }
    }
};

constexpr double kBoxFrom = 4.0;  // scaled sigma from which box passes replace direct taps

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

    bool boxes(double scale) const { return sigma_ > 0 && sigma_ * scale >= kBoxFrom; }
    int reach(double scale) const {
        if (boxes(scale)) return BoxCascade(sigma_ * scale).reach();
        return int(tapsFor(scale).size()) - 1;
    }
    std::vector<float> tapsFor(double scale) const {
        if (sigma_ > 0) return gaussianTaps(sigma_ * scale);
        auto t = taps_ ? taps_(scale) : std::vector<float>{1.f};
        return t.empty() ? std::vector<float>{1.f} : t;
    }

    int64_t workEstimate(const IRect& region, double scale) const override {
        const int64_t R = reach(scale);
        const IRect in = IRect::cover(inputs()[0].extent(), scale);
        if (axis_ == 0) {
            const int64_t rows = std::min(region.height(), in.height());
            return region.area() + rows * std::min(region.width() + 2 * R, in.width() + 2 * R);
        }
        const int64_t cols = std::min(region.width(), in.width());
        return region.area() + cols * std::min(region.height() + 2 * R, in.height() + 2 * R);
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
        const bool rec = boxes(info.scale);
        const std::vector<float> taps = rec ? std::vector<float>{} : tapsFor(info.scale);
        const int K = int(taps.size()) - 1;
        const BoxCascade box(rec ? sigma_ * info.scale : 1.0);

        // Beyond R of the input's pixels everything is transparent: lines and blocks are cut
        // there, so absurd radii over small pictures stay cheap.
        const IRect& ir = in.rect();
        if (axis_ == 0) {
            std::vector<Px> line, spare;
            for (int y = o.y0; y < o.y1; ++y) {
                Px* dst = out.row(y);
                const int lo = std::max(o.x0 - R, ir.x0 - R), hi = std::min(o.x1 + R, ir.x1 + R);
                if (y < ir.y0 || y >= ir.y1 || hi <= lo) {
                    std::fill(dst + o.x0, dst + o.x1, Px{0, 0, 0, 0});
                    continue;
                }
                // Zero pixels either side let the taps or the box sums read past the ends.
                const int n = hi - lo, pad = rec ? box.r + 1 : K;
                line.assign(size_t(n + 2 * pad), Px{0, 0, 0, 0});
                loadRow(in, y, lo, n, line.data() + pad);
                const Px* c = line.data() + pad - lo;  // c[x] is the pixel at x
                if (rec) {
                    spare.assign(line.size(), Px{0, 0, 0, 0});
                    box.runLine(line.data() + pad, spare.data() + pad, n, lo);
                }
                for (int x = o.x0; x < o.x1; ++x) {
                    if (x < lo || x >= hi) {
                        dst[x] = Px{0, 0, 0, 0};
                    } else if (rec) {
                        dst[x] = c[x];
                    } else {
                        Px acc = c[x] * taps[0];
                        for (int k = 1; k <= K; ++k) acc += (c[x - k] + c[x + k]) * taps[size_t(k)];
                        dst[x] = acc;
                    }
                }
            }
            return;
        }

        const int w = o.width();
        if (rec) {
            const int lo = std::max(o.y0 - R, ir.y0 - R), hi = std::min(o.y1 + R, ir.y1 + R);
            const bool any = hi > lo && o.x0 < ir.x1 && o.x1 > ir.x0;
            const int h = any ? hi - lo : 0, pad = box.r + 1;
            // Blocks of a few megabytes per tile: kept per thread rather than allocated and
            // cleared each time. Only the transparent rows above and below need clearing.
            // (Blocks of absurd radii are not worth keeping.)
            thread_local std::vector<Px> keptBlock, keptSpare;
            std::vector<Px> ownBlock, ownSpare;
            const size_t n = size_t(w) * size_t(h + 2 * pad), padLen = size_t(pad) * w;
            const bool keep = n * sizeof(Px) <= (size_t(16) << 20);
            std::vector<Px>& block = keep ? keptBlock : ownBlock;
            std::vector<Px>& spare = keep ? keptSpare : ownSpare;
            if (block.size() < n) block.resize(n), spare.resize(n);
            for (std::vector<Px>* v : {&block, &spare}) {
                std::fill(v->begin(), v->begin() + ptrdiff_t(padLen), Px{0, 0, 0, 0});
                std::fill(v->begin() + ptrdiff_t(n - padLen), v->begin() + ptrdiff_t(n),
                          Px{0, 0, 0, 0});
            }
            Px* first = block.data() + padLen;
            for (int j = 0; j < h; ++j) loadRow(in, lo + j, o.x0, w, first + size_t(j) * w);
            if (h > 0) box.runColumns(first, spare.data() + size_t(pad) * w, w, h, lo);
            for (int y = o.y0; y < o.y1; ++y) {
                if (y >= lo && y < lo + h) {
                    std::memcpy(out.row(y) + o.x0, first + size_t(y - lo) * w,
                                size_t(w) * sizeof(Px));
                } else {
                    std::fill(out.row(y) + o.x0, out.row(y) + o.x1, Px{0, 0, 0, 0});
                }
            }
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
    // Reading a decoded tile's worth of the source costs less than holding all of it.
    bool streamsInputs() const override { return true; }
    const AffineTransform& transform() const { return t_; }

    IRect roi(size_t, const IRect& out, double scale) const override {
        return IRect::cover(inv_.apply(out.toPicture(scale)), scale).grown(2, 2);
    }
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        const Buffer& in = *ins[0];
        const IRect& o = out.rect();
        const double s = info.scale;
        // Shrinking by more than half would alias: average several samples per pixel. (The
        // tolerance keeps rotations, whose determinant is 1 only up to rounding, at one.)
        const double shrink = 1 / std::sqrt(std::abs(t_.determinant()));
        const int n = int(std::clamp(std::ceil(shrink - 1e-6), 1.0, 4.0));
        const float w = 1.f / float(n * n);
        // The source point in scaled pixels is linear in the output pixel: step along rows.
        const AffineTransform& m = inv_;
        for (int y = o.y0; y < o.y1; ++y) {
            Px* dst = out.row(y);
            for (int x = o.x0; x < o.x1; ++x) dst[x] = Px{0, 0, 0, 0};
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const double px = o.x0 + (i + 0.5) / n, py = y + (j + 0.5) / n;
                    double u = m.a * px + m.c * py + m.tx * s;
                    double v = m.b * px + m.d * py + m.ty * s;
                    for (int x = o.x0; x < o.x1; ++x, u += m.a, v += m.b) dst[x] += in.sample(u, v);
                }
            if (n > 1)
                for (int x = o.x0; x < o.x1; ++x) dst[x] *= w;
        }
    }

  private:
    AffineTransform t_, inv_;
};

}  // namespace

Image crop(const Image& in, const Rect& r) {
    if (!in) return {};
    // Cutting to a rectangle that holds the whole extent changes nothing: save the pass.
    const Rect e = in.extent();
    if (r.x <= e.x && r.y <= e.y && r.maxX() >= e.maxX() && r.maxY() >= e.maxY()) return in;
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
