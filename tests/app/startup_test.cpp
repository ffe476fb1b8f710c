// Start-up of the real program in a terminal.
#include <gtest/gtest.h>

#include <termios.h>

#include "tests/support/pty.h"

namespace {

TEST(Startup, HelpAndVersionNeedNoTerminal) {
    for (const char *arg : {"--help", "--version"}) {
        PtyProcess p;
        ASSERT_TRUE(ptystart(p, {sotocbinary(), arg}));
        EXPECT_EQ(0, ptywait(p));
        EXPECT_NE(std::string::npos, p.output.find(arg[2] == 'h' ? "usage: sotoc" : "sotoc 1."));
        EXPECT_EQ(std::string::npos, p.output.find("initialset")) << "no start-up after " << arg;
        ptyclose(p);
    }
}

TEST(Startup, InvalidKeysAreAskedAgainValidOnesAccepted) {
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}));
    ASSERT_TRUE(ptyexpect(p, "ロボットの最短時間制御(TOC)シミュレーション"));
    ASSERT_TRUE(ptyexpect(p, "initialset() 仮の設定  円筒座標ロボットの場合"));
    ASSERT_TRUE(ptyexpect(p, "円筒座標ロボットの条件設定終わり"));
    ASSERT_TRUE(ptyexpect(p, "initialset() 仮の設定  SCARAロボットの場合"));
    ASSERT_TRUE(ptyexpect(p, "SCARAロボットの条件設定終わり"));
    ASSERT_TRUE(ptyexpect(p, "type="));
    ptysend(p, "x");
    ASSERT_TRUE(ptyexpect(p, "type=")) << "an unknown robot key is asked again";
    ptysend(p, "b");
    ASSERT_TRUE(ptyexpect(p, "sgnG="));
    ptysend(p, "q");
    ASSERT_TRUE(ptyexpect(p, "sgnG=")) << "an unknown gravity key is asked again";
    EXPECT_EQ(std::string::npos, p.output.find("xb")) << "keys are not echoed";
    ptysend(p, "g");
    ASSERT_TRUE(ptyexpect(p, "現在の設定条件"));
    // The first dialog concerns the SCARA robot with gravity.
    ASSERT_TRUE(ptyexpect(p, "SCARAロボットの設定した最短時間制御の条件"));
    ASSERT_TRUE(ptyexpect(p, "・重力考慮"));
    ptyclose(p);
}

TEST(Startup, EndOfInputAtTheFirstQuestionEndsCleanly) {
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}));
    ASSERT_TRUE(ptyexpect(p, "type="));
    ptysend(p, "\x04");
    EXPECT_EQ(2, ptywait(p));
    termios t;
    ASSERT_TRUE(ptyattr(p, t));
    EXPECT_TRUE((t.c_lflag & ICANON) && (t.c_lflag & ECHO));
    ptyclose(p);
}

}  // namespace
