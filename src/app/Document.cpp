#include "app/Document.h"

#include <QFileInfo>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/Texts.h"
#include "chrome/KesAlert.h"
#include "foundation/NativeName.h"
#include "foundation/Pasteboard.h"
#include "foundation/PictureMetadata.h"
#include "foundation/Progress.h"
#include "foundation/UndoManager.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/Resample.h"
#include "imaging/SourceNode.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/QtBitmap.h"

namespace app {

namespace {

bool isDrawable(const imaging::Image& image) {
    return image && !image.extent().isInfinite() && !image.extent().isEmpty();
}

// Memory a picture keeps alive once held in memory: four bytes a pixel.
qint64 pictureBytes(const imaging::Image& image) {
    if (!isDrawable(image)) return 0;
    const imaging::Rect e = image.extent();
    return qint64(std::ceil(e.width)) * qint64(std::ceil(e.height)) * 4;
}

imaging::Image movedToOrigin(const imaging::Image& image) {
    if (!image) return {};
    const imaging::Rect e = image.extent();
    if (e.isInfinite()) return image;
    return image.imageByApplyingTransform(imaging::AffineTransform::translation(-e.x, -e.y));
}

// Quarter turns as exact matrices, so that the extent stays on whole pixels.
imaging::AffineTransform quarterTurn(bool left) {
    // Left: (x, y) -> (-y, x), counter-clockwise with y up. Right: (x, y) -> (y, -x).
    return left ? imaging::AffineTransform{0, 1, -1, 0, 0, 0}
                : imaging::AffineTransform{0, -1, 1, 0, 0, 0};
}

// The bitmap a picture already holds as straight 8-bit RGBA at the origin, if it does.
imaging::Bitmap heldPixels(const imaging::Image& image) {
    const auto* source = dynamic_cast<const imaging::SourceNode*>(image.node().get());
    if (!source) return {};
    const imaging::Bitmap& b = source->bitmap();
    const imaging::Rect e = image.extent();
    if (b.format() != imaging::PixelFormat::RGBA8 || e.x != 0 || e.y != 0 || e.width != b.width() ||
        e.height != b.height())
        return {};
    return b;
}

}  // namespace

Document::Document(QObject* parent) : QObject(parent) {}

void Document::setWindow(QWidget* window) {
    m_window = window;
}

void Document::setUndoManager(foundation::UndoManager* undo) {
    if (m_undo) disconnect(m_undo, nullptr, this, nullptr);
    m_undo = undo;
    if (!undo) return;
    connect(undo, &foundation::UndoManager::stepDone, this, [this] {
        recount([this] {
            // A new step clears the redo steps: a saved state among them is gone for good.
            if (m_savedAt && m_changeCount < *m_savedAt) m_savedAt.reset();
            ++m_changeCount;
        });
    });
    connect(undo, &foundation::UndoManager::stepUndone, this,
            [this] { recount([this] { --m_changeCount; }); });
    connect(undo, &foundation::UndoManager::stepRedone, this,
            [this] { recount([this] { ++m_changeCount; }); });
}

template <typename F>
void Document::recount(F count) {
    const bool before = wasChanged();
    count();
    if (wasChanged() != before) Q_EMIT changedStateChanged(wasChanged());
}

void Document::setWasChanged(bool changed) {
    recount([this, changed] {
        if (changed)
            m_savedAt.reset();
        else
            m_savedAt = m_changeCount;
    });
}

imaging::Rect Document::extent() const {
    return m_picture ? m_picture.extent() : imaging::Rect{};
}

void Document::setPicture(const imaging::Image& picture, Change how) {
    m_picture = picture;
    Q_EMIT pictureChanged(how);
}

void Document::setFilePath(const QString& path) {
    m_filePath = path;
    Q_EMIT filePathChanged(path);
}

// ---------------------------------------------------------------- edits

void Document::registerReplacement() {
    if (!m_undo) return;
    const imaging::Image old = m_picture;
    m_undo->registerUndoWithTarget(
        this, [this, old, metadata = m_metadata] { undoPaste(old, metadata); }, {},
        pictureBytes(old));
}

void Document::flipImage(bool vertical) {
    if (!m_picture) return;
    imaging::Image flipped =
        m_picture.imageByApplyingTransform(vertical ? imaging::AffineTransform::scaling(1, -1)
                                                    : imaging::AffineTransform::scaling(-1, 1));
    flipped = flattened(movedToOrigin(flipped), QStringLiteral("Flipping the picture…"));
    if (!flipped) return;
    // A flip is its own inverse, and exact: undo needs no copy of the picture.
    if (m_undo) m_undo->registerUndoWithTarget(this, [this, vertical] { flipImage(vertical); });
    setPicture(flipped);
}

void Document::rotateImage(bool left) {
    if (!m_picture) return;
    imaging::Image turned = m_picture.imageByApplyingTransform(quarterTurn(left));
    turned = flattened(movedToOrigin(turned), QStringLiteral("Turning the picture…"));
    if (!turned) return;
    if (m_undo) m_undo->registerUndoWithTarget(this, [this, left] { rotateImage(!left); });
    setPicture(turned, Change::Turned);
}

void Document::resizeImageHeight(float width, float height) {
    if (!isDrawable(m_picture)) return;
    if (!std::isfinite(width) || !std::isfinite(height)) return;
    const int w = int(std::clamp(std::lround(width), 1L, long(imaging::kMaxSide)));
    const int h = int(std::clamp(std::lround(height), 1L, long(imaging::kMaxSide)));
    imaging::Bitmap bitmap;
    try {
        const bool done = foundation::runWithProgress(
            m_window, QStringLiteral("Resizing the picture…"),
            [&](const std::atomic<bool>& cancel) {
                imaging::RenderOptions options;
                options.cancel = &cancel;
                bitmap = imaging::resampleToBitmap(m_picture, w, h, options);
            });
        if (!done) return;
    } catch (const imaging::Cancelled&) {
        return;
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntChangePicture,
                                          QString::fromStdString(e.what()));
        return;
    }
    const imaging::Image resized = imaging::Image::fromBitmap(bitmap);
    if (!resized) return;
    // Undo puts the old picture back rather than scaling again, which would blur it.
    registerReplacement();
    setPicture(resized);
}

