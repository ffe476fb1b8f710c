// The console: keys without echo or Enter, number lines, end of input, and the
// terminal put back on every way out.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/console.h"
#include "tests/console/ending.h"
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

// The keys readkey gives for piped bytes, NOTAKEY shown as "<>".
std::string keysof(const std::string &bytes, int count) {
    std::string keys;
    withinput(bytes, [&]() {
        for (int i = 0; i < count; ++i) {
            const char key = readkey();
            keys += key == NOTAKEY ? std::string("<>") : std::string(1, key);
        }
    });
    return keys;
}

TEST(Keys, AKeyOfSeveralBytesIsOneKeyThatAnswersNothing) {
    const struct {
        const char *bytes;
        int keys;
        const char *expected;
    } cases[] = {
        {"\x1b[Ay", 2, "<>y"},                // arrow up
        {"\x1bOPn", 2, "<>n"},                // F1
        {"\x1b[1;5C\x1b[15~y", 3, "<><>y"},   // Ctrl-Right, F5: parameters
        {"\xe3\x81\x82n", 2, "<>n"},          // あ
        {"\xc3\xa9\xf0\x9f\x98\x80y", 3, "<><>y"},
        {"\x1b\x1b[Ay", 3, "<><>y"},          // Esc alone, then an arrow
        {"\x1bxy", 2, "<>y"},                 // Alt-x
        {"\x1b\ny", 3, "<>\ny"},              // Esc alone, then Enter
        {"\xe3y", 2, "<>y"},                  // a cut character does not swallow the next key
        {"\x1b[1\ny", 3, "<>\ny"},            // nor does a cut sequence
        {"\x80y", 2, "<>y"},                  // a stray continuation byte
        {"y\n n", 4, "y\n n"},                // single bytes are keys
    };
    for (const auto &c : cases) EXPECT_EQ(c.expected, keysof(c.bytes, c.keys)) << c.bytes;
}

TEST(Keys, AByteAfterACutKeyBeginsTheNumberLine) {
    double v[2] = {0, 0};
    char key = 'x';
    bool ok = false;
    withinput("\xe3" "1 2\n", [&]() {
        key = readkey();
        ok = readnumbers(2, v);
    });
    EXPECT_EQ(NOTAKEY, key);
    EXPECT_TRUE(ok);
    EXPECT_EQ(1.0, v[0]);
    EXPECT_EQ(2.0, v[1]);
}

// What a question answers to piped bytes, and what it printed.
template <class Question>
std::string asked(const std::string &bytes, Question question, char &answer) {
    testing::internal::CaptureStdout();
    withinput(bytes, [&]() { answer = question(); });
    return testing::internal::GetCapturedStdout();
}

TEST(Keys, QuestionsAskAgainAfterAKeyOfSeveralBytes) {
    const auto anykey = []() { return askanykey("Q>"); };
    const auto robot = []() { return askkey("type=", 'a', 'b'); };
    char answer = 0;
    EXPECT_EQ("Q>", asked("y", anykey, answer));
    EXPECT_EQ('y', answer);
    EXPECT_EQ("Q>Q>", asked("\x1b[Ay", anykey, answer));
    EXPECT_EQ('y', answer);
    EXPECT_EQ("Q>Q>Q>", asked("\xe3\x81\x82\x1bOP\n", anykey, answer));
    EXPECT_EQ('\n', answer);
    EXPECT_EQ("type=type=", asked("\x1b[Ab", robot, answer)) << "one arrow, one more prompt";
    EXPECT_EQ('b', answer);
    EXPECT_EQ("type=type=", asked("\xe3\x81\x82" "a", robot, answer));
    EXPECT_EQ('a', answer);
}

// The status body throws with InputEnded; -1 when it throws nothing.
template <class Body>
int thrownstatus(Body body) {
    try {
        body();
    } catch (const InputEnded &e) {
        return e.status;
    }
    return -1;
}

TEST(Feed, KeysAndLinesComeFromTheBytesAndTheirEndIsThrown) {
    const std::string bytes = "\x1b[Ay0.5 2\n\xe3zk\x1b";
    consolefeed(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    testing::internal::CaptureStdout();
    EXPECT_EQ('y', askanykey("Q>"));
    double v[2] = {0, 0};
    EXPECT_TRUE(readnumbers(2, v));
    EXPECT_EQ(0.5, v[0]);
    EXPECT_EQ(NOTAKEY, readkey());
    discardinput();  // drops the held 'z', keeps the bytes still to come
    EXPECT_EQ('k', readkey());
    EXPECT_EQ(NOTAKEY, readkey()) << "Esc at the end";
    EXPECT_EQ(EXIT_INPUTENDED, thrownstatus([]() { readkey(); }));
    EXPECT_EQ(EXIT_INPUTENDED, thrownstatus([&]() { readnumbers(2, v); }));
    EXPECT_EQ(0.5, v[0]);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, said.find("入力が終わったため終了します"));
    consolefeed(nullptr, 0);
    EXPECT_EQ("q", keysof("q", 1)) << "the standard input again";
}

