#include "converter_fixture.h"

#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "services/interface_windows.h"
#include "app/selector.h"
#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include "converter/find_replace_dialog.h"
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace kalo;
using kalo::test::ConverterTest;


TEST_F(ConverterTest, StartsOnTheStoredTabAndCreatesAMissingDocument) {
    Settings.TabIndex = 1;
    const QString a = doc("a.txt", "alpha\r\n");
    open({a, app.file("txt/missing.txt")});
    EXPECT_EQ(tabs(), QStringList({"a", "missing"}));
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(converter->windowTitle(), "Text To Speech/Wav/Mp3 Converter");
    EXPECT_EQ(converter->MinWidth, 603);
    EXPECT_EQ(converter->MinHeight, 220);
    EXPECT_EQ(converter->Status(), " Ready");
    // Shown empty; the file comes into being when it is saved.
    EXPECT_EQ(converter->EditorText(), "");
    EXPECT_TRUE(converter->FileSave());
    EXPECT_TRUE(QFile::exists(app.file("txt/missing.txt")));

    Settings.TabIndex = 5; // beyond the list: back to the first tab
    delete converter;
    converter = nullptr;
    open({a});
    EXPECT_EQ(Settings.TabIndex, 0);
    EXPECT_EQ(converter->EditorText(), "alpha\n");
}

TEST_F(ConverterTest, ClosingTheRightmostTabSelectsTheFirstAndAnotherTheNextInPlace) {
    open({doc("a.txt", "a"), doc("b.txt", "b"), doc("c.txt", "c"), doc("d.txt", "d")});
    converter->SelectLast();
    EXPECT_TRUE(converter->FileClose());
    EXPECT_EQ(tabs(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(converter->EditorText(), "a");
    converter->TabControl1->setCurrentIndex(1);
    EXPECT_TRUE(converter->FileClose());
    EXPECT_EQ(tabs(), QStringList({"a", "c"}));
    EXPECT_EQ(converter->EditorText(), "c");
    EXPECT_TRUE(converter->FileCloseAll());
    EXPECT_EQ(dm->FileList, QStringList{app.file("txt/untitled.txt")});
    EXPECT_TRUE(QFile::exists(app.file("txt/untitled.txt")));
    EXPECT_TRUE(QFile::exists(app.file("txt/d.txt"))); // files stay on disk
}

TEST_F(ConverterTest, NewTakesTheFirstFreeNumberAndReportsAMissingFolder) {
    doc("untitled1.txt", "");
    doc("untitled3.txt", "");
    open({doc("a.txt", "a")});
    EXPECT_TRUE(converter->FileNew());
    EXPECT_EQ(tabs(), QStringList({"a", "untitled2"}));
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(app.read("txt/untitled2.txt"), "");

    Settings.DefTxtPath = app.file("no-such-folder/");
    type("kept text");
    answer = SaveChangesAnswer::Save;
    EXPECT_FALSE(converter->FileNew());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).startsWith("Cannot create file " + app.file("no-such-folder/untitled1.txt")));
    EXPECT_EQ(tabs(), QStringList({"a", "untitled2"}));
    EXPECT_EQ(converter->EditorText(), "kept text");
}

