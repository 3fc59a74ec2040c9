#pragma once
// A stand-in for the application as the generators see it: a picture, an undo history and the
// working generator.

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "effects/BaseEffect.h"
#include "effects/EffectHost.h"
#include "foundation/ImageBridge.h"
#include "foundation/UndoManager.h"
#include "imaging/io/QtBitmap.h"
#include "workbench/FloatSlider.h"

struct GeneratorRig : effects::EffectHost {
    explicit GeneratorRig(QImage pic = {}) : previous(EffectHost::shared()) {
        setPicture(std::move(pic));
        std::srand(1);
        setShared(this);
    }
    ~GeneratorRig() {
        current.reset();
        setShared(previous);
    }

    void setPicture(QImage pic) {
        qpicture = std::move(pic);
        engine = foundation::imageFromQImage(qpicture);
    }
    imaging::Bitmap getCGImage() const override { return imaging::io::bitmapFromQImage(qpicture); }
    QImage getImage(bool) const override { return qpicture; }
    foundation::UndoManager* undoManager() const override { return undo.get(); }
    QMenu* contextMenu() const override { return nullptr; }
    imaging::Image backImage() const override { return engine; }

    // Makes a copy of the prototype the working generator, as selecting its row does.
    template <class T>
    T* select(const T& prototype) {
        current = prototype.mycopy();
        return static_cast<T*>(current.get());
    }

    // The same with the working generator's controls built in `host`, as the window's panel
    // shows them.
    template <class T>
    T* selectWithControls(T& prototype, QWidget& host) {
        prototype.setTopControlsView(&host);
        T* g = select(prototype);
        g->setUpControlsView();
        return g;
    }

    // Ends the user event that the registrations so far belong to.
    void endEvent() { undo->closeEventGroup(); }

    QImage qpicture;
    imaging::Image engine;
    std::unique_ptr<foundation::UndoManager> undo = std::make_unique<foundation::UndoManager>();
    std::unique_ptr<effects::BaseEffect> current;
    EffectHost* previous;
};

// A prototype as the window makes it.
template <class T>
std::unique_ptr<T> prototype() {
    auto p = std::make_unique<T>();
    p->awakeFromNib();
    return p;
}

// An opaque picture with a different colour in every pixel, so that shifts and flips show.
inline QImage testPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, QColor((x * 7) % 256, (y * 5) % 256, (x + y) % 256));
    return img;
}

inline QImage argb(const QImage& img) {
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The controls panel's float slider that ends at `max`.
inline workbench::FloatSlider* floatSlider(QWidget& host, double max) {
    for (auto* s : host.findChildren<workbench::FloatSlider*>())
        if (s->maxValue() == max) return s;
    return nullptr;
}

inline bool allTransparent(const QImage& img) {
    const QImage a = argb(img);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (qAlpha(a.pixel(x, y)) != 0) return false;
    return true;
}
