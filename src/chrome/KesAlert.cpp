#include "chrome/KesAlert.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include "chrome/BaseColoredTextButton.h"
#include "chrome/Skin.h"
#include "foundation/Geometry.h"
#include "foundation/Resources.h"

namespace chrome {

namespace {
KesAlert* s_shared = nullptr;
KesAlert::Responder& responder() {
    static KesAlert::Responder r;
    return r;
}
constexpr int kWidth = 490, kHeight = 132;
// The fields' heights in the smallest panel; longer texts make the panel taller.
constexpr int kMessageHeight = 34, kTextHeight = 37, kFieldWidth = 374;

QRect frame(int x, int y, int w, int h, int panelHeight = kHeight) {
    return foundation::qtRectFromYUp(x, y, w, h, panelHeight);
}
}  // namespace

QFont KesAlert::btnTextFont() {
    QFont f;
    f.setPixelSize(13);
    return f;
}

KesAlert::KesAlert() : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("KesAlert"));
    setFixedSize(kWidth, kHeight);
    setPalette(darkPalette());
    setAutoFillBackground(true);
    setModal(true);

    auto makeButton = [this](const QRect& r, const QString& title, void (KesAlert::*press)()) {
        auto* b = new BaseColoredTextButton(this);
        b->setGeometry(r);
        b->setText(title);
        b->setFont(btnTextFont());
        b->setImage(foundation::Resources::imageNamed(QStringLiteral("off_96")));
        b->setAlternateImage(foundation::Resources::imageNamed(QStringLiteral("on_96")));
        b->setTracksHover(false);  // the panel tracks all three together
        b->setAttribute(Qt::WA_Hover);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, press);
        return b;
    };
    m_first = makeButton(frame(375, 12, 96, 32), kYes, &KesAlert::pressFirstButton);
    m_second = makeButton(frame(279, 12, 96, 32), kNo, &KesAlert::pressSecondButton);
    m_three = makeButton(frame(95, 12, 114, 32), kCancel, &KesAlert::pressThreeButton);
    m_first->setObjectName(QStringLiteral("first"));
    m_second->setObjectName(QStringLiteral("second"));
    m_three->setObjectName(QStringLiteral("three"));

    auto makeField = [this](const QRect& r, const QString& initial, bool bold) {
        auto* l = new QLabel(initial, this);
        l->setGeometry(r);
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont f;
        f.setPixelSize(13);
        f.setBold(bold);
        l->setFont(f);
        return l;
    };
    m_message = makeField(frame(100, 83, 374, 34), QStringLiteral("Message"), true);
    m_text = makeField(frame(100, 43, 374, 37), QStringLiteral("Text"), false);

    m_icon = new QLabel(this);
    m_icon->setGeometry(frame(10, 53, 70, 69));
    m_icon->setScaledContents(true);
    const QImage icon = foundation::Resources::imageNamed(QStringLiteral("app"));
    if (!icon.isNull()) m_icon->setPixmap(QPixmap::fromImage(icon));

    setButtons(kFirstShown | kSecondShown | kThirdShown);
}

KesAlert::~KesAlert() {
    if (s_shared == this) s_shared = nullptr;
}

KesAlert* KesAlert::shared() {
    if (!s_shared) s_shared = new KesAlert;
    return s_shared;
}

void KesAlert::setResponder(Responder r) {
    responder() = std::move(r);
}

int KesAlert::AlertSheetModalResMsgTextButtons(QWidget* window, const QString& msg,
                                               const QString& text, int mask) {
    KesAlert* a = shared();
    a->setMessageText(msg, text);
    a->setButtons(mask);
    return a->doSheetModal(window);
}

int KesAlert::AlertSheetModalMsgTextButtons(QWidget* window, const QString& msg,
                                            const QString& text, int mask) {
    return AlertSheetModalResMsgTextButtons(window, msg, text, mask);
}

int KesAlert::Alert_OKMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstOK);
}
int KesAlert::Alert_OKCancelMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstOK | kSecondCancel);
}
int KesAlert::Alert_YESNOMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstShown | kSecondShown);
}
int KesAlert::Alert_YESNOCancelMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstShown | kSecondShown | kThirdShown);
}
int KesAlert::Alert_SAVECANCELMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstSave | kSecondCancel);
}
int KesAlert::Alert_DONTSAVECANCELMsgText(QWidget* w, const QString& m, const QString& t) {
    return AlertSheetModalResMsgTextButtons(w, m, t, kFirstSave | kSecondCancel | kThirdDontSave);
}

