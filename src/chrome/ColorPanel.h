#pragma once
// The shared colour panel's settings: every colour chooser of the program opens QColorDialog
// with these options.

#include <QColor>
#include <QColorDialog>

class QWidget;

namespace chrome {

class ColorPanel {
  public:
    static void setShowsAlpha(bool shows) { s_showsAlpha = shows; }
    static bool showsAlpha() { return s_showsAlpha; }
    static QColorDialog::ColorDialogOptions options() {
        return s_showsAlpha ? QColorDialog::ShowAlphaChannel : QColorDialog::ColorDialogOptions();
    }

  private:
    static inline bool s_showsAlpha = false;
};

}  // namespace chrome
