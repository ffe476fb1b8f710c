#include "processes/interrupt.h"

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

sigset_t blocksignals(const int *signals, size_t n) {
    sigset_t block, before;
    sigemptyset(&block);
    for (size_t k = 0; k < n; ++k) sigaddset(&block, signals[k]);
    sigprocmask(SIG_BLOCK, &block, &before);
    return before;
}

int stoprequested() { return stopsignal; }

int stopstatus() { return SIGNALSTATUS + stopsignal; }

bool writewhole(int fd, const std::string &line) { return writewhole(fd, line.data(), line.size()); }

bool writewhole(int fd, const void *bytes, size_t n) {
    const char *p = static_cast<const char *>(bytes);
    while (n > 0) {
        const ssize_t written = write(fd, p, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        p += written;
        n -= static_cast<size_t>(written);
    }
    return true;
}

Outcome writeresults(int fd, const std::string &text) {
    if (writewhole(fd, text)) return succeeded();
    return failure(std::string("cannot write the results: ") + std::strerror(errno));
}

Outcome writableoutput(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY) return succeeded();
    if (flags >= 0) errno = EBADF;
    return failure(std::string("cannot write the results: ") + std::strerror(errno));
}
