#include "processes/workers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

#include "processes/interrupt.h"

namespace {

// Bytes read from a worker at once.
constexpr size_t READCHUNK = 65536;

// Exit statuses of a worker: its line written; its line could not be written; its
// work ended by an exception (nothing written).
constexpr int WORKERDONE = 0;
constexpr int WORKERUNWRITTEN = 1;
constexpr int WORKERTHREW = 2;

// One item taken and not yet delivered.
struct Pending {
    WorkerItem item;
    WorkerRun run;  // its worker; for an item that does not run, why
    bool waiting;   // no worker could be started for it yet
};

// A run under way. Written by the steps of runworkers.
struct Schedule {
    const WorkerPlan &plan;
    int jobs;                     // workers at once at most, at least 1
    std::deque<Pending> pending;  // items taken and not yet delivered, in the order taken
    int running;                  // workers running
    bool starting;                // workers may still start: none failed to while none ran
    WorkersEnd end;
};

// In a worker: closes every file descriptor but the standard ones and `fd`, its
// pipe. The caller's other pipes and files are none of its business, and a worker
// forked when the caller had none to spare gets some back.
void keeponly(int fd) {
    close_range(STDERR_FILENO + 1, fd - 1, 0);
    close_range(fd + 1, ~0U, 0);
}

// In a worker: writes the line of `work` to fd; returns the worker's exit status.
// Whatever the work throws ends here, so that the worker never goes on as a copy
// of the caller.
int workerstatus(int fd, const std::function<std::string()> &work) {
    try {
        return writewhole(fd, work()) ? WORKERDONE : WORKERUNWRITTEN;
    } catch (...) {
        return WORKERTHREW;
    }
}

WorkerRun failedrun(const std::string &why) { return WorkerRun{-1, -1, why, true, false}; }

// Whether a worker that could not start for errno `e` may start once another ends:
// a file descriptor, a process or memory is wanting.
bool mayfree(int e) { return e == EMFILE || e == ENFILE || e == EAGAIN || e == ENOMEM; }

// Forks a worker that writes the line work() returns (without a line end) into `w`.
// Returns 0, or the errno why it could not start (`w` then failed, saying why).
int startworker(const std::function<std::string()> &work, WorkerRun &w) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        const int e = errno;
        w = failedrun(std::string("no pipe for a worker: ") + std::strerror(e));
        return e;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        keeponly(ends[1]);
        _exit(workerstatus(ends[1], work));
    }
    const int e = errno;
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        w = failedrun(std::string("no worker process: ") + std::strerror(e));
        return e;
    }
    w = WorkerRun{pid, ends[0], "", false, true};
    return 0;
}

// Waits for the ended process `pid`, also when a signal interrupts the wait; its status.
int reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Reads what the worker wrote once its pipe is ready to read; at the pipe's end
// collects the process and marks the run done.
void collectworker(WorkerRun &w) {
    char buf[READCHUNK];
    const ssize_t n = read(w.fd, buf, sizeof buf);
    if (n > 0) w.line.append(buf, static_cast<size_t>(n));
    if (n > 0 || (n < 0 && errno == EINTR)) return;
    close(w.fd);
    w.fd = -1;
    const int status = reap(w.pid);
    if (WIFSIGNALED(status))
        w = failedrun(std::string("the comparison ended by signal ") + strsignal(WTERMSIG(status)));
    else if (WEXITSTATUS(status) == WORKERTHREW)
        w = failedrun("the comparison failed: an exception ended its worker");
    else if (WEXITSTATUS(status) != WORKERDONE || w.line.empty())
        w = failedrun("the comparison ended without a result");
    w.done = true;
}

// Ends a running worker at once: kills it, closes its pipe and collects the
// process. The run is done and not ok.
void stopworker(WorkerRun &w) {
    if (w.fd >= 0) {
        kill(w.pid, SIGKILL);
        close(w.fd);
        reap(w.pid);
    }
    w = failedrun("the comparison was stopped");
}

// Whether the last item taken waits for a worker: no further item is taken then.
bool waitingitem(const Schedule &s) { return !s.pending.empty() && s.pending.back().waiting; }

