#pragma once
// The program's alert: a dark panel with a message, an informative text, the application icon
// and up to three skinned buttons, run window-modal on a window like a sheet. The class
// operations return 1, 2 or 3 for the right, middle and left button.

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;

namespace chrome {

class BaseColoredTextButton;

class KesAlert : public QDialog {
    Q_OBJECT

  public:
    // Button mask bits.
    enum : int {
        kFirstOK = 1,
        kFirstShown = 2,
        kSecondShown = 4,
        kSecondCancel = 8,
        kThirdShown = 16,
        kFirstSave = 32,
        kThirdDontSave = 64,
    };

    static inline const QString kOK = QStringLiteral("OK");
    static inline const QString kYes = QStringLiteral("Yes");
    static inline const QString kNo = QStringLiteral("No");
    static inline const QString kCancel = QStringLiteral("Cancel");
    static inline const QString kSave = QStringLiteral("Save...");
    static inline const QString kDontSave = QStringLiteral("Don't Save");

    KesAlert();
    ~KesAlert() override;

    // The shared instance, created on first use.
    static KesAlert* shared();

    static int AlertSheetModalResMsgTextButtons(QWidget* window, const QString& msg,
                                                const QString& text, int mask);
    static int AlertSheetModalMsgTextButtons(QWidget* window, const QString& msg,
                                             const QString& text, int mask);

    static int Alert_OKMsgText(QWidget* window, const QString& msg, const QString& text);
    static int Alert_OKCancelMsgText(QWidget* window, const QString& msg, const QString& text);
    static int Alert_YESNOMsgText(QWidget* window, const QString& msg, const QString& text);
    static int Alert_YESNOCancelMsgText(QWidget* window, const QString& msg, const QString& text);
    static int Alert_SAVECANCELMsgText(QWidget* window, const QString& msg, const QString& text);
    static int Alert_DONTSAVECANCELMsgText(QWidget* window, const QString& msg,
                                           const QString& text);

    // Test hook: while set, doSheetModal lays the alert out and returns what the responder
    // answers instead of waiting for a person.
    using Responder = std::function<int(KesAlert&)>;
    static void setResponder(Responder responder);

    // Sets the two texts; the panel grows to show every line of them.
    void setMessageText(const QString& message, const QString& text);
    void setButtons(int mask);
    int doSheetModal(QWidget* window);
    void endSheetModal(int code);

    void pressFirstButton();
    void pressSecondButton();
    void pressThreeButton();

    BaseColoredTextButton* firstButton() const { return m_first; }
    BaseColoredTextButton* secondButton() const { return m_second; }
    BaseColoredTextButton* threeButton() const { return m_three; }
    QString message() const;
    QString informativeText() const;

    static QFont btnTextFont();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

  private:
    void layOutFields();

    BaseColoredTextButton* m_first = nullptr;
    BaseColoredTextButton* m_second = nullptr;
    BaseColoredTextButton* m_three = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_icon = nullptr;
};

}  // namespace chrome
