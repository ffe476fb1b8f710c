#include "app/workers.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

#include "app/interrupt.h"

namespace {

// Bytes read from a worker at once.
constexpr size_t READCHUNK = 65536;

// One item on its way to delivery.
struct Worker {
    int item;          // index of the item
    pid_t pid;         // its process, -1 when none could start
    int fd;            // read end of its pipe, -1 once closed
    std::string line;  // what it wrote so far, or why it failed
    bool done;         // line is complete (or the failure is known)
    bool ok;           // the worker wrote its line and ended well
};

[[noreturn]] void work(const std::function<std::string(int)> &item, int i, int fd) {
    _exit(writewhole(fd, item(i)) ? 0 : 1);
}

void fail(Worker &w, const std::string &why) {
    w.line = why;
    w.done = true;
    w.ok = false;
}

Worker start(const std::function<std::string(int)> &item, int i) {
    Worker w = {i, -1, -1, "", false, true};
    int ends[2];
    if (pipe(ends) != 0) {
        fail(w, std::string("no pipe for a worker: ") + std::strerror(errno));
        return w;
    }
    w.pid = fork();
    if (w.pid == 0) {
        close(ends[0]);
        work(item, i, ends[1]);
    }
    close(ends[1]);
    if (w.pid < 0) {
        close(ends[0]);
        fail(w, std::string("no worker process: ") + std::strerror(errno));
    } else {
        w.fd = ends[0];
    }
    return w;
}

// Reads what the worker wrote; at the end of its pipe collects the process.
void collect(Worker &w) {
    char buf[READCHUNK];
    const ssize_t n = read(w.fd, buf, sizeof buf);
    if (n > 0) w.line.append(buf, static_cast<size_t>(n));
    if (n > 0 || (n < 0 && errno == EINTR)) return;
    close(w.fd);
    w.fd = -1;
    int status = 0;
    while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    w.done = true;
    if (WIFSIGNALED(status))
        fail(w, std::string("the worker ended by signal ") + strsignal(WTERMSIG(status)));
    else if (WEXITSTATUS(status) != 0 || w.line.empty())
        fail(w, "the worker ended without its result");
}

}  // namespace

int cores() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > MAXJOBS ? MAXJOBS : static_cast<int>(n);
}

int runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                 const std::function<void(int, const std::string &, bool)> &deliver,
                 const std::function<bool()> &stop) {
    std::deque<Worker> pending;  // started and not yet delivered, in item order
    int next = 0, running = 0, delivered = 0;
    if (jobs < 1) jobs = 1;
    for (;;) {
        while (running < jobs && next < count && !stop()) {
            pending.push_back(start(item, next++));
            if (pending.back().fd >= 0) ++running;
        }
        while (!pending.empty() && pending.front().done) {
            deliver(pending.front().item, pending.front().line, pending.front().ok);
            pending.pop_front();
            ++delivered;
        }
        if (pending.empty() && (next == count || stop())) return delivered;
        std::vector<pollfd> fds;
        for (const Worker &w : pending)
            if (w.fd >= 0) fds.push_back({w.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) continue;  // a signal: ask stop() again
        size_t k = 0;
        for (Worker &w : pending) {
            if (w.fd < 0 || fds[k++].revents == 0) continue;
            collect(w);
            if (w.fd < 0) --running;
        }
    }
}
