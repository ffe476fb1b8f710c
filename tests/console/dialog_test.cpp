// The settings dialog as a user meets it in a terminal: entry points, skips,
// refused answers and failed designs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "console/console.h"
#include "console/dialog.h"
#include "study/params.h"
#include "records/records.h"
#include "tests/console/ending.h"
#include "tests/support/pty.h"

namespace {

const char *const ASK = "条件のどれか変更する？";
const char *const RATIO = "(2) 減速機変更？";
const char *const GRAVITY = "変更　重力考慮する？";
const char *const POINTS = "(4-1) PTP運動の始点終点変更";
const char *const ERROR = "(6-1) 誤差の変更";
const char *const RUNNING = "見直し後の設定条件";
const char *const DONE = "描画画面へ       ";

// Starts the dialog in a child on a pseudo-terminal for robot `type` and gravity
// `gravity`, entered as after the window key `lastKey`.
void startdialog(PtyProcess &p, char type, char gravity, char lastKey) {
    ASSERT_TRUE(ptyfork(p, [=]() {
        consoleinit();
        initialset();
        app.type = type;
        app.sgnG = gravity;
        app.lastKey = lastKey;
        app.frame = 17;
        app.scale = 0.5;
        settingsdialog();
        consoleprint("[frame %d scale %.1f type %c sgnG %c]", app.frame, app.scale, app.type, app.sgnG);
        return 0;
    }));
    ASSERT_TRUE(ptyexpect(p, "描画画面上でキーによる操作選択"));
    ASSERT_TRUE(ptyexpect(p, "現在の設定条件"));
}

// What the output after the mark holds up to the first occurrence of `text`.
std::string upto(PtyProcess &p, const std::string &text) {
    const size_t from = p.mark;
    if (!ptyexpect(p, text)) return "(missing: " + text + ")";
    return p.output.substr(from, p.mark - from);
}

// From the start/end question on: types new points and the elbow key, takes the key
// that the message about an unreachable SCARA point waits for, and stops at the
// error question.
void enterpoints(PtyProcess &p, const char *line, char elbow, bool unreachable) {
    ASSERT_TRUE(ptyexpect(p, "変更する？"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "x0 y0 xf yf="));
    ptysend(p, line);
    ASSERT_TRUE(ptyexpect(p, "上折れ曲がり：2"));
    ptysend(p, std::string(1, elbow));
    if (unreachable) {
        ASSERT_TRUE(ptyexpect(p, "逆運動学の解なし"));
        ptysend(p, " ");
    }
    ASSERT_TRUE(ptyexpect(p, "error="));
}

TEST(Entry, ByLastKey) {
    struct Case {
        char key;
        const char *first;
    } cases[] = {{'0', ASK}, {'a', ASK}, {'b', ASK}, {'x', ASK}, {'u', RATIO}, {'k', POINTS}, {'m', ERROR}};
    for (const Case &c : cases) {
        PtyProcess p;
        startdialog(p, 'b', 'h', c.key);
        const std::string before = upto(p, c.first);
        for (const char *other : {ASK, RATIO, POINTS, ERROR, RUNNING}) {
            if (other == c.first) continue;
            EXPECT_EQ(std::string::npos, before.find(other)) << c.key << " asked " << other;
        }
        ptyclose(p);
    }
}

TEST(Entry, GravityKeysGoStraightToTheRun) {
    for (char key : {'g', 'h'}) {
        PtyProcess p;
        startdialog(p, 'b', key, key);
        const std::string before = upto(p, DONE);
        EXPECT_EQ(std::string::npos, before.find(ASK));
        EXPECT_NE(std::string::npos, before.find(RUNNING));
        EXPECT_NE(std::string::npos, before.find(key == 'g' ? "・重力考慮" : "・重力なし"));
        EXPECT_TRUE(ptyexpect(p, std::string("[frame 0 scale 1.0 type b sgnG ") + key + "]"));
        EXPECT_EQ(0, ptywait(p, 60));
        ptyclose(p);
    }
}

TEST(Skips, NoAtTheFirstQuestionRunsWithUnchangedConditions) {
    PtyProcess p;
    startdialog(p, 'b', 'h', '0');
    ASSERT_TRUE(ptyexpect(p, ASK));
    ptysend(p, "n");
    const std::string rest = upto(p, DONE);
    EXPECT_EQ(std::string::npos, rest.find(RATIO));
    EXPECT_NE(std::string::npos, rest.find("u1 =  40.0[rad/rad]     u2 =  40.0[rad/rad]"));
    EXPECT_EQ(0, ptywait(p, 60));
    ptyclose(p);
}

TEST(Skips, NoAtTheRatioQuestionSkipsEveryOtherQuestion) {
    PtyProcess p;
    startdialog(p, 'b', 'h', 'u');
    ASSERT_TRUE(ptyexpect(p, RATIO));
    ptysend(p, "n");
    const std::string rest = upto(p, DONE);
    for (const char *q : {GRAVITY, POINTS, ERROR}) EXPECT_EQ(std::string::npos, rest.find(q));
    EXPECT_EQ(0, ptywait(p, 60));
    ptyclose(p);
}

TEST(Skips, ZAtTheRatioQuestionKeepsTheRatiosAndAsksGravity) {
    PtyProcess p;
    startdialog(p, 'a', 'h', 'u');
    ASSERT_TRUE(ptyexpect(p, RATIO));
    ptysend(p, "z");
    const std::string between = upto(p, GRAVITY);
    EXPECT_EQ(std::string::npos, between.find("u1 u2="));
    ASSERT_TRUE(ptyexpect(p, "no:h"));
    ptysend(p, "g");
    ASSERT_TRUE(ptyexpect(p, POINTS));
    ptysend(p, "n");
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, "2\r");
    const std::string run = upto(p, DONE);
    EXPECT_NE(std::string::npos, run.find("u1 =  30.0[rad/rad]     u2 =  30.0[rad/m]"));
    EXPECT_NE(std::string::npos, run.find("・重力考慮"));
    EXPECT_NE(std::string::npos, run.find("質量誤差Δm/m= 2.00[%]"));
    EXPECT_EQ(0, ptywait(p, 60));
    ptyclose(p);
}

