// The MP3 encoder call: which program runs, what it is given, its progress,
// its failures, stopping it, and a real encoding with lame.
#include "speech/mp3_encoder.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kalo {
namespace {

// An application folder with a stand-in "lame" that notes its arguments,
// reports progress the way lame does, copies its input to its output and
// exits with $FAKE_EXIT.
struct FakeLameFolder {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/kalo mp3 XXXXXX")};
    QString path() const { return dir.path() + u'/'; }
    FakeLameFolder() {
        QFile f(dir.filePath(QStringLiteral("lame")));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n"
                "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n"
                "for p in 10 50 100; do printf '\\r    %d/3    (%3d%%)| 0:00/ 0:00' $p $p >&2; "
                "sleep ${FAKE_SLEEP:-0.05}; done\n"
                "cp \"$1\" \"$2\"\n"
                "exit ${FAKE_EXIT:-0}\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    QString args() const {
        QFile f(dir.filePath(QStringLiteral("args.txt")));
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
};

// Runs the encoder to its end; its progress reports go to progress.
bool encode(const QString& appFolder, const QString& wav, const QString& mp3, QString* error,
            std::vector<int>* progress = nullptr) {
    Mp3Encoder encoder;
    QSignalSpy finished(&encoder, &Mp3Encoder::finished);
    if (progress)
        QObject::connect(&encoder, &Mp3Encoder::progress, [&](int p) { progress->push_back(p); });
    bool ok = encoder.start(appFolder, wav, mp3) &&
              test::waitFor([&] { return finished.count() == 1; }, 30000) &&
              finished.at(0).at(0).toBool();
    *error = encoder.errorString();
    return ok;
}

TEST(Mp3Encoder, ReadsLameProgressAcrossPiecesOfOutput) {
    // What lame 3.100 writes to a pipe, cut at awkward places.
    const QByteArray output =
        "LAME 3.100 64bits (http://lame.sf.net)\nEncoding s.wav to s.mp3\n"
        "\r    Frame          |  CPU time/estim | REAL time/estim | play/CPU |    ETA \n"
        "     0/       ( 0%)|    0:00/     :  |    0:00/     :  |         x|     :  \r"
        "\x1b[A\x1b[A\r   100/328    (30%)|    0:00/    0:00|    0:00/    0:00|   202.92x|    0:00 "
        "\n"
        "\r   200/328    (61%)|    0:00/    0:00|\r   328/328   (100%)|    0:00/    0:00|";
    std::vector<int> seen;
    QByteArray buffer;
    for (qsizetype i = 0; i < output.size(); i += 7) {
        buffer += output.mid(i, 7);
        const int p = TakeLameProgress(buffer);
        if (p >= 0)
            seen.push_back(p);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 30, 61, 100}));
    QByteArray partial("   (4");
    EXPECT_EQ(TakeLameProgress(partial), -1);
    partial += "2%)|";
    EXPECT_EQ(TakeLameProgress(partial), 42);
    QByteArray noise("(http://lame.sf.net) (x%) (101%)");
    EXPECT_EQ(TakeLameProgress(noise), -1);
}

TEST(Mp3Encoder, RunsTheBundledEncoderElseTheOneOnThePath) {
    FakeLameFolder app;
    EXPECT_EQ(FindMp3Encoder(app.path()), app.dir.filePath(QStringLiteral("lame")));
    QTemporaryDir empty;
    EXPECT_EQ(FindMp3Encoder(empty.path() + u'/'), QStringLiteral("/usr/bin/lame"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", empty.path().toUtf8());
    QString error;
    const bool ok = encode(empty.path() + u'/', QStringLiteral("a.wav"), QStringLiteral("a.mp3"), &error);
    qputenv("PATH", path);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.contains(QStringLiteral("not found"))) << error.toStdString();
}

TEST(Mp3Encoder, PassesBothPathsIntactAndReportsProgressAndFailure) {
    FakeLameFolder app;
    const QString wav = app.dir.filePath(QStringLiteral("my \"speech\" file.wav"));
    const QString mp3 = app.dir.filePath(QStringLiteral("my speech $file.mp3"));
    QFile f(wav);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF");
    f.close();
    std::vector<int> progress;
    QString error;
    ASSERT_TRUE(encode(app.path(), wav, mp3, &error, &progress)) << error.toStdString();
    EXPECT_EQ(app.args(), wav + u'\n' + mp3 + u'\n');
    EXPECT_TRUE(QFile::exists(mp3));
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    // Relative paths that look like options still name the files.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(app.dir.path()));
    ASSERT_TRUE(QFile::copy(wav, QStringLiteral("-in.wav")));
    const bool dashed = encode(app.path(), QStringLiteral("-in.wav"), QStringLiteral("-"), &error);
    const QString dashedArgs = app.args();
    const bool dashedMade = QFile::exists(QStringLiteral("-"));
    QDir::setCurrent(saved);
    EXPECT_TRUE(dashed) << error.toStdString();
    EXPECT_EQ(dashedArgs, QStringLiteral("./-in.wav\n./-\n"));
    EXPECT_TRUE(dashedMade);

    qputenv("FAKE_EXIT", "3");
    const bool failed = encode(app.path(), wav, mp3, &error);
    qunsetenv("FAKE_EXIT");
    EXPECT_FALSE(failed);
    EXPECT_TRUE(error.contains(QStringLiteral("exit code 3"))) << error.toStdString();
}

TEST(Mp3Encoder, StopsWhenAsked) {
    FakeLameFolder app;
    qputenv("FAKE_SLEEP", "5");
    Mp3Encoder encoder;
    QSignalSpy finished(&encoder, &Mp3Encoder::finished);
    ASSERT_TRUE(encoder.start(app.path(), QStringLiteral("in.wav"), QStringLiteral("out.mp3")));
    EXPECT_TRUE(encoder.isRunning());
    encoder.cancel();
    ASSERT_TRUE(test::waitFor([&] { return finished.count() == 1; }));
    qunsetenv("FAKE_SLEEP");
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_TRUE(encoder.errorString().contains(QStringLiteral("stopped")));
}

TEST(Mp3Encoder, EncodesAWavFileWithLame) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("tone.mp3"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("sox"), {"-n", "-r", "22050", "-c", "1", "-b", "16",
                                                        wav, "synth", "2", "sine", "440"}),
              0);
    Mp3Encoder encoder;
    QSignalSpy progress(&encoder, &Mp3Encoder::progress);
    QSignalSpy finished(&encoder, &Mp3Encoder::finished);
    QTemporaryDir noBundledLame;
    ASSERT_TRUE(encoder.start(noBundledLame.path() + u'/', wav, mp3))
        << encoder.errorString().toStdString();
    ASSERT_TRUE(test::waitFor([&] { return finished.count() == 1; }, 30000));
    EXPECT_TRUE(finished.at(0).at(0).toBool()) << encoder.errorString().toStdString();
    EXPECT_EQ(encoder.percent(), 100);
    QProcess soxi;
    soxi.start(QStringLiteral("soxi"), {QStringLiteral("-D"), mp3});
    soxi.waitForFinished();
    EXPECT_NEAR(soxi.readAllStandardOutput().trimmed().toDouble(), 2.0, 0.15);
}

} // namespace
} // namespace kalo
