#include "app/console.h"

#include <errno.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <initializer_list>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Longest number line taken [bytes]; a longer line is refused as not understood.
constexpr size_t MAXLINE = 1024;
// Ctrl-D: in raw key mode the terminal hands it over as a byte; it means end of input.
constexpr unsigned char ENDOFTRANSMISSION = 4;

termios startattr;      // terminal settings when the program started
bool haveterm = false;  // standard input is a terminal whose settings were saved

void restoreterminal() {
    if (haveterm) tcsetattr(STDIN_FILENO, TCSANOW, &startattr);
}

// Puts the terminal back, then dies of the same signal so the caller sees it.
void onsignal(int sig) {
    restoreterminal();
    signal(sig, SIG_DFL);
    raise(sig);
}

[[noreturn]] void inputended() {
    consoleprint("\n入力が終わったため終了します\n");
    std::exit(EXIT_INPUTENDED);
}

// read(2) of one byte, retried when a signal interrupts it; false at end of input.
bool readbyte(unsigned char &c) {
    for (;;) {
        ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

// Parses exactly n finite numbers separated by white space, nothing else.
bool parsenumbers(const char *line, int n, double *v) {
    double got[16];
    if (n > 16) return false;
    const char *p = line;
    for (int i = 0; i < n; ++i) {
        char *end;
        errno = 0;
        got[i] = std::strtod(p, &end);
        if (end == p || !std::isfinite(got[i])) return false;
        p = end;
    }
    while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
    if (*p != '\0') return false;
    for (int i = 0; i < n; ++i) v[i] = got[i];
    return true;
}

}  // namespace

void consoleinit() {
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &startattr) == 0) haveterm = true;
    std::atexit(restoreterminal);
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onsignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
}

void consoleprint(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

char readkey() {
    std::fflush(stdout);
    termios before;
    const bool term = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &before) == 0;
    if (term) {
        // Non-canonical, no echo; TCSANOW keeps the keys typed ahead of the question.
        termios raw = before;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    unsigned char c = 0;
    const bool got = readbyte(c);
    if (term) tcsetattr(STDIN_FILENO, TCSANOW, &before);
    if (!got || (term && c == ENDOFTRANSMISSION)) inputended();
    return static_cast<char>(c);
}

char askkey(const char *prompt, char first, char second) {
    for (;;) {
        consoleprint("%s", prompt);
        const char key = readkey();
        if (key == first || key == second) return key;
    }
}

char askanykey(const char *prompt) {
    consoleprint("%s", prompt);
    return readkey();
}

void discardinput() {
    if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

bool readnumbers(int n, double *v) {
    std::fflush(stdout);
    char line[MAXLINE + 1];
    size_t len = 0;
    bool refused = false;  // too long, or a NUL byte that would hide the rest of the line
    unsigned char c;
    bool any = false;
    while (readbyte(c)) {
        any = true;
        if (c == '\n') break;
        if (len < MAXLINE && c != '\0')
            line[len++] = static_cast<char>(c);
        else
            refused = true;
    }
    if (!any) inputended();
    line[len] = '\0';
    return !refused && parsenumbers(line, n, v);
}

void progressline(int done, int total, double secondsleft) {
    if (!isatty(STDERR_FILENO)) return;
    char left[32] = "estimating";
    if (secondsleft >= 0.0) {
        const long s = std::lround(secondsleft);
        if (s >= 3600)
            std::snprintf(left, sizeof left, "%ld:%02ld:%02ld left", s / 3600, s / 60 % 60, s % 60);
        else
            std::snprintf(left, sizeof left, "%ld:%02ld left", s / 60, s % 60);
    }
    // Carriage return and erase-to-end-of-line keep it one line however it shrinks.
    std::fprintf(stderr, "\r\033[K%d/%d done, %s", done, total, left);
    std::fflush(stderr);
}

void progressend() {
    if (!isatty(STDERR_FILENO)) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}