void KesAlert::setMessageText(const QString& message, const QString& text) {
    m_message->setText(message);  // a null string shows as ""
    m_text->setText(text);
    // Window lists and screen readers name the alert by its question.
    setWindowTitle(message);
    layOutFields();
}

void KesAlert::layOutFields() {
    // Texts that need more lines get them: the panel grows upwards from its buttons.
    const int messageHeight = std::max(kMessageHeight, m_message->heightForWidth(kFieldWidth));
    const int textHeight = std::max(kTextHeight, m_text->heightForWidth(kFieldWidth));
    const int height = kHeight + messageHeight - kMessageHeight + textHeight - kTextHeight;
    setFixedSize(kWidth, height);
    m_text->setGeometry(frame(100, 43, kFieldWidth, textHeight, height));
    m_message->setGeometry(frame(100, 43 + textHeight + 3, kFieldWidth, messageHeight, height));
    m_icon->setGeometry(frame(10, height - 79, 70, 69, height));
    for (BaseColoredTextButton* b : {m_first, m_second, m_three})
        b->setGeometry(frame(b->x(), 12, b->width(), b->height(), height));
}

QString KesAlert::message() const {
    return m_message->text();
}
QString KesAlert::informativeText() const {
    return m_text->text();
}

void KesAlert::setButtons(int mask) {
    m_first->setState(1);
    m_second->setState(0);
    m_three->setState(0);

    // Bits 2, 4 and 16 show a button with its plain title. Set it again here, so that a yes/no
    // question never shows the titles a previous alert left on the buttons.
    if (mask & kFirstOK)
        m_first->setText(kOK);
    else if (mask & kFirstSave)
        m_first->setText(kSave);
    else if (mask & kFirstShown)
        m_first->setText(kYes);
    if (mask & kSecondCancel)
        m_second->setText(kCancel);
    else if (mask & kSecondShown)
        m_second->setText(kNo);
    if (mask & kThirdDontSave)
        m_three->setText(kDontSave);
    else if (mask & kThirdShown)
        m_three->setText(kCancel);

    m_first->setVisible(mask & (kFirstOK | kFirstShown | kFirstSave));
    m_second->setVisible(mask & (kSecondShown | kSecondCancel));
    m_three->setVisible(mask & (kThirdShown | kThirdDontSave));
}

int KesAlert::doSheetModal(QWidget* window) {
    QWidget* host = window ? window->window() : nullptr;
    if (parentWidget() != host) {
        const QSize size = this->size();
        setParent(host, Qt::Dialog | Qt::FramelessWindowHint);
        setFixedSize(size);
    }
    setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    // Like a sheet: centred under the top edge of the window.
    if (host) {
        const QRect g = host->frameGeometry();
        move(g.x() + (g.width() - kWidth) / 2, host->geometry().y());
    }
    if (responder()) return responder()(*this);
    return exec();
}

void KesAlert::endSheetModal(int code) {
    done(code);
}

void KesAlert::pressFirstButton() {
    endSheetModal(1);
}
void KesAlert::pressSecondButton() {
    endSheetModal(2);
}
void KesAlert::pressThreeButton() {
    endSheetModal(3);
}

void KesAlert::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:  // keypad Enter
            pressFirstButton();
            return;
        case Qt::Key_Escape:
            // No button answers Escape; closing without an answer is not an answer.
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void KesAlert::reject() {}

bool KesAlert::eventFilter(QObject* watched, QEvent* event) {
    auto* b = qobject_cast<BaseColoredTextButton*>(watched);
    if (b && (b == m_first || b == m_second || b == m_three)) {
        if (event->type() == QEvent::Enter) {
            m_first->setState(0);
            m_second->setState(0);
            m_three->setState(0);
            b->setState(1);
        } else if (event->type() == QEvent::Leave) {
            // The default button is lit whenever the pointer is on none.
            m_second->setState(0);
            m_three->setState(0);
            m_first->setState(1);
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace chrome