void Document::undoPaste(const imaging::Image& picture,
                         std::shared_ptr<const foundation::PictureMetadata> metadata) {
    registerReplacement();
    m_metadata = std::move(metadata);
    setPicture(picture, Change::Replaced);
}

void Document::paste() {
    const QByteArray data = foundation::Pasteboard::pictureData();
    if (data.isEmpty()) return;
    imaging::Image picture;
    try {
        picture = imaging::io::imageWithData(std::vector<uint8_t>(data.begin(), data.end()));
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntPaste,
                                          QString::fromStdString(e.what()));
        return;
    }
    if (picture) undoPaste(picture);
}

void Document::open(const QString& path, const imaging::Image& picture) {
    if (m_undo) m_undo->removeAllActions();
    m_metadata = foundation::PictureMetadata::readFile(path);
    setFilePath(path);
    setPicture(picture);
    recount([this] {
        m_changeCount = 0;
        m_savedAt = 0;
    });
}

void Document::apply(const imaging::Image& result) {
    if (!result) return;
    registerReplacement();
    setPicture(result);
}

bool Document::copy(const imaging::Image& result) const {
    const imaging::Bitmap bitmap = exportBitmap(result, QStringLiteral("Copying the picture…"));
    if (bitmap.isNull()) {
        // A result that could not be made is reported; no picture or a cancel are not.
        if (!m_error.isEmpty()) chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntCopy, m_error);
        return false;
    }
    QByteArray tiff, png;
    try {
        const auto toBytes = [](const std::vector<uint8_t>& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
        };
        tiff = toBytes(imaging::io::encodeBitmap(bitmap, "tiff"));
        png = toBytes(imaging::io::encodeBitmap(bitmap, "png"));
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntCopy, QString::fromStdString(e.what()));
        return false;
    }
    foundation::Pasteboard::writePicture(imaging::io::qImageFromBitmap(bitmap), tiff, png);
    return true;
}

imaging::Image Document::readPictureFile(const QString& path) const {
    imaging::Image picture;
    try {
        const bool done = foundation::runWithProgress(
            m_window,
            QStringLiteral("Opening “%1”…")
                .arg(foundation::NativeName::displayName(QFileInfo(path).fileName())),
            [&](const std::atomic<bool>&) {
                picture = imaging::io::readImage(foundation::NativeName::toStdString(path));
            });
        if (!done) return {};
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntOpenFile,
                                          QString::fromStdString(e.what()));
        return {};
    }
    return picture;
}

// ---------------------------------------------------------------- whole pictures

imaging::Image Document::flattened(const imaging::Image& image, const QString& label) const {
    if (!image) return {};
    const imaging::Rect e = image.extent();
    if (e.isInfinite() || e.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(
            m_window, kCouldntChangePicture,
            QStringLiteral("The result has no bounds: it would be a picture without end."));
        return {};
    }
    imaging::Bitmap bitmap;
    try {
        const bool done =
            foundation::runWithProgress(m_window, label, [&](const std::atomic<bool>& cancel) {
                imaging::RenderOptions options;
                options.cancel = &cancel;
                bitmap = imaging::Context().renderBitmap(image, e, 1.0, imaging::PixelFormat::RGBA8,
                                                         options);
            });
        if (!done) return {};
    } catch (const imaging::Cancelled&) {
        return {};
    } catch (const std::exception& ex) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntChangePicture,
                                          QString::fromStdString(ex.what()));
        return {};
    }
    return imaging::Image::fromBitmap(bitmap, {std::floor(e.x), std::floor(e.y)});
}

imaging::Bitmap Document::exportPixels(const imaging::Image& image,
                                       const std::atomic<bool>* cancel) {
    if (!isDrawable(image)) return {};
    if (imaging::Bitmap held = heldPixels(image); !held.isNull()) return held;
    imaging::RenderOptions options;
    options.cancel = cancel;
    const imaging::IRect pixels = imaging::IRect::cover(image.extent(), 1.0);
    return imaging::Context().renderBitmap(image, pixels.toPicture(1.0), 1.0,
                                           imaging::PixelFormat::RGBA8, options);
}

imaging::Bitmap Document::exportBitmap(const imaging::Image& image, const QString& label) const {
    m_cancelled = false;
    m_error.clear();
    if (!image) return {};
    if (!isDrawable(image)) {
        m_error = QStringLiteral("The result has no bounds: it would be a picture without end.");
        return {};
    }
    if (imaging::Bitmap held = heldPixels(image); !held.isNull()) return held;
    imaging::Bitmap bitmap;
    try {
        m_cancelled = !foundation::runWithProgress(
            m_window, label,
            [&](const std::atomic<bool>& cancel) { bitmap = exportPixels(image, &cancel); });
    } catch (const imaging::Cancelled&) {
        m_cancelled = true;
    } catch (const std::exception& e) {
        m_error = QString::fromStdString(e.what());
    }
    if (m_cancelled) return {};
    return bitmap;
}

}  // namespace app
