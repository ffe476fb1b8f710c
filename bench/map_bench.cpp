// CPU per point of a 21 x 21 SCARA vertical map against a single comparison of the
// same settings. The mass error along x: each row shares its error-free half;
// along y: each column does; no error axis: every point runs whole, as sotoc
// compare does. The map's CPU counts this process and its workers; a single
// comparison is the work of sotoc compare --json after its start-up (initialset,
// the pass, the JSON text), in this process. Counters in seconds of CPU.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "commands/mapcmd.h"
#include "formats/resultjson.h"
#include "study/params.h"

namespace {

// CPU time [s] of this process and of the workers it has waited for.
double cpuseconds() {
    double total = 0.0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u;
        getrusage(who, &u);
        total += u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
    }
    return total;
}

MapJob scaravertical(const char *x, const char *y) {
    initialset();
    MapJob job{};
    CompareOptionValues values;
    values.words[SETTINGROBOT] = "scara";
    values.words[SETTINGMOTION] = "vertical";
    if (!requestwithoutreach(values, "--", job.request).ok() || !parseaxis(x, job.grid.x).ok() ||
        !parseaxis(y, job.grid.y).ok())
        std::abort();
    job.shard = Shard{0, 1};
    job.jobs = 2;
    return job;
}

// CPU [s] of single comparisons of every point's settings, one after another.
double comparecpu(const MapJob &job) {
    const double start = cpuseconds();
    for (int j = 0; j < axiscount(job.grid.y); ++j)
        for (int i = 0; i < axiscount(job.grid.x); ++i) {
            initialset();
            const CompareRequest r = mappoint(job.grid, job.request, i, j);
            benchmark::DoNotOptimize(resultjson(r, standalonepass(r)).dump());
        }
    return cpuseconds() - start;
}

void mapcpu(benchmark::State &state, const char *x, const char *y) {
    const MapJob job = scaravertical(x, y);
    const int out = open("/dev/null", O_WRONLY);
    int status = 0;
    double cpu = 0.0;
    for (auto _ : state) {
        const double start = cpuseconds();
        status |= runmap(job, out, nullptr).status;
        cpu = cpuseconds() - start;
    }
    close(out);
    if (status != 0) state.SkipWithError("the map failed");
    const double points = mapcount(job.grid);
    const double single = comparecpu(job) / points;
    state.counters["points"] = points;
    state.counters["cpu_per_point"] = cpu / points;
    state.counters["compare_cpu"] = single;
    state.counters["point_over_compare"] = cpu / points / single;
}

BENCHMARK_CAPTURE(mapcpu, error_x_rows_share, "error=-10:10:1", "end-x=-0.5:0.5:0.05")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(mapcpu, error_y_columns_share, "end-x=-0.5:0.5:0.05", "error=-10:10:1")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(mapcpu, no_error_axis_whole_points, "end-x=-0.5:0.5:0.05", "end-y=0.2:0.6:0.02")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
