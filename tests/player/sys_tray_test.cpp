#include "player/sys_tray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace kalo {
namespace {

TEST(SysTray, HintKeepsItsFirst63Characters) {
    TSysTray tray;
    EXPECT_EQ(tray.Hint(), QStringLiteral("Halden, Inc."));
    const QString seventy = QString(QStringLiteral("0123456789")).repeated(7);
    tray.setHint(seventy);
    EXPECT_EQ(tray.Hint(), seventy.left(63));
    tray.setActive(true);
    EXPECT_EQ(tray.trayIcon()->toolTip(), seventy.left(63));
    // A character outside the basic plane counts once and is not split.
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
    tray.setHint(QString(QLatin1Char('a')).repeated(62) + clef + clef);
    EXPECT_EQ(tray.Hint(), QString(QLatin1Char('a')).repeated(62) + clef);
}

TEST(SysTray, ChangesWhileActiveReachTheIconAtOnce) {
    TSysTray tray;
    EXPECT_FALSE(tray.Active());
    EXPECT_EQ(tray.PopupMode(), TSysTray::TPopupMode(TSysTray::pmRightClick));
    EXPECT_EQ(tray.PopupAlign(), TSysTray::TPopupAlignment::Right);
    tray.setHint(QStringLiteral("Kalotalk"));
    EXPECT_FALSE(tray.trayIcon()->isVisible());
    tray.setActive(true);
    EXPECT_TRUE(tray.trayIcon()->isVisible());
    EXPECT_EQ(tray.trayIcon()->toolTip(), QStringLiteral("Kalotalk"));
    tray.setHint(QStringLiteral("Reading"));
    EXPECT_EQ(tray.trayIcon()->toolTip(), QStringLiteral("Reading"));
    tray.setActive(false);
    EXPECT_FALSE(tray.trayIcon()->isVisible());
}

TEST(SysTray, MenuPlaceFollowsTheAlignment) {
    using A = TSysTray::TPopupAlignment;
    EXPECT_EQ(TSysTray::menuPlace(QPoint(300, 200), 120, A::Right), QPoint(180, 200));
    EXPECT_EQ(TSysTray::menuPlace(QPoint(300, 200), 120, A::Left), QPoint(300, 200));
    EXPECT_EQ(TSysTray::menuPlace(QPoint(300, 200), 120, A::Center), QPoint(240, 200));
}

struct Call {
    bool doubleClick;
    Qt::MouseButton button;
    int x, y;
    bool menuOpenBefore;
};

class SysTrayClicks : public ::testing::Test {
protected:
    void SetUp() override {
        menu.addAction(QStringLiteral("Read Clipboard"));
        menu.addAction(QStringLiteral("Exit"));
        tray.setPopupMenu(&menu);
        tray.OnIconMouseDown = [this](TSysTray* s, Qt::MouseButton b, int x, int y) {
            EXPECT_EQ(s, &tray);
            calls.push_back({false, b, x, y, menu.isVisible()});
        };
        tray.OnIconDoubleClick = [this](TSysTray* s, Qt::MouseButton b, int x, int y) {
            EXPECT_EQ(s, &tray);
            calls.push_back({true, b, x, y, menu.isVisible()});
        };
    }
    void TearDown() override { menu.hide(); }
    QWidget owner;
    TSysTray tray{&owner};
    QMenu menu;
    std::vector<Call> calls;
};

TEST_F(SysTrayClicks, ThePlayersSettingsOpenTheMenuOnEitherPressRightAligned) {
    tray.setPopupMode(TSysTray::pmLeftClick | TSysTray::pmRightClick);
    tray.HandleIconMessage(TSysTray::IconMessage::LeftDown, QPoint(400, 300));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.geometry().right() + 1, 400);
    EXPECT_EQ(menu.geometry().top(), 300);
    menu.hide();
    tray.HandleIconMessage(TSysTray::IconMessage::RightDown, QPoint(420, 310));
    EXPECT_TRUE(menu.isVisible());
    ASSERT_EQ(calls.size(), 2u);
    // the menu opens first, then the event is raised, with the button
    EXPECT_TRUE(calls[0].menuOpenBefore);
    EXPECT_EQ(calls[0].button, Qt::LeftButton);
    EXPECT_EQ(calls[1].button, Qt::RightButton);
    EXPECT_EQ(QPoint(calls[1].x, calls[1].y), QPoint(420, 310));
}

TEST_F(SysTrayClicks, DoubleClicksRaiseTheirOwnEventAndOpenTheMenuOnlyWhenAsked) {
    tray.setPopupMode(TSysTray::pmRightClick);
    tray.HandleIconMessage(TSysTray::IconMessage::LeftDown, QPoint(10, 10));
    tray.HandleIconMessage(TSysTray::IconMessage::LeftDoubleClick, QPoint(10, 10));
    EXPECT_FALSE(menu.isVisible());
    tray.setPopupMode(TSysTray::pmLeftDblClick);
    tray.HandleIconMessage(TSysTray::IconMessage::LeftDoubleClick, QPoint(500, 400));
    EXPECT_TRUE(menu.isVisible());
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[0].doubleClick);
    EXPECT_TRUE(calls[1].doubleClick);
    EXPECT_TRUE(calls[2].doubleClick);
    EXPECT_TRUE(calls[2].menuOpenBefore);
}

TEST_F(SysTrayClicks, OtherMessagesAreIgnored) {
    tray.setPopupMode(TSysTray::pmLeftClick | TSysTray::pmRightClick | TSysTray::pmLeftDblClick |
                      TSysTray::pmRightDblClick);
    tray.HandleIconMessage(TSysTray::IconMessage::Other, QPoint(10, 10));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_TRUE(calls.empty());
}

TEST_F(SysTrayClicks, ANotificationAreaReportReachesTheHandler) {
    tray.setPopupMode(TSysTray::pmRightClick);
    emit tray.trayIcon()->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(menu.isVisible());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].button, Qt::RightButton);
}

TEST(SysTray, AnEventHandlerMayDestroyTheTray) {
    auto* tray = new TSysTray;
    tray->OnIconMouseDown = [&tray](TSysTray* s, Qt::MouseButton, int, int) {
        delete s;
        tray = nullptr;
    };
    tray->HandleIconMessage(TSysTray::IconMessage::LeftDown, QPoint(1, 1));
    EXPECT_EQ(tray, nullptr);
}

} // namespace
} // namespace kalo
