#include "player/player_window.h"

#include "agent/jq_agent.h"
#include "app/selector.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "player/face_button.h"
#include "player/jq_track_bar.h"
#include "player/sys_tray.h"
#include "services/data_module.h"
#include "services/interface_windows.h"
#include "services/options_dialog.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kalo;
using kalo::test::ScratchAppFolder;
using kalo::test::waitFor;

namespace {

// A bitmap whose every pixel tells where it is, so any rectangle cut from it
// can be recognised.
QImage coordinateBitmap(int w, int h, int file) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 32 + (y / 256) * 8 + file));
    return img;
}

class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(app.file("skins/Testskin"));
        QDir().mkpath(app.file("chars"));
        QDir().mkpath(app.file("txt"));
        const QString skin = app.file("skins/Testskin/");
        coordinateBitmap(275, 116, 1).save(skin + "Main.bmp", "BMP");
        coordinateBitmap(344, 87, 2).save(skin + "Titlebar.bmp", "BMP");
        coordinateBitmap(136, 36, 3).save(skin + "Cbuttons.bmp", "BMP");
        coordinateBitmap(92, 85, 4).save(skin + "Shufrep.bmp", "BMP");
        coordinateBitmap(307, 10, 5).save(skin + "Posbar.bmp", "BMP");
        coordinateBitmap(68, 433, 6).save(skin + "Volume.bmp", "BMP");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALO_SOURCE_DIR "/data/chars/James.acs"),
                                app.file("chars/James.acs")));
        dm = std::make_unique<TdmMain>();
        CharsFolder = app.file("chars/");
        Settings.Skin = QStringLiteral("Testskin");
        Settings.GreetingWhenStart = false;
        Settings.MainLeft = 200;
        Settings.MainTop = 150;
        SetErrorBoxHandler([this](const QString& text) { errors << text; });
        SetMessageBoxHandler([this](const QString& text, int) { messages << text; });
        SetShellOpener([this](const QString& target, const QString& verb, int show) {
            opened << verb + " " + target + " " + QString::number(show);
        });
    }
    void TearDown() override {
        delete form.data();
        delete selector;
        SetErrorBoxHandler({});
        SetMessageBoxHandler({});
        SetShellOpener({});
        SetInterfaceWindowFactory(ConverterInterface, {});
        SetInterfaceWindowFactory(CartoonInterface, {});
        dm.reset();
    }

    TFormKALO* open() {
        form = new TFormKALO;
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        return form.data();
    }

    // Keeps an action from doing its work, so a test sees only that it ran.
    static std::unique_ptr<QSignalSpy> watch(TFormKALO* f, QAction* action) {
        QObject::disconnect(action, &QAction::triggered, f, nullptr);
        return std::make_unique<QSignalSpy>(action, &QAction::triggered);
    }

    static void press(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // The pointer moved to a screen point with the left button held.
    static void dragTo(QWidget* w, QPoint global) {
        QMouseEvent e(QEvent::MouseMove, w->mapFromGlobal(global), global, Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    QImage cut(const QString& file, int x, int y, int w, int h) {
        return QImage(app.file("skins/Testskin/" + file))
            .convertToFormat(QImage::Format_RGB32)
            .copy(x, y, w, h);
    }

    ScratchAppFolder app;
    std::unique_ptr<TdmMain> dm;
    QPointer<TFormKALO> form;
    TJQFormSelector* selector = nullptr;
    QStringList errors, messages, opened;
};

struct ActionRow {
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut;
    bool toggle;
};

const ActionRow Rows[29] = {
    {"ActionMainMenu", "KALO Menu", "KALO Menu", "Alt+F", false},
    {"ActionMini", "Minimize", "Minimize", "", false},
    {"ActionShade", "Windowshade Mode", "Toggle Windowshade mode", "Ctrl+W", true},
    {"ActionExit", "Exit", "Close", "Alt+F4", false},
    {"ActionOptions", "Options", "Options Menu", "", false},
    {"ActionStayOnTop", "Always On Top", "Toggle Always-On-Top", "Ctrl+A", true},
    {"ActionSoundEffectsOn", "Sound Effects", "Sound Effects", "Alt+3", true},
    {"ActionBalloonVisible", "Speaking with Balloon", "Speaking with Balloon", "Ctrl+D", true},
    {"ActionAnimationOn", "Show Animation", "Show Animation", "Alt+A", true},
    {"ActionChar1Visible", "Show/Hide Character", "Show/Hide Character", "Alt+G", true},
    {"ActionAutoSpeak", "Watch Clipboard", "Auto Speak When Clipboard Changed", "Alt+E", true},
    {"ActionPrev", "Previous", "Previous Track", "Z", false},
    {"ActionPlay", "Play", "Play", "X", false},
    {"ActionPause", "Read Clipboard", "Read Clipboard", "C", false},
    {"ActionStop", "Stop", "Stop", "V", false},
    {"ActionNext", "Next", "Next Track", "B", false},
    {"ActionFile", "Open Text File...", "Open Text File(s)", "L", false},
    {"ActionShuffle", "Shuffle", "Toggle Shuffle", "S", true},
    {"ActionRepeat1", "Repeat", "Toggle Repeat", "R", true},
    {"ActionAbout", "Halden Software KALO...", "", "", false},
    {"ActionSpeak", "Speak Clipboard", "", "Ctrl+C", false},
    {"ActionPreferences", "Preferences...", "Preferences", "Ctrl+P", false},
    {"ActionHome", "KALO Home Page", "", "", false},
    {"ActionJQ", "Halden Home Page", "", "", false},
    {"ActionDown", "Download More Characters", "", "", false},
    {"ActionDownLatest", "Download the Latest Version", "", "", false},
    {"ActionHelp", "Help", "", "F1", false},
    {"ActionRecordClipboard", "Record Clipboard", "Add to list when clipboard change", "Alt+R",
     true},
    {"ActionConverter", "Converter Mode", "Switch to Converter Mode", "", false},
};

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << "-";
        else if (a->isVisible())
            out << a->text();
        else
            out << "(" + a->text() + ")";
    }
    return out;
}

} // namespace

