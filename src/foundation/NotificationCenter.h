#pragma once
// Named notifications posted with no object: "UpdateOpenGLView" and "UpdateCustomView" ask the
// canvases to redraw after an effect setting changed.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace foundation {

inline const QString kUpdateOpenGLView = QStringLiteral("UpdateOpenGLView");
inline const QString kUpdateCustomView = QStringLiteral("UpdateCustomView");

class NotificationCenter {
  public:
    using Observer = const void*;
    using Callback = std::function<void()>;

    static NotificationCenter& defaultCenter();

    void addObserver(Observer observer, const QString& name, Callback callback);
    // Every registration of the observer, or only those for one name.
    void removeObserver(Observer observer);
    void removeObserver(Observer observer, const QString& name);
    // Calls the observers of `name` in the order they were added. An observer may add or remove
    // observers while being called; removed ones are not called afterwards.
    void postNotificationName(const QString& name);

  private:
    struct Registration {
        Observer observer;
        QString name;
        Callback callback;
        bool removed = false;
    };
    std::vector<std::shared_ptr<Registration>> registrations_;
};

}  // namespace foundation
