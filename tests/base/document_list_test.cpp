#include "base/document_list.h"

#include "base/settings_store.h"
#include "support/test_support.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::returnsWithin;
using kalo::test::ScratchAppFolder;
using kalo::test::TestFifo;

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

TEST(DocumentList, AFifoOrDeviceForTheFileReadsAsNoListAndIsNeverWrittenOver) {
    ScratchAppFolder app;
    const TestFifo fifo(app.file("filelist.dll"));
    ASSERT_TRUE(QFile::link("/dev/zero", app.file("zero.dll")));
    for (const QString& path : {fifo.path(), app.file("zero.dll")}) {
        QStringList list{"not read"};
        ASSERT_TRUE(returnsWithin(5000, [&] { list = ReadDocumentList(path); }, fifo))
            << path.toStdString();
        EXPECT_TRUE(list.isEmpty());
    }
    ASSERT_TRUE(returnsWithin(
        5000,
        [&] {
            try {
                WriteDocumentList(fifo.path(), {"/x.txt"});
                ADD_FAILURE() << "the FIFO was written over";
            } catch (const KaloError& e) {
                EXPECT_EQ(e.message(), "Cannot create file " + fifo.path() + ". Not a regular file");
            }
        },
        fifo));
    EXPECT_TRUE(QFileInfo::exists(fifo.path()));
    EXPECT_FALSE(QFileInfo(fifo.path()).isFile());
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

TEST(DocumentList, EntriesThatAreNotUtf8AreWindows1252AndGoBackByteForByte) {
    ScratchAppFolder app;
    app.write("filelist.dll", "/docs/r\xE9sum\xE9.txt\r\n/docs/na\xC3\xAFve.txt\r\n");
    QHash<QString, QByteArray> raw;
    QStringList list = ReadDocumentList(app.file("filelist.dll"), &raw);
    EXPECT_EQ(list, QStringList({QStringLiteral("/docs/r\u00E9sum\u00E9.txt"),
                                 QStringLiteral("/docs/na\u00EFve.txt")}));
    list.append(QStringLiteral("/docs/\u00E9t\u00E9.txt"));
    WriteDocumentList(app.file("filelist.dll"), list, &raw);
    EXPECT_EQ(
        app.read("filelist.dll"),
        QByteArray(
            "/docs/r\xE9sum\xE9.txt\r\n/docs/na\xC3\xAFve.txt\r\n/docs/\xC3\xA9t\xC3\xA9.txt\r\n"));
}
