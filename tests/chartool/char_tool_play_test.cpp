// kalotalk-char play on the Agent control's test character, whose "Loop"
// animation loops for ever and leaves only by its exit branches.
#include "agent_test_character.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

using namespace kalo::test;

// As a character's Processing or Searching: the animation plays one pass,
// walks out by its exits and the program ends, instead of waiting for an
// end that never comes.
TEST(CharToolPlay, ALoopingAnimationEndsAfterOnePass) {
    ScratchAppFolder dir;
    const QString file = WriteTestCharacter(dir.path());
    ASSERT_FALSE(file.isEmpty());
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QStringLiteral(KALOTALK_CHAR), {"play", file, "loop"});
    // One pass of three 20 ms frames, the walk out, a second's look at the
    // last picture and the hide: a few seconds on a busy machine at most.
    ASSERT_TRUE(p.waitForFinished(20000)) << "still playing after 20 s";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_LT(clock.elapsed(), 15000);
}
