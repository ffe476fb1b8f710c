// The console: keys without echo or Enter, number lines, end of input, and the
// terminal put back on every way out.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/console.h"
#include "tests/support/pty.h"

namespace {

// Runs body with standard input reading `input` from a pipe, then restores it.
template <class Body>
void withinput(const std::string &input, Body body) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ASSERT_EQ(static_cast<ssize_t>(input.size()), write(fds[1], input.data(), input.size()));
    close(fds[1]);
    const int saved = dup(STDIN_FILENO);
    dup2(fds[0], STDIN_FILENO);
    close(fds[0]);
    body();
    dup2(saved, STDIN_FILENO);
    close(saved);
}

// Whether a line is accepted as exactly n numbers, and what it gives.
bool accepts(const std::string &line, int n, double *v) {
    bool ok = false;
    withinput(line, [&]() { ok = readnumbers(n, v); });
    return ok;
}

TEST(NumberLine, AcceptsExactlyTheExpectedCountOfFiniteNumbers) {
    double v[4] = {7, 7, 7, 7};
    EXPECT_TRUE(accepts("1.5 -2e-1\n", 2, v));
    EXPECT_EQ(1.5, v[0]);
    EXPECT_EQ(-0.2, v[1]);
    EXPECT_TRUE(accepts("  0.7\t0 -0.3   0.4  \r\n", 4, v));
    EXPECT_EQ(0.4, v[3]);
    EXPECT_TRUE(accepts("5", 1, v)) << "a last line without its line end";
    EXPECT_EQ(5.0, v[0]);
}

TEST(NumberLine, RefusesAnythingElseAndKeepsTheOldValues) {
    const char *const bad[] = {"\n", "1\n", "1 2 3\n", "1 x\n", "abc\n", "nan 1\n", "1 inf\n", "1e999 1\n",
                               "1,2\n", "1 2x\n"};
    for (const char *line : bad) {
        double v[2] = {7, 8};
        EXPECT_FALSE(accepts(line, 2, v)) << line;
        EXPECT_EQ(7, v[0]) << line;
        EXPECT_EQ(8, v[1]) << line;
    }
    double v[2] = {7, 8};
    EXPECT_FALSE(accepts(std::string("1 2") + '\0' + "3\n", 2, v)) << "a NUL byte must not hide the rest";
    EXPECT_FALSE(accepts(std::string(5000, '1') + " 2\n", 2, v)) << "an overlong line";
    EXPECT_EQ(7, v[0]);
}

TEST(NumberLine, ReadsOneLineSoItsEndIsNotTheNextKey) {
    double v[1];
    char key = 0;
    withinput("3\nk", [&]() {
        EXPECT_TRUE(readnumbers(1, v));
        key = readkey();
    });
    EXPECT_EQ('k', key);
}

TEST(Keys, PipedKeysAreReadOneByteAtATime) {
    std::string got;
    withinput("ab\n", [&]() {
        for (int i = 0; i < 3; ++i) got += readkey();
    });
    EXPECT_EQ("ab\n", got);
}

// The message goes where the death test reads it (standard error) instead of the output.
void messagestostderr() { dup2(STDERR_FILENO, STDOUT_FILENO); }

TEST(EndOfInput, EndsTheProgramWithAMessageAndNonZeroStatus) {
    EXPECT_EXIT(
        {
            messagestostderr();
            withinput("", []() { readkey(); });
        },
        testing::ExitedWithCode(EXIT_INPUTENDED), "入力が終わったため終了します");
    EXPECT_EXIT(
        {
            messagestostderr();
            withinput("", []() {
                double v[2];
                readnumbers(2, v);
            });
        },
        testing::ExitedWithCode(EXIT_INPUTENDED), "入力が終わったため終了します");
}