TEST_F(PlayerWindowTest, ActionsInOrderWithCaptionsHintsShortcutsAndMenus) {
    TFormKALO* f = open();
    ASSERT_EQ(f->ActionManager1.size(), 29);
    for (int i = 0; i < 29; ++i) {
        const QAction* a = f->ActionManager1.at(i);
        SCOPED_TRACE(Rows[i].name);
        EXPECT_EQ(a->objectName(), Rows[i].name);
        EXPECT_EQ(a->text(), Rows[i].caption);
        if (*Rows[i].hint)
            EXPECT_EQ(a->toolTip(), Rows[i].hint);
        EXPECT_EQ(a->statusTip(), Rows[i].hint);
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(Rows[i].shortcut)));
        EXPECT_EQ(a->isCheckable(), Rows[i].toggle);
    }
    EXPECT_EQ(f->ActionManager1.at(19), f->ActionAbout);
    EXPECT_FALSE(f->ActionRecordClipboard->isVisible());

    EXPECT_EQ(
        captions(f->PopupMenuKALO),
        QStringList({"Halden Software KALO...", "-", "Read Clipboard", "Open Text File...", "-",
                     "Options", "Playback", "-", "Converter Mode", "-", "Help", "Exit"}));
    EXPECT_EQ(f->PopupMenuKALO->actions().at(5)->menu(), f->PopupMenuOptions);
    EXPECT_EQ(captions(f->Playback1),
              QStringList({"Previous", "Play", "Read Clipboard", "Stop", "Next"}));
    EXPECT_EQ(captions(f->PopupMenuOptions),
              QStringList({"Preferences...", "Characters", "Skins", "Tones", "-", "Watch Clipboard",
                           "(Record Clipboard)", "Show/Hide Character", "Show Animation",
                           "Speaking with Balloon", "Sound Effects", "-", "Always On Top",
                           "Windowshade Mode", "-", "Repeat", "Shuffle"}));
}

TEST_F(PlayerWindowTest, OpensAtItsPlaceWithFaceButtonsBarsAndLabels) {
    Settings.Spd = 200;
    TFormKALO* f = open();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(f->pos(), QPoint(200, 150));
    EXPECT_EQ(f->size(), QSize(275, 116));
    EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f->LabelFileName->text(), "I'm ready!");
    EXPECT_EQ(f->LabelFileName->x(), 111);
    EXPECT_EQ(f->LabelFileName->y(), 25);
    f->LabelNumber->setText("0012");
    EXPECT_EQ(f->LabelNumber->geometry().right() + 1, 97);
    f->LabelNumber->setText("123456");
    EXPECT_EQ(f->LabelNumber->geometry().right() + 1, 97);
    // The skin's default colour (no Pledit.txt).
    EXPECT_EQ(f->LabelFileName->palette().color(QPalette::WindowText), QColor(0x89, 0xD8, 0xD1));

    EXPECT_EQ(f->PositionBar->geometry(), QRect(16, 72, 248, 10));
    EXPECT_FALSE(f->PositionBar->isEnabled());
    EXPECT_EQ(f->PositionBar->Min(), 1);
    EXPECT_EQ(f->PositionBar->Position(), 1);
    EXPECT_EQ(f->VolumeBar->geometry(), QRect(107, 57, 68, 13));
    EXPECT_EQ(f->VolumeBar->Max(), 65535);
    EXPECT_EQ(f->VolumeBar->Position(), GetWaveVolume());
    EXPECT_EQ(f->SpeedBar->geometry(), QRect(177, 57, 38, 13));
    EXPECT_EQ(f->SpeedBar->Min(), 50);
    EXPECT_EQ(f->SpeedBar->Max(), 250);
    EXPECT_EQ(f->SpeedBar->Position(), 200);
    EXPECT_TRUE(f->SpeedBar->SliderVisible());

    const QRect places[19] = {
        {6, 3, 9, 9},      {244, 3, 9, 9},    {254, 3, 9, 9},    {264, 3, 9, 9},
        {10, 24, 8, 8},    {10, 32, 8, 8},    {10, 40, 8, 8},    {10, 48, 8, 8},
        {10, 56, 8, 8},    {220, 59, 22, 10}, {242, 59, 22, 10}, {17, 89, 21, 16},
        {39, 89, 22, 16},  {62, 89, 22, 16},  {85, 89, 22, 16},  {108, 89, 21, 16},
        {137, 90, 20, 14}, {165, 90, 45, 13}, {211, 90, 26, 13}};
    for (int i = 0; i < 19; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(f->FaceButtons[size_t(i)], nullptr);
        EXPECT_EQ(f->FaceButtons[size_t(i)]->geometry(), places[i]);
        EXPECT_EQ(f->FaceButtons[size_t(i)]->action(), f->ActionManager1.at(i));
        EXPECT_EQ(f->FaceButtons[size_t(i)]->toolTip(), f->ActionManager1.at(i)->toolTip());
        EXPECT_TRUE(f->FaceButtons[size_t(i)]->text().isEmpty());
    }
    // Play shows its normal picture from Cbuttons.bmp.
    EXPECT_EQ(f->FaceButtons[12]->shownPicture(), cut("Cbuttons.bmp", 23, 1, 22, 16));

    EXPECT_EQ(f->SysTray1->Hint(), "Kalotalk");
    EXPECT_TRUE(f->SysTray1->Active());
    EXPECT_EQ(f->SysTray1->PopupMenu(), f->PopupMenuKALO);
    EXPECT_EQ(f->SysTray1->PopupMode(), TSysTray::pmLeftClick | TSysTray::pmRightClick);
}

