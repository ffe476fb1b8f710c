// Start-up of the real program in a terminal.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"
#include "tests/support/xserver.h"

namespace {

XServer xserver;

void stopserver() { xstop(xserver); }

// The display of this test program's own X server, started once: the program opens
// its window only where there is one.
std::string display() {
    static const bool started = [] {
        const bool ok = xstart(xserver);
        std::atexit(stopserver);
        return ok;
    }();
    return started ? xserver.display : std::string();
}

std::string displayvariable() { return "DISPLAY=" + display(); }

// Every subcommand works without a screen, and both lines name them all.
const char NODISPLAYJA[] =
    "画面（X ディスプレイ）に接続できないため、ウィンドウを開けません。画面なしで使えるのは sotoc "
    "compare、batch、sweep、map、montecarlo、summary、plot、render、params、dynamics、optimal、settings です。";
const char NODISPLAYEN[] =
    "Cannot connect to an X display for the window. Without a screen, use sotoc compare, batch, sweep, map, "
    "montecarlo, summary, plot, render, params, dynamics, optimal or settings.";

// The display GLUT would use decides: the -display argument, else DISPLAY.
TEST(Startup, WithoutADisplayItSaysSoAndAsksNothing) {
    ASSERT_FALSE(display().empty());
    const struct {
        std::vector<std::string> args;
        std::string variable;
        bool reachable;
    } cases[] = {
        {{}, "DISPLAY=", false},
        {{"-display", ":4093"}, displayvariable(), false},
        {{"-display", display()}, "DISPLAY=", true},
        {{}, displayvariable(), true},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv = {sotocbinary()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        PtyProcess p;
        ASSERT_TRUE(ptystart(p, argv, {c.variable}));
        if (c.reachable) {
            EXPECT_TRUE(ptyexpect(p, "type=")) << c.variable;
            EXPECT_EQ(p.output.find(NODISPLAYEN), std::string::npos) << p.output;
        } else {
            EXPECT_EQ(1, ptywait(p)) << c.variable;
            EXPECT_NE(p.output.find(NODISPLAYJA), std::string::npos) << p.output;
            EXPECT_NE(p.output.find(NODISPLAYEN), std::string::npos) << p.output;
            EXPECT_EQ(p.output.find("initialset"), std::string::npos) << p.output;
            EXPECT_EQ(p.output.find("type="), std::string::npos) << p.output;
        }
        ptyclose(p);
    }
}

TEST(Startup, HelpAndVersionNeedNoTerminalAndNoDisplay) {
    for (const char *arg : {"--help", "--version"}) {
        PtyProcess p;
        ASSERT_TRUE(ptystart(p, {sotocbinary(), arg}, {"DISPLAY="}));
        EXPECT_EQ(0, ptywait(p));
        if (arg[2] == 'h')
            EXPECT_NE(std::string::npos, p.output.find("usage: sotoc"));
        else
            EXPECT_TRUE(std::regex_search(p.output, std::regex("^sotoc " SOTOC_VERSION
                                                                " \\(commit ([0-9a-f]{12}(-dirty)?|unknown)\\)\r?\n")))
                << p.output;
        EXPECT_EQ(std::string::npos, p.output.find("initialset")) << "no start-up after " << arg;
        ptyclose(p);
    }
}

// Two dashes are never a window-system option: refused before anything starts. The
// subcommands are named in the help.
TEST(Startup, DoubleDashOptionsRefusedSubcommandsListed) {
    for (const char *arg : {"--foo", "--display=:1"}) {
        const RunOutcome r = runsotoc({"-geometry", "100x100", arg});
        EXPECT_EQ(2, r.status) << arg;
        EXPECT_EQ("", r.out);
        EXPECT_EQ(std::string("sotoc: '") + arg +
                      "' refused; accepts --help, --version, a subcommand (compare, batch, sweep, map, montecarlo, summary, plot, render, params, dynamics, optimal, settings) "
                      "or window-system options such as -display :1\n",
                  r.err);
    }
    const RunOutcome help = runsotoc({"--help"});
    for (const char *sub : {"compare", "batch", "sweep", "plot", "render"}) {
        EXPECT_NE(std::string::npos, help.out.find(std::string("\n  ") + sub + " ")) << sub;
        const RunOutcome h = runsotoc({sub, "--help"});
        EXPECT_EQ(0, h.status);
        EXPECT_EQ(0u, h.out.find(std::string(sub) == "plot" ? "Draws " : "Runs ")) << sub;
    }
}

// A first argument with no dash names a subcommand or nothing: a slip in a
// subcommand's name is refused (status 2) with the list and the closest name, and
// never starts the window. Beside each slip the name itself runs its help.
TEST(Startup, UnknownSubcommandRefusedClosestSuggested) {
    const std::string accepts =
        "; accepts --help, --version, a subcommand (compare, batch, sweep, map, montecarlo, summary, plot, render, params, dynamics, optimal, settings) or window-system "
        "options such as -display :1\n";
    const struct {
        const char *typed, *meant;
    } slips[] = {
        {"comapre", "compare"}, {"sweeep", "sweep"}, {"rendr", "render"}, {"Map", "map"},
        {"plto", "plot"},       {"bacth", "batch"},  {"compares", "compare"},
        {"comapr", "compare"},  // two neighbours swapped and one missing: two edits, not three
    };
    for (const auto &s : slips) {
        const RunOutcome r = runsotoc({s.typed, "--robot", "scara"});
        EXPECT_EQ(r.status, 2) << s.typed;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("sotoc: '") + s.typed + "' refused: no such subcommand (did you mean " + s.meant +
                             "?)" + accepts);
        EXPECT_EQ(runsotoc({s.meant, "--help"}).status, 0) << s.meant;
    }
    // Nothing near enough to suggest; a word quoted as typed values are.
    for (const char *typed : {"xyzzy", "", "window", "ma p l"}) {
        const RunOutcome r = runsotoc({typed});
        EXPECT_EQ(r.status, 2) << typed;
        EXPECT_EQ(r.err, std::string("sotoc: '") + typed + "' refused: no such subcommand" + accepts);
    }
    EXPECT_EQ(runsotoc({"\x1b[2J"}).err, "sotoc: '\\x1B[2J' refused: no such subcommand" + accepts);
    // Window-system options still reach the window, which needs a display.
    const RunOutcome window = runprogram({"/usr/bin/env", "DISPLAY=", sotocbinary(), "-geometry", "100x100"});
    EXPECT_EQ(window.status, 1);
    EXPECT_NE(window.err.find(NODISPLAYEN), std::string::npos) << window.err;
}

// Standard output that cannot take the text (a full disk) ends with status 1, said on
// standard error; to a file, the same ends with 0. (Results of the subcommands: their
// own tests.)
TEST(Startup, UnwrittenStandardOutputIsAFailure) {
    TempDir t;
    const std::string full = t.file("full"), file = t.file("out");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no full device without root: " << std::strerror(errno);
    const std::vector<std::string> cases[] = {{"--version"}, {"--help"}};
    for (const auto &args : cases) {
        for (const std::string &target : {full, file}) {
            std::vector<std::string> argv = {"/bin/sh", "-c", "f=$1; shift; exec \"$@\" > \"$f\"", "sh", target,
                                             sotocbinary()};
            argv.insert(argv.end(), args.begin(), args.end());
            const RunOutcome r = runprogram(argv);
            if (target == full) {
                EXPECT_EQ(1, r.status) << args[0];
                EXPECT_EQ("sotoc: standard output could not be written\n", r.err) << args[0];
            } else {
                EXPECT_EQ(0, r.status) << args[0] << r.err;
                EXPECT_NE(0u, std::filesystem::file_size(file)) << args[0];
            }
        }
    }
}

TEST(Startup, InvalidKeysAreAskedAgainValidOnesAccepted) {
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}, {displayvariable()}));
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
    ptysend(p, "g");
    ASSERT_TRUE(ptyexpect(p, "現在の設定条件"));
    // The first dialog concerns the SCARA robot with gravity.
    ASSERT_TRUE(ptyexpect(p, "SCARAロボットの設定した最短時間制御の条件"));
    ASSERT_TRUE(ptyexpect(p, "・重力考慮"));
    ptyclose(p);
}

