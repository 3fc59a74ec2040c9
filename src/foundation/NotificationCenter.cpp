#include "foundation/NotificationCenter.h"

#include <algorithm>

namespace foundation {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(Observer observer, const QString& name, Callback callback) {
    registrations_.push_back(
        std::make_shared<Registration>(Registration{observer, name, std::move(callback)}));
}

void NotificationCenter::removeObserver(Observer observer) {
    std::erase_if(registrations_, [&](const auto& r) {
        if (r->observer != observer) return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(Observer observer, const QString& name) {
    std::erase_if(registrations_, [&](const auto& r) {
        if (r->observer != observer || r->name != name) return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::postNotificationName(const QString& name) {
    // A snapshot, so that callbacks may change the registrations.
    const auto snapshot = registrations_;
    for (const auto& r : snapshot)
        if (!r->removed && r->name == name && r->callback) r->callback();
}

}  // namespace foundation
