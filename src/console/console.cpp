#include "console/console.h"

#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

// Longest number line taken [bytes]; a longer line is refused as not understood.
constexpr size_t MAXLINE = 1024;
// Ctrl-D: in raw key mode the terminal hands it over as a byte; it means end of input.
constexpr unsigned char ENDOFTRANSMISSION = 4;
constexpr unsigned char ESCAPE = 27;
// A terminal sends the bytes of one key together. A byte after Esc or after a UTF-8
// lead byte that comes later than this was typed as a key of its own [ms]: far
// shorter than two keystrokes, long enough for a slow remote connection.
constexpr int KEYBYTEGAP = 100;

// The terminal. Written by consoleinit and by a key read; read by the signal handlers.
termios startattr;                     // settings when the program started
bool haveterm = false;                 // standard input is a terminal whose settings were saved
termios rawattr;                       // settings of the key read in progress
const char *keyprompt = nullptr;       // its question, printed again after a stop; null: none
size_t keypromptlen = 0;               // length of keyprompt [bytes]
std::atomic<bool> keyreading{false};  // a key read is in progress: rawattr and keyprompt are set

// Where keys and lines come from. Written by consolefeed, discardinput and the readers.
struct KeyInput {
    const unsigned char *feed;  // next byte given to consolefeed; null: the standard input
    size_t feedleft;            // bytes of the feed not yet read
    int held;                   // a byte read past the end of a key, the next one's first; -1: none
};
KeyInput input = {nullptr, 0, -1};

void restoreterminal() {
    if (haveterm) tcsetattr(STDIN_FILENO, TCSANOW, &startattr);
}

// Puts the terminal back, then dies of the same signal so the caller sees it.
void onsignal(int sig) {
    restoreterminal();
    signal(sig, SIG_DFL);
    raise(sig);
}

// SIGTSTP: the terminal as it was while stopped, then the stop itself.
void onstop(int) {
    const int saved = errno;
    restoreterminal();
    struct sigaction stop, mine;
    std::memset(&stop, 0, sizeof stop);
    stop.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &stop, &mine);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &tstp, nullptr);
    raise(SIGTSTP);  // returns once continued
    sigaction(SIGTSTP, &mine, nullptr);
    errno = saved;
}

// SIGCONT: a key read in progress gets its raw mode and shows its question again.
void oncontinue(int) {
    if (!keyreading) return;
    const int saved = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &rawattr);
    if (keyprompt != nullptr) {
        const ssize_t shown = write(STDOUT_FILENO, keyprompt, keypromptlen);
        (void)shown;  // unseen, the question still takes its key
    }
    errno = saved;
}

[[noreturn]] void inputended() {
    consoleprint("\n入力が終わったため終了します\n");
    consolequit(EXIT_INPUTENDED);
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

// Whether the standard input has a byte (or its end) within ms milliseconds.
bool readable(int ms) {
    pollfd pfd = {STDIN_FILENO, POLLIN, 0};
    for (;;) {
        const int n = poll(&pfd, 1, ms);
        if (n >= 0) return n > 0;
        if (errno != EINTR) return false;
    }
}

// The next byte: the held one, the feed's next, or one from the standard input,
// waiting as long as it takes. False at end of input.
bool nextbyte(unsigned char &c) {
    if (input.held >= 0) {
        c = static_cast<unsigned char>(input.held);
        input.held = -1;
        return true;
    }
    if (input.feed == nullptr) return readbyte(c);
    if (input.feedleft == 0) return false;
    c = *input.feed++;
    --input.feedleft;
    return true;
}

// A byte that may continue the key begun: what is there now from a feed or a pipe,
// what arrives within KEYBYTEGAP from a terminal. False when none.
bool followingbyte(unsigned char &c, bool term) {
    if (input.feed == nullptr && input.held < 0 && !readable(term ? KEYBYTEGAP : 0)) return false;
    return nextbyte(c);
}

void hold(unsigned char c) { input.held = c; }

// Continuation bytes that a UTF-8 lead byte announces; 0 for any other byte.
int utf8tail(unsigned char lead) {
    if (lead >= 0xc2 && lead <= 0xdf) return 1;
    if (lead >= 0xe0 && lead <= 0xef) return 2;
    if (lead >= 0xf0 && lead <= 0xf4) return 3;
    return 0;
}

// The rest of a UTF-8 character; a byte that cannot continue it is the next key's.
void skiputf8(unsigned char lead, bool term) {
    unsigned char b;
    for (int i = utf8tail(lead); i > 0; --i) {
        if (!followingbyte(b, term)) return;
        if ((b & 0xc0) != 0x80) {
            hold(b);
            return;
        }
    }
}

bool finalbyte(unsigned char b) { return b >= 0x40 && b <= 0x7e; }

// The rest of a key that began with Esc: a control sequence (Esc [, parameter and
// intermediate bytes, a final byte), a single shift (Esc O and a final byte), or Alt
// with a printable key. Esc alone when nothing follows, or Esc or a control key.
void skipescape(bool term) {
    unsigned char b;
    if (!followingbyte(b, term)) return;
    if (b == '[') {
        do {
            if (!followingbyte(b, term)) return;
        } while (b >= 0x20 && b <= 0x3f);
        if (!finalbyte(b)) hold(b);
    } else if (b == 'O') {
        if (followingbyte(b, term) && !finalbyte(b)) hold(b);
    } else if (b == ESCAPE || b < 0x20) {
        hold(b);
    } else if (b >= 0x80) {
        skiputf8(b, term);
    }
}

// The key that begins with byte c, read to its end.
char wholekey(unsigned char c, bool term) {
    if (c == ESCAPE) {
        skipescape(term);
        return NOTAKEY;
    }
    if (c >= 0x80) {
        skiputf8(c, term);
        return NOTAKEY;
    }
    return static_cast<char>(c);
}

// Switches a terminal on the standard input to raw key mode for the question
// `prompt` (null: none known); false, changing nothing, for a feed or no terminal.
bool beginkeymode(termios &before, const char *prompt) {
    if (input.feed != nullptr || !isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &before) != 0) return false;
    // Non-canonical, no echo; signals stay. TCSANOW keeps the keys typed ahead.
    rawattr = before;
    rawattr.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    rawattr.c_cc[VMIN] = 1;
    rawattr.c_cc[VTIME] = 0;
    keyprompt = prompt;
    keypromptlen = prompt != nullptr ? std::strlen(prompt) : 0;
    keyreading = true;
    tcsetattr(STDIN_FILENO, TCSANOW, &rawattr);
    return true;
}