// How often text occurs in the output from `from` on.
int occurrences(const std::string &out, const std::string &text, size_t from) {
    int n = 0;
    for (size_t at = out.find(text, from); at != std::string::npos; at = out.find(text, at + text.size())) ++n;
    return n;
}

// An arrow key at the robot question, then at the first dialog question, then the
// reduction ratios: the arrow answers neither question and lands in no line.
TEST(Startup, AnArrowKeyIsOneKeyThatAnswersNothing) {
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}, {displayvariable()}));
    ASSERT_TRUE(ptyexpect(p, "type="));
    const size_t asked = p.mark;
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x1b[A");
    ASSERT_TRUE(ptyexpect(p, "type="));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "b");
    ASSERT_TRUE(ptyexpect(p, "sgnG="));
    EXPECT_EQ(1, occurrences(p.output, "type=", asked)) << "one arrow, one more prompt";
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "h");
    const std::string change = "条件のどれか変更する？";
    ASSERT_TRUE(ptyexpect(p, change));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x1b[A");
    ASSERT_TRUE(ptyexpect(p, change));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "(2) 減速機変更？"));
    EXPECT_EQ(1, occurrences(p.output, "(2) 減速機変更？", 0)) << "Esc and [ answered nothing";
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "u1 u2="));
    ptysend(p, "40 40\r");
    ASSERT_TRUE(ptyexpect(p, "変更　重力考慮する？"));
    EXPECT_EQ(std::string::npos, p.output.find("入力が読み取れません")) << "the ratio line was taken";
    ptyclose(p);
}

