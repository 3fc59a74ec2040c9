#pragma once
// The user's preferences: QSettings under "Deverav". Values read back are checked; a corrupt
// entry reads as absent.

#include <QList>
#include <QRect>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace foundation {

class Preferences {
  public:
    // The shared preferences of the program.
    static Preferences& standard();
    // Preferences kept in a file of their own (tests).
    explicit Preferences(const QString& iniPath);

    // A window frame saved under `name`, as "x y width height" in screen coordinates.
    void saveFrame(const QString& name, const QRect& frame);
    // The saved frame; nothing when missing, malformed or of an absurd size.
    std::optional<QRect> frame(const QString& name) const;
    // The saved frame made to fit the available area of the screen it lies mostly on (the
    // first when it lies on none): a frame larger than any screen would open a window of
    // gigabytes. Nothing when frame() gives nothing or there is no screen.
    std::optional<QRect> frameOnScreens(const QString& name, const QList<QRect>& available) const;
    // The same on the screens this program has.
    std::optional<QRect> frameOnScreens(const QString& name) const;

    QSettings& settings() { return *settings_; }

  private:
    Preferences();
    std::unique_ptr<QSettings> settings_;
};

}  // namespace foundation
