#include "workers/workers.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

#include "workers/interrupt.h"

namespace {

// Bytes read from a worker at once.
constexpr size_t READCHUNK = 65536;

// One item of runinworkers on its way to delivery.
struct Item {
    int index;      // i of item(i)
    WorkerRun run;  // its worker
};

// In a worker: closes every file descriptor but the standard ones and `fd`, its
// pipe. The caller's other pipes and files are none of its business, and a worker
// forked when the caller had none to spare gets some back.
void keeponly(int fd) {
    close_range(STDERR_FILENO + 1, fd - 1, 0);
    close_range(fd + 1, ~0U, 0);
}

}  // namespace

int cores() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > MAXJOBS ? MAXJOBS : static_cast<int>(n);
}

WorkerRun failedrun(const std::string &why) { return WorkerRun{-1, -1, why, true, false}; }

WorkerRun startworker(const std::function<std::string()> &work) {
    int ends[2];
    if (pipe(ends) != 0) return failedrun(std::string("no pipe for a worker: ") + std::strerror(errno));
    const pid_t pid = fork();
    if (pid == 0) {
        keeponly(ends[1]);
        _exit(writewhole(ends[1], work()) ? 0 : 1);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return failedrun(std::string("no worker process: ") + std::strerror(errno));
    }
    return WorkerRun{pid, ends[0], "", false, true};
}

void collectworker(WorkerRun &w) {
    char buf[READCHUNK];
    const ssize_t n = read(w.fd, buf, sizeof buf);
    if (n > 0) w.line.append(buf, static_cast<size_t>(n));
    if (n > 0 || (n < 0 && errno == EINTR)) return;
    close(w.fd);
    w.fd = -1;
    int status = 0;
    while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        w = failedrun(std::string("the comparison ended by signal ") + strsignal(WTERMSIG(status)));
    else if (WEXITSTATUS(status) != 0 || w.line.empty())
        w = failedrun("the comparison ended without a result");
    w.done = true;
}

void stopworker(WorkerRun &w) {
    if (w.fd >= 0) {
        kill(w.pid, SIGKILL);
        close(w.fd);
        while (waitpid(w.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    w = failedrun("the comparison was stopped");
}

bool waitforready(std::vector<pollfd> &fds) {
    if (poll(fds.data(), fds.size(), -1) < 0)
        for (pollfd &p : fds) p.revents = 0;  // a signal: nothing read
    return true;
}

int runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                 const std::function<void(int, const WorkerRun &)> &deliver, const std::function<bool()> &stop,
                 const std::function<void(int)> &prepare, const WorkerWait &wait) {
    std::deque<Item> pending;  // started and not yet delivered, in item order
    int next = 0, running = 0, delivered = 0;
    if (jobs < 1) jobs = 1;
    for (;;) {
        while (running < jobs && next < count && !stop()) {
            const int i = next++;
            if (prepare) prepare(i);
            pending.push_back({i, startworker([&item, i] { return item(i); })});
            if (pending.back().run.fd >= 0) ++running;
        }
        for (; !pending.empty() && pending.front().run.done; ++delivered) {
            deliver(pending.front().index, pending.front().run);
            pending.pop_front();
        }
        if (pending.empty() && (next == count || stop())) return delivered;
        std::vector<pollfd> fds;
        for (const Item &p : pending)
            if (p.run.fd >= 0) fds.push_back({p.run.fd, POLLIN, 0});
        if (!wait(fds)) {
            for (Item &p : pending) stopworker(p.run);
            return delivered;
        }
        size_t k = 0;
        for (Item &p : pending) {
            if (p.run.fd < 0 || fds[k++].revents == 0) continue;
            collectworker(p.run);
            if (p.run.fd < 0) --running;
        }
    }
}
