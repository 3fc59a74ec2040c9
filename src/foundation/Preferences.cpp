#include "foundation/Preferences.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

namespace foundation {

namespace {
QString frameKey(const QString& name) {
    return QStringLiteral("WindowFrames/") + name;
}
constexpr int kMaxFrameExtent = 100000;
}  // namespace

Preferences& Preferences::standard() {
    static Preferences prefs;
    return prefs;
}

Preferences::Preferences()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Deverav"), QStringLiteral("Deverav"))) {
}

Preferences::Preferences(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

void Preferences::saveFrame(const QString& name, const QRect& frame) {
    settings_->setValue(frameKey(name), QStringLiteral("%1 %2 %3 %4")
                                            .arg(frame.x())
                                            .arg(frame.y())
                                            .arg(frame.width())
                                            .arg(frame.height()));
    settings_->sync();
}

std::optional<QRect> Preferences::frame(const QString& name) const {
    const QVariant v = settings_->value(frameKey(name));
    if (v.typeId() != QMetaType::QString) return std::nullopt;
    const QStringList parts = v.toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4) return std::nullopt;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts[i].toInt(&ok);
        if (!ok || n[i] < -kMaxFrameExtent || n[i] > kMaxFrameExtent) return std::nullopt;
    }
    if (n[2] <= 0 || n[3] <= 0) return std::nullopt;
    return QRect(n[0], n[1], n[2], n[3]);
}

std::optional<QRect> Preferences::frameOnScreens(const QString& name,
                                                 const QList<QRect>& available) const {
    std::optional<QRect> saved = frame(name);
    if (!saved || available.isEmpty()) return saved;
    QRect area = available.front();
    qint64 most = 0;
    for (const QRect& a : available) {
        const QRect both = a.intersected(*saved);
        const qint64 shared = both.isEmpty() ? 0 : qint64(both.width()) * both.height();
        if (shared > most) most = shared, area = a;
    }
    saved->setSize(saved->size().boundedTo(area.size()));
    return saved;
}

std::optional<QRect> Preferences::frameOnScreens(const QString& name) const {
    QList<QRect> available;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* s : QGuiApplication::screens())
            available.push_back(s->availableGeometry());
    return frameOnScreens(name, available);
}

}  // namespace foundation
