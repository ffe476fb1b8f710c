#include "app/interrupt.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// Offset of the exit status of a process ended by a signal, as the shell reports it.
constexpr int SIGNALSTATUS = 128;

volatile sig_atomic_t stopsignal = 0;  // written by the handler, read by the run

void onstop(int sig) { stopsignal = sig; }

// Says on standard error that the results of `command` cannot be written, for errno.
bool writefailed(const char *command) {
    std::fprintf(stderr, "%s: cannot write the results: %s\n", command, std::strerror(errno));
    return false;
}

}  // namespace

void catchstopsignals() {
    stopsignal = 0;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onstop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM}) sigaction(sig, &sa, nullptr);
}

int stoprequested() { return stopsignal; }

int stopstatus() { return SIGNALSTATUS + stopsignal; }

bool writewhole(int fd, const std::string &line) {
    const char *p = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool writeresults(int fd, const std::string &lines, const char *command) {
    return writewhole(fd, lines) || writefailed(command);
}

bool outputopen(int fd, const char *command) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return writefailed(command);
    if ((flags & O_ACCMODE) != O_RDONLY) return true;
    errno = EBADF;
    return writefailed(command);
}