TEST_F(PlayerWindowTest, StayOnTopAndCheckMarksComeFromTheSettingsAtStart) {
    Settings.StayOnTop = true;
    Settings.AutoSpeak = false;
    Settings.Shuffle = true;
    Settings.Repeat1 = false;
    Settings.SoundEffectsOn = false;
    Settings.RecordClipboard = false;
    TFormKALO* f = open();
    ASSERT_TRUE(f->JQChar) << errors.join("\n").toStdString();
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f->ActionStayOnTop->isChecked());
    EXPECT_TRUE(f->FaceButtons[5]->latched());
    EXPECT_EQ(f->FaceButtons[5]->shownPicture(), cut("Titlebar.bmp", 312, 54, 8, 8));
    EXPECT_FALSE(f->ActionAutoSpeak->isChecked());
    EXPECT_FALSE(f->FaceButtons[10]->latched());
    EXPECT_TRUE(f->ActionShuffle->isChecked());
    EXPECT_TRUE(f->FaceButtons[17]->latched());
    EXPECT_FALSE(f->ActionRepeat1->isChecked());
    EXPECT_FALSE(f->ActionSoundEffectsOn->isChecked());
    EXPECT_FALSE(f->JQChar->SoundEffectsOn());
    EXPECT_FALSE(f->ActionRecordClipboard->isChecked());

    // Toggling by the face button: the action runs, the setting follows and
    // the window is a normal one again; a second click latches it again.
    QTest::mouseClick(f->FaceButtons[5], Qt::LeftButton);
    EXPECT_FALSE(Settings.StayOnTop);
    EXPECT_FALSE(f->ActionStayOnTop->isChecked());
    EXPECT_FALSE(f->FaceButtons[5]->latched());
    EXPECT_FALSE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->FaceButtons[5]->shownPicture(), cut("Titlebar.bmp", 304, 10, 8, 8));
    QTest::mouseClick(f->FaceButtons[5], Qt::LeftButton);
    EXPECT_TRUE(Settings.StayOnTop);
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(PlayerWindowTest, ToggleActionsStoreTheirSettingsAndReachTheCharacter) {
    Settings.AutoSpeak = true;
    Settings.BalloonVisible = true;
    Settings.AnimationOn = true;
    Settings.SoundEffectsOn = true;
    Settings.Char1Visible = false;
    TFormKALO* f = open();
    ASSERT_TRUE(f->JQChar);
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));

    QTest::keyClick(f, Qt::Key_E, Qt::AltModifier);
    EXPECT_FALSE(Settings.AutoSpeak);
    EXPECT_FALSE(f->FaceButtons[10]->latched());
    QTest::keyClick(f, Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(Settings.BalloonVisible);
    EXPECT_FALSE(f->JQChar->BalloonVisible);
    QTest::keyClick(f, Qt::Key_A, Qt::AltModifier);
    EXPECT_FALSE(Settings.AnimationOn);
    EXPECT_FALSE(f->JQChar->AnimationOn);
    QTest::keyClick(f, Qt::Key_3, Qt::AltModifier);
    EXPECT_FALSE(Settings.SoundEffectsOn);
    EXPECT_FALSE(f->JQChar->SoundEffectsOn());
    EXPECT_FALSE(f->ActionSoundEffectsOn->isChecked());
    // The hidden Record Clipboard still has its shortcut.
    const bool record = Settings.RecordClipboard;
    QTest::keyClick(f, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(Settings.RecordClipboard, !record);

    // Show/Hide Character shows the character at its size and hides it.
    QTest::keyClick(f, Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(Settings.Char1Visible);
    EXPECT_TRUE(f->JQChar->Visible());
    EXPECT_GT(f->JQChar->Width(), 0);
    EXPECT_TRUE(f->FaceButtons[9]->latched());
    QTest::keyClick(f, Qt::Key_G, Qt::AltModifier);
    EXPECT_FALSE(Settings.Char1Visible);
    EXPECT_FALSE(f->JQChar->Visible());
    EXPECT_EQ(f->JQChar->Width(), 0);
}

TEST_F(PlayerWindowTest, HotSpotsRunTheirActionsInBothModes) {
    TFormKALO* f = open();
    auto about = watch(f, f->ActionAbout);
    auto prev = watch(f, f->ActionPrev);
    auto mainMenu = watch(f, f->ActionMainMenu);

    press(f->Image1, {258, 97});
    EXPECT_EQ(about->count(), 1);
    EXPECT_EQ(f->DragOrigin, QPoint(258, 97));
    press(f->Image1, {170, 5});
    EXPECT_EQ(prev->count(), 0);
    // Any button: a right press runs the spot too.
    press(f->Image1, {8, 5}, Qt::RightButton);
    EXPECT_EQ(mainMenu->count(), 1);

    f->ActionShade->trigger();
    ASSERT_EQ(f->height(), 14);
    press(f->Image1, {170, 5});
    EXPECT_EQ(prev->count(), 1);
    EXPECT_EQ(f->DragOrigin, QPoint(170, 5));
    // The strip's Exit spot closes the window.
    press(f->Image1, {266, 6});
    EXPECT_FALSE(f->isVisible());
}

TEST_F(PlayerWindowTest, WindowshadeByActionKeyButtonHotSpotAndDoubleClick) {
    TFormKALO* f = open();
    const QImage fullFace = f->Image1->picture();
    ASSERT_EQ(fullFace.size(), QSize(275, 116));
    const auto expectShade = [&](bool on, const char* route) {
        SCOPED_TRACE(route);
        EXPECT_EQ(Settings.AppBar, on);
        EXPECT_EQ(f->ActionShade->isChecked(), on);
        EXPECT_EQ(f->size(), on ? QSize(275, 14) : QSize(275, 116));
        EXPECT_EQ(f->Image1->picture().size(), f->size());
    };
    f->ActionShade->trigger();
    expectShade(true, "action");
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    QTest::keyClick(f, Qt::Key_W, Qt::ControlModifier);
    expectShade(false, "Ctrl+W");
    QTest::mouseClick(f->FaceButtons[2], Qt::LeftButton);
    expectShade(true, "face button");
    press(f->Image1, {256, 6});
    expectShade(false, "hot spot");
    // A double-click on the title strip, and only there.
    QTest::mouseDClick(f->Image1, Qt::LeftButton, {}, {100, 6});
    expectShade(true, "double-click");
    QTest::mouseDClick(f->Image1, Qt::LeftButton, {}, {100, 6});
    expectShade(false, "double-click back");
    // Main.bmp is loaded again: below the strip the face is the bitmap.
    EXPECT_EQ(f->Image1->picture().copy(0, 14, 275, 102), cut("Main.bmp", 0, 14, 275, 102));
    QTest::mouseDClick(f->Image1, Qt::LeftButton, {}, {100, 40});
    expectShade(false, "double-click below the strip");
}

TEST_F(PlayerWindowTest, StartsInWindowshadeModeWhenStoredSo) {
    Settings.AppBar = true;
    TFormKALO* f = open();
    EXPECT_EQ(f->size(), QSize(275, 14));
    EXPECT_TRUE(f->ActionShade->isChecked());
    QTest::mouseDClick(f->Image1, Qt::LeftButton, {}, {50, 7});
    EXPECT_EQ(f->size(), QSize(275, 116));
    EXPECT_FALSE(f->ActionShade->isChecked());
    EXPECT_FALSE(Settings.AppBar);
}

TEST_F(PlayerWindowTest, DraggingSnapsWithinElevenPixelsOfTheWorkAreaNotTwelve) {
    TFormKALO* f = open();
    f->WorkArea = [] { return QRect(0, 0, 1024, 740); };
    f->move(300, 300);
    press(f->Image1, {100, 50});
    // Left edge 12 pixels from the work area's: no snap.
    dragTo(f->Image1, QPoint(12 + 100, 300 + 50));
    EXPECT_EQ(f->pos(), QPoint(12, 300));
    // 11 pixels: the window snaps, and the pointer moves with it.
    QCursor::setPos(QPoint(11 + 100, 300 + 50));
    dragTo(f->Image1, QPoint(11 + 100, 300 + 50));
    EXPECT_EQ(f->pos(), QPoint(0, 300));
    EXPECT_EQ(QCursor::pos(), QPoint(100, 350));
    // Bottom edge 11 above the panel's top, then 12.
    dragTo(f->Image1, QPoint(400, 740 - 116 - 11 + 50));
    EXPECT_EQ(f->pos(), QPoint(300, 740 - 116));
    dragTo(f->Image1, QPoint(400, 740 - 116 - 12 + 50));
    EXPECT_EQ(f->pos(), QPoint(300, 740 - 116 - 12));
    // Only with the left button held.
    QMouseEvent plain(QEvent::MouseMove, QPointF(1, 1), QPointF(600, 300), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f->Image1, &plain);
    EXPECT_EQ(f->pos(), QPoint(300, 740 - 116 - 12));
}

TEST_F(PlayerWindowTest, RightClicksOpenTheMainMenuRightAligned) {
    TFormKALO* f = open();
    // On the character: the right button only.
    f->AgentClick("James", 1, 0, 600, 400);
    EXPECT_FALSE(f->PopupMenuKALO->isVisible());
    f->AgentClick("James", 2, 0, 600, 400);
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuKALO->isVisible(); }));
    EXPECT_EQ(f->PopupMenuKALO->geometry().right() + 1, 600);
    EXPECT_EQ(f->PopupMenuKALO->y(), 400);
    f->PopupMenuKALO->hide();

    // The tray icon: a left or a right press.
    f->SysTray1->HandleIconMessage(TSysTray::IconMessage::LeftDown, QPoint(500, 300));
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuKALO->isVisible(); }));
    f->PopupMenuKALO->hide();
    f->SysTray1->HandleIconMessage(TSysTray::IconMessage::RightDown, QPoint(500, 300));
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuKALO->isVisible(); }));
    f->PopupMenuKALO->hide();
    // Minimised (Minimize, face button 1), the window comes back with the
    // tray's menu.
    f->ActionMini->trigger();
    EXPECT_TRUE(f->isMinimized());
    f->SysTray1->HandleIconMessage(TSysTray::IconMessage::LeftDown, QPoint(500, 300));
    EXPECT_FALSE(f->isMinimized());
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuKALO->isVisible(); }));
    f->PopupMenuKALO->hide();

    // The menu action: right edge at the window's left + 6.
    f->move(500, 150);
    f->ActionMainMenu->trigger();
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuKALO->isVisible(); }));
    EXPECT_EQ(f->PopupMenuKALO->geometry().right() + 1, 506);
    EXPECT_EQ(f->PopupMenuKALO->y(), 153);
    f->PopupMenuKALO->hide();
    f->ActionOptions->trigger();
    ASSERT_TRUE(waitFor([&] { return f->PopupMenuOptions->isVisible(); }));
    EXPECT_EQ(f->PopupMenuOptions->pos(), QPoint(510, 174));
    f->PopupMenuOptions->hide();
}