TEST(Refusals, BadNumbersAndKeysAreAskedAgainWithOldValuesKept) {
    PtyProcess p;
    startdialog(p, 'b', 'h', 'u');
    ASSERT_TRUE(ptyexpect(p, RATIO));
    ptysend(p, "y");
    const std::string prompt = "(2) 第1,2関節減速比(旧u1 u2=40.00 40.00)  u1 u2=";
    ASSERT_TRUE(ptyexpect(p, prompt));
    for (const char *bad : {"abc\r", "45\r", "nan 3\r", "inf 3\r", "0 40\r", "1000 40\r", "-5 40\r"}) {
        ptysend(p, bad);
        // The same question again, still showing the old ratios.
        const std::string answer = upto(p, prompt);
        EXPECT_TRUE(answer.find("入力が読み取れません") != std::string::npos ||
                    answer.find("範囲外の値です") != std::string::npos)
            << bad << answer;
    }
    ptysend(p, "999.9 0.5\r");
    ASSERT_TRUE(ptyexpect(p, GRAVITY));
    ptysend(p, "x");
    ASSERT_TRUE(ptyexpect(p, GRAVITY)) << "an unknown gravity key is asked again";
    ptysend(p, "h");
    ASSERT_TRUE(ptyexpect(p, "変更する？"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "x0 y0 xf yf="));
    ptysend(p, "0.7 0 -0.3\r");
    ASSERT_TRUE(ptyexpect(p, "入力が読み取れません"));
    ASSERT_TRUE(ptyexpect(p, "x0 y0 xf yf="));
    ptysend(p, "0.7 0 -0.3 0.4\r");
    ASSERT_TRUE(ptyexpect(p, "上折れ曲がり：2"));
    ptysend(p, "3");
    ASSERT_TRUE(ptyexpect(p, "上折れ曲がり：2")) << "an unknown elbow key is asked again";
    ptysend(p, "2");
    ASSERT_TRUE(ptyexpect(p, "旧質量誤差=  1.0[%]"));
    for (const char *bad : {"100\r", "-100\r", "x\r", "1 2\r"}) {
        ptysend(p, bad);
        ASSERT_TRUE(ptyexpect(p, "error=")) << bad;
    }
    ptysend(p, "-5\r");
    const std::string run = upto(p, "只今計算中");
    EXPECT_NE(std::string::npos, run.find("u1 = 999.9[rad/rad]     u2 =   0.5[rad/rad]"));
    EXPECT_NE(std::string::npos, run.find("質量誤差Δm/m=-5.00[%]  (m1, mw)=( 1.000  1.000),  (m1,mw)err=( 0.950  0.950)"));
    ptyclose(p);
}