// Where the user chose to end: from the standard input the program ends with the
// status, from a feed the status is thrown.
TEST(Feed, QuitEndsTheProgramOrIsThrownWithItsStatus) {
    EXPECT_EXIT(endinchild([]() { consolequit(0); }), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(endinchild([]() { consolequit(3); }), testing::ExitedWithCode(3), "");
    static const unsigned char key = 'y';
    for (int status : {0, 3})
        EXPECT_EXIT(endinchild([=]() {
                        consolefeed(&key, 1);
                        consolequit(status);
                    }),
                    testing::ExitedWithCode(THROWN + status), "");
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

// A child that asks two questions taking any key and reports the answers.
int anykeyasker() {
    consoleinit();
    for (int i = 0; i < 2; ++i) {
        const char c = askanykey("change?>");
        consoleprint("[got %c]", c);
    }
    return 0;
}

// Waits for the question to be printed again and the terminal to be ready for its key.
bool askedagain(PtyProcess &p, const char *question) {
    const size_t from = p.mark;
    return ptyexpect(p, question) && p.output.find("[got", from) == std::string::npos && ptywaitraw(p);
}

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

TEST(Terminal, ArrowKanaAndEscAreAskedAgainAndASingleKeyAnswers) {
    PtyProcess p;
    ASSERT_TRUE(ptyfork(p, anykeyasker));
    ASSERT_TRUE(ptyexpect(p, "change?>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x1b[A");  // arrow up, written at once
    ASSERT_TRUE(askedagain(p, "change?>"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "[got y]"));
    ASSERT_TRUE(ptyexpect(p, "change?>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "あ");
    ASSERT_TRUE(askedagain(p, "change?>"));
    ptysend(p, "\x1b");  // Esc alone: asked again once nothing follows
    ASSERT_TRUE(askedagain(p, "change?>"));
    ptysend(p, "n");
    ASSERT_TRUE(ptyexpect(p, "[got n]"));
    EXPECT_EQ(0, ptywait(p));
    ptyclose(p);
}

TEST(Terminal, StoppedAtAKeyTheTerminalIsAsItWasAndContinuedRawAgain) {
    PtyProcess p;
    ASSERT_TRUE(ptyjob(p, anykeyasker));
    ASSERT_TRUE(ptyexpect(p, "change?>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "\x1a");  // Ctrl-Z
    ASSERT_TRUE(ptyjobstopped(p));
    termios stopped;
    ASSERT_TRUE(ptyattr(p, stopped));
    EXPECT_TRUE(cooked(stopped)) << "line mode with echo while stopped";
    kill(p.job, SIGCONT);  // fg
    ASSERT_TRUE(askedagain(p, "change?>")) << "raw mode and the question again";
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "[got y]"));
    EXPECT_EQ(std::string::npos, p.output.find("y[got")) << "the key was echoed";
    ASSERT_TRUE(ptyexpect(p, "change?>"));
    ASSERT_TRUE(ptywaitraw(p));
    ptysend(p, "n");
    ASSERT_TRUE(ptyexpect(p, "[got n]"));
    EXPECT_EQ(0, ptywait(p));
    termios after;
    ASSERT_TRUE(ptyattr(p, after));
    EXPECT_EQ(after.c_lflag, stopped.c_lflag) << "the start settings while stopped";
    EXPECT_EQ(after.c_iflag, stopped.c_iflag);
    EXPECT_EQ(after.c_cc[VMIN], stopped.c_cc[VMIN]);
    EXPECT_EQ(after.c_cc[VTIME], stopped.c_cc[VTIME]);
    ptyclose(p);
}

TEST(Terminal, DiscardDropsWhatWasTypedBeforeAndKeepsWhatComesAfter) {
    for (bool discard : {true, false}) {
        PtyProcess p;
        ASSERT_TRUE(ptyfork(p, [discard]() {
            consoleinit();
            consoleprint("window>");
            pollfd pfd = {STDIN_FILENO, POLLIN, 0};
            if (poll(&pfd, 1, 20000) != 1) return 1;  // the typed lines are waiting
            if (discard) discardinput();
            consoleprint("dialog>");
            const char c = readkey();
            consoleprint("[got %c]", c);
            return 0;
        }));
        ASSERT_TRUE(ptyexpect(p, "window>"));
        ptysend(p, "y\r\r");
        ASSERT_TRUE(ptyexpect(p, "dialog>"));
        if (discard) {
            ASSERT_TRUE(ptywaitraw(p));
            ptysend(p, "n");
        }
        EXPECT_TRUE(ptyexpect(p, discard ? "[got n]" : "[got y]")) << discard;
        EXPECT_EQ(0, ptywait(p));
        ptyclose(p);
    }
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