TEST_F(ConverterTest, OpenAddsFilesInOrderAndNeverTwice) {
    const QString a = doc("a.txt", "a");
    open({a});
    dialogAnswer = {doc("b.txt", "b"), a, doc("c.txt", "c")};
    EXPECT_TRUE(converter->FileOpen());
    EXPECT_EQ(tabs(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(selected(), 0);
    EXPECT_TRUE(dialogs.at(0).startsWith("Open File(s) to Read"));
    dialogAnswer = {};
    EXPECT_FALSE(converter->FileOpen());
    EXPECT_EQ(tabs().size(), 3);
}

TEST_F(ConverterTest, SaveWritesTheEditorAndSaveAsRenamesOrMergesTabs) {
    const QString a = doc("a.txt", "one\r\ntwo\r\n");
    const QString b = doc("b.txt", "bee");
    const QString c = doc("c.txt", "sea");
    open({a, b, c});
    type("three\n");
    EXPECT_TRUE(converter->FileSave());
    EXPECT_EQ(app.read("txt/a.txt"), "one\r\ntwo\r\nthree\r\n"); // keeps its line breaks
    EXPECT_EQ(converter->Status(), " Saved");

    dialogAnswer = {app.file("txt/renamed.txt")};
    EXPECT_TRUE(converter->FileSaveAs());
    EXPECT_EQ(dialogs.last(), "Save As | " + a);
    EXPECT_EQ(tabs(), QStringList({"renamed", "b", "c"}));
    EXPECT_EQ(app.read("txt/renamed.txt"), "one\r\ntwo\r\nthree\r\n");

    dialogAnswer = {c}; // c is open in another tab: the two become one, at the end
    type("more");
    EXPECT_TRUE(converter->FileSaveAs());
    EXPECT_EQ(tabs(), QStringList({"b", "c"}));
    EXPECT_EQ(app.read("txt/c.txt"), "one\r\ntwo\r\nthree\r\nmore");
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(converter->EditorText(), "bee");
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(ConverterTest, UnsavedEditsAreNeverDroppedSilently) {
    const QString a = doc("a.txt", "a");
    const QString b = doc("b.txt", "b");
    open({a, b});
    type(" edited");

    answer = SaveChangesAnswer::Cancel;
    converter->TabControl1->setCurrentIndex(1); // as a click on the tab
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(converter->EditorText(), "a edited");
    EXPECT_FALSE(converter->FileClose());
    EXPECT_FALSE(converter->FileCloseAll());
    converter->SelectLast();
    EXPECT_EQ(selected(), 0);
    converter->close();
    EXPECT_TRUE(converter->isVisible());
    EXPECT_EQ(tabs().size(), 2);
    EXPECT_EQ(asked.size(), 5);
    EXPECT_EQ(asked.at(0), a);

    answer = SaveChangesAnswer::Save;
    converter->TabControl1->setCurrentIndex(1);
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(app.read("txt/a.txt"), "a edited");
    EXPECT_EQ(converter->EditorText(), "b");

    type("!");
    answer = SaveChangesAnswer::Discard;
    converter->SelectFirst();
    EXPECT_EQ(app.read("txt/b.txt"), "b");
    EXPECT_EQ(converter->EditorText(), "a edited");
    EXPECT_EQ(asked.size(), 7);
}

TEST_F(ConverterTest, RightClickOnATabSelectsItAndOffersToCloseItByPath) {
    const QString a = doc("a.txt", "a");
    const QString b = doc("b.txt", "b");
    open({a, b});
    const QPoint onB = converter->TabControl1->tabRect(1).center();
    QTest::mouseClick(converter->TabControl1, Qt::RightButton, {}, onB);
    EXPECT_TRUE(converter->PopupMenuTab->isVisible());
    converter->PopupMenuTab->close();
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(converter->EditorText(), "b");
    EXPECT_EQ(converter->TabClose->text(), "Close " + b);
    EXPECT_EQ(converter->ActionFileClose->text(), "Close");
}

TEST_F(ConverterTest, UnreadableAndReadOnlyDocumentsAreLeftAlone) {
    const QString a = doc("a.txt", "a");
    QDir().mkpath(app.file("txt/folder.txt")); // exists, cannot be read as a text
    open({app.file("txt/folder.txt"), a});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).contains("folder.txt"));
    EXPECT_TRUE(converter->Memo1->isReadOnly());
    EXPECT_FALSE(converter->FileSave());
    EXPECT_TRUE(QFileInfo(app.file("txt/folder.txt")).isDir());

    converter->TabControl1->setCurrentIndex(1);
    type(" typed");
    QFile::setPermissions(a, QFileDevice::ReadOwner);
    EXPECT_FALSE(converter->FileSave());
    EXPECT_TRUE(errors.last().startsWith("Cannot create file " + a));
    EXPECT_EQ(converter->EditorText(), "a typed");
    EXPECT_EQ(app.read("txt/a.txt"), "a");
    EXPECT_NE(converter->Status(), " Saved");
}

TEST_F(ConverterTest, AFifoOrDeviceAmongTheDocumentsNeitherBlocksNorIsWrittenOver) {
    const kalo::test::TestFifo fifo(app.file("txt/fifo.txt"));
    ASSERT_TRUE(QFile::link("/dev/zero", app.file("txt/zero.txt")));
    const QString a = doc("a.txt", "a");
    const bool inTime = kalo::test::returnsWithinOnThisThread(
        10000,
        [&] {
            open({fifo.path(), app.file("txt/zero.txt"), a});
            ASSERT_EQ(errors.size(), 1);
            EXPECT_EQ(errors.at(0), "Cannot open file \"" + fifo.path() +
                                        "\". It is not a regular file.\n\nThe file is left as it is.");
            EXPECT_TRUE(converter->Memo1->isReadOnly());
            EXPECT_FALSE(converter->FileSave());
            Settings.ShowPrompt = false;
            Settings.DefAction = 2; // Append
            converter->ReadClipboard("appended text");
            EXPECT_TRUE(errors.last().contains("nothing was appended"));

            converter->TabControl1->setCurrentIndex(1);
            EXPECT_EQ(converter->Status(), " Cannot open file \"" + app.file("txt/zero.txt") +
                                               "\". It is not a regular file.");
            EXPECT_TRUE(converter->Memo1->isReadOnly());
            converter->TabControl1->setCurrentIndex(0);
            EXPECT_TRUE(converter->Memo1->isReadOnly());

            // Save As onto the FIFO from a readable document.
            converter->TabControl1->setCurrentIndex(2);
            dialogAnswer = {fifo.path()};
            EXPECT_FALSE(converter->FileSaveAs());
            EXPECT_EQ(errors.last(), "Cannot create file " + fifo.path() + ". Not a regular file");
            EXPECT_EQ(tabs(), QStringList({"fifo", "zero", "a"}));

            // New passes over a FIFO that has a free name.
            const kalo::test::TestFifo untitled(app.file("txt/untitled1.txt"));
            EXPECT_TRUE(converter->FileNew());
            EXPECT_EQ(tabs(), QStringList({"fifo", "zero", "a", "untitled2"}));
            EXPECT_FALSE(QFileInfo(untitled.path()).isFile());
        },
        fifo);
    EXPECT_TRUE(inTime);
    EXPECT_TRUE(QFileInfo::exists(fifo.path()));
    EXPECT_FALSE(QFileInfo(fifo.path()).isFile());
    EXPECT_EQ(app.read("txt/a.txt"), "a");
}

TEST_F(ConverterTest, ToolsAndHelpOpenTheirTargetsThroughTheDesktop) {
    open({doc("a.txt", "a")});
    converter->ActionBrowseTxt->trigger();
    converter->ActionBrowseWav->trigger();
    converter->ActionBrowseMp3->trigger();
    converter->ActionHelp->trigger();
    converter->ActionHelpContact->trigger();
    EXPECT_EQ(opened, QStringList({"explore " + Settings.DefTxtPath + " 3", "explore " + Settings.DefWavPath + " 3",
                                   "explore " + Settings.DefMp3Path + " 3", "Open " + app.file("help/index.html") + " 3",
                                   "Open mailto:support@halden.example.org 3"}));
    EXPECT_EQ(converter->ActionFileNew->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(converter->ActionBrowseMp3->shortcut(), QKeySequence(Qt::Key_F11));
    EXPECT_EQ(converter->EditCut1->toolTip(), "Cut");
    EXPECT_EQ(converter->EditCut1->statusTip(), "Cuts the selection and puts it on the Clipboard");
}

TEST_F(ConverterTest, CartoonModeStoresTheWindowAndShowsTheSelectorOnTheCartoonPage) {
    open({doc("a.txt", "a")});
    FormConverter = converter;
    TJQFormSelector selector;
    converter->move(100, 120);
    QPointer<TFormConverter> watch(converter);
    converter->ActionCartoon->trigger();
    converter = nullptr;
    EXPECT_TRUE(kalo::test::waitFor([&] { return watch.isNull(); }));
    EXPECT_TRUE(FormConverter.isNull());
    EXPECT_EQ(Settings.ActiveUI, 1);
    EXPECT_TRUE(selector.isVisible());
    EXPECT_EQ(Settings.ConverterLeft, 100);
    EXPECT_EQ(Settings.ConverterTop, 120);
}

TEST_F(ConverterTest, NewOverAListedMissingUntitledNeverWritesIntoAnotherDocument) {
    // untitled1.txt is listed but its file was deleted outside the program,
    // so New takes that name again; the last tab is someone else's document.
    const QString a = doc("a.txt", "alpha");
    const QString b = doc("b.txt", "bravo stays");
    open({a, app.file("txt/untitled1.txt"), b});
    ASSERT_FALSE(QFile::exists(app.file("txt/untitled1.txt")));
    Settings.ShowPrompt = false;
    Settings.DefAction = 1; // New
    converter->ReadClipboard("clipboard words");
    EXPECT_EQ(app.read("txt/b.txt"), "bravo stays");
    EXPECT_EQ(app.read("txt/untitled1.txt"), "clipboard words");
    EXPECT_EQ(dm->FileList.at(selected()), app.file("txt/untitled1.txt"));
    EXPECT_EQ(converter->EditorText(), "clipboard words");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // New by itself shows the document it made, too.
    QFile::remove(app.file("txt/untitled1.txt"));
    converter->SelectLast();
    EXPECT_TRUE(converter->FileNew());
    EXPECT_EQ(dm->FileList.at(selected()), app.file("txt/untitled1.txt"));
    EXPECT_EQ(converter->EditorText(), "");
    EXPECT_EQ(app.read("txt/b.txt"), "bravo stays");
}

TEST_F(ConverterTest, FindFirstTakesTheFirstMatchOfTheTextWhereverTheCaretIs) {
    open({doc("a.txt", "apple pie, apple tart, apple cake")});
    auto caretAt = [&](int at) {
        QTextCursor c = converter->Memo1->textCursor();
        c.setPosition(at);
        converter->Memo1->setTextCursor(c);
    };
    // Nothing to look for yet: the dialog's first search is a Find First.
    caretAt(20);
    converter->SearchFindFirst1->trigger();
    ASSERT_TRUE(converter->FindDialog->isVisible());
    converter->FindDialog->EditFind->setText("apple");
    converter->FindDialog->ButtonFindNext->click();
    EXPECT_EQ(converter->Memo1->textCursor().selectionStart(), 0);
    converter->FindDialog->ButtonFindNext->click(); // then it goes on
    EXPECT_EQ(converter->Memo1->textCursor().selectionStart(), 11);
    // Searching upwards, Find First still takes the first match.
    converter->FindDialog->RadioUp->setChecked(true);
    caretAt(30);
    converter->SearchFindFirst1->trigger();
    EXPECT_EQ(converter->Memo1->textCursor().selectionStart(), 0);
    EXPECT_TRUE(messages.isEmpty());
    converter->FindDialog->hide();
}

TEST_F(ConverterTest, TheMouseWheelOverTheTabsSwitchesNothing) {
    open({doc("a.txt", "a"), doc("b.txt", "b"), doc("c.txt", "c")});
    converter->TabControl1->setCurrentIndex(1);
    const QPoint at = converter->TabControl1->tabRect(1).center();
    for (int delta : {-120, 120, -120}) {
        QWheelEvent wheel(at, converter->TabControl1->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(converter->TabControl1, &wheel);
    }
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(converter->EditorText(), "b");
}

// A document of some megabytes is loaded on a worker thread while the
// window's loop runs. The program's end asked for meanwhile (the window
// closed by its frame) ends the load at once instead of waiting for the
// whole document, shows nothing of it, and leaves the file as it is.
TEST_F(ConverterTest, TheProgramsEndDuringALargeLoadEndsTheLoad) {
    QByteArray large;
    while (large.size() < 24 * 1024 * 1024)
        large += "A line of a large document, loaded in the background.\n";
    const QString big = doc("big.txt", large);
    open({doc("a.txt", "small"), big});
    bool ended = false;
    // The load starts from the main loop, and the end comes while it runs.
    QTimer::singleShot(0, converter, [&] {
        QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        converter->TabControl1->setCurrentIndex(1);
        ended = true;
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(120000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    ASSERT_TRUE(ended);
    EXPECT_EQ(selected(), 1);
    // The editor shows none of it, and nothing can be written over it.
    EXPECT_LT(converter->Memo1->document()->characterCount(), 100);
    EXPECT_TRUE(converter->Memo1->isReadOnly());
    EXPECT_FALSE(converter->FileSave());
    EXPECT_EQ(QFileInfo(big).size(), large.size());
    EXPECT_TRUE(errors.size() == 1 && errors[0].contains("not saved")) << errors.join(" | ").toStdString();
}
