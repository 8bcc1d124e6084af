// kalotalk-char: its command line, then the built program run on a written
// character, with its output, pictures and exit codes.
#include "acs_sample.h"

#include "agent/acs_file.h"
#include "base/app_folders.h"
#include "chartool/char_tool.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

using namespace kalo;
using namespace kalo::test;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome RunChar(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KALOTALK_CHAR), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(CharTool, ParsesItsCommandLine) {
    auto info = ParseCharCommand({"info", "a.acs"});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->kind, CharCommand::Kind::Info);
    EXPECT_EQ(info->file, QStringLiteral("a.acs"));
    auto frame = ParseCharCommand({"frame", "a.acs", "Wave", "3", "o.png"});
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->kind, CharCommand::Kind::Frame);
    EXPECT_EQ(frame->animation, QStringLiteral("Wave"));
    EXPECT_EQ(frame->index, 3);
    EXPECT_EQ(frame->output, QStringLiteral("o.png"));
    auto play = ParseCharCommand({"play", "a.acs", "wave"});
    ASSERT_TRUE(play);
    EXPECT_EQ(play->kind, CharCommand::Kind::Play);
    EXPECT_EQ(play->animation, QStringLiteral("wave"));
    auto idle = ParseCharCommand({"play", "a.acs"});
    ASSERT_TRUE(idle);
    EXPECT_TRUE(idle->animation.isEmpty());
    const QList<QStringList> wrong{{},
                                   {"info"},
                                   {"info", "a", "b"},
                                   {"INFO", "a.acs"},
                                   {"play"},
                                   {"play", "a.acs", "Wave", "again"},
                                   {"play", "a.acs", ""},
                                   {"frame", "a.acs", "Wave", "3"},
                                   {"frame", "a.acs", "Wave", "-1", "o.png"},
                                   {"frame", "a.acs", "Wave", "three", "o.png"},
                                   {"frame", "a.acs", "", "0", "o.png"},
                                   {"info", ""}};
    for (const QStringList& args : wrong)
        EXPECT_FALSE(ParseCharCommand(args)) << args.join(' ').toStdString();
}

TEST(CharTool, InfoListsSizesCountsAnimationsAndStates) {
    ScratchAppFolder dir;
    dir.write(QStringLiteral("sample.acs"), acs::WriteAcs(SampleCharacter()));
    const Outcome r = RunChar({"info", dir.file(QStringLiteral("sample.acs"))});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("width: 32\nheight: 24\nanimations: 5\nimages: 6\nsounds: 2\n"
                                    "states: 4\nanimation: Show\nanimation: RestPose\n"
                                    "animation: Wave\nanimation: Hide\nanimation: Empty\n"
                                    "state: SHOWING\nstate: IDLINGLEVEL1\nstate: HIDING\n"
                                    "state: SPEAKING\n"));
    EXPECT_TRUE(r.err.isEmpty());
}

TEST(CharTool, FrameWritesTheComposedPicture) {
    ScratchAppFolder dir;
    const acs::Character ch = SampleCharacter();
    dir.write(QStringLiteral("sample.acs"), acs::WriteAcs(ch));
    const QString file = dir.file(QStringLiteral("sample.acs"));
    const QString png = dir.file(QStringLiteral("show0.png"));
    Outcome r = RunChar({"frame", file, "sHoW", "0", png});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.hasAlphaChannel());
    EXPECT_EQ(picture.convertToFormat(QImage::Format_ARGB32),
              acs::ComposeFrame(ch, ch.animations[0].frames[0]));
    EXPECT_EQ(picture.pixel(7, 5), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(picture.pixel(15, 11)), 0);

    // Failures: exit 1, a message naming the file, no picture left behind.
    const QString none = dir.file(QStringLiteral("none.png"));
    r = RunChar({"frame", file, "Dance", "0", none});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("no animation \"Dance\"")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(file));
    r = RunChar({"frame", file, "Show", "3", none});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("there is no frame 3")) << r.err.toStdString();
    r = RunChar({"frame", file, "Empty", "0", none});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("\"Empty\" in \"" + file + "\" has no frames"))
        << r.err.toStdString();
    r = RunChar({"frame", file, "Show", "0", dir.file(QStringLiteral("no/such/dir/x.png"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("cannot be written")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(none));

    // An existing picture is replaced whole.
    r = RunChar({"frame", file, "Wave", "1", png});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QImage(png).pixel(31, 3), 0xFFFF0000u);
}

TEST(CharTool, BadFilesExitOneAndWrongCommandLinesTwo) {
    ScratchAppFolder dir;
    dir.write(QStringLiteral("junk.acs"), "not a character at all");
    Outcome r = RunChar({"info", dir.file(QStringLiteral("junk.acs"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("junk.acs")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    r = RunChar({"info", dir.file(QStringLiteral("missing.acs"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("missing.acs"));
    QByteArray cut = acs::WriteAcs(SampleCharacter());
    cut.chop(10);
    dir.write(QStringLiteral("cut.acs"), cut);
    r = RunChar({"frame", dir.file(QStringLiteral("cut.acs")), "Show", "0",
                 dir.file(QStringLiteral("o.png"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("cut.acs\" is damaged or incomplete")) << r.err.toStdString();

    for (const QStringList& args :
         QList<QStringList>{{}, {"info"}, {"frame", "a.acs", "x", "y", "z"}, {"--help", "x"}}) {
        r = RunChar(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage:"));
        EXPECT_TRUE(r.err.contains("kalotalk-char info FILE"));
        EXPECT_TRUE(r.err.contains("kalotalk-char frame FILE ANIMATION INDEX OUT.png"));
    }
}

TEST(CharTool, HelpAndVersionAnswerOnStandardOutput) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = RunChar({option});
        EXPECT_EQ(r.code, 0) << option;
        EXPECT_EQ(r.out, CharUsage());
        EXPECT_TRUE(r.err.isEmpty());
    }
    const Outcome r = RunChar({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("kalotalk-char %1\n").arg(KaloVersion()));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(KaloVersion()).hasMatch())
        << KaloVersion().toStdString();
}

TEST(CharTool, PlayShowsTheCharacterPlaysTheAnimationAndEnds) {
    ScratchAppFolder dir;
    dir.write(QStringLiteral("sample.acs"), acs::WriteAcs(SampleCharacter()));
    const QString file = dir.file(QStringLiteral("sample.acs"));
    const QString name = SampleCharacter().animations.front().name;
    Outcome r = RunChar({"play", file, name.toLower()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = RunChar({"play", file, "NoSuchAnimation"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("sample.acs")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("NoSuchAnimation")) << r.err.toStdString();
    r = RunChar({"play", dir.file(QStringLiteral("missing.acs")), name});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("missing.acs")) << r.err.toStdString();
}
