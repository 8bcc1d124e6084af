// kalotalk-say run as scripts run it: its output formats, its files, and
// its failures, after which no output file and no temporary file is left.
#include "base/app_folders.h"
#include "say/say_options.h"
#include "speech/speech_test_support.h"

#include "base/text_file.h"
#include "support/test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace kalo::test {
namespace {

const QString kSay = QStringLiteral(KALOTALK_SAY);

ProcessResult say(const QStringList& args, const QByteArray& input = {}) {
    return run(kSay, args, input, 120000);
}

QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(KalotalkSay, ListsVoicesAsIdentifierTabName) {
    const ProcessResult r = say({QStringLiteral("--voices")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 100);
    const QRegularExpression line(QStringLiteral("^\\{[0-9A-F-]{36}\\}\\t[^\\t]+$"));
    for (const QString& l : lines)
        EXPECT_TRUE(line.match(l).hasMatch()) << l.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\tEnglish (Great Britain) Male - eSpeak NG\n")));
}

TEST(KalotalkSay, AnswersHelpAndVersion) {
    ProcessResult r = say({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, SayUsage());
    r = say({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("kalotalk-say %1\n").arg(KaloVersion()));
}

TEST(KalotalkSay, FailuresExitNonZeroWithAReasonAndLeaveNoFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.wav"));
    struct Case {
        QStringList args;
        int exitCode;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"-v", "Vulcan", "-w", out, "Hello"}, 1, "no voice is called"},
        {{"-v", "English", "-w", out, "Hello"}, 1, "voices"},
        {{"-f", dir.filePath(QStringLiteral("missing.txt")), "-w", out}, 1, "cannot read"},
        {{"-f", dir.path(), "-w", out}, 1, "cannot read"},
        {{"-w", dir.filePath(QStringLiteral("no/folder/out.wav")), "Hello"}, 1, "cannot write"},
        {{"-m", dir.filePath(QStringLiteral("no/folder/out.mp3")), "Hello"}, 1, "cannot write"},
        {{"-w", dir.path(), "Hello"}, 1, "folder"},
        {{"-s", "5", "-w", out, "Hello"}, 2, "-s"},
        {{"-w", out, "-m", dir.filePath(QStringLiteral("o.mp3")), "Hello"}, 2, "together"},
        {{"-o", dir.filePath(QStringLiteral("out.aac")), "Hello"}, 2,
         ".wav, .mp3, .opus, .ogg, .flac"},
        {{"-o", dir.filePath(QStringLiteral(".opus")), "Hello"}, 2, "kind of file"},
        {{"-o", dir.filePath(QStringLiteral("o.opus")), "-w", out, "Hello"}, 2, "together"},
        {{"-o", out, "--srt", out, "Hello"}, 2, "file of its own"},
        {{"--srt", dir.filePath(QStringLiteral("a.srt")), "--lrc",
          dir.filePath(QStringLiteral("a.srt")), "Hello"},
         2, "file of its own"},
        {{"-o", dir.filePath(QStringLiteral("no/folder/out.opus")), "Hello"}, 1, "cannot write"},
        {{"-o", dir.filePath(QStringLiteral("o.flac")), "--srt",
          dir.filePath(QStringLiteral("no/folder/a.srt")), "Hello"},
         1, "cannot write"},
        {{"--lrc", dir.path(), "Hello"}, 1, "folder"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = say(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("kalotalk-say: ")));
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.says))) << r.err.toStdString();
        EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();
    }
}

TEST(KalotalkSay, InputWithoutEndIsCutShortWithAMessageWhilePipesStillWork) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.wav"));
    const QString limit = QString::number(MaxDocumentBytes / (1024 * 1024));
    ProcessResult r = say({QStringLiteral("-f"), QStringLiteral("/dev/zero"), QStringLiteral("-w"), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.toStdString(),
              ("kalotalk-say: cannot read /dev/zero: it is larger than " + limit + " MB\n").toStdString());

    QProcess p;
    p.setStandardInputFile(QStringLiteral("/dev/zero"));
    p.start(kSay, {QStringLiteral("-w"), out});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(p.readAllStandardError().toStdString(),
              ("kalotalk-say: cannot read standard input: it is larger than " + limit + " MB\n")
                  .toStdString());
    EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();

    // A FIFO is a stream like a pipe from process substitution: read to its end.
    const TestFifo fifo(dir.filePath(QStringLiteral("text.fifo")));
    std::thread writer([&] {
        const QByteArray text("Hello through a pipe.");
        for (int tries = 0; tries < 1200; ++tries) { // until kalotalk-say opens it
            const int fd = ::open(QFile::encodeName(fifo.path()).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                EXPECT_EQ(::write(fd, text.constData(), size_t(text.size())), text.size());
                ::close(fd);
                return;
            }
            QThread::msleep(50);
        }
    });
    r = say({QStringLiteral("-f"), fifo.path(), QStringLiteral("-w"), out});
    writer.join();
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GT(readWav(out).seconds(), 0.8);
}

