#include "imaging/Context.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "imaging/ColorTables.h"
#include "imaging/Error.h"
#include "imaging/Node.h"

namespace imaging {

thread_local WorkingSpace detail::tlsWorkingSpace = WorkingSpace::Linear;

namespace {

using TileSink = std::function<void(const Buffer&)>;

// Pixel operations one node may take: far more than any setting within reason needs on the
// largest picture, far less than would hang the program.
constexpr int64_t kMaxWork = int64_t(1) << 33;

// One node of the graph as this render sees it.
struct Step {
    const Node* node = nullptr;
    std::vector<int> inputs;  // indices of the input steps
    IRect cover;              // the node's extent in scaled pixels
    IRect region;             // what consumers need of it (inside cover)
    int consumers = 0;
    bool fedToNonPointwise = false;
    bool fedToStreaming = true;  // every non-pointwise consumer streams its inputs
    bool keep = false;           // computed whole into `buffer` rather than tile by tile
    Buffer buffer;
    int lastReader = -1;  // position in the run order of the last step that reads `buffer`
};

class Plan {
  public:
    // True when the result's pixels cover all that was asked for (nothing outside the extent).
    bool coversRequest() const { return steps_[size_t(rootIndex_)].region == request_; }

    // `request` is in scaled pixels.
    Plan(const Image& root, const IRect& request, double scale, const RenderOptions& options)
        : scale_(scale), options_(options) {
        rootIndex_ = add(root.node().get());
        Step& r = steps_[size_t(rootIndex_)];
        request_ = request;
        r.region = request_.intersected(r.cover);
        propagate();
        decide();
    }

    // Bytes of the intermediates computed whole (at most; some are freed before others are
    // made). The root's own buffer counts unless its tiles go to a sink.
    size_t heldBytes(bool rootToSink) const {
        size_t n = 0;
        for (int k : order_)
            if (!(rootToSink && k == rootIndex_))
                n += size_t(steps_[size_t(k)].region.area()) * sizeof(Px);
        return n;
    }

    // With a sink, the root's tiles are handed to it as they are done (from several threads at
    // once) instead of being gathered into one buffer; the return value is then empty.
    Buffer run(const TileSink& sink = {}) {
        if (!tooLarge_.empty()) throw Error(tooLarge_);
        {
            WorkingSpaceScope space(options_.workingSpace);
            for (auto& s : steps_)
                if (!s.region.isEmpty()) s.node->prepare(scale_);
        }
        for (size_t k = 0; k < order_.size(); ++k) {
            compute(order_[k], order_[k] == rootIndex_ ? sink : TileSink{});
            for (auto& t : steps_)
                if (t.lastReader == int(k) && &t != &steps_[size_t(rootIndex_)])
                    t.buffer = Buffer();
        }
        if (sink) return {};
        Step& r = steps_[size_t(rootIndex_)];
        if (r.buffer.rect() == request_) return std::move(r.buffer);
        Buffer out(request_, true);
        out.copyFrom(r.buffer);
        return out;
    }

  private:
    int add(const Node* n) {
        if (auto it = index_.find(n); it != index_.end()) return it->second;
        std::vector<int> ins;
        for (auto& i : n->inputs()) ins.push_back(add(i.node().get()));
        Step s;
        s.node = n;
        s.inputs = std::move(ins);
        s.cover = IRect::cover(n->extent(), scale_);
        steps_.push_back(std::move(s));
        int idx = int(steps_.size()) - 1;
        index_[n] = idx;
        return idx;
    }

    // Consumers come after their inputs, so walking backwards visits every consumer of a step
    // before the step itself.
    void propagate() {
        for (int k = int(steps_.size()) - 1; k >= 0; --k) {
            Step& s = steps_[size_t(k)];
            if (s.region.isEmpty()) continue;
            for (size_t i = 0; i < s.inputs.size(); ++i) {
                Step& in = steps_[size_t(s.inputs[i])];
                IRect need = s.node->roi(i, s.region, scale_).intersected(in.cover);
                in.region = in.region.united(need);
                in.consumers++;
                if (!s.node->pointwise()) {
                    in.fedToNonPointwise = true;
                    if (!s.node->streamsInputs()) in.fedToStreaming = false;
                }
            }
        }
    }

    void decide() {
        for (size_t k = 0; k < steps_.size(); ++k) {
            Step& s = steps_[k];
            if (s.region.isEmpty()) continue;
            s.keep = int(k) == rootIndex_ || !s.node->pointwise() || s.consumers > 1 ||
                     (s.fedToNonPointwise && !s.fedToStreaming);
            if (s.node->workEstimate(s.region, scale_) > kMaxWork)
                throw Error("These settings need too much work to render.");
            if (s.keep) {
                // Refused when run: a render in strips may never need the whole of it.
                if (s.region.area() > kMaxPixels && tooLarge_.empty())
                    tooLarge_ = "The area to render is too large (" +
                                std::to_string(s.region.width()) + " x " +
                                std::to_string(s.region.height()) + " pixels).";
                order_.push_back(int(k));
            }
        }
        for (size_t pos = 0; pos < order_.size(); ++pos) markReads(order_[pos], int(pos), true);
    }

