#include "base/document_list.h"

#include "base/settings_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::ScratchAppFolder;

TEST(DocumentList, ReadsLinesEndedByCrLfCrOrLfAndKeepsLetterCase) {
    ScratchAppFolder app;
    app.write("filelist.dll", "/Docs/Letter.TXT\r\n/a.txt\r/b.txt\n/c d.txt");
    EXPECT_EQ(ReadDocumentList(app.file("filelist.dll")),
              QStringList({"/Docs/Letter.TXT", "/a.txt", "/b.txt", "/c d.txt"}));
}

TEST(DocumentList, MissingOrEmptyFileGetsTheDefaultDocumentButAnEmptyLineDoesNot) {
    ScratchAppFolder app;
    QStringList list = ReadDocumentList(app.file("filelist.dll"));
    AddDefaultDocumentIfEmpty(list, "/app/txt/");
    EXPECT_EQ(list, QStringList{"/app/txt/untitled.txt"});

    app.write("filelist.dll", "\r\n");
    list = ReadDocumentList(app.file("filelist.dll"));
    AddDefaultDocumentIfEmpty(list, "/app/txt/");
    EXPECT_EQ(list, QStringList{""});
}

TEST(DocumentList, WritesEveryEntryWithCrLfInListOrder) {
    ScratchAppFolder app;
    WriteDocumentList(app.file("filelist.dll"), {"/b/Two.txt", "/a/one.txt"});
    EXPECT_EQ(app.read("filelist.dll"), "/b/Two.txt\r\n/a/one.txt\r\n");
    WriteDocumentList(app.file("filelist.dll"), {});
    EXPECT_EQ(app.read("filelist.dll"), "");
}

TEST(DocumentList, UnwritableFileThrowsWithTheFileSystemsReason) {
    ScratchAppFolder app;
    try {
        WriteDocumentList(app.file("missing-folder/filelist.dll"), {"/x.txt"});
        FAIL() << "no error";
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file " + app.file("missing-folder/filelist.dll")));
        EXPECT_GT(e.message().size(), QString("Cannot create file " + app.file("missing-folder/filelist.dll")).size() + 2);
    }
}

TEST(DocumentList, GarbageAndHugeLinesDoNotBreakReading) {
    ScratchAppFolder app;
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += char(i % 256);
    bytes += "\n" + QByteArray(1 << 20, 'p') + "\n\n\n";
    app.write("filelist.dll", bytes);
    const QStringList list = ReadDocumentList(app.file("filelist.dll"));
    ASSERT_GE(list.size(), 4);
    EXPECT_EQ(list.at(list.size() - 3).size(), 1 << 20);
    EXPECT_TRUE(list.last().isEmpty());
}