TEST_F(PlayerWindowTest, WebHelpAndPreferencesActions) {
    TFormKALO* f = open();
    f->ActionHome->trigger();
    f->ActionJQ->trigger();
    f->ActionDown->trigger();
    f->ActionDownLatest->trigger();
    f->ActionHelp->trigger();
    EXPECT_EQ(
        opened,
        QStringList({"Open https://kalotalk.example.com/ 3", "Open https://halden.example.org/ 3",
                     "Open https://kalotalk.example.com/ 3", "Open https://kalotalk.example.com/ 3",
                     "Open " + app.path() + "help/index.html 3"}));
}

// The help page's table of the player's commands is written by hand: every
// action a user can reach by a key must appear there with its caption and its
// current shortcut, so a changed caption or key shows up here.
TEST_F(PlayerWindowTest, TheHelpPageListsEveryPlayerShortcutWithItsCaption) {
    TFormKALO* f = open();
    QFile page(QStringLiteral(KALO_SOURCE_DIR "/data/app/help/index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    const qsizetype from = html.indexOf(QStringLiteral("<h2 id=\"cartoon\">"));
    ASSERT_GE(from, 0);
    const QString section = html.mid(from, html.indexOf(QStringLiteral("<h2"), from + 1) - from);
    EXPECT_FALSE(section.contains(QStringLiteral("not part of this version")));
    int rows = 0;
    for (const QAction* a : f->ActionManager1) {
        if (a->shortcut().isEmpty() || !a->isVisible())
            continue;
        SCOPED_TRACE(a->objectName().toStdString());
        const QRegularExpression row(
            QStringLiteral("<tr><td>") + QRegularExpression::escape(a->text().toHtmlEscaped()) +
            QStringLiteral("</td><td>[^<]+</td><td><kbd>") +
            QRegularExpression::escape(a->shortcut().toString(QKeySequence::PortableText)) +
            QStringLiteral("</kbd></td></tr>"));
        EXPECT_TRUE(row.match(section).hasMatch()) << a->text().toStdString();
        ++rows;
    }
    EXPECT_EQ(rows, 20);
}