    void markReads(int k, int pos, bool top) {
        Step& s = steps_[size_t(k)];
        if (!top && s.keep) {
            s.lastReader = std::max(s.lastReader, pos);
            return;
        }
        for (int i : s.inputs) markReads(i, pos, false);
    }

    void compute(int k, const TileSink& sink) {
        Step& s = steps_[size_t(k)];
        if (!sink) s.buffer = Buffer(s.region);
        auto [tw, th] = s.node->tileSize();
        std::vector<IRect> tiles;
        for (int y = s.region.y0; y < s.region.y1; y += th)
            for (int x = s.region.x0; x < s.region.x1; x += tw)
                tiles.push_back(
                    {x, y, std::min(x + tw, s.region.x1), std::min(y + th, s.region.y1)});
        tbb::parallel_for(tbb::blocked_range<size_t>(0, tiles.size(), 1),
                          [&](const tbb::blocked_range<size_t>& range) {
                              WorkingSpaceScope space(options_.workingSpace);
                              for (size_t t = range.begin(); t != range.end(); ++t) {
                                  if (options_.cancel && options_.cancel->load()) return;
                                  if (sink) {
                                      Buffer tile(tiles[t]);
                                      computeTile(k, tile);
                                      sink(tile);
                                  } else {
                                      Buffer view = s.buffer.view(tiles[t]);
                                      computeTile(k, view);
                                  }
                              }
                          });
        if (options_.cancel && options_.cancel->load()) throw Cancelled();
    }

    // Fills `out` (inside the step's region) with the node's pixels.
    void computeTile(int k, Buffer& out) const {
        const Step& s = steps_[size_t(k)];
        const bool pw = s.node->pointwise();
        std::vector<Buffer> scratch;
        scratch.reserve(s.inputs.size());
        std::vector<const Buffer*> ins(s.inputs.size());
        for (size_t i = 0; i < s.inputs.size(); ++i) {
            const Step& in = steps_[size_t(s.inputs[i])];
            if (in.keep) {
                if (pw && !in.buffer.rect().contains(out.rect())) {
                    scratch.emplace_back(out.rect(), true);
                    scratch.back().copyFrom(in.buffer);
                    ins[i] = &scratch.back();
                } else {
                    ins[i] = &in.buffer;
                }
                continue;
            }
            IRect need =
                pw ? out.rect() : s.node->roi(i, out.rect(), scale_).intersected(in.region);
            IRect have = need.intersected(in.region);
            scratch.emplace_back(need, have != need);
            if (!have.isEmpty()) {
                Buffer part = scratch.back().view(have);
                computeTile(s.inputs[i], part);
            }
            ins[i] = &scratch.back();
        }
        s.node->render(RenderInfo{scale_}, out, ins);
    }

