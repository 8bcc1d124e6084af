#include "converter/document_tabs.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace kalo;

TEST(DocumentTabs, CaptionIsTheFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(TabCaption("/docs/letter.txt"), "letter");
    EXPECT_EQ(TabCaption("/docs/a.log"), "a");
    EXPECT_EQ(TabCaption("/other/a.txt"), "a");
    EXPECT_EQ(TabCaption("/docs/v1.2.txt"), "v1.2");
    EXPECT_EQ(TabCaption("/docs/README"), "README");
}

TEST(DocumentTabs, UntitledNamesTakeTheFirstFreeNumber) {
    QSet<QString> present{"/t/untitled1.txt", "/t/untitled3.txt", "/t/untitled.txt"};
    auto exists = [&](const QString& p) { return present.contains(p); };
    EXPECT_EQ(NextUntitledPath("/t/", exists), "/t/untitled2.txt");
    present << "/t/untitled2.txt";
    EXPECT_EQ(NextUntitledPath("/t/", exists), "/t/untitled4.txt");
    // A folder name holding place markers stays as it is.
    auto none = [](const QString&) { return false; };
    EXPECT_EQ(NextUntitledPath("/t/%1 and %2/", none), "/t/%1 and %2/untitled1.txt");
    EXPECT_EQ(NextUntitledPath("/t/%L1/", none), "/t/%L1/untitled1.txt");
}

TEST(DocumentTabs, SelectionKeepsItsPlaceOrFallsBackToTheFirstTab) {
    EXPECT_EQ(SelectionAfterRebuild(2, 5), 2);
    EXPECT_EQ(SelectionAfterRebuild(4, 4), 0); // the rightmost tab was closed
    EXPECT_EQ(SelectionAfterRebuild(-1, 3), 0);
    EXPECT_EQ(SelectionAfterRebuild(0, 0), -1);
}

TEST(DocumentTabs, OpeningAFileTwiceAddsNoTabAndCaseCounts) {
    QStringList list{"/d/a.txt"};
    EXPECT_FALSE(AddDocument(list, "/d/a.txt"));
    EXPECT_FALSE(AddDocument(list, "/d/sub/../a.txt"));
    EXPECT_TRUE(AddDocument(list, "/d/A.txt")); // another file on Linux
    EXPECT_EQ(list, QStringList({"/d/a.txt", "/d/A.txt"}));
}

TEST(DocumentTabs, SaveAsRenamesOrMergesWithTheTabOfTheChosenFile) {
    QStringList list{"/d/a.txt", "/d/b.txt", "/d/c.txt"};
    RenameDocument(list, 1, "/d/new.txt");
    EXPECT_EQ(list, QStringList({"/d/a.txt", "/d/new.txt", "/d/c.txt"}));

    RenameDocument(list, 0, "/d/c.txt"); // c.txt is open in another tab
    EXPECT_EQ(list, QStringList({"/d/new.txt", "/d/c.txt"}));

    RenameDocument(list, 1, "/d/c.txt"); // onto its own path
    EXPECT_EQ(list, QStringList({"/d/new.txt", "/d/c.txt"}));
}

TEST(DocumentTabs, ClosingNeverLeavesTheListEmpty) {
    QStringList list{"/d/a.txt", "/d/b.txt"};
    CloseDocument(list, 1, "/t/");
    EXPECT_EQ(list, QStringList{"/d/a.txt"});
    CloseDocument(list, 0, "/t/");
    EXPECT_EQ(list, QStringList{"/t/untitled.txt"});
    list = {"/d/a.txt", "/d/b.txt"};
    CloseAllDocuments(list, "/t/");
    EXPECT_EQ(list, QStringList{"/t/untitled.txt"});
}

TEST(DocumentTabs, ALineBreakAtTheEndStartsNoEmptyLineToSpeak) {
    EXPECT_EQ(SpokenLines("one\ntwo\n"), QStringList({"one", "two"}));
    EXPECT_EQ(SpokenLines("one\ntwo"), QStringList({"one", "two"}));
    EXPECT_EQ(SpokenLines("one\n\n"), QStringList({"one", ""}));
    EXPECT_EQ(SpokenLines("\n"), QStringList({""}));
    EXPECT_EQ(SpokenLines(""), QStringList({""}));
}