TEST_F(PlayerWindowTest, DestructionStoresThePlaceAndTheCharacterSettings) {
    Settings.AppBar = true;
    TFormKALO* f = open();
    ASSERT_TRUE(f->JQChar);
    f->move(321, 123);
    f->JQChar->SetLeft(40);
    f->JQChar->SetTop(50);
    f->JQChar->Speed = 222;
    delete f;
    EXPECT_EQ(Settings.MainLeft, 321);
    EXPECT_EQ(Settings.MainTop, 123);
    EXPECT_EQ(Settings.Left, 40);
    EXPECT_EQ(Settings.Top, 50);
    EXPECT_EQ(Settings.Spd, 222);
    EXPECT_EQ(Agent, nullptr);
    EXPECT_TRUE(FormKALO.isNull());

    // The next start opens in windowshade mode at the same place.
    TFormKALO* g = open();
    EXPECT_EQ(g->pos(), QPoint(321, 123));
    EXPECT_EQ(g->size(), QSize(275, 14));
}

TEST_F(PlayerWindowTest, APlaceOnNoScreenIsMovedIntoThePrimaryWorkArea) {
    Settings.MainLeft = 5000;
    Settings.MainTop = -3000;
    TFormKALO* f = open();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(work.contains(f->geometry())) << f->x() << "," << f->y();
    delete f;
    // A place partly off screen but with its title reachable stays.
    Settings.MainLeft = work.right() - 100;
    Settings.MainTop = 20;
    f = open();
    EXPECT_EQ(f->pos(), QPoint(work.right() - 100, 20));
}

