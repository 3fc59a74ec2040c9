#include "chrome/AboutPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include "chrome/Skin.h"
#include "foundation/Geometry.h"
#include "foundation/Resources.h"

namespace chrome {

AboutPanel::AboutPanel(const QString& version, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("aboutPanel"));
    setFixedSize(kWidth, kHeight);
    setPalette(darkPalette());
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    icon->setGeometry((kWidth - 72) / 2, 14, 72, 72);
    icon->setScaledContents(true);
    const QImage img = foundation::Resources::imageNamed(QStringLiteral("app"));
    if (!img.isNull()) icon->setPixmap(QPixmap::fromImage(img));

    auto* name = new QLabel(QStringLiteral("Deverav"), this);
    QFont big;
    big.setPixelSize(20);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    name->setGeometry(0, 88, kWidth, 26);

    auto* versionField = new QLabel(QStringLiteral("Version ") + version, this);
    versionField->setObjectName(QStringLiteral("versionField"));
    versionField->setAlignment(Qt::AlignCenter);
    versionField->setGeometry(0, 114, kWidth, 18);

    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("aboutLink"));
    m_link->setTextFormat(Qt::RichText);
    m_link->setText(
        QStringLiteral("<a href=\"help\" style=\"color:#e8a43c\">Read the user guide</a>"));
    m_link->setAlignment(Qt::AlignCenter);
    m_link->setGeometry(linkArea());
    connect(m_link, &QLabel::linkActivated, this, [this] {
        if (m_linkHandler) m_linkHandler();
    });

    auto* note =
        new QLabel(QStringLiteral("Effects for one still picture.\nClick to close."), this);
    note->setAlignment(Qt::AlignCenter);
    QFont small;
    small.setPixelSize(11);
    note->setFont(small);
    note->setGeometry(0, kHeight - 60, kWidth, 40);
}

QRect AboutPanel::linkArea() const {
    return foundation::qtRectFromYUp(kLinkAreaYUp.x(), kLinkAreaYUp.y(), kLinkAreaYUp.width(),
                                     kLinkAreaYUp.height(), kHeight);
}

void AboutPanel::runOver(QWidget* window) {
    setWindowModality(Qt::ApplicationModal);
    if (window) {
        const QRect g = window->frameGeometry();
        move(g.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    show();
    raise();
    activateWindow();

    m_done = false;
    m_gotEvent = false;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(m_tickMs);
    QElapsedTimer noted;
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_gotEvent) {  // input came during this wait: wait anew
            m_gotEvent = false;
            return;
        }
        if (!noted.isValid())
            noted.start();
        else if (noted.elapsed() > 3 * m_tickMs)
            loop.quit();
    });
    qApp->installEventFilter(this);
    m_loop = &loop;
    tick.start();
    loop.exec();
    m_loop = nullptr;
    qApp->removeEventFilter(this);
    tick.stop();
    hide();
}

bool AboutPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    m_gotEvent = true;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint local = mapFromGlobal(me->globalPosition().toPoint());
        if (linkArea().contains(local)) return false;  // to the link
    }
    m_done = true;
    if (m_loop) m_loop->quit();
    return true;
}

}  // namespace chrome
