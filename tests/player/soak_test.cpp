// An afternoon with the player, compressed: the real window with an archive
// skin, James and the small test character, and a document list of a few
// files, driven from the main loop by a seeded pseudo-random sequence of what
// a user does - Play, Next, Previous, Stop, Shuffle, Repeat, tones,
// characters, windowshade, focus changes, the Options menu and Preferences
// (Watch Clipboard toggled inside), the About box, copies large and small,
// Converter Mode and back to the cartoon from the selector. After every step
// the window must be consistent; at the end an entry is read to its last word
// through announcements, so the place in the list is never lost.
//
// KALO_SOAK_SEED picks the sequence (printed at the start), KALO_SOAK_STEPS
// its length; the default is a fixed seed and about a minute of steps.
#include "player/player_window.h"

#include "agent/jq_agent.h"
#include "agent_test_character.h"
#include "app/selector.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "player/jq_track_bar.h"
#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "services/interface_windows.h"
#include "services/options_dialog.h"
#include "speech/mspeech.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

using namespace kalo;
using kalo::test::Prose;
using kalo::test::ScratchAppFolder;
using kalo::test::waitFor;

namespace {

quint32 EnvNumber(const char* name, quint32 otherwise) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : otherwise;
}

class SoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(app.file("skins/Topaz"));
        QDir().mkpath(app.file("chars"));
        QDir().mkpath(app.file("txt"));
        QDir().mkpath(app.file("wav"));
        QDir().mkpath(app.file("mp3"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALO_SOURCE_DIR "/tests/data/skins/Sapphire.wsz"),
                                app.file("skins/Sapphire.wsz")));
        const QDir topaz(QStringLiteral(KALO_SOURCE_DIR "/data/skins/Topaz"));
        for (const QString& name : topaz.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(topaz.filePath(name), app.file("skins/Topaz/" + name)));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALO_SOURCE_DIR "/data/chars/James.acs"),
                                app.file("chars/James.acs")));
        ASSERT_FALSE(kalo::test::WriteTestCharacter(app.file("chars")).isEmpty());
        SetAppPathOverride(app.path());
        CharsFolder.clear();
        dm = std::make_unique<TdmMain>();
        dm->MSpeech1->DeviceKind = AudioDeviceKind::Null;

        Settings.Skin = QStringLiteral("Sapphire");
        Settings.Char1 = QStringLiteral("James");
        Settings.Char1Visible = true;
        Settings.GreetingWhenStart = true;
        Settings.ActiveUI = 1;
        Settings.ShowSelector = false;
        Settings.AutoSpeak = true;
        Settings.IgnoreLen = 1;
        Settings.ShowPrompt = false;
        Settings.DefAction = 0; // the converter reads a copy at once
        Settings.AutoNext = true;
        Settings.Spd = 250;
        Settings.Tone = -1;
        Settings.Shuffle = false;
        Settings.Repeat1 = false;
        Settings.AppBar = false;

        // The list: short entries, one of some pages (spoken in parts), one
        // of a few megabytes (read in the background), one without spaces.
        entries = {
            {"one.txt", "One two three four five six seven eight nine ten eleven twelve."},
            {"two.txt", "Second entry of the list, short."},
            {"pages.txt", Prose(60000)},
            {"three.txt", "A third entry that says a little more than the first two do."},
            {"large.txt", Prose(6 * 1024 * 1024)},
            {"nospace.txt", QByteArray(200000, 'x').replace(1000, 1, "\n")},
        };
        dm->FileList.clear();
        for (const auto& [name, text] : entries) {
            app.write("txt/" + name, text);
            dm->FileList << app.file("txt/" + name);
            names << name;
        }
        SetErrorBoxHandler([this](const QString& text) { errors << text; });
        SetMessageBoxHandler([this](const QString& text, int) { messages << text; });
        SetShellOpener([](const QString&, const QString&, int) {});
        SetFileDialogHandler([this](const TFileDialogSetup&, const QString&) {
            QStringList chosen = dm->FileList;
            std::shuffle(chosen.begin(), chosen.end(), rng);
            return chosen.mid(0, 2 + int(rng() % 4));
        });
        RegisterPlayerWindow();
        RegisterConverterWindow();
        selector = new TJQFormSelector;
    }
    void TearDown() override {
        delete FormKALO.data();
        delete FormConverter.data();
        delete selector;
        SetErrorBoxHandler({});
        SetMessageBoxHandler({});
        SetShellOpener({});
        SetFileDialogHandler({});
        SetInterfaceWindowFactory(ConverterInterface, {});
        SetInterfaceWindowFactory(CartoonInterface, {});
        dm.reset();
        SetAppPathOverride(QString());
        QGuiApplication::clipboard()->clear();
    }

    TFormKALO* player() const {
        auto* form = qobject_cast<TFormKALO*>(FormKALO.data());
        return form && form->isVisible() ? form : nullptr;
    }
    TFormConverter* converter() const {
        auto* form = qobject_cast<TFormConverter*>(FormConverter.data());
        return form && form->isVisible() ? form : nullptr;
    }
    int random(int bound) { return static_cast<int>(rng() % quint32(bound)); }
    void note(const QString& what) {
        trail << QStringLiteral("%1 %2").arg(step).arg(what);
        if (trail.size() > 40)
            trail.removeFirst();
    }
    void fail(const QString& why) {
        if (failures.size() < 20)
            failures << QStringLiteral("step %1: %2").arg(step).arg(why);
    }

    // --- the actions
    void copy(int characters) {
        QString text;
        const QString words = QString::fromLatin1(Prose(characters + 200));
        text = words.left(characters);
        QGuiApplication::clipboard()->setText(text);
    }
    void chooseFrom(QMenu* menu) {
        QList<QAction*> items;
        for (QAction* item : menu->actions())
            if (!item->isSeparator())
                items << item;
        if (!items.isEmpty())
            items.at(random(int(items.size())))->trigger();
    }
    void focusElsewhere(TFormKALO* p) {
        if (random(2) == 0) {
            other.show();
            other.activateWindow();
            QTest::qWait(20);
            emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            QTest::qWait(random(60));
            p->activateWindow();
            emit qApp->applicationStateChanged(Qt::ApplicationActive);
        } else {
            emit qApp->applicationStateChanged(random(2) ? Qt::ApplicationInactive
                                                         : Qt::ApplicationActive);
        }
    }
    // One thing done to the player; inside a modal dialog nothing opens
    // another one.
    void playerAction(TFormKALO* p, bool insideModal) {
        const int pick = random(insideModal ? 86 : 100);
        if (pick < 12) {
            note("Play");
            p->ActionPlay->trigger();
        } else if (pick < 20) {
            note("Next");
            p->ActionNext->trigger();
        } else if (pick < 26) {
            note("Previous");
            p->ActionPrev->trigger();
        } else if (pick < 31) {
            note("Stop");
            p->ActionStop->trigger();
        } else if (pick < 34) {
            note("Shuffle");
            p->ActionShuffle->trigger();
        } else if (pick < 37) {
            note("Repeat");
            p->ActionRepeat1->trigger();
        } else if (pick < 43) {
            note("tone");
            chooseFrom(p->Tones1);
        } else if (pick < 48) {
            note("character");
            chooseFrom(p->Characters1);
        } else if (pick < 53) {
            note("windowshade");
            p->ActionShade->trigger();
        } else if (pick < 59) {
            note("focus");
            focusElsewhere(p);
        } else if (pick < 61) {
            note("Options menu");
            p->ActionOptions->trigger();
            QTest::qWait(random(80));
            p->PopupMenuOptions->hide();
        } else if (pick < 67) {
            note("copy");
            copy(20 + random(300));
        } else if (pick < 68) {
            note("large copy");
            copy(20000 + random(60000));
        } else if (pick < 70) {
            note("Read Clipboard");
            p->ActionPause->trigger();
        } else if (pick < 72) {
            note("Speak Clipboard");
            p->ActionSpeak->trigger();
        } else if (pick < 74) {
            note("Show/Hide Character");
            p->ActionChar1Visible->trigger();
        } else if (pick < 75) {
            note("skin");
            chooseFrom(p->Skins1);
        } else if (pick < 76) {
            note("speed");
            p->SpeedBar->setPosition(50 + random(201));
            p->SpeedBarChange(p->SpeedBar);
        } else if (pick < 78) {
            note("Watch Clipboard");
            p->ActionAutoSpeak->trigger();
        } else if (pick < 83) {
            note("Converter Mode");
            p->ActionConverter->trigger();
        } else if (pick < 86) {
            note("Open Text File");
            p->ActionFile->trigger();
        } else if (pick < 94) {
            note("Preferences");
            modal(p->ActionPreferences, true);
        } else if (pick < 97) {
            note("About");
            modal(p->ActionAbout, true);
        } else {
            note("Alt+G under a dialog");
            modal(p->ActionChar1Visible, false);
        }
    }
    // Runs a modal action (or one that waits for the character); while its
    // loop runs, a few more things happen from it, then the dialog closes.
    void modal(QAction* action, bool dialog) {
        auto returned = std::make_shared<bool>(false);
        QTimer::singleShot(random(200), &context,
                           [this, dialog, returned] { insideModal(dialog, returned, 0); });
        action->trigger();
        *returned = true;
    }
    void insideModal(bool dialog, const std::shared_ptr<bool>& returned, int tries) {
        if (*returned)
            return;
        if (dialog && !QApplication::activeModalWidget()) {
            // Not open yet (its making handles events too): look again.
            if (tries < 400)
                QTimer::singleShot(50, &context, [this, returned, tries] {
                    insideModal(true, returned, tries + 1);
                });
            return;
        }
        const int more = random(4);
        for (int i = 0; i < more; ++i) {
            if (TFormKALO* p = player())
                playerAction(p, true);
            QTest::qWait(random(150));
        }
        auto* options = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
        if (options) {
            note("Watch Clipboard in Options");
            options->CheckBoxWatchClipboard->click();
            if (random(2))
                options->CheckBoxWatchClipboard->click();
            options->ButtonOK->click();
        } else if (QWidget* open = QApplication::activeModalWidget()) {
            open->close();
        }
    }
    void selectorAction() {
        if (TFormConverter* c = converter()) {
            const int pick = random(10);
            if (pick < 3) {
                note("copy in the converter");
                copy(20 + random(200));
            } else {
                note("Cartoon Mode from the converter");
                c->CartoonMode();
            }
            return;
        }
        if (!selector->isVisible())
            return; // a switch is under way
        selector->PageControl1->setCurrentWidget(random(4) == 0 ? selector->TabSheetConverter
                                                                 : selector->TabSheetCartoon);
        note(Settings.ActiveUI == 0 ? "Launch the converter" : "Launch the cartoon");
        selector->Button1Click();
    }

    // --- the checks
    void check() {
        if (!errors.isEmpty()) {
            fail("error box: " + errors.join(" | "));
            errors.clear();
        }
        TFormKALO* p = player();
        if (!p)
            return;
        if (!p->JQChar)
            fail("no character");
        const int count = int(dm->FileList.size());
        if (p->ItemIndex < 0 || p->ItemIndex > count)
            fail(QStringLiteral("list position %1 of %2").arg(p->ItemIndex).arg(count));
        const QString label = p->LabelFileName->text();
        static const QRegularExpression entry(QStringLiteral(R"(^(\d+)\. (\S+)( \( \d+ \))?$)"));
        static const QRegularExpression other(QStringLiteral(
            R"(^(Reading Clipboard|New Voice|New Character|I'm ready!)( \( \d+ \))?$)"));
        const QRegularExpressionMatch m = entry.match(label);
        if (m.hasMatch()) {
            const int number = m.captured(1).toInt();
            if (number < 1 || number > names.size() || !names.contains(m.captured(2)))
                fail("label " + label);
        } else if (!other.match(label).hasMatch()) {
            fail("label " + label);
        }
        const QString number = p->LabelNumber->text();
        static const QRegularExpression digits(QStringLiteral(R"(^(\d{4,})?$)"));
        if (!digits.match(number).hasMatch())
            fail("counter " + number);
        if (p->PositionBar->Position() > p->PositionBar->Max())
            fail(QStringLiteral("position %1 past %2")
                     .arg(p->PositionBar->Position())
                     .arg(p->PositionBar->Max()));
        const auto mark = [&](QAction* action, bool setting, const char* what) {
            if (action->isChecked() != setting)
                fail(QStringLiteral("%1: mark %2, setting %3")
                         .arg(QLatin1String(what))
                         .arg(action->isChecked())
                         .arg(setting));
        };
        mark(p->ActionShuffle, Settings.Shuffle, "Shuffle");
        mark(p->ActionRepeat1, Settings.Repeat1, "Repeat");
        mark(p->ActionAutoSpeak, Settings.AutoSpeak, "Watch Clipboard");
        mark(p->ActionShade, Settings.AppBar, "Windowshade");
        mark(p->ActionChar1Visible, Settings.Char1Visible, "Show/Hide Character");
        const QSize size = Settings.AppBar ? QSize(275, 14) : QSize(275, 116);
        if (p->size() != size)
            fail(QStringLiteral("window %1x%2").arg(p->width()).arg(p->height()));
        const QImage face = p->Image1->picture();
        if (face.size() != p->size())
            fail(QStringLiteral("face %1x%2").arg(face.width()).arg(face.height()));
        else if (face.pixel(2, 2) == face.pixel(100, 7) && face.pixel(100, 7) == face.pixel(200, 10) &&
                 face.pixel(200, 10) == face.pixel(270, 3))
            fail("the title strip is blank");
    }

    // --- the run
    void runSteps(int steps) {
        for (step = 1; step <= steps; ++step) {
            if (TFormKALO* p = player()) {
                playerAction(p, false);
            } else {
                selectorAction();
            }
            check();
            QTest::qWait(random(300));
            check();
            if (failures.size() >= 20)
                break;
        }
    }
    // Back to the player, whatever the last steps left open.
    bool backToThePlayer() {
        return waitFor(
            [&] {
                if (player())
                    return true;
                if (TFormConverter* c = converter())
                    c->CartoonMode();
                else if (selector->isVisible() && FormKALO.isNull()) {
                    selector->PageControl1->setCurrentWidget(selector->TabSheetCartoon);
                    selector->Button1Click();
                }
                return player() != nullptr;
            },
            20000);
    }
    // An entry played through announcements (a tone, a character) reaches
    // its last word, and the list moves on to the next entry.
    void readAnEntryToItsEnd() {
        TFormKALO* p = player();
        ASSERT_TRUE(p);
        p->ActionStop->trigger();
        if (!Settings.Char1Visible)
            p->ActionChar1Visible->trigger();
        p->SpeedBar->setPosition(250);
        p->SpeedBarChange(p->SpeedBar);
        dm->FileList = {app.file("txt/one.txt"), app.file("txt/two.txt"),
                        app.file("txt/three.txt")};
        if (Settings.Repeat1)
            p->ActionRepeat1->trigger();
        p->ItemIndex = 0;
        std::vector<int> counts;
        const QMetaObject::Connection seen = QObject::connect(
            Agent, &TAgent::Bookmark, p, [&] { counts.push_back(p->LabelNumber->text().toInt()); });
        const auto reached = [&](const char* number) {
            return waitFor([&] { return p->LabelNumber->text() >= number; }, 30000);
        };
        p->ActionPlay->trigger();
        EXPECT_TRUE(waitFor([&] { return p->LabelFileName->text() == "1. one.txt ( 12 )"; }, 30000))
            << p->LabelFileName->text().toStdString();
        // A new tone, then a new character, announce themselves in the middle.
        EXPECT_TRUE(reached("0003"));
        chooseFrom(p->Tones1);
        EXPECT_TRUE(reached("0006"));
        for (QAction* item : p->Characters1->actions())
            if (item->text() == "James")
                item->trigger();
        EXPECT_TRUE(waitFor([&] { return p->ItemIndex == 1; }, 60000))
            << "the entry did not end: " << p->LabelFileName->text().toStdString() << " "
            << p->LabelNumber->text().toStdString();
        EXPECT_NE(std::find(counts.begin(), counts.end(), 12), counts.end())
            << "the last word was not reached";
        EXPECT_TRUE(
            waitFor([&] { return p->LabelFileName->text().startsWith("2. two.txt"); }, 30000))
            << p->LabelFileName->text().toStdString();
        QObject::disconnect(seen);
        p->ActionStop->trigger();
    }

    ScratchAppFolder app;
    std::unique_ptr<TdmMain> dm;
    TJQFormSelector* selector = nullptr;
    QWidget other;
    QObject context;
    std::mt19937 rng;
    std::vector<std::pair<QString, QByteArray>> entries;
    QStringList names;
    QStringList errors, messages, trail, failures;
    int step = 0;
};

