// Comparisons run in forked worker processes, their result lines collected in the
// order they were asked for. Each worker starts from a copy of the records as they
// are when it is forked and leaves the caller's records untouched. One scheduler
// runs them for batches, sweeps, maps and the Python module.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// Largest number of workers at once; more only crowd the machine.
constexpr int MAXJOBS = 256;

// Cores of the machine, 1..MAXJOBS: the default number of workers.
int cores();

// One worker and its result line on the way, as it is delivered.
struct WorkerRun {
    pid_t pid;         // worker process, -1 when none was started
    int fd;            // read end of its pipe, -1 once closed
    std::string line;  // what it wrote so far; once done and not ok, why it failed
    bool done;         // the line is complete, or the failure is known
    bool ok;           // the worker wrote its line and ended well
};

// How a run waits for its workers' pipes: blocks until one of `fds` is ready to
// read (POLLIN asked), filling their revents; a signal may end the wait with none
// ready. Returns false when the run is to be abandoned: its workers are killed and
// collected, and none starts.
using WorkerWait = std::function<bool(std::vector<pollfd> &fds)>;

// The wait of the subcommands: poll without a time limit; never abandons.
bool waitforready(std::vector<pollfd> &fds);

// One item of a run as its source hands it over.
struct WorkerItem {
    int index;                          // the item's number, passed to deliver
    std::function<void()> prepare;      // in this process just before its worker is forked; may be empty
    std::function<std::string()> work;  // in the worker: the item's line; empty for an item that does not run
    std::string why;                    // of an item that does not run: why, delivered as its failed run
};

// A run of workers: where its items come from and where their lines go.
struct WorkerPlan {
    int jobs;                                // workers at once at most
    std::function<bool(WorkerItem &)> take;  // the next item; false while none is at hand
    std::function<bool()> ended;             // no item follows those taken
    int input;                               // polled while a worker is free, for more items; -1 for none
    std::function<void()> read;              // reads what arrived at `input`
    std::function<void(int index, const WorkerRun &run)> deliver;  // the done runs, in the order taken
    std::function<bool()> stop;  // asked before an item is taken or started: once true, none is
    WorkerWait wait;
};

// How a run of workers ended.
struct WorkersEnd {
    int delivered;    // runs delivered
    int unstarted;    // index of the item no worker could be started for while none ran; -1 when none
    std::string why;  // why its worker could not start
    bool abandoned;   // the wait gave the run up
};

// Runs the plan's items, each in its own worker, at most `jobs` at once, and
// delivers each run as soon as it and all taken before it are done. A worker that
// cannot start for want of a file descriptor, a process or memory is tried again
// once a running worker ends. When none can start while none runs (or the system
// refuses it for another reason), that item is not delivered, no further item is
// taken, the running ones are still delivered, and the end names it. A work
// function that throws ends its worker with a failed run; the exception never
// leaves the worker's work.
WorkersEnd runworkers(const WorkerPlan &plan);

// Runs item(i) for i = 0..count-1 as runworkers does; prepare(i), when given, runs
// in this process just before item i's worker is forked (to set the records it
// starts from). deliver(i, run) gets the done runs in order of i. stop() is asked
// before each item starts: once it says true no item starts, the running ones are
// still delivered. When wait() abandons the run, the running workers are stopped
// and not delivered.
WorkersEnd runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                        const std::function<void(int, const WorkerRun &)> &deliver, const std::function<bool()> &stop,
                        const std::function<void(int)> &prepare = nullptr, const WorkerWait &wait = waitforready);

// What is said when no worker could start for `item` (such as "line 3"): "cannot
// start a worker for ITEM (WHY); it and the LATER after it did not run".
std::string unstartedtext(const std::string &item, const std::string &why, const std::string &later);
