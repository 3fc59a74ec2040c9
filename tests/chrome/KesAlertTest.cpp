#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

#include "chrome/BaseColoredTextButton.h"
#include "chrome/KesAlert.h"

using chrome::KesAlert;

namespace {

// The three buttons' titles, "-" for a hidden one.
QStringList shownButtons(KesAlert& a) {
    QStringList titles;
    for (auto* b : {a.firstButton(), a.secondButton(), a.threeButton()})
        titles << (b->isHidden() ? QStringLiteral("-") : b->text());
    return titles;
}

void click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

class KesAlertTest : public ::testing::Test {
  protected:
    void TearDown() override { KesAlert::setResponder({}); }
};

}  // namespace

TEST_F(KesAlertTest, PresetsShowTheirButtonsTitlesAndTextsWindowModalOnTheGivenWindow) {
    using Preset = int (*)(QWidget*, const QString&, const QString&);
    // Each after one that titles its buttons otherwise: no title is left over from the last.
    const std::pair<Preset, QStringList> cases[] = {
        {KesAlert::Alert_OKMsgText, {"OK", "-", "-"}},
        {KesAlert::Alert_YESNOMsgText, {"Yes", "No", "-"}},
        {KesAlert::Alert_OKCancelMsgText, {"OK", "Cancel", "-"}},
        {KesAlert::Alert_DONTSAVECANCELMsgText, {"Save...", "Cancel", "Don't Save"}},
        {KesAlert::Alert_YESNOCancelMsgText, {"Yes", "No", "Cancel"}},
        {KesAlert::Alert_SAVECANCELMsgText, {"Save...", "Cancel", "-"}},
    };
    QWidget window;
    window.show();
    QStringList seen;
    QString message, text;
    KesAlert::setResponder([&](KesAlert& a) {
        seen = shownButtons(a);
        message = a.message();
        text = a.informativeText();
        EXPECT_EQ(a.windowModality(), Qt::WindowModal);
        EXPECT_EQ(a.parentWidget(), &window);
        return 2;
    });
    for (const auto& [preset, titles] : cases) {
        EXPECT_EQ(preset(&window, "Replace it?", "A file exists."), 2);
        EXPECT_EQ(seen, titles);
        EXPECT_EQ(message, "Replace it?");
        EXPECT_EQ(text, "A file exists.");
    }
    // Missing texts are shown empty, not as the last ones.
    KesAlert::Alert_OKMsgText(&window, QString(), QString());
    EXPECT_EQ(message, "");
    EXPECT_EQ(text, "");
}

TEST_F(KesAlertTest, MaskBitsDecideVisibility) {
    KesAlert& a = *KesAlert::shared();
    for (int mask = 0; mask < 128; ++mask) {
        a.setButtons(mask);
        EXPECT_EQ(!a.firstButton()->isHidden(), (mask & 35) != 0) << mask;
        EXPECT_EQ(!a.secondButton()->isHidden(), (mask & 12) != 0) << mask;
        EXPECT_EQ(!a.threeButton()->isHidden(), (mask & 80) != 0) << mask;
        // The default button is lit, the others not.
        EXPECT_EQ(a.firstButton()->state(), 1);
        EXPECT_EQ(a.secondButton()->state(), 0);
        EXPECT_EQ(a.threeButton()->state(), 0);
    }
}