// A child on a pseudo-terminal that reads keys and reports them.
int keyreader() {
    consoleinit();
    consoleprint("ready>");
    const char c = readkey();
    consoleprint("[got %c]", c);
    double v[2] = {0, 0};
    consoleprint("numbers>");
    const bool ok = readnumbers(2, v);
    consoleprint("[%d %g %g]", ok ? 1 : 0, v[0], v[1]);
    const char d = readkey();
    consoleprint("[next %c]", d);
    return 0;
}

bool cooked(const termios &t) { return (t.c_lflag & ICANON) && (t.c_lflag & ECHO); }

TEST(Terminal, KeyWithoutEchoOrEnterThenNumberLineThenKey) {
    PtyProcess p;
    ASSERT_TRUE(ptyfork(p, keyreader));
    ASSERT_TRUE(ptyexpect(p, "ready>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "x");
    ASSERT_TRUE(ptyexpect(p, "[got x]"));
    EXPECT_EQ(std::string::npos, p.output.find("x[got")) << "the key was echoed";
    ASSERT_TRUE(ptyexpect(p, "numbers>"));
    ptysend(p, "0.5 12\r");
    ASSERT_TRUE(ptyexpect(p, "[1 0.5 12]"));
    ptysend(p, "z");
    ASSERT_TRUE(ptyexpect(p, "[next z]"));
    EXPECT_EQ(0, ptywait(p));
    termios t;
    ASSERT_TRUE(ptyattr(p, t));
    EXPECT_TRUE(cooked(t));
    ptyclose(p);
}

TEST(Terminal, KeysTypedAheadAreKept) {
    PtyProcess p;
    ASSERT_TRUE(ptyfork(p, []() {
        consoleinit();
        consoleprint("go>");
        usleep(300000);
        std::string keys;
        for (int i = 0; i < 3; ++i) {
            keys += readkey();
            consoleprint("?");
        }
        consoleprint("[%s]", keys.c_str());
        return 0;
    }));
    ASSERT_TRUE(ptyexpect(p, "go>"));
    ptysend(p, "abc");
    EXPECT_TRUE(ptyexpect(p, "[abc]"));
    EXPECT_EQ(0, ptywait(p));
    ptyclose(p);
}

TEST(Terminal, RestoredAfterInterruptAndTermination) {
    for (int sig : {SIGINT, SIGTERM}) {
        PtyProcess p;
        ASSERT_TRUE(ptyfork(p, keyreader));
        ASSERT_TRUE(ptyexpect(p, "ready>"));
        EXPECT_TRUE(ptywaitraw(p)) << "no echo while a key is awaited";
        if (sig == SIGINT)
            ptysend(p, "\x03");  // Ctrl-C at the keyboard
        else
            kill(p.pid, SIGTERM);
        EXPECT_EQ(128 + sig, ptywait(p));
        termios after;
        ASSERT_TRUE(ptyattr(p, after));
        EXPECT_TRUE(cooked(after)) << sig;
        ptyclose(p);
    }
}

TEST(Terminal, EndOfInputAtAKeyEndsWithStatusAndMessage) {
    PtyProcess p;
    ASSERT_TRUE(ptyfork(p, keyreader));
    ASSERT_TRUE(ptyexpect(p, "ready>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x04");  // Ctrl-D
    EXPECT_TRUE(ptyexpect(p, "入力が終わったため終了します"));
    EXPECT_EQ(EXIT_INPUTENDED, ptywait(p));
    termios t;
    ASSERT_TRUE(ptyattr(p, t));
    EXPECT_TRUE(cooked(t));
    ptyclose(p);
}

TEST(Terminal, EndOfInputAtANumberEndsWithStatus) {
    PtyProcess p;
    ASSERT_TRUE(ptyfork(p, keyreader));
    ASSERT_TRUE(ptyexpect(p, "ready>"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "numbers>"));
    ptysend(p, "\x04");
    EXPECT_EQ(EXIT_INPUTENDED, ptywait(p));
    ptyclose(p);
}

}  // namespace
