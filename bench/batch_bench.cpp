// Throughput of sotoc batch: 100 SCARA vertical comparisons with mass errors of
// -50 ... +49 %, run by one worker process at a time and by two.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "jobs/batch.h"
#include "processes/interrupt.h"
#include "study/params.h"

namespace {

constexpr int LINES = 100;

// An unlinked temporary file with the input lines.
int inputfile() {
    std::string text;
    for (int e = -50; e < -50 + LINES; ++e)
        text += "{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":" + std::to_string(e) + "}\n";
    char name[] = "/tmp/sotoc-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    unlink(name);
    return fd;
}

// Processor time of the ended worker processes so far [s].
double workertime() {
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

void batchthroughput(benchmark::State &state) {
    initialset();
    const int in = inputfile();
    const int null = open("/dev/null", O_WRONLY);
    const BatchOutput out{[null](const std::string &answer) { return writeresults(null, answer + "\n"); },
                          [](const std::string &) {}};
    int status = 0;
    const double before = workertime();
    for (auto _ : state) {
        lseek(in, 0, SEEK_SET);
        status |= runbatch(in, out, static_cast<int>(state.range(0))).status;
    }
    close(in);
    close(null);
    if (status != 0) state.SkipWithError("a line did not run");
    state.counters["comparisons/s"] = benchmark::Counter(LINES, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["worker_cpu_s/comparison"] = (workertime() - before) / (LINES * state.iterations());
}

BENCHMARK(batchthroughput)->ArgName("jobs")->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
