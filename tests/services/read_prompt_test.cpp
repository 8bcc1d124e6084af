#include "services/read_prompt.h"

#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/picture_control.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::waitFor;

namespace {
struct PromptSettings {
    PromptSettings(int defAction, int delay) {
        Settings = TSettings{};
        Settings.DefAction = defAction;
        Settings.PromptDelay = delay;
    }
};
} // namespace

TEST(ReadPrompt, LaysOutItsButtonsAndFocusesTheDefaultAction) {
    PromptSettings s(2, 60);
    TJQFormPrompt prompt;
    prompt.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&prompt));
    EXPECT_EQ(prompt.size(), QSize(306, 181));
    EXPECT_TRUE(prompt.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(prompt.LabelJQCaption->text().isEmpty());
    EXPECT_TRUE(prompt.closeImage->isVisible());
    EXPECT_FALSE(prompt.minImage->isVisible());
    EXPECT_EQ(prompt.BitBtnRead->text(), "Read Now!");
    EXPECT_EQ(prompt.BitBtnRead->geometry(), QRect(16, 16, 249, 25));
    EXPECT_EQ(prompt.ButtonCancel->geometry(), QRect(192, 80, 75, 25));
    EXPECT_EQ(prompt.Label1->text(), "Copy Clipboard to the Documents List?");
    EXPECT_TRUE(prompt.Label1->font().bold());
    EXPECT_TRUE(prompt.ButtonAppend->isDefault());
    EXPECT_FALSE(prompt.BitBtnRead->isDefault());
    EXPECT_EQ(prompt.focusWidget(), prompt.ButtonAppend);
    EXPECT_EQ(prompt.FChoice, 2);
    EXPECT_EQ(prompt.Timer1->interval(), 60000);
    EXPECT_FALSE(prompt.Sizeable);
}

TEST(ReadPrompt, TheTimerClosesItWithTheDefaultAction) {
    PromptSettings s(2, 1);
    TJQFormPrompt prompt;
    prompt.show();
    ASSERT_TRUE(waitFor([&] { return !prompt.isVisible(); }, 3000));
    EXPECT_EQ(prompt.FChoice, 2);
}

TEST(ReadPrompt, KeysButtonsAndTheCloseButtonChooseAsExpected) {
    {
        PromptSettings s(1, 60);
        TJQFormPrompt prompt;
        prompt.show();
        QTest::keyClick(prompt.focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(prompt.isVisible());
        EXPECT_EQ(prompt.FChoice, PromptCancel);
    }
    {
        PromptSettings s(1, 60);
        TJQFormPrompt prompt;
        prompt.show();
        QTest::keyClick(prompt.focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(prompt.isVisible());
        EXPECT_EQ(prompt.FChoice, PromptNew);
    }
    {
        PromptSettings s(0, 60);
        TJQFormPrompt prompt;
        prompt.show();
        QTest::mouseClick(prompt.ButtonAppend, Qt::LeftButton);
        EXPECT_FALSE(prompt.isVisible());
        EXPECT_EQ(prompt.FChoice, PromptAppend);
    }
    {
        PromptSettings s(2, 60);
        TJQFormPrompt prompt;
        prompt.show();
        prompt.closeImageClick(); // the frame's close button: the default action
        EXPECT_FALSE(prompt.isVisible());
        EXPECT_EQ(prompt.FChoice, PromptAppend);
    }
}

TEST(ReadPrompt, OddStoredSettingsStillGiveAUsablePrompt) {
    PromptSettings s(9, 2147483);
    TJQFormPrompt prompt;
    prompt.show();
    EXPECT_EQ(prompt.FChoice, 9); // nothing to do for an unknown action
    EXPECT_EQ(prompt.focusWidget(), prompt.BitBtnRead);
    EXPECT_GT(prompt.Timer1->interval(), 0); // a long wait, not an overflow
    Settings.PromptDelay = -5;
    prompt.hide();
    prompt.show();
    ASSERT_TRUE(waitFor([&] { return !prompt.isVisible(); }, 2000));
}

TEST(ReadPrompt, AskClipboardActionReturnsTheChoiceOfTheModalPrompt) {
    PromptSettings s(0, 60);
    QTimer::singleShot(100, [] {
        auto* prompt = qobject_cast<TJQFormPrompt*>(QApplication::activeModalWidget());
        if (prompt)
            prompt->ButtonNew->click();
    });
    EXPECT_EQ(AskClipboardAction(), PromptNew);
}
