// Wall time of the 101-point SCARA vertical sweep -50:50:1 (default settings), by
// one worker process at a time and by two; the lines go to /dev/null.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "study/params.h"
#include "commands/sweepcmd.h"

namespace {

void sweepwall(benchmark::State &state) {
    initialset();
    SweepJob job{};
    CompareOptionValues values;
    values.words[SETTINGROBOT] = "scara";
    values.words[SETTINGMOTION] = "vertical";
    if (!requestfromoptions(values, "--", job.request).ok()) std::abort();
    if (!readgrid("-50:50:1", job.grid).ok()) std::abort();
    job.shard = Shard{0, 1};
    job.jobs = static_cast<int>(state.range(0));
    const int out = open("/dev/null", O_WRONLY);
    int status = 0;
    for (auto _ : state) status |= runsweep(job, out, nullptr).status;
    close(out);
    if (status != 0) state.SkipWithError("the sweep failed");
}

BENCHMARK(sweepwall)->ArgName("jobs")->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
