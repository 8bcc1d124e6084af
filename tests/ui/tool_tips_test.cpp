#include "ui/tool_tips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace kalo;

TEST(ToolTips, ShowAfterAQuarterSecondAndOnlyWhileSwitchedOn) {
    InstallToolTipControl(*qApp);
    QPushButton button(QStringLiteral("Read"));
    button.setToolTip(QStringLiteral("Read the document"));
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    EXPECT_EQ(button.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 250);

    auto ask = [&] {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&button, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    SetToolTipsEnabled(false);
    EXPECT_FALSE(ToolTipsEnabled());
    EXPECT_EQ(ask(), "");
    SetToolTipsEnabled(true);
    EXPECT_EQ(ask(), "Read the document");
    QToolTip::hideText();
}