TEST_F(SoakTest, AnAfternoonOfUse) {
    const quint32 seed = EnvNumber("KALO_SOAK_SEED", 20240515);
    const int steps = int(EnvNumber("KALO_SOAK_STEPS", 120));
    rng.seed(seed);
    std::printf("soak: seed %u, %d steps (KALO_SOAK_SEED, KALO_SOAK_STEPS)\n", seed, steps);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    // A step that never returns (a handler waiting on something that does
    // not come) is a failure too: it is reported with the steps before it,
    // and the character is stopped so the run can end.
    int watched = -1;
    QElapsedTimer sinceStep;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (step != watched) {
            watched = step;
            sinceStep.start();
        } else if (step <= steps && sinceStep.elapsed() > 60000) {
            QWidget* modalNow = QApplication::activeModalWidget();
            fail(QStringLiteral("the step has not returned for a minute (waiting for the "
                                "character: %1, modal: %2, loop level %3), after: %4")
                     .arg(WaitingForRequest())
                     .arg(modalNow ? QString::fromLatin1(modalNow->metaObject()->className())
                                   : QStringLiteral("none"))
                     .arg(QThread::currentThread()->loopLevel())
                     .arg(trail.mid(std::max<qsizetype>(0, trail.size() - 8)).join(", ")));
            sinceStep.start();
            if (TFormKALO* p = player(); p && p->JQChar)
                p->JQChar->Stop();
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        }
    });
    watchdog.start(1000);
    // Everything happens from the main loop, as in the program: a switch
    // chosen inside a dialog's loop waits for it.
    QTimer::singleShot(0, &context, [&] {
        selector->Button1Click();
        runSteps(steps);
        step = steps + 1;
        note("back to the player");
        if (!backToThePlayer())
            fail("the player did not come back");
        else
            readAnEntryToItsEnd();
        check();
        done = true;
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    std::printf("soak: %d steps in %lld s\n", std::min(step, steps), clock.elapsed() / 1000);
    EXPECT_TRUE(done);
    EXPECT_TRUE(failures.isEmpty()) << "seed " << seed << "\n"
                                    << failures.join("\n").toStdString() << "\nlast steps:\n"
                                    << trail.join("\n").toStdString();
}

} // namespace
