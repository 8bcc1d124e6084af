#include "services/folder_picker.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::waitFor;

TEST(FolderPicker, OnlyAnExistingAbsoluteFolderIsUsable) {
    QTemporaryDir dir;
    QFile file(dir.filePath("note.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(UsableFolder(dir.path()));
    EXPECT_TRUE(UsableFolder("/"));
    EXPECT_FALSE(UsableFolder(""));
    EXPECT_FALSE(UsableFolder("relative/folder"));
    EXPECT_FALSE(UsableFolder(dir.filePath("note.txt")));
    EXPECT_FALSE(UsableFolder(dir.filePath("missing")));
}

TEST(FolderPicker, OKFollowsTheSelectionAndRefusesAFolderThatWentAway) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("keep"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("gone"));
    TFormShellTree picker;
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    EXPECT_FALSE(picker.Sizeable);
    EXPECT_FALSE(picker.ButtonOK->isEnabled());
    EXPECT_TRUE(picker.EditPath->text().isEmpty());
    EXPECT_TRUE(picker.ButtonOK->isDefault());
    // The tree taking the focus makes an item current but chooses nothing.
    picker.ShellTreeView1->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(picker.ShellTreeView1->currentIndex().isValid());
    EXPECT_FALSE(picker.ButtonOK->isEnabled());

    // The tree lists folders in the background, as they are opened.
    ASSERT_TRUE(waitFor([&] { return picker.SelectPath(dir.filePath("keep")); }));
    EXPECT_TRUE(picker.ButtonOK->isEnabled());
    EXPECT_EQ(picker.EditPath->text(), dir.filePath("keep"));

    // The tree is not watched: a folder removed after it was listed can
    // still be selected, but not chosen.
    ASSERT_TRUE(waitFor([&] { return picker.SelectPath(dir.filePath("gone")); }));
    EXPECT_TRUE(picker.ButtonOK->isEnabled());
    ASSERT_TRUE(QDir(dir.filePath("gone")).removeRecursively());
    picker.ShellTreeView1Change();
    EXPECT_FALSE(picker.ButtonOK->isEnabled());
    EXPECT_TRUE(picker.EditPath->text().isEmpty());

    ASSERT_TRUE(waitFor([&] { return picker.SelectPath("/"); }));
    EXPECT_EQ(picker.SelectedFolder(), "/");
    EXPECT_TRUE(picker.ButtonOK->isEnabled());
}

TEST(FolderPicker, SelectFolderReturnsTheChosenFolderOrNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("texts"));
    QString caption;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<TFormShellTree*>(QApplication::activeModalWidget());
        ASSERT_TRUE(picker);
        caption = picker->windowTitle();
        waitFor([&] { return picker->SelectPath(dir.filePath("texts")); });
        QTest::mouseClick(picker->ButtonOK, Qt::LeftButton);
    });
    EXPECT_EQ(SelectFolder("Select a folder as the default"), dir.filePath("texts"));
    EXPECT_EQ(caption, " Select a folder as the default");

    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<TFormShellTree*>(QApplication::activeModalWidget());
        ASSERT_TRUE(picker);
        picker->SelectPath(dir.filePath("texts"));
        QTest::keyClick(picker, Qt::Key_Escape); // Cancel
    });
    EXPECT_EQ(SelectFolder("Pick"), "");
}