    double scale_;
    const RenderOptions& options_;
    std::vector<Step> steps_;
    std::unordered_map<const Node*, int> index_;
    std::vector<int> order_;
    int rootIndex_ = -1;
    IRect request_;
    std::string tooLarge_;
};

IRect checkedRequest(const Rect& region, double scale) {
    if (!(scale > 0) || !std::isfinite(scale) || scale > 1e4)
        throw Error("Invalid render scale " + std::to_string(scale) + ".");
    IRect request = IRect::cover(region, scale);
    if (request.area() > kMaxPixels)
        throw Error("The area to render is too large (" + std::to_string(request.width()) + " x " +
                    std::to_string(request.height()) + " pixels).");
    return request;
}

// One row of engine pixels into a bitmap row.
void encodeRow(const Px* src, int n, uint8_t* dst, PixelFormat format, WorkingSpace space) {
    if (format == PixelFormat::RGBAF) {
        std::memcpy(dst, src, size_t(n) * sizeof(Px));
        return;
    }
    const bool premultiplied = format == PixelFormat::RGBA8Premultiplied;
    if (space == WorkingSpace::None) {
        for (int x = 0; x < n; ++x) storeRGBA8(src[x], dst + 4 * x, premultiplied);
        return;
    }
    if (premultiplied) {
        for (int x = 0; x < n; ++x) encodeRGBA8Premultiplied(src[x], dst + 4 * x);
        return;
    }
    const uint8_t* t = srgbEncodeTable();
    for (int x = 0; x < n; ++x) encodeRGBA8(src[x], dst + 4 * x, t);
}

// Rows per strip for a render into a bitmap: all of them when its intermediates are within
// `budget`, or when strips would not make them smaller (a filter that needs the whole picture
// for any row).
int stripRows(const Image& image, const IRect& request, double scale, const RenderOptions& options,
              const Plan& whole) {
    const size_t budget = options.stripBudget;
    const size_t held = whole.heldBytes(true);
    const int h = request.height();
    if (held <= budget || h < 128) return h;
    int rows = std::max(64, int(double(h) * double(budget) / double(held)) / 64 * 64);
    if (rows >= h) return h;
    const int strips = (h + rows - 1) / rows;
    const Plan one(image, IRect{request.x0, request.y0, request.x1, request.y0 + rows}, scale,
                   options);
    if (one.heldBytes(true) * size_t(strips) > 2 * held) return h;
    return rows;
}

// The bands of `request` a render in strips of `rows` goes through, bottom first (the engine's
// y runs upwards): the top one may be shorter.
std::vector<IRect> stripBands(const IRect& request, int rows) {
    std::vector<IRect> bands;
    for (int y = request.y0; y < request.y1; y += rows)
        bands.push_back({request.x0, y, request.x1, std::min(y + rows, request.y1)});
    return bands;
}

// A tile sink that encodes tiles of `request` into `out` (rows top to bottom).
TileSink encoderInto(Bitmap& out, const IRect& request, PixelFormat format, WorkingSpace space) {
    const size_t bpp = bytesPerPixel(format);
    return [&out, request, format, space, bpp](const Buffer& tile) {
        const IRect& t = tile.rect();
        for (int y = t.y0; y < t.y1; ++y)
            encodeRow(tile.row(y) + t.x0, t.width(),
                      out.row(request.y1 - 1 - y) + size_t(t.x0 - request.x0) * bpp, format, space);
    };
}

// Renders `request` (scaled pixels) into a bitmap whose rows run top to bottom, in strips when
// `strips` allows and its intermediates are large.
Bitmap renderRequest(const Image& image, const IRect& request, double scale, PixelFormat format,
                     const RenderOptions& options, bool strips) {
    if (request.isEmpty()) return {};
    // Tiles are encoded as they are done: no float copy of the whole result is ever held, and
    // a large result is rendered in strips of rows so that its intermediates are not either.
    if (!image) return Bitmap(request.width(), request.height(), format);
    Plan whole(image, request, scale, options);
    // Only what lies outside the image's extent is never written.
    Bitmap out(request.width(), request.height(), format, !whole.coversRequest());
    const TileSink sink = encoderInto(out, request, format, options.workingSpace);
    const int rows = strips ? stripRows(image, request, scale, options, whole) : request.height();
    if (rows >= request.height()) {
        whole.run(sink);
        return out;
    }
    for (const IRect& band : stripBands(request, rows)) Plan(image, band, scale, options).run(sink);
    return out;
}

}  // namespace

Buffer Context::render(const Image& image, const Rect& region, double scale,
                       const RenderOptions& options) const {
    IRect request = checkedRequest(region, scale);
    if (!image || request.isEmpty()) return Buffer(request, true);
    Plan plan(image, request, scale, options);
    return plan.run();
}

Bitmap Context::renderBitmap(const Image& image, const Rect& region, double scale,
                             PixelFormat format, const RenderOptions& options) const {
    return renderRequest(image, checkedRequest(region, scale), scale, format, options, true);
}

std::vector<int> Context::stripStarts(const Image& image, const Rect& region, double scale,
                                      const RenderOptions& options) const {
    const IRect request = checkedRequest(region, scale);
    const int h = request.height();
    if (request.isEmpty()) return {0};
    int rows = h;
    if (image) {
        const Plan whole(image, request, scale, options);
        rows = stripRows(image, request, scale, options, whole);
        if (rows < h) {
            // renderBitmap's own bands, top first, as rows counted from the top.
            const std::vector<IRect> bands = stripBands(request, rows);
            std::vector<int> starts;
            for (auto band = bands.rbegin(); band != bands.rend(); ++band)
                starts.push_back(request.y1 - band->y1);
            return starts;
        }
        if (whole.heldBytes(true) > 0) return {0};
    }
    const size_t rowBytes = size_t(request.width()) * sizeof(uint32_t);
    rows = int(std::clamp<size_t>(options.stripBudget / 4 / rowBytes, 1, size_t(h)));
    std::vector<int> starts;
    for (int top = 0; top < h; top += rows) starts.push_back(top);
    return starts;
}

Bitmap Context::renderRows(const Image& image, const Rect& region, double scale, int first,
                           int count, PixelFormat format, const RenderOptions& options) const {
    const IRect request = checkedRequest(region, scale);
    first = std::clamp(first, 0, request.height());
    count = std::clamp(count, 0, request.height() - first);
    // Rows run downwards; the engine's y runs upwards.
    const IRect band{request.x0, request.y1 - first - count, request.x1, request.y1 - first};
    return renderRequest(image, band, scale, format, options, false);
}

IRect Context::pixelRect(const Rect& region, double scale) {
    return checkedRequest(region, scale);
}

Bitmap Context::toBitmap(const Buffer& buf, PixelFormat format, WorkingSpace space) {
    const IRect& r = buf.rect();
    if (r.isEmpty()) return {};
    Bitmap out(r.width(), r.height(), format, false);  // every row is written below
    tbb::parallel_for(0, r.height(), [&](int row) {
        const int y = r.y1 - 1 - row;
        encodeRow(buf.row(y) + r.x0, r.width(), out.row(row), format, space);
    });
    return out;
}

}  // namespace imaging