// Starts the worker of the last item taken. One that cannot start waits while
// another runs that may free what it lacks; otherwise the item is dropped and the
// run starts no further worker.
void trystart(Schedule &s) {
    Pending &p = s.pending.back();
    if (p.item.prepare) p.item.prepare();
    const int e = startworker(p.item.work, p.run);
    if (e == 0) {
        p.waiting = false;
        ++s.running;
    } else if (!mayfree(e) || s.running == 0) {
        s.end.unstarted = p.item.index;
        s.end.why = p.run.line;
        s.starting = false;
        s.pending.pop_back();
    }
}

// Takes items and starts their workers while a worker is free; items that do not
// run are settled at once. After a stop an item still waiting is dropped.
void startitems(Schedule &s) {
    while (s.starting && s.running < s.jobs) {
        if (s.plan.stop()) {
            if (waitingitem(s)) s.pending.pop_back();
            return;
        }
        if (!waitingitem(s)) {
            WorkerItem item;
            if (!s.plan.take(item)) return;
            const bool runs = static_cast<bool>(item.work);
            const WorkerRun run = runs ? WorkerRun{-1, -1, "", false, false} : failedrun(item.why);
            s.pending.push_back({item, run, runs});
            if (!runs) continue;
        }
        trystart(s);
        if (waitingitem(s)) return;
    }
}

// Delivers the done runs at the front, in the order taken.
void deliverdone(Schedule &s) {
    for (; !s.pending.empty() && s.pending.front().run.done; ++s.end.delivered) {
        s.plan.deliver(s.pending.front().item.index, s.pending.front().run);
        s.pending.pop_front();
    }
}

// Waits for the running workers, and for input while a worker is free; takes what
// arrived. False when the wait abandoned the run: its workers are stopped.
bool waitforwork(Schedule &s) {
    std::vector<pollfd> fds;
    const bool wantinput = s.plan.input >= 0 && s.starting && s.running < s.jobs && !waitingitem(s) &&
                           !s.plan.stop() && !s.plan.ended();
    if (wantinput) fds.push_back({s.plan.input, POLLIN, 0});
    for (const Pending &p : s.pending)
        if (p.run.fd >= 0) fds.push_back({p.run.fd, POLLIN, 0});
    if (!s.plan.wait(fds)) {
        for (Pending &p : s.pending) stopworker(p.run);
        s.pending.clear();
        return false;
    }
    size_t k = 0;
    if (wantinput && fds[k++].revents != 0) s.plan.read();
    for (Pending &p : s.pending) {
        if (p.run.fd < 0 || fds[k++].revents == 0) continue;
        collectworker(p.run);
        if (p.run.fd < 0) --s.running;
    }
    return true;
}

}  // namespace

int cores() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > MAXJOBS ? MAXJOBS : static_cast<int>(n);
}

bool waitforready(std::vector<pollfd> &fds) {
    if (poll(fds.data(), fds.size(), -1) < 0)
        for (pollfd &p : fds) p.revents = 0;  // a signal: nothing read
    return true;
}

WorkersEnd runworkers(const WorkerPlan &plan) {
    Schedule s{plan, plan.jobs < 1 ? 1 : plan.jobs, {}, 0, true, WorkersEnd{0, -1, "", false}};
    for (;;) {
        startitems(s);
        deliverdone(s);
        if (s.pending.empty() && (!s.starting || plan.stop() || plan.ended())) return s.end;
        if (!waitforwork(s)) {
            s.end.abandoned = true;
            return s.end;
        }
    }
}

WorkersEnd runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                        const std::function<void(int, const WorkerRun &)> &deliver, const std::function<bool()> &stop,
                        const std::function<void(int)> &prepare, const WorkerWait &wait) {
    int next = 0;
    const auto take = [&](WorkerItem &w) {
        if (next == count) return false;
        const int i = next++;
        w = WorkerItem{i, nullptr, [&item, i] { return item(i); }, ""};
        if (prepare) w.prepare = [&prepare, i] { prepare(i); };
        return true;
    };
    const WorkerPlan plan{jobs, take, [&] { return next == count; }, -1, nullptr, deliver, stop, wait};
    return runworkers(plan);
}

std::string unstartedtext(const std::string &item, const std::string &why, const std::string &later) {
    return "cannot start a worker for " + item + " (" + why + "); it and the " + later + " after it did not run";
}
