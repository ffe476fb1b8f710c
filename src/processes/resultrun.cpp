#include "processes/resultrun.h"

#include <chrono>
#include <cstdio>

#include "processes/interrupt.h"
#include "processes/workers.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds left when `done` of `total` points took `elapsed` seconds; -1 before the first.
double timeleft(int done, int total, double elapsed) {
    return done > 0 ? elapsed / done * (total - done) : -1.0;
}

}  // namespace

Outcome runresults(const ResultRun &run) {
    const Clock::time_point start = Clock::now();
    int done = 0;
    bool failed = false, unwritable = false;  // a point failed; the output failed (said once)
    run.progress.show(0, run.count, -1.0);
    const WorkersEnd end = runinworkers(
        run.count, run.jobs, run.line,
        [&](int k, const WorkerRun &w) {
            run.progress.clear();
            if (!w.ok) {
                std::fprintf(stderr, "%s: %s: %s\n", run.command, run.pointname(k).c_str(), w.line.c_str());
                failed = true;
            } else if (!unwritable) {
                const Outcome written = writeresults(run.out, w.line + "\n");
                if (written.ok()) {
                    if (run.written) run.written(w.line);
                } else {
                    std::fprintf(stderr, "%s: %s\n", run.command, written.message.c_str());
                    unwritable = failed = true;
                }
            }
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            ++done;
            run.progress.show(done, run.count, timeleft(done, run.count, elapsed));
        },
        [&] { return failed || stoprequested() != 0; }, run.prepare);
    run.progress.clear();
    if (end.unstarted >= 0) {
        const std::string why = unstartedtext(run.pointname(end.unstarted), end.why, "points");
        std::fprintf(stderr, "%s: %s\n", run.command, why.c_str());
        return failure("");
    }
    if (unwritable) return failure("");
    if (stoprequested() != 0) return failure("", stopstatus());
    return failed ? failure("") : succeeded();
}
