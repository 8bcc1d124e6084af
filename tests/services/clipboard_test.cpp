#include "services/clipboard_monitor.h"

#include "support/test_support.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalo;

TEST(ClipboardReaction, LengthThresholdCountsCharactersAndIsInclusive) {
    ClipboardSituation s{.autoSpeak = true, .hasText = true, .characters = 9, .ignoreLen = 10,
                         .activeUi = 0, .converterExists = true};
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::Ignore);
    s.characters = 10;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::ConverterReads);
    // Ten characters of which several take more than one byte, one of them
    // outside the Basic Multilingual Plane.
    EXPECT_EQ(CharacterCount(QString::fromUtf8("ünïcödé 😀!")), 10);
    EXPECT_EQ(CharacterCount(QString::fromUtf8("日本語の文章です。")), 9);
}

TEST(ClipboardReaction, RoutingByInterfaceAndSettings) {
    ClipboardSituation s{.autoSpeak = true, .hasText = true, .characters = 50, .ignoreLen = 10};
    s.activeUi = 0;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::Ignore); // no window: the selector shows
    s.converterExists = true;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::ConverterReads);
    s.activeUi = 7; // anything but 1 is the converter
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::ConverterReads);
    s.activeUi = 1;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::Ignore);
    s.cartoonReady = true;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::CartoonReads);
    s.autoSpeak = false;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::Ignore);
    s.autoSpeak = true;
    s.hasText = false;
    EXPECT_EQ(DecideClipboardReaction(s), ClipboardReaction::Ignore);
}

TEST(ClipboardMonitor, RaisesOnlyWhileActiveAndEnabledAndNotForThePresentContent) {
    QGuiApplication::clipboard()->setText(QStringLiteral("present before the monitor"));
    QCoreApplication::processEvents();
    TClipboardMonitor monitor;
    int changes = 0;
    monitor.OnClipboardChange = [&] { ++changes; };
    monitor.SetActive(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 0);

    QGuiApplication::clipboard()->setText(QStringLiteral("one"));
    EXPECT_TRUE(kalo::test::waitFor([&] { return changes == 1; }, 2000));
    // Two changes a moment apart (an owner leaving, the next one arriving)
    // are one change; changes further apart are each passed on.
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("two"));
    EXPECT_TRUE(kalo::test::waitFor([&] { return changes == 2; }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(changes, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("three"));
    EXPECT_TRUE(kalo::test::waitFor([&] { return changes == 3; }, 2000));
    monitor.SetEnabled(false);
    QGuiApplication::clipboard()->setText(QStringLiteral("four"));
    QTest::qWait(200);
    monitor.SetEnabled(true);
    monitor.SetActive(false);
    QGuiApplication::clipboard()->setText(QStringLiteral("five"));
    QTest::qWait(200);
    EXPECT_EQ(changes, 3);
}
