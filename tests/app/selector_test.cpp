#include "app/selector.h"

#include "services/interface_windows.h"
#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/picture_control.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalo;

namespace {

// Interface windows made by the selector's Launch in these tests.
struct InterfaceFactories {
    int converters = 0;
    int cartoons = 0;
    InterfaceFactories() {
        SetInterfaceWindowFactory(ConverterInterface, [this] {
            ++converters;
            return new QWidget;
        });
        SetInterfaceWindowFactory(CartoonInterface, [this] {
            ++cartoons;
            return new QWidget;
        });
    }
    ~InterfaceFactories() {
        delete FormConverter.data();
        delete FormKALO.data();
        SetInterfaceWindowFactory(ConverterInterface, {});
        SetInterfaceWindowFactory(CartoonInterface, {});
    }
};

} // namespace

TEST(Selector, LaysOutItsControlsAndOpensOnTheStoredInterface) {
    Settings = TSettings{};
    Settings.ActiveUI = 1;
    Settings.ShowSelector = true;
    TJQFormSelector selector;
    EXPECT_EQ(JQFormSelector, &selector);
    EXPECT_EQ(selector.pos(), QPoint(394, 255));
    selector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    EXPECT_EQ(selector.size(), QSize(323, 335));
    EXPECT_FALSE(selector.Sizeable);
    EXPECT_EQ(selector.LabelJQCaption->text(), "Select User Interface");
    EXPECT_TRUE(selector.closeImage->isVisible());
    EXPECT_FALSE(selector.minImage->isVisible());
    EXPECT_FALSE(selector.maxImage->isVisible());
    EXPECT_EQ(selector.PageControl1->geometry(), QRect(8, 8, 282, 212));
    EXPECT_EQ(selector.PageControl1->tabText(0), "TTS/Wav/MP3 Converter");
    EXPECT_EQ(selector.PageControl1->tabText(1), "Cartoon UI");
    EXPECT_EQ(selector.PageControl1->currentIndex(), 1);
    EXPECT_TRUE(selector.CheckBoxSelector->isChecked());
    EXPECT_EQ(selector.Button1->geometry(), QRect(216, 240, 75, 25));
    EXPECT_TRUE(selector.Button1->isDefault());
    EXPECT_EQ(selector.Label1->text(), "Halden Software ");
    EXPECT_TRUE(selector.Label1->font().italic());
    EXPECT_FALSE(selector.Label1->isEnabled());
    EXPECT_FALSE(selector.Image1->picture().isNull());
    EXPECT_FALSE(selector.Image2->picture().isNull());
    // Showing the page by program stored nothing.
    EXPECT_EQ(Settings.ActiveUI, 1);
}

TEST(Selector, PageAndCheckBoxStoreTheirSettingsAtOnce) {
    Settings = TSettings{};
    Settings.ActiveUI = 0;
    Settings.ShowSelector = true;
    TJQFormSelector selector;
    selector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    EXPECT_EQ(selector.PageControl1->currentIndex(), 0);
    selector.PageControl1->setCurrentIndex(1);
    EXPECT_EQ(Settings.ActiveUI, 1);
    selector.PageControl1->setCurrentIndex(0);
    EXPECT_EQ(Settings.ActiveUI, 0);
    QTest::mouseClick(selector.CheckBoxSelector, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_FALSE(Settings.ShowSelector);

    // Shown again (after an interface switch) it follows the settings anew.
    selector.hide();
    Settings.ActiveUI = 1;
    Settings.ShowSelector = true;
    selector.show();
    EXPECT_EQ(selector.PageControl1->currentIndex(), 1);
    EXPECT_TRUE(selector.CheckBoxSelector->isChecked());
    // A stored value outside the two opens no page, and stays as it is
    // until the user turns to a page.
    selector.hide();
    Settings.ActiveUI = 7;
    selector.show();
    QTest::qWait(50);
    EXPECT_NE(selector.PageControl1->currentWidget(), selector.TabSheetConverter);
    EXPECT_NE(selector.PageControl1->currentWidget(), selector.TabSheetCartoon);
    EXPECT_FALSE(selector.TabSheetConverter->isVisible());
    EXPECT_FALSE(selector.TabSheetCartoon->isVisible());
    EXPECT_EQ(Settings.ActiveUI, 7);
    QTest::mouseClick(selector.PageControl1->tabBar(), Qt::LeftButton, {},
                      selector.PageControl1->tabBar()->tabRect(0).center());
    EXPECT_EQ(Settings.ActiveUI, 0);
    EXPECT_TRUE(selector.TabSheetConverter->isVisible());
}

TEST(Selector, LaunchHidesTheSelectorAndOpensTheChosenInterface) {
    InterfaceFactories factories;
    Settings = TSettings{};
    Settings.ActiveUI = 0;
    TJQFormSelector selector;
    selector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    QTest::keyClick(&selector, Qt::Key_Return); // Launch is the default button
    EXPECT_FALSE(selector.isVisible());
    EXPECT_EQ(factories.converters, 1);
    ASSERT_TRUE(FormConverter);
    EXPECT_TRUE(FormConverter->isVisible());
    delete FormConverter.data();

    // Any stored value but 0 opens the cartoon interface.
    Settings.ActiveUI = 7;
    selector.Button1Click();
    EXPECT_EQ(factories.cartoons, 1);
    ASSERT_TRUE(FormKALO);
    EXPECT_TRUE(FormKALO->isVisible());
}

TEST(Selector, LaunchWithoutAWindowForTheInterfaceKeepsTheSelector) {
    SetInterfaceWindowFactory(ConverterInterface, {});
    SetInterfaceWindowFactory(CartoonInterface, {});
    Settings = TSettings{};
    Settings.ActiveUI = 1;
    TJQFormSelector selector;
    selector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    EXPECT_THROW(selector.Button1Click(), KaloError);
    EXPECT_TRUE(selector.isVisible());
    EXPECT_TRUE(FormKALO.isNull());
}