TEST_F(PlayerWindowTest, ACharacterThatFailsToLoadStillOpensTheWindow) {
    Settings.Char1 = QStringLiteral("Nobody");
    Settings.StayOnTop = true;
    Settings.AutoSpeak = false;
    Settings.Shuffle = true;
    TFormKALO* f = open();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("Nobody")) << errors.first().toStdString();
    EXPECT_FALSE(f->JQChar);
    EXPECT_FALSE(f->ClipboardReady());
    EXPECT_TRUE(f->isVisible());
    // The steps before the character were done: face, buttons, place.
    EXPECT_EQ(f->pos(), QPoint(200, 150));
    EXPECT_NE(f->FaceButtons[18], nullptr);
    // The check marks as designed; stay-on-top not applied.
    EXPECT_TRUE(f->ActionAutoSpeak->isChecked());
    EXPECT_TRUE(f->ActionRecordClipboard->isChecked());
    EXPECT_FALSE(f->ActionShuffle->isChecked());
    EXPECT_FALSE(f->ActionStayOnTop->isChecked());
    EXPECT_FALSE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    // The actions that reach the character only change their settings.
    const bool visible = Settings.Char1Visible;
    f->ActionChar1Visible->trigger();
    EXPECT_EQ(Settings.Char1Visible, !visible);
    f->move(77, 88);
    delete f;
    EXPECT_EQ(Settings.MainLeft, 77);
    EXPECT_EQ(Settings.MainTop, 88);
}

// The item of a submenu with the caption.
QAction* menuItem(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions())
        if (a->text() == caption)
            return a;
    return nullptr;
}

TEST_F(PlayerWindowTest, AfterAFailedStartUpLoadChoosingACharacterBringsOneBack) {
    Settings.Char1 = QStringLiteral("Nobody");
    Settings.StayOnTop = true;
    Settings.Shuffle = true;
    Settings.Char1Visible = true;
    TFormKALO* f = open();
    ASSERT_FALSE(f->JQChar);
    ASSERT_FALSE(ToneNames.isEmpty());
    // A voice chosen without a character is kept for the next one.
    f->Tones1->actions().at(0)->trigger();
    EXPECT_EQ(Settings.Tone, 0);

    QAction* james = menuItem(f->Characters1, QStringLiteral("James"));
    ASSERT_NE(james, nullptr);
    james->trigger();
    ASSERT_TRUE(f->JQChar);
    ASSERT_NE(f->JQChar->Character(), nullptr);
    EXPECT_EQ(f->JQChar->CharacterID(), QStringLiteral("James"));
    EXPECT_TRUE(f->JQChar->Visible());
    EXPECT_GT(f->JQChar->Width(), 0);
    EXPECT_EQ(Settings.Char1, QStringLiteral("James"));
    EXPECT_EQ(Settings.Tone, -1);
    EXPECT_EQ(f->LabelFileName->text(), QStringLiteral("New Character"));
    EXPECT_TRUE(f->ClipboardReady());
    // What creation left undone is done now: check marks from the settings
    // and stay-on-top.
    EXPECT_TRUE(f->ActionStayOnTop->isChecked());
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f->ActionShuffle->isChecked());
    EXPECT_TRUE(f->ActionChar1Visible->isChecked());
    // And the menus work on the character from now on.
    f->Tones1->actions().at(0)->trigger();
    EXPECT_EQ(Settings.Tone, 0);
    EXPECT_EQ(f->JQChar->Character()->TTSModeID(), ToneModeIds.at(0));
    EXPECT_EQ(f->LabelFileName->text(), QStringLiteral("New Voice"));
    EXPECT_EQ(errors.size(), 1); // the start-up failure only
}

TEST_F(PlayerWindowTest, ACharacterThatCannotLoadLeavesTheRunningOneAsItWas) {
    app.write(QStringLiteral("chars/Broken.acs"), QByteArray("not a character"));
    ASSERT_TRUE(QFile::copy(app.file("chars/James.acs"), app.file("chars/Gone.acs")));
    Settings.Char1Visible = true;
    TFormKALO* f = open();
    ASSERT_TRUE(f->JQChar);
    QAction* james = menuItem(f->Characters1, QStringLiteral("James"));
    ASSERT_NE(james, nullptr);
    EXPECT_TRUE(james->isChecked());
    ASSERT_TRUE(QFile::remove(app.file("chars/Gone.acs"))); // listed, then deleted
    f->LabelFileName->setText(QStringLiteral("1. story.txt"));
    const short width = f->JQChar->Width();
    for (const QString& name : {QStringLiteral("Broken"), QStringLiteral("Gone")}) {
        SCOPED_TRACE(name.toStdString());
        QAction* item = menuItem(f->Characters1, name);
        ASSERT_NE(item, nullptr);
        item->trigger();
        ASSERT_TRUE(f->JQChar);
        ASSERT_NE(f->JQChar->Character(), nullptr);
        EXPECT_EQ(f->JQChar->CharacterID(), QStringLiteral("James"));
        EXPECT_TRUE(f->JQChar->Visible());
        EXPECT_EQ(f->JQChar->Width(), width);
        EXPECT_EQ(Settings.Char1, QStringLiteral("James"));
        EXPECT_EQ(f->LabelFileName->text(), QStringLiteral("1. story.txt"));
        // The check mark stays with the character that runs.
        EXPECT_TRUE(james->isChecked());
        EXPECT_FALSE(item->isChecked());
        // It still reads.
        EXPECT_NO_THROW(f->JQChar->Speak(QStringLiteral("Still here."), true));
        f->JQChar->Stop();
    }
}

