#pragma once
// What the 3D effects and the generators ask of the application: the picture, the undo manager
// their settings register with, and the canvases' context menu. The controller is the host
// while it lives.

#include <QImage>

#include "imaging/Bitmap.h"
#include "imaging/Image.h"

class QMenu;

namespace foundation {
class UndoManager;
}

namespace effects {

class EffectHost {
  public:
    // The application's host; nothing before the window is loaded.
    static EffectHost* shared() { return s_shared; }

    // The picture itself (lazy; null without one), for effects that render only the part or
    // the size they need.
    virtual imaging::Image backImage() const = 0;
    // The picture as packed 8-bit RGBA, straight alpha, rows top to bottom; null without one.
    // It may share the picture's own pixels: read it, never write into it.
    virtual imaging::Bitmap getCGImage() const = 0;
    // The picture at its full size, flagged "flipped" as asked; null without one.
    virtual QImage getImage(bool flipped) const = 0;
    // Nothing while there is no window.
    virtual foundation::UndoManager* undoManager() const = 0;
    virtual QMenu* contextMenu() const = 0;

  protected:
    EffectHost() = default;
    ~EffectHost() = default;
    static void setShared(EffectHost* host) { s_shared = host; }

  private:
    static inline EffectHost* s_shared = nullptr;
};

}  // namespace effects
