#include "foundation/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace foundation {

bool Pasteboard::offersImage() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return false;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return false;
    return data->hasImage() || data->hasFormat(QStringLiteral("image/tiff")) ||
           data->hasFormat(QStringLiteral("image/png"));
}

}  // namespace foundation
