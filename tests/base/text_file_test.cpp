#include "base/text_file.h"

#include "base/kalo_error.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::returnsWithin;
using kalo::test::ScratchAppFolder;
using kalo::test::TestFifo;

namespace {
QByteArray roundTrip(const QByteArray& bytes) {
    DecodedText d = DecodeText(bytes);
    return EncodeText(d.text, d.format);
}
} // namespace

TEST(TextFile, EncodingAndLineBreaksSurviveARoundTrip) {
    const QByteArray samples[] = {
        "plain\nlines\n",
        "dos\r\nlines\r\nno final break",
        "old mac\rlines\r",
        "\xEF\xBB\xBF" "bom \xC3\xA9t\xC3\xA9\r\n",
        "caf\xE9 na\xEFve \x80 \x81\x8D\x8F\x90\x9D\r\n", // Windows-1252, undefined bytes too
        "\xFF\xFE" "h\0i\0\r\0\n\0",                       // UTF-16LE with mark
        "\xFE\xFF\0h\0i\0\n",                              // UTF-16BE with mark
        "",
    };
    for (const QByteArray& s : samples)
        EXPECT_EQ(roundTrip(s), s) << s.toHex().constData();
}

TEST(TextFile, DecodingGivesCharactersWithUnixLineBreaks) {
    DecodedText d = DecodeText("caf\xC3\xA9\r\n\xE2\x82\xAC");
    EXPECT_EQ(d.format.encoding, TextEncoding::Utf8);
    EXPECT_EQ(d.format.lineBreak, LineBreak::CrLf);
    EXPECT_EQ(d.text, QString::fromUtf8("café\n€"));

    d = DecodeText("caf\xE9\r\n\x80");
    EXPECT_EQ(d.format.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(d.text, QString::fromUtf8("café\n€"));
}

TEST(TextFile, BinaryBytesComeBackUnchanged) {
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        const char c = char((i * 131 + 7) % 256);
        if (c != '\r' && c != '\n') // line breaks are the one thing a save may normalise
            binary += c;
    }
    EXPECT_EQ(roundTrip(binary), binary);
}

TEST(TextFile, CharactersWindows1252CannotHoldMoveTheDocumentToUtf8) {
    TextFormat format{TextEncoding::Windows1252, LineBreak::CrLf};
    const QByteArray bytes = EncodeText(QString::fromUtf8("a € 日本\nb"), format);
    EXPECT_EQ(format.encoding, TextEncoding::Utf8);
    EXPECT_EQ(bytes, QByteArray("a \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC\r\nb"));
}

TEST(TextFile, WriteRefusesReadOnlyFilesAndMissingFoldersAndKeepsTheOldText) {
    ScratchAppFolder dir;
    const QString path = dir.file("doc.txt");
    dir.write("doc.txt", "original\r\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    TextFormat format;
    try {
        WriteTextFile(path, "new text", format);
        FAIL() << "a read-only document was replaced";
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file " + path)) << e.message().toStdString();
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(dir.read("doc.txt"), "original\r\n");

    EXPECT_THROW(WriteTextFile(dir.file("gone/doc.txt"), "x", format), KaloError);
    EXPECT_THROW(ReadTextFile(dir.file("gone/doc.txt")), KaloError);

    format = {TextEncoding::Utf8, LineBreak::CrLf};
    WriteTextFile(path, "a\nb\n", format);
    EXPECT_EQ(dir.read("doc.txt"), "a\r\nb\r\n");
}

TEST(TextFile, DocumentsThatAreNotRegularFilesAreRefusedWithoutBlockingAndNeverWrittenOver) {
    ScratchAppFolder dir;
    const TestFifo fifo(dir.file("fifo.txt"));
    ASSERT_TRUE(QFile::link(fifo.path(), dir.file("link.txt")));
    ASSERT_TRUE(QFile::link("/dev/zero", dir.file("zero.txt")));
    ASSERT_TRUE(QDir().mkdir(dir.file("folder.txt")));
    for (const char* name : {"fifo.txt", "link.txt", "zero.txt", "folder.txt"}) {
        const QString path = dir.file(name);
        QString message;
        ASSERT_TRUE(returnsWithin(
            5000,
            [&] {
                try {
                    ReadTextFile(path);
                } catch (const KaloError& e) {
                    message = e.message();
                }
            },
            fifo))
            << name;
        EXPECT_EQ(message, QStringLiteral("Cannot open file \"%1\". %2.")
                               .arg(path, QLatin1String(name) == QLatin1String("folder.txt")
                                              ? "It is a folder"
                                              : "It is not a regular file"));
    }
    // Writing goes through a new file renamed into place, which never blocks;
    // it must not replace the FIFO (nor what a link points to) either.
    for (const char* name : {"fifo.txt", "link.txt"}) {
        TextFormat format;
        try {
            WriteTextFile(dir.file(name), "text", format);
            ADD_FAILURE() << name << " was written over";
        } catch (const KaloError& e) {
            EXPECT_EQ(e.message(), "Cannot create file " + dir.file(name) + ". Not a regular file");
        }
    }
    EXPECT_TRUE(QFileInfo(fifo.path()).exists());
    EXPECT_FALSE(QFileInfo(fifo.path()).isFile());
    EXPECT_EQ(QFileInfo(dir.file("link.txt")).symLinkTarget(), fifo.path());
}

TEST(TextFile, ADocumentLargerThanTheLimitIsRefusedWithItsSize) {
    ScratchAppFolder dir;
    QFile big(dir.file("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(MaxDocumentBytes + 1)); // sparse: takes no room on disk
    big.close();
    try {
        ReadTextFile(big.fileName());
        ADD_FAILURE() << "a document over the limit was read";
    } catch (const KaloError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The file \"%1\" is too large to open (%2 MB); "
                                              "documents of up to %3 MB are opened.")
                                   .arg(big.fileName())
                                   .arg(MaxDocumentBytes / (1024 * 1024) + 1)
                                   .arg(MaxDocumentBytes / (1024 * 1024)));
    }
}