TEST_F(KesAlertTest, EachButtonAnswersItsNumberAndReturnTheDefault) {
    using Act = void (*)(KesAlert&);
    const std::pair<Act, int> acts[] = {
        {[](KesAlert& a) { click(a.firstButton()); }, 1},
        {[](KesAlert& a) { click(a.secondButton()); }, 2},
        {[](KesAlert& a) { click(a.threeButton()); }, 3},
        // Return and keypad Enter answer one whatever the pointer is over.
        {[](KesAlert& a) {
             QEvent enter(QEvent::Enter);
             QApplication::sendEvent(a.threeButton(), &enter);
             QTest::keyClick(&a, Qt::Key_Return);
         },
         1},
        {[](KesAlert& a) { QTest::keyClick(&a, Qt::Key_Enter, Qt::KeypadModifier); }, 1},
        // Escape is no answer: the alert waits on.
        {[](KesAlert& a) {
             QTest::keyClick(&a, Qt::Key_Escape);
             if (a.isVisible()) click(a.secondButton());
         },
         2},
    };
    // Each runs the alert's own modal loop and acts once it is up.
    for (const auto& [act, expected] : acts) {
        QTimer::singleShot(0, [act] {
            if (KesAlert::shared()->isVisible()) act(*KesAlert::shared());
        });
        EXPECT_EQ(KesAlert::Alert_DONTSAVECANCELMsgText(nullptr, "Quit?", ""), expected);
    }
}

TEST_F(KesAlertTest, PointerHighlightsTheButtonUnderItAndFallsBackToTheDefault) {
    KesAlert& a = *KesAlert::shared();
    a.setButtons(KesAlert::kFirstSave | KesAlert::kSecondCancel | KesAlert::kThirdDontSave);
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(a.secondButton(), &enter);
    EXPECT_EQ(a.firstButton()->state(), 0);
    EXPECT_EQ(a.secondButton()->state(), 1);
    EXPECT_EQ(a.threeButton()->state(), 0);
    EXPECT_TRUE(a.secondButton()->isSelected());
    QApplication::sendEvent(a.secondButton(), &leave);
    EXPECT_EQ(a.firstButton()->state(), 1);
    EXPECT_EQ(a.secondButton()->state(), 0);
    QApplication::sendEvent(a.firstButton(), &enter);
    QApplication::sendEvent(a.firstButton(), &leave);
    EXPECT_EQ(a.firstButton()->state(), 1);  // the default stays lit when the pointer leaves it
}

TEST_F(KesAlertTest, TextsThatDoNotFitAreWrappedIntoATallerPanel) {
    KesAlert::setResponder([](KesAlert&) { return 1; });
    const QString message = QStringLiteral("Couldn't save file.");
    const QString text = QStringLiteral(
        "File I/O error occured.\nFiles of type webp cannot be written; choose a format with Save "
        "As.\nThe folder /home/someone/Pictures/holidays/2023-summer-by-the-lake-with-friends/"
        "originals/unsorted was not writable either.");
    KesAlert::Alert_OKMsgText(nullptr, message, text);
    KesAlert& a = *KesAlert::shared();
    QLabel *messageField = nullptr, *textField = nullptr;
    for (QLabel* l : a.findChildren<QLabel*>()) {
        if (l->text() == message) messageField = l;
        if (l->text() == text) textField = l;
    }
    ASSERT_TRUE(messageField && textField);
    EXPECT_GT(a.height(), 132);
    // Every line is inside the field, and the fields neither overlap nor leave the panel.
    const QRect needed = textField->fontMetrics().boundingRect(
        QRect(0, 0, textField->width(), 100000), Qt::TextWordWrap, text);
    EXPECT_LE(needed.height(), textField->height());
    EXPECT_LE(needed.width(), textField->width());
    EXPECT_LE(messageField->geometry().bottom(), textField->geometry().top());
    EXPECT_LE(textField->geometry().bottom(), a.firstButton()->geometry().top());
    EXPECT_EQ(a.firstButton()->geometry().bottom(), a.height() - 12 - 1);
    EXPECT_GE(messageField->geometry().top(), 0);

    // A short text gives the panel its first size and frames back.
    KesAlert::Alert_OKMsgText(nullptr, message, QStringLiteral("File I/O error occured."));
    EXPECT_EQ(a.size(), QSize(490, 132));
    EXPECT_EQ(a.firstButton()->geometry(), QRect(375, 88, 96, 32));
    EXPECT_EQ(a.secondButton()->geometry(), QRect(279, 88, 96, 32));
    EXPECT_EQ(a.threeButton()->geometry(), QRect(95, 88, 114, 32));
    EXPECT_EQ(a.firstButton()->font().pixelSize(), 13);
}