void endkeymode(const termios &before) {
    keyreading = false;
    tcsetattr(STDIN_FILENO, TCSANOW, &before);
}

// One whole key for the question `prompt` (null: none known).
char readkeyfor(const char *prompt) {
    std::fflush(stdout);
    termios before;
    const bool term = beginkeymode(before, prompt);
    unsigned char c = 0;
    const bool got = nextbyte(c);
    const bool ended = !got || (term && c == ENDOFTRANSMISSION);
    const char key = ended ? NOTAKEY : wholekey(c, term);
    if (term) endkeymode(before);
    if (ended) inputended();
    return key;
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
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onsignal;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
    sa.sa_flags = SA_RESTART;
    sa.sa_handler = onstop;
    sigaction(SIGTSTP, &sa, nullptr);
    sa.sa_handler = oncontinue;
    sigaction(SIGCONT, &sa, nullptr);
}

void consolefeed(const unsigned char *data, size_t n) {
    input.feed = data;
    input.feedleft = data != nullptr ? n : 0;
    input.held = -1;
}

void consolequit(int status) {
    if (input.feed != nullptr) throw InputEnded{status};
    std::exit(status);
}

void consoleprint(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

void consoleerror(const char *format, ...) {
    std::fflush(stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

char readkey() { return readkeyfor(nullptr); }

char askkey(const char *prompt, char first, char second) {
    for (;;) {
        const char key = askanykey(prompt);
        if (key == first || key == second) return key;
    }
}

char askanykey(const char *prompt) {
    for (;;) {
        consoleprint("%s", prompt);
        const char key = readkeyfor(prompt);
        if (key != NOTAKEY) return key;
    }
}

void discardinput() {
    input.held = -1;
    if (input.feed == nullptr && isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

bool readnumbers(int n, double *v) {
    std::fflush(stdout);
    char line[MAXLINE + 1];
    size_t len = 0;
    bool refused = false;  // too long, or a NUL byte that would hide the rest of the line
    unsigned char c;
    bool any = false;
    while (nextbyte(c)) {
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

namespace {

// The progress lines of a log. Written by logprogress and progressline.
struct ProgressLog {
    const char *command;                         // the command the lines name; null for no lines
    std::chrono::steady_clock::time_point last;  // when the run started or its last line was printed
};

ProgressLog progresslog{nullptr, {}};

// The time left as the progress lines say it: "M:SS left", "H:MM:SS left" or "estimating".
std::string lefttext(double secondsleft) {
    char left[32] = "estimating";
    if (secondsleft >= 0.0) {
        const long s = std::lround(secondsleft);
        if (s >= 3600)
            std::snprintf(left, sizeof left, "%ld:%02ld:%02ld left", s / 3600, s / 60 % 60, s % 60);
        else
            std::snprintf(left, sizeof left, "%ld:%02ld left", s / 60, s % 60);
    }
    return left;
}

// A line of the log when one is due.
void logline(int done, int total, double secondsleft) {
    const auto now = std::chrono::steady_clock::now();
    if (done == 0) progresslog.last = now;
    const bool due = std::chrono::duration<double>(now - progresslog.last).count() >= PROGRESSPERIOD;
    if (done == 0 || !(due || done == total)) return;
    progresslog.last = now;
    std::fprintf(stderr, "%s: %d/%d done, %s\n", progresslog.command, done, total, lefttext(secondsleft).c_str());
    std::fflush(stderr);
}

}  // namespace

void logprogress(const char *command) { progresslog.command = command; }

void progressline(int done, int total, double secondsleft) {
    if (!isatty(STDERR_FILENO)) {
        if (progresslog.command != nullptr) logline(done, total, secondsleft);
        return;
    }
    // Carriage return and erase-to-end-of-line keep it one line however it shrinks.
    std::fprintf(stderr, "\r\033[K%d/%d done, %s", done, total, lefttext(secondsleft).c_str());
    std::fflush(stderr);
}

void progressend() {
    if (!isatty(STDERR_FILENO)) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}