// The elbow sign shows in the revised SCARA joint values: phi2 >= 0 bent down.
TEST(Points, NewScaraPointsWithEachElbow) {
    for (char elbow : {'1', '2'}) {
        PtyProcess p;
        startdialog(p, 'b', 'h', 'k');
        enterpoints(p, "0.6 0.2 -0.2 0.5\r", elbow, false);
        ptysend(p, "1\r");
        ASSERT_TRUE(ptyexpect(p, RUNNING));
        ASSERT_TRUE(ptyexpect(p, "PTP始点 (x0,y0)=( 0.6000  0.2000)[m] 終点(xf,yf)=(-0.2000  0.5000)[m]"));
        ASSERT_TRUE(ptyexpect(p, "Φ0=("));
        const std::string joints = upto(p, "[rad]");
        const double phi2 = std::atof(joints.substr(8).c_str());
        if (elbow == '1')
            EXPECT_GT(phi2, 0.0) << joints;
        else
            EXPECT_LT(phi2, 0.0) << joints;
        EXPECT_TRUE(ptyexpect(p, DONE, 60));
        ptyclose(p);
    }
}

TEST(Failures, UnreachableScaraPointLeadsToTheNoSolutionQuestionAndAnotherRobot) {
    PtyProcess p;
    startdialog(p, 'b', 'g', 'k');
    enterpoints(p, "0.95 0 -0.3 0.4\r", '2', true);
    ptysend(p, "1\r");
    ASSERT_TRUE(ptyexpect(p, "逆運動学の解なし")) << "every derivation reports the unreachable point";
    ptysend(p, " ");
    ASSERT_TRUE(ptyexpect(p, "誤差なしの切り替え時刻の解なし  別の条件で計算する？  yes:y   no:n  ", 60));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "入力　円筒座標ロボット : a    SCARAロボット : b   "));
    ptysend(p, "c");
    ASSERT_TRUE(ptyexpect(p, "SCARAロボット : b   ")) << "an unknown robot key is asked again";
    ptysend(p, "a");
    ASSERT_TRUE(ptyexpect(p, RATIO));
    ptysend(p, "n");
    // The cylindrical robot reaches the point; the SCARA derivations still report theirs.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ptyexpect(p, "逆運動学の解なし", 60)) << i;
        ptysend(p, " ");
    }
    ASSERT_TRUE(ptyexpect(p, "誤差ありSOTOC  終端時間", 60));
    EXPECT_TRUE(ptyexpect(p, "[frame 0 scale 1.0 type a sgnG g]"));
    EXPECT_EQ(0, ptywait(p, 60));
    ptyclose(p);
}

TEST(Failures, NoAfterAFailedDesignEndsTheProgram) {
    PtyProcess p;
    startdialog(p, 'b', 'h', 'k');
    enterpoints(p, "0 0 -0.3 0.4\r", '1', true);
    ptysend(p, "1\r");
    ASSERT_TRUE(ptyexpect(p, "逆運動学の解なし"));
    ptysend(p, " ");
    ASSERT_TRUE(ptyexpect(p, "誤差なしの切り替え時刻の解なし", 60));
    ptysend(p, "n");
    EXPECT_EQ(0, ptywait(p));
    EXPECT_EQ(std::string::npos, p.output.find("[frame"));
    ptyclose(p);
}

// Keys from a feed, as the fuzz target gives them, after the failed design of the
// default cylindrical move without gravity: 'n' is thrown as an end with status 0,
// not exited; 'y' goes on with the robot chosen next and returns from the dialog.
TEST(Failures, FromAFeedNoAfterAFailedDesignIsThrownWithStatusZero) {
    for (const char *keys : {"n", "ybn"}) {
        EXPECT_EXIT(endinchild([=]() {
                        initialset();
                        app.type = ROBOTCYL;
                        app.sgnG = MOTIONHORIZONTAL;
                        app.lastKey = MOTIONHORIZONTAL;
                        consolefeed(reinterpret_cast<const unsigned char *>(keys), std::strlen(keys));
                        settingsdialog();
                        if (app.type != ROBOTSCARA) std::exit(1);
                    }),
                    testing::ExitedWithCode(keys[0] == 'n' ? THROWN : RETURNED), "")
            << keys;
    }
}

