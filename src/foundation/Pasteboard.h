#pragma once
// The general pasteboard: the system clipboard, holding pictures as TIFF (and PNG).

#include <QImage>

namespace foundation {

class Pasteboard {
  public:
    // True when the clipboard holds a picture the program can paste.
    static bool offersImage();
};

}  // namespace foundation
