#include "tests/support/pty.h"

#include <errno.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A terminal as a user's shell leaves it: cooked, echoing, 80 columns.
void defaultterminal(termios &t, winsize &w) {
    std::memset(&t, 0, sizeof t);
    cfmakeraw(&t);
    t.c_iflag = ICRNL | IXON | IUTF8;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    t.c_cflag = CS8 | CREAD;
    t.c_cc[VINTR] = 3;
    t.c_cc[VEOF] = 4;
    t.c_cc[VSUSP] = 26;  // Ctrl-Z
    t.c_cc[VERASE] = 127;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    std::memset(&w, 0, sizeof w);
    w.ws_row = 50;
    w.ws_col = 160;
}

// Reads what is available within `seconds`; false when the child closed its side.
bool readsome(PtyProcess &p, double seconds) {
    pollfd pfd = {p.fd, POLLIN, 0};
    int ms = static_cast<int>(seconds * 1000.0);
    if (poll(&pfd, 1, ms < 0 ? 0 : ms) <= 0) return true;
    char buf[4096];
    ssize_t n = read(p.fd, buf, sizeof buf);
    if (n <= 0) return false;
    p.output.append(buf, static_cast<size_t>(n));
    return true;
}

}  // namespace

std::string sotocbinary() { return SOTOC_BINARY; }

bool ptyfork(PtyProcess &p, const std::function<int()> &body) {
    termios t;
    winsize w;
    defaultterminal(t, w);
    pid_t pid = forkpty(&p.fd, nullptr, &t, &w);
    if (pid < 0) return false;
    if (pid == 0) {
        int rc = body();
        fflush(stdout);
        _exit(rc);
    }
    p.pid = pid;
    return true;
}

bool ptystart(PtyProcess &p, const std::vector<std::string> &argv, const std::vector<std::string> &env) {
    return ptyfork(p, [&]() {
        for (const std::string &e : env) putenv(strdup(e.c_str()));
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        return 127;
    });
}

bool ptyjob(PtyProcess &p, const std::function<int()> &body) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const bool started = ptyfork(p, [&]() {
        close(fds[0]);
        const pid_t job = fork();
        if (job == 0) {
            close(fds[1]);
            setpgid(0, 0);
            // A shell hands the terminal to the job; from the background that needs SIGTTOU ignored.
            signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(STDIN_FILENO, getpgrp());
            signal(SIGTTOU, SIG_DFL);
            const int rc = body();
            fflush(stdout);
            _exit(rc);
        }
        setpgid(job, job);
        const bool told = write(fds[1], &job, sizeof job) == static_cast<ssize_t>(sizeof job);
        close(fds[1]);
        int st = 0;
        for (;;) {
            const pid_t r = waitpid(job, &st, WUNTRACED);
            if (r < 0 && errno == EINTR) continue;
            if (r != job || !WIFSTOPPED(st)) break;
        }
        if (!told) return 127;
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    });
    close(fds[1]);
    const bool known = started && read(fds[0], &p.job, sizeof p.job) == static_cast<ssize_t>(sizeof p.job);
    close(fds[0]);
    return known;
}

bool ptyjobstopped(const PtyProcess &p, double seconds) {
    const double end = now() + seconds;
    for (;;) {
        // The state follows the command name in parentheses: T is stopped.
        std::ifstream stat("/proc/" + std::to_string(p.job) + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'T') return true;
        if (now() > end) return false;
        usleep(5000);
    }
}

void ptysend(PtyProcess &p, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(p.fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

bool ptyexpect(PtyProcess &p, const std::string &text, double seconds) {
    double end = now() + seconds;
    for (;;) {
        size_t at = p.output.find(text, p.mark);
        if (at != std::string::npos) {
            p.mark = at + text.size();
            return true;
        }
        double left = end - now();
        if (left <= 0) return false;
        if (!readsome(p, left < 0.2 ? left : 0.2)) {
            at = p.output.find(text, p.mark);
            if (at != std::string::npos) p.mark = at + text.size();
            return at != std::string::npos;
        }
    }
}

void ptydrain(PtyProcess &p, double seconds) {
    double end = now() + seconds;
    while (now() < end)
        if (!readsome(p, 0.05)) return;
}

int ptywait(PtyProcess &p, double seconds) {
    double end = now() + seconds;
    for (;;) {
        int st;
        pid_t r = waitpid(p.pid, &st, WNOHANG);
        if (r == p.pid) {
            p.status = st;
            ptydrain(p, 0.1);
            if (WIFEXITED(st)) return WEXITSTATUS(st);
            if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
            return -1;
        }
        if (now() > end) {
            kill(p.pid, SIGKILL);
            waitpid(p.pid, &st, 0);
            p.status = st;
            return -1;
        }
        readsome(p, 0.05);
    }
}

bool ptyattr(const PtyProcess &p, termios &t) { return tcgetattr(p.fd, &t) == 0; }

bool ptywaitraw(const PtyProcess &p, double seconds) {
    const double end = now() + seconds;
    for (;;) {
        termios t;
        if (ptyattr(p, t) && !(t.c_lflag & ECHO)) return true;
        if (now() > end) return false;
        usleep(5000);
    }
}

void ptyclose(PtyProcess &p) {
    if (p.pid > 0 && p.status == -1) {
        int st;
        if (waitpid(p.pid, &st, WNOHANG) == 0) {
            if (p.job > 0) kill(p.job, SIGKILL);  // the shell has not reaped it yet
            kill(p.pid, SIGKILL);
            waitpid(p.pid, &st, 0);
        }
        p.status = st;
    }
    if (p.fd >= 0) close(p.fd);
    p.fd = -1;
}