TEST(KalotalkSay, WritesWavFromTheCommandLineAFileAndStandardInput) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.wav"));
    ProcessResult r =
        say({QStringLiteral("-w"), a, QStringLiteral("Hello from the command line.")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const WavFile wa = readWav(a);
    EXPECT_TRUE(wa.riff && wa.sizesMatch);
    EXPECT_TRUE(QFileInfo(a).permissions() & QFileDevice::ReadGroup); // not left private
    EXPECT_GT(wa.seconds(), 1.0);

    // A Windows-1252 file, a female voice by a part of its name, slower.
    const QString text = dir.filePath(QStringLiteral("in.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Caf\xE9 au lait, s'il vous pla\xEEt.");
    f.close();
    const QString b = dir.filePath(QStringLiteral("b.wav"));
    r = say({"-v", "America) Female - eSpeak", "-s", "100", "-f", text, "-w", b});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(readWav(b).sizesMatch);

    // The same file as standard input, by mode identifier, at normal speed.
    const ProcessResult voices = say({QStringLiteral("--voices")});
    const QString id = voices.out.section(u'\n', 0, 0).section(u'\t', 0, 0);
    const QString c = dir.filePath(QStringLiteral("c.wav"));
    r = say({"-v", id, "-w", c}, QByteArray("Caf\xE9 au lait, s'il vous pla\xEEt."));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(readWav(c).sizesMatch);
    EXPECT_GT(readWav(b).seconds(), readWav(c).seconds() * 1.3);
    EXPECT_EQ(filesIn(dir), (QStringList{"a.wav", "b.wav", "c.wav", "in.txt"}));
}

TEST(KalotalkSay, WritesMp3ThroughTheEncoder) {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kalo say XXXXXX")); // a space in the path
    const QString mp3 = dir.filePath(QStringLiteral("out file.mp3"));
    const ProcessResult r =
        say({QStringLiteral("-m"), mp3, QStringLiteral("This sentence becomes an MP3 file.")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("out file.mp3")});
    const ProcessResult soxi = run(QStringLiteral("soxi"), {QStringLiteral("-D"), mp3});
    ASSERT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    EXPECT_GT(soxi.out.trimmed().toDouble(), 1.5);
}

double soxiSeconds(const QString& path) {
    return run(QStringLiteral("soxi"), {QStringLiteral("-D"), path}).out.trimmed().toDouble();
}

TEST(KalotalkSay, AnMp3OfMinutesOfSpeechIsMadeInPartsAndPlaysAsOne) {
    // About two and a half minutes of speech: parts of 20, 40 and 80 s.
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("in.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Prose(2300));
    f.close();
    const QString wav = dir.filePath(QStringLiteral("out.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
    ProcessResult r = say({"-f", text, "-w", wav});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = say({"-f", text, "-m", mp3, "--jobs", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const double seconds = soxiSeconds(wav);
    ASSERT_GT(seconds, 100);
    // lame in one piece makes the same length of MP3 (the same frames).
    const QString whole = dir.filePath(QStringLiteral("whole.mp3"));
    ASSERT_EQ(run(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, whole}).exitCode, 0);
    EXPECT_NEAR(soxiSeconds(mp3), soxiSeconds(whole), 0.03);
    EXPECT_NEAR(soxiSeconds(mp3), seconds, seconds * 0.005);
    // sox decodes it from end to end.
    const ProcessResult stat = run(QStringLiteral("sox"), {mp3, "-n", "stat"});
    ASSERT_EQ(stat.exitCode, 0) << stat.err.toStdString();
    EXPECT_TRUE(stat.err.contains(QStringLiteral("Length (seconds):")));
    QFile::remove(whole);
    EXPECT_EQ(filesIn(dir), (QStringList{"in.txt", "out.mp3", "out.wav"}));
    EXPECT_TRUE(
        QDir(dir.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(KalotalkSay, AnInterruptedMp3RunEndsItsEncodersAndLeavesNothing) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("in.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Prose(60000)); // about an hour of speech
    f.close();
    QProcess p;
    p.start(kSay, {QStringLiteral("-f"), text, QStringLiteral("-m"),
                   dir.filePath(QStringLiteral("book.mp3"))});
    ASSERT_TRUE(p.waitForStarted());
    // Parts are being encoded.
    const QString parts = dir.filePath(QStringLiteral(".kalotalk-mp3-"));
    ASSERT_TRUE(waitFor([&] { return ProcessesNaming(parts) >= 1; }, 30000));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 128 + SIGINT);
    EXPECT_EQ(ProcessesNaming(parts), 0);
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("in.txt")});
    EXPECT_TRUE(
        QDir(dir.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(KalotalkSay, AnMp3RunWithoutTheEncoderFailsAndLeavesNothing) {
    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("nothing-here")));
    p.setProcessEnvironment(env);
    p.start(kSay, {QStringLiteral("-m"), dir.filePath(QStringLiteral("out.mp3")),
                   QStringLiteral("No encoder.")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("kalotalk-say: "))) << err.toStdString();
    EXPECT_EQ(err, QStringLiteral("kalotalk-say: The MP3 encoder lame was not found\n"));
    EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();
    EXPECT_TRUE(
        QDir(dir.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(KalotalkSay, AnInterruptedRunLeavesNothingBehind) {
    QTemporaryDir dir;
    QProcess p;
    const QString out = dir.filePath(QStringLiteral("slow.wav"));
    p.start(kSay, {QStringLiteral("-x"), QStringLiteral("1"), QStringLiteral("-w"), out,
                   QStringLiteral(
                       "This takes a few seconds to write at real time, so it is still going.")});
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return !filesIn(dir).isEmpty(); }, 10000)); // the temporary file
    waitFor([] { return false; }, 500);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 128 + SIGINT);
    EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();
}

TEST(KalotalkSay, AnInterruptedOpusRunWithSubtitlesLeavesNothingBehind) {
    QTemporaryDir dir;
    QProcess p;
    p.start(kSay, {QStringLiteral("-x"), QStringLiteral("1"), QStringLiteral("-o"),
                   dir.filePath(QStringLiteral("slow.opus")), QStringLiteral("--srt"),
                   dir.filePath(QStringLiteral("slow.srt")),
                   QStringLiteral("This takes a few seconds to write at real time. So it is still "
                                  "going when it is stopped.")});
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return filesIn(dir).size() == 2; }, 10000)); // the temporary files
    waitFor([] { return false; }, 500);
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();
}

TEST(KalotalkSay, SpeaksOnTheSoundDevice) {
    const ProcessResult r =
        say({QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("Hi.")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST(KalotalkSay, FliteVoicesByTheirShortNamesWriteAtTheirOwnRate) {
    const ProcessResult voices = say({QStringLiteral("--voices")});
    EXPECT_TRUE(voices.out.contains(QStringLiteral("\tEnglish (America) Female slt - Flite\n")));
    QTemporaryDir dir;
    QFile book(dir.filePath(QStringLiteral("book.txt")));
    ASSERT_TRUE(book.open(QIODevice::WriteOnly));
    book.write("Chapter one.\n\nIt was a bright cold day in April, and the clocks struck "
               "thirteen. She read on, word by word.\n");
    book.close();
    struct Case {
        const char* voice;
        int rate;
    };
    for (const Case& c : {Case{"slt", 16000}, Case{"kal", 8000}, Case{"KAL16", 16000}}) {
        const QString wav = dir.filePath(QStringLiteral("out.wav"));
        ProcessResult r = say({"-v", c.voice, "-f", book.fileName(), "-w", wav});
        ASSERT_EQ(r.exitCode, 0) << c.voice << ": " << r.err.toStdString();
        const ProcessResult rate = run(QStringLiteral("soxi"), {QStringLiteral("-r"), wav});
        EXPECT_EQ(rate.out.trimmed().toInt(), c.rate) << c.voice;
        EXPECT_GT(readWav(wav).seconds(), 4.0) << c.voice;
    }
    const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
    const ProcessResult r = say({"-v", "slt", "-m", mp3, "-f", book.fileName()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const ProcessResult soxi = run(QStringLiteral("soxi"), {QStringLiteral("-D"), mp3});
    ASSERT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    EXPECT_GT(soxi.out.trimmed().toDouble(), 4.0);
}

} // namespace
} // namespace kalo::test
