#include "base/regular_file.h"

#include "support/test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <thread>

#include <unistd.h>

using namespace kalo;
using kalo::test::returnsWithin;
using kalo::test::ScratchAppFolder;
using kalo::test::TestFifo;

TEST(RegularFile, ReadsRegularFilesAlsoThroughLinksUpToTheLimit) {
    ScratchAppFolder dir;
    dir.write(QStringLiteral("a.txt"), "twelve bytes");
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("a.txt")), dir.file(QStringLiteral("l.txt"))));
    for (const char* name : {"a.txt", "l.txt"}) {
        const RegularFileRead read = ReadRegularFile(dir.file(QLatin1String(name)), 12);
        EXPECT_TRUE(read.ok()) << name;
        EXPECT_EQ(read.bytes, QByteArray("twelve bytes")) << name;
    }
    const RegularFileRead over = ReadRegularFile(dir.file(QStringLiteral("a.txt")), 11);
    EXPECT_EQ(over.result, RegularFileRead::TooLarge);
    EXPECT_EQ(over.size, 12);
    EXPECT_TRUE(over.bytes.isEmpty());

    const RegularFileRead missing = ReadRegularFile(dir.file(QStringLiteral("none")), 100);
    EXPECT_EQ(missing.result, RegularFileRead::Unopenable);
    EXPECT_EQ(missing.reason, QStringLiteral("No such file or directory"));
}

TEST(RegularFile, FifosDevicesAndFoldersAreRefusedWithoutBlocking) {
    ScratchAppFolder dir;
    const TestFifo fifo(dir.file(QStringLiteral("x.acs")));
    ASSERT_TRUE(QFile::link(fifo.path(), dir.file(QStringLiteral("link.acs"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.txt"))));
    for (const QString& path :
         {fifo.path(), dir.file(QStringLiteral("link.acs")), dir.file(QStringLiteral("zero.txt")),
          QStringLiteral("/dev/null"), dir.path()}) {
        RegularFileRead read;
        ASSERT_TRUE(returnsWithin(
            5000, [&] { read = ReadRegularFile(path, 1024); }, fifo))
            << path.toStdString();
        EXPECT_EQ(read.result, RegularFileRead::NotRegular) << path.toStdString();
        EXPECT_FALSE(read.reason.isEmpty());
        QFile file;
        EXPECT_FALSE(OpenRegularFile(path, file));
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_EQ(ReadRegularFile(fifo.path(), 1).reason, QStringLiteral("it is not a regular file"));
}

TEST(RegularFile, StreamsAreReadToTheirEndButNeverPastTheLimit) {
    // A pipe fed by a writer of its own, as process substitution gives one.
    const auto fromPipe = [](const QByteArray& fed, qint64 limit) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        std::thread writer([&] {
            for (qsizetype at = 0; at < fed.size();) {
                const ssize_t n = ::write(fds[1], fed.constData() + at, size_t(fed.size() - at));
                if (n <= 0)
                    break;
                at += n;
            }
            ::close(fds[1]);
        });
        QFile file;
        EXPECT_TRUE(file.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        RegularFileRead read = ReadAtMost(file, limit);
        file.close(); // a writer still waiting gets an error and ends
        writer.join();
        return read;
    };
    const QByteArray text(300000, 'w'); // more than a pipe holds at once
    RegularFileRead read = fromPipe(text, text.size());
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.bytes, text);
    read = fromPipe(text, text.size() - 1);
    EXPECT_EQ(read.result, RegularFileRead::TooLarge);
    EXPECT_TRUE(read.bytes.isEmpty());
    EXPECT_TRUE(fromPipe({}, 10).ok());

    QFile zero(QStringLiteral("/dev/zero"));
    ASSERT_TRUE(zero.open(QIODevice::ReadOnly));
    read = ReadAtMost(zero, 3 * 1024 * 1024 + 7);
    EXPECT_EQ(read.result, RegularFileRead::TooLarge);
    EXPECT_EQ(read.reason, QStringLiteral("it is larger than 4 MB"));
}
