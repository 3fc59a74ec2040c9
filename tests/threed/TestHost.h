#pragma once
// The application as the 3D effects see it, for tests and benchmarks: a picture, an undo
// manager and nothing else. It is the shared host while it lives.

#include "effects/EffectHost.h"
#include "foundation/ImageBridge.h"
#include "foundation/UndoManager.h"
#include "imaging/io/QtBitmap.h"
#include "threed/EvalEffect.h"

namespace threed::test {

class TestHost : public effects::EffectHost {
  public:
    TestHost() { setShared(this); }
    ~TestHost() {
        if (shared() == this) setShared(nullptr);
    }

    imaging::Image backImage() const override { return picture; }
    imaging::Bitmap getCGImage() const override {
        return imaging::io::bitmapFromQImage(getImage(false));
    }
    QImage getImage(bool) const override {
        const imaging::Rect e = picture.extent();
        return foundation::renderQImage(picture, imaging::IRect::cover(e, 1), 1);
    }
    foundation::UndoManager* undoManager() const override { return &undo; }
    QMenu* contextMenu() const override { return nullptr; }

    void setPicture(const QImage& image) { picture = foundation::imageFromQImage(image); }

    imaging::Image picture;
    mutable foundation::UndoManager undo;
};

// Straight curves and no turn: a flat rectangle over the middle half of the scene square.
inline void makeFlat(EvalEffect& surface) {
    EvalEffect::Points p = surface.points2();
    p[EvalEffect::kFirstCurve] = -0.5;
    p[EvalEffect::kSecondCurve] = 0.5;
    surface.setPoints2(p);
    surface.setRotation({0, 0, 0, 0});
}

}  // namespace threed::test
