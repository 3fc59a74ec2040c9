#pragma once
// The user's preferences: QSettings under "Deverav". Values read back are checked; a corrupt
// entry reads as absent.

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

    QSettings& settings() { return *settings_; }

  private:
    Preferences();
    std::unique_ptr<QSettings> settings_;
};

}  // namespace foundation