TEST(Startup, EndOfInputAtTheFirstQuestionEndsCleanly) {
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}, {displayvariable()}));
    ASSERT_TRUE(ptyexpect(p, "type="));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x04");
    EXPECT_EQ(2, ptywait(p));
    termios t;
    ASSERT_TRUE(ptyattr(p, t));
    EXPECT_TRUE((t.c_lflag & ICANON) && (t.c_lflag & ECHO));
    ptyclose(p);
}

}  // namespace

namespace {

// A whole start-up with the defaults: robot, gravity, no change, and the results.
TEST(Startup, DefaultsOfEachRobotWithAndWithoutGravityReachTheResults) {
    for (char type : {'a', 'b'}) {
        for (char gravity : {'g', 'h'}) {
            PtyProcess p;
            ASSERT_TRUE(ptystart(p, {sotocbinary()}, {displayvariable()}));
            ASSERT_TRUE(ptyexpect(p, "type="));
            ptysend(p, std::string(1, type));
            ASSERT_TRUE(ptyexpect(p, "sgnG="));
            ptysend(p, std::string(1, gravity));
            ASSERT_TRUE(ptyexpect(p, "条件のどれか変更する？"));
            ptysend(p, "n");
            ASSERT_TRUE(ptyexpect(p, "只今計算中"));
            if (type == 'a' && gravity == 'h') {
                // The radial joint cannot hold the workpiece on the default half turn.
                ASSERT_TRUE(ptyexpect(p, "誤差なしの切り替え時刻の解なし  別の条件で計算する？", 120));
                ptysend(p, "n");
                EXPECT_EQ(0, ptywait(p));
                ptyclose(p);
                continue;
            }
            ASSERT_TRUE(ptyexpect(p, "\n誤差なしTOC    終端時間 tf=", 120)) << type << gravity;
            ASSERT_TRUE(ptyexpect(p, "\n誤差ありTOC    終端時間 tf="));
            ASSERT_TRUE(ptyexpect(p, "\n  速度誤差を含めたTOC位置誤差  ="));
            ASSERT_TRUE(ptyexpect(p, type == 'a' ? "\n誤差ありSOTOC  終端時間 tf=" : "\n誤差ありSOTOC　終端時間 tf="));
            ASSERT_TRUE(ptyexpect(p, "\n  速度誤差を含めたSOTOC位置誤差="));
            ASSERT_TRUE(ptyexpect(p, "描画画面へ"));
            EXPECT_EQ(std::string::npos, p.output.find("nan")) << p.output;
            ptyclose(p);
        }
    }
}

}  // namespace