// Preferences while the character is hidden: the dialog shows the stored
// size and leaves the character hidden; a size typed meanwhile is kept, also
// across a restart, and the character shows at it.
TEST_F(PlayerWindowTest, PreferencesLeaveAHiddenCharacterHidden) {
    Settings.ActiveUI = 1;
    Settings.Char1Visible = true;
    Settings.Width = 150;
    Settings.Height = 187;
    TFormKALO* f = open();
    FormKALO = f;
    ASSERT_TRUE(f->JQChar);
    f->ActionChar1Visible->trigger(); // hide
    ASSERT_FALSE(Settings.Char1Visible);
    ASSERT_EQ(f->JQChar->Character()->Width(), 0);
    {
        TFormOption options;
        options.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
        EXPECT_EQ(options.SpinEditWidth->value(), 150);
        EXPECT_EQ(f->JQChar->Character()->Width(), 0);
        EXPECT_EQ(f->JQChar->Character()->Height(), 0);
        EXPECT_FALSE(f->JQChar->Visible());
        options.SpinEditWidth->setValue(120);
        EXPECT_EQ(Settings.Width, 120);
        EXPECT_EQ(f->JQChar->Character()->Width(), 0);
    }
    delete f;
    EXPECT_FALSE(Settings.Char1Visible);
    EXPECT_EQ(Settings.Width, 120);
    EXPECT_EQ(Settings.Height, 187);

    // The next start keeps it hidden, and Show/Hide shows it at that size.
    f = open();
    FormKALO = f;
    ASSERT_TRUE(f->JQChar);
    EXPECT_FALSE(f->JQChar->Visible());
    EXPECT_EQ(f->JQChar->Character()->Width(), 0);
    f->ActionChar1Visible->trigger();
    EXPECT_TRUE(f->JQChar->Visible());
    EXPECT_EQ(f->JQChar->Character()->Width(), 120);
    EXPECT_EQ(f->JQChar->Character()->Height(), 187);
    // Shown, a typed size applies at once.
    {
        TFormOption options;
        options.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
        options.SpinEditHeight->setValue(160);
        EXPECT_EQ(f->JQChar->Character()->Height(), 160);
    }
}

// "Watch Clipboard" in the options dialog and the player's toggle are one
// setting: the menu's check mark and face button 10 follow the dialog, and
// the next toggle flips what the dialog left.
TEST_F(PlayerWindowTest, WatchClipboardInTheOptionsMovesThePlayersCheckMark) {
    Settings.ActiveUI = 1;
    Settings.AutoSpeak = true;
    TFormKALO* f = open();
    FormKALO = f;
    ASSERT_TRUE(f->ActionAutoSpeak->isChecked());
    {
        TFormOption options;
        options.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
        options.CheckBoxWatchClipboard->click();
        EXPECT_FALSE(Settings.AutoSpeak);
        EXPECT_FALSE(f->ActionAutoSpeak->isChecked());
        EXPECT_FALSE(f->FaceButtons[10]->latched());
    }
    f->ActionAutoSpeak->trigger();
    EXPECT_TRUE(Settings.AutoSpeak);
    EXPECT_TRUE(f->ActionAutoSpeak->isChecked());
    EXPECT_TRUE(f->FaceButtons[10]->latched());
}

// With no usable voice every speech fails: the failure is reported once,
// and list playback stops instead of waiting for an end that never comes.
TEST_F(PlayerWindowTest, AFailedSpeechIsReportedOnceAndStopsTheList) {
    app.write(QStringLiteral("txt/a.txt"), "alpha beta gamma\n");
    dm->FileList = QStringList{app.file("txt/a.txt")};
    Settings.Char1Visible = true;
    TFormKALO* f = open();
    ASSERT_TRUE(f->JQChar);
    // James again, now without a voice (as when no speech engine runs).
    Agent->SetVoicelessForTests(true);
    menuItem(f->Characters1, QStringLiteral("James"))->trigger();
    ASSERT_TRUE(f->JQChar);
    EXPECT_EQ(f->LabelFileName->text(), QStringLiteral("New Character"));
    // The announcement cannot be spoken: that is said.
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }, 5000));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("cannot speak"))) << errors[0].toStdString();

    f->ActionPlay->trigger();
    EXPECT_TRUE(f->Playing);
    ASSERT_TRUE(waitFor([&] { return !f->Playing; }, 5000));
    EXPECT_EQ(f->ItemIndex, 0);
    EXPECT_EQ(errors.size(), 1); // not again for the same reason
}

// Runs body in the application's main loop, until done() holds or the time
// is up; returns done(). (QApplication::exec, not a loop of our own: it also
// forgets an exit asked for by an earlier test, which would end any loop at
// once.)
bool inMainLoop(const std::function<void()>& body, const std::function<bool()>& done,
                int timeoutMs = 20000) {
    QObject context;
    QTimer::singleShot(0, &context, body);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &context, [&] {
        if (done())
            QCoreApplication::exit(0);
    });
    poll.start(10);
    QTimer::singleShot(timeoutMs, &context, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    return done();
}

