// Comparisons run in forked worker processes, their result lines collected in the
// order they were asked for. Each worker starts from a copy of the records as they
// are when it is forked and leaves the caller's records untouched.
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

// One worker and its result line on the way. Written by startworker and
// collectworker; read by the caller's loop.
struct WorkerRun {
    pid_t pid;         // worker process, -1 when none was started
    int fd;            // read end of its pipe, -1 once closed
    std::string line;  // what it wrote so far; once done and not ok, why it failed
    bool done;         // the line is complete, or the failure is known
    bool ok;           // the worker wrote its line and ended well
};

// Forks a worker that writes the line work() returns (without a line end) and ends.
WorkerRun startworker(const std::function<std::string()> &work);

// A run that failed before any worker started, for `why`.
WorkerRun failedrun(const std::string &why);

// Reads what the worker wrote once its pipe is ready to read; at the pipe's end
// collects the process and marks the run done.
void collectworker(WorkerRun &w);

// Ends a running worker at once: kills it, closes its pipe and collects the
// process. The run is done and not ok.
void stopworker(WorkerRun &w);

// How a run waits for its workers' pipes: blocks until one of `fds` is ready to
// read (POLLIN asked), filling their revents; a signal may end the wait with none
// ready. Returns false when the run is to be abandoned: its workers are stopped
// (stopworker) and none starts.
using WorkerWait = std::function<bool(std::vector<pollfd> &fds)>;

// The wait of the subcommands: poll without a time limit; never abandons.
bool waitforready(std::vector<pollfd> &fds);

// Runs item(i) for i = 0..count-1, at most `jobs` at once, each in its own worker;
// prepare(i), when given, runs in this process just before item i's worker is
// forked (to set the records it starts from). deliver(i, run) gets the done runs in
// order of i as soon as a run and all before it are done. stop() is asked before
// each item starts: once it says true no item starts, the running ones are still
// delivered. When wait() abandons the run, the running workers are stopped and not
// delivered. Returns the number delivered.
int runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                 const std::function<void(int, const WorkerRun &)> &deliver, const std::function<bool()> &stop,
                 const std::function<void(int)> &prepare = nullptr, const WorkerWait &wait = waitforready);
