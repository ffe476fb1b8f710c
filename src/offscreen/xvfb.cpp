#include "offscreen/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "processes/interrupt.h"

namespace {

// How long Xvfb may take to announce its display [ms].
constexpr int STARTTIMEOUT = 10000;
const int GUARDEDSIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int NGUARDED = sizeof GUARDEDSIGNALS / sizeof GUARDEDSIGNALS[0];

volatile sig_atomic_t guarded = -1;  // server the signal handler stops
struct sigaction earlier[NGUARDED];  // the handlers in force before xvfbguard

// In the child: dies with the parent, leaves the terminal's process group, keeps
// quiet, and becomes Xvfb writing its display number to `fd`.
[[noreturn]] void execxvfb(pid_t parent, int fd, int w, int h) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);  // the parent died before the line above
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    fcntl(fd, F_SETFD, 0);  // the one descriptor Xvfb keeps: where it writes its display
    const std::string fdtext = std::to_string(fd);
    const std::string screen = std::to_string(w) + "x" + std::to_string(h) + "x24";
    execlp("Xvfb", "Xvfb", "-displayfd", fdtext.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", static_cast<char *>(nullptr));
    _exit(127);
}

// The display number Xvfb writes once it is ready for clients; empty when it ends or
// stays silent.
std::string readdisplaynumber(int fd) {
    std::string number;
    pollfd pfd = {fd, POLLIN, 0};
    while (poll(&pfd, 1, STARTTIMEOUT) > 0) {
        char c;
        if (read(fd, &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    return number;
}

void onsignal(int sig) {
    if (guarded > 0) {
        kill(guarded, SIGTERM);
        waitpid(guarded, nullptr, 0);
        guarded = -1;
    }
    for (int k = 0; k < NGUARDED; ++k)
        if (GUARDEDSIGNALS[k] == sig) sigaction(sig, &earlier[k], nullptr);
    raise(sig);
}

// The guarded signals' handlers, installed or taken back with those signals blocked,
// so that no signal finds `guarded` and the handlers out of step.
void guard(pid_t pid) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onsignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : GUARDEDSIGNALS) sigaddset(&sa.sa_mask, sig);
    for (int k = 0; k < NGUARDED; ++k) sigaction(GUARDEDSIGNALS[k], &sa, &earlier[k]);
    guarded = pid;
}

void unguard() {
    for (int k = 0; k < NGUARDED; ++k) sigaction(GUARDEDSIGNALS[k], &earlier[k], nullptr);
    guarded = -1;
}

// The guarded signals blocked until the returned mask is set again.
sigset_t blockguarded() { return blocksignals(GUARDEDSIGNALS, NGUARDED); }

}  // namespace

pid_t xvfbstart(int w, int h, std::string &display, bool guarded) {
    int fds[2];
    // Close-on-exec: neither end reaches a program the caller starts meanwhile.
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    const pid_t parent = getpid();
    const sigset_t before = blockguarded();
    const pid_t pid = fork();
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &before, nullptr);
        close(fds[0]);
        execxvfb(parent, fds[1], w, h);
    }
    if (pid > 0 && guarded) guard(pid);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    const std::string number = readdisplaynumber(fds[0]);
    close(fds[0]);
    if (number.empty()) {
        xvfbstop(pid);
        return -1;
    }
    display = ":" + number;
    return pid;
}

void xvfbstop(pid_t pid) {
    if (pid <= 0) return;
    const sigset_t before = blockguarded();
    if (pid == guarded) unguard();
    sigprocmask(SIG_SETMASK, &before, nullptr);
    kill(pid, SIGTERM);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}