// Converter Mode chosen (from the tray menu, say) while the window runs a
// nested event loop - a modal dialog of its own, or a wait for the
// character - must not destroy the window under the handler that runs that
// loop. The switch waits until control is back in the main loop, then
// happens as it always did.
TEST_F(PlayerWindowTest, ConverterModeDuringANestedLoopWaitsForTheMainLoop) {
    RegisterPlayerWindow();
    RegisterConverterWindow();
    Settings.ShowSelector = false;
    Settings.Char1Visible = true;
    selector = new TJQFormSelector;
    const auto startPlayer = [&] {
        Settings.ActiveUI = 1;
        selector->Button1Click();
        return QPointer<TFormKALO>(qobject_cast<TFormKALO*>(FormKALO.data()));
    };
    struct Case {
        const char* name;
        QAction* TFormKALO::*action;
        bool dialog; // a modal dialog, else the wait for the hiding character
    };
    const Case cases[] = {{"About box", &TFormKALO::ActionAbout, true},
                          {"Open Text File", &TFormKALO::ActionFile, true},
                          {"Preferences", &TFormKALO::ActionPreferences, true},
                          {"Show/Hide Character", &TFormKALO::ActionChar1Visible, false}};
    // Chosen from the main loop itself (a menu), the switch is at once.
    {
        QPointer<TFormKALO> player = startPlayer();
        ASSERT_TRUE(player);
        bool atOnce = false;
        EXPECT_TRUE(inMainLoop(
            [&] {
                player->ActionConverter->trigger();
                atOnce = FormKALO.isNull() && !player->isVisible() && selector->isVisible() &&
                         Settings.ActiveUI == 0;
            },
            [&] { return player.isNull(); }));
        EXPECT_TRUE(atOnce);
        selector->hide();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.Char1Visible = true;
        QPointer<TFormKALO> player = startPlayer();
        ASSERT_TRUE(player);
        ASSERT_TRUE(player->JQChar);
        bool nested = false, keptInside = false, keptAfter = false;
        const bool switched = inMainLoop(
            [&] {
                QTimer::singleShot(150, [&] {
                    QWidget* modal = QApplication::activeModalWidget();
                    nested = c.dialog ? modal != nullptr : WaitingForRequest();
                    player->ActionConverter->trigger();
                    // The nested loop goes on; nothing has switched yet.
                    QTest::qWait(100);
                    keptInside = player && FormKALO == player.data() && player->isVisible() &&
                                 Settings.ActiveUI == 1 && !selector->isVisible();
                    if (c.dialog && modal)
                        modal->close();
                });
                (player->*c.action)->trigger();
                keptAfter = player && player->JQChar && FormKALO == player.data();
            },
            [&] { return player.isNull(); });
        EXPECT_TRUE(nested);
        EXPECT_TRUE(keptInside);
        EXPECT_TRUE(keptAfter);
        ASSERT_TRUE(switched);
        EXPECT_TRUE(FormKALO.isNull());
        EXPECT_EQ(Settings.ActiveUI, 0);
        EXPECT_TRUE(selector->isVisible());
        EXPECT_EQ(selector->PageControl1->currentIndex(), 0);
        EXPECT_EQ(Agent, nullptr);
        selector->hide();
    }
}

TEST_F(PlayerWindowTest, ConverterModeAndCartoonModeRoundTrip) {
    RegisterPlayerWindow();
    RegisterConverterWindow();
    Settings.ActiveUI = 1;
    Settings.ShowSelector = false;
    selector = new TJQFormSelector;
    selector->Button1Click();
    ASSERT_TRUE(FormKALO);
    QPointer<QWidget> player = FormKALO.data();
    ASSERT_NE(qobject_cast<TFormKALO*>(player), nullptr);
    EXPECT_FALSE(selector->isVisible());
    auto* p = static_cast<TFormKALO*>(player.data());
    p->move(250, 260);

    // From the top (no nested loop) the switch happens at once: the player
    // is hidden with its tray icon, no longer the cartoon window, and the
    // selector shows the converter page; the window itself goes once the
    // event is handled, storing its place, and a close meanwhile does not
    // end the program.
    p->ActionConverter->trigger();
    EXPECT_TRUE(FormKALO.isNull());
    EXPECT_FALSE(p->isVisible());
    EXPECT_FALSE(p->SysTray1->Active());
    EXPECT_EQ(Settings.ActiveUI, 0);
    EXPECT_TRUE(selector->isVisible());
    EXPECT_EQ(selector->PageControl1->currentIndex(), 0);
    EXPECT_FALSE(player.isNull());
    p->close();
    ASSERT_TRUE(waitFor([&] { return player.isNull(); }));
    EXPECT_TRUE(selector->isVisible());
    EXPECT_EQ(Settings.MainLeft, 250);
    EXPECT_EQ(Settings.MainTop, 260);
    EXPECT_EQ(Agent, nullptr);

    selector->Button1Click();
    ASSERT_TRUE(FormConverter);
    auto* converter = qobject_cast<TFormConverter*>(FormConverter.data());
    ASSERT_NE(converter, nullptr);
    converter->CartoonMode();
    ASSERT_TRUE(waitFor([&] { return FormConverter.isNull(); }));
    EXPECT_EQ(Settings.ActiveUI, 1);
    EXPECT_TRUE(selector->isVisible());
    EXPECT_EQ(selector->PageControl1->currentIndex(), 1);

    selector->Button1Click();
    ASSERT_TRUE(FormKALO);
    EXPECT_EQ(FormKALO->pos(), QPoint(250, 260));
    delete FormKALO.data();
}