TEST(Failures, FailedDesignWithMassErrorGoesBackToTheErrorQuestion) {
    // With gravity, a workpiece nearly twice as heavy cannot be held by the SCARA
    // joint-1 limit sized for the nominal mass: no bang-bang solution exists.
    PtyProcess p;
    startdialog(p, 'b', 'g', 'm');
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, "99\r");
    ASSERT_TRUE(ptyexpect(p, "質量誤差ありの切り替え時刻の解なし  別の誤差で計算する？  yes:y   no:n  ", 120));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, ERROR));
    ASSERT_TRUE(ptyexpect(p, "旧質量誤差= 99.0[%]"));
    ptysend(p, "1\r");
    ASSERT_TRUE(ptyexpect(p, "誤差ありSOTOC　終端時間", 60));
    EXPECT_EQ(0, ptywait(p, 60));
    ptyclose(p);
}

TEST(EndOfInput, DuringTheDialogEndsWithStatus) {
    PtyProcess p;
    startdialog(p, 'a', 'h', '0');
    ASSERT_TRUE(ptyexpect(p, ASK));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x04");
    EXPECT_EQ(EXIT_INPUTENDED, ptywait(p));
    ptyclose(p);
}

// Points far outside any reach are refused like other out-of-range numbers, with the
// old points kept; the bound itself is accepted.
TEST(Points, CoordinatesBeyondTheBoundAreRefusedOldPointsKept) {
    PtyProcess p;
    startdialog(p, 'a', 'h', 'k');
    ASSERT_TRUE(ptyexpect(p, "変更する？"));
    ptysend(p, "y");
    const std::string prompt = "x0 y0 xf yf=";
    ASSERT_TRUE(ptyexpect(p, prompt));
    for (const char *far : {"1e308 0 -0.3 0.4\r", "0.7 0 -10.001 0.4\r", "0.7 0 -0.3 1e11\r"}) {
        ptysend(p, far);
        const std::string answer = upto(p, prompt);
        EXPECT_NE(std::string::npos, answer.find("範囲外の値です（-10 ≤ x0, y0, xf, yf ≤ 10 [m]）")) << far << answer;
    }
    ptysend(p, "10 -10 -0.3 0.4\r");
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, "1\r");
    // Out of the SCARA robot's reach, which every derivation reports.
    ASSERT_TRUE(ptyexpect(p, "位置(x,y)=(10.000 -10.000)"));
    ptysend(p, " ");
    const std::string run = upto(p, "只今計算中");
    EXPECT_NE(std::string::npos, run.find("PTP始点 (x0,y0)=(10.0000    -10.0000)[m]")) << run;
    ptyclose(p);
}

// Slow drives make the designed final time longer than the simulated span: each TOC
// line past the span says that its position and error are those at the span's end.
TEST(Results, TocFinalTimeBeyondTheSpanIsSaid) {
    const char *const NOTICE = "終端時間がシミュレーション終了時刻( 4.0[s])より後のため";
    PtyProcess p;
    startdialog(p, 'b', 'h', 'u');
    ASSERT_TRUE(ptyexpect(p, RATIO));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "u1 u2="));
    ptysend(p, "0.5 0.5\r");
    ASSERT_TRUE(ptyexpect(p, GRAVITY));
    ptysend(p, "h");
    ASSERT_TRUE(ptyexpect(p, "変更する？"));
    ptysend(p, "n");
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, "1\r");
    const std::string results = upto(p, DONE);
    const size_t free = results.find("誤差なしTOC    終端時間 tf=");
    const size_t err = results.find("誤差ありTOC    終端時間 tf=");
    const size_t errline = results.find("速度誤差を含めたTOC位置誤差");
    ASSERT_TRUE(free != std::string::npos && err != std::string::npos && errline != std::string::npos) << results;
    EXPECT_NE(std::string::npos, results.substr(free, err - free).find(NOTICE)) << results;
    EXPECT_NE(std::string::npos, results.substr(err, errline - err).find(NOTICE)) << results;
    ptyclose(p);
    // Within the span: no notice.
    PtyProcess q;
    startdialog(q, 'b', 'h', 'h');
    EXPECT_EQ(std::string::npos, upto(q, DONE).find("シミュレーション終了時刻"));
    ptyclose(q);
}

// A typed -0 % is no error and is shown without a sign; a small negative error keeps it.
TEST(Error, MinusZeroIsShownAsZero) {
    for (const auto &c : {std::make_pair("-0\r", "質量誤差Δm/m= 0.00[%]"), std::make_pair("-0.5\r", "質量誤差Δm/m=-0.50[%]")}) {
        PtyProcess p;
        startdialog(p, 'b', 'h', 'm');
        ASSERT_TRUE(ptyexpect(p, "error="));
        ptysend(p, c.first);
        EXPECT_NE(std::string::npos, upto(p, "只今計算中").find(c.second)) << c.first;
        ptyclose(p);
    }
}

}  // namespace
