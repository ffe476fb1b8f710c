// A run of result lines, one per point of a sweep or a map: each point made in a
// worker process, the lines written in point order, a progress report, and an end
// between whole lines on Ctrl-C or SIGTERM.
#pragma once

#include <functional>
#include <string>

#include "records/outcome.h"

// The progress report of a run: shown as points are done, taken away before a
// line is written (the lines may go to the same terminal).
struct Progress {
    void (*show)(int done, int total, double secondsleft);  // secondsleft negative while unknown
    void (*clear)();
};

// One run. Written by the subcommand; read by runresults.
struct ResultRun {
    const char *command;  // the subcommand in messages on standard error, such as "sotoc sweep"
    int count;            // points of the run
    int jobs;             // points made at once, each in a worker process
    int out;              // file descriptor the lines are written to
    std::function<void(int)> prepare;           // in this process before point k's worker is forked; may be empty
    std::function<std::string(int)> line;       // in the worker: point k's line, without its end
    std::function<std::string(int)> pointname;  // point k in a failure message, such as "mass error 5 %"
    Progress progress;
    std::function<void(const std::string &)> written;  // each line, without its end, once written; may be empty
};

// Makes the run's points and writes their lines to run.out in point order, each as
// soon as it and those before it are done, and hands each to run.written; keeps none.
// A point whose worker fails is said on standard error with its name and starts no
// further point, as does a stop signal (catchstopsignals); the points running are
// still written. A point waits for a worker while others run (runworkers); when
// none can start, that is said once. Fails, everything said already, with the stop
// status (130 or 143), or with 1 when a point failed, no worker could start or the
// output could not be written (said once; 1 then also when stopped, as lines are
// missing).
Outcome runresults(const ResultRun &run);
