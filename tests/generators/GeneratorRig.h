#pragma once
// A stand-in for the application as the generators see it: a picture, an undo history and the
// working generator.

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>

#include "effects/BaseEffect.h"
#include "foundation/ImageBridge.h"
#include "foundation/UndoManager.h"
#include "generators/GeneratorHost.h"

struct GeneratorRig : generators::GeneratorHost {
    explicit GeneratorRig(QImage pic = {}) {
        setPicture(std::move(pic));
        std::srand(1);
        GeneratorHost::setCurrent(this);
    }
    ~GeneratorRig() override {
        current.reset();
        GeneratorHost::setCurrent(nullptr);
    }

    void setPicture(QImage pic) {
        qpicture = std::move(pic);
        engine = foundation::imageFromQImage(qpicture);
    }
    QImage pictureImage() const override { return qpicture; }
    imaging::Image picture() const override { return engine; }
    foundation::UndoManager* undoManager() const override { return undo.get(); }
    effects::BaseEffect* currentCustomEffect() const override { return current.get(); }

    // Makes a copy of the prototype the working generator, as selecting its row does.
    template <class T>
    T* select(const T& prototype) {
        current = prototype.mycopy();
        return static_cast<T*>(current.get());
    }

    // Ends the user event that the registrations so far belong to.
    void endEvent() { undo->closeEventGroup(); }

    QImage qpicture;
    imaging::Image engine;
    std::unique_ptr<foundation::UndoManager> undo = std::make_unique<foundation::UndoManager>();
    std::unique_ptr<effects::BaseEffect> current;
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
