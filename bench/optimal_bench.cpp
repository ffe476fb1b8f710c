// Cost of the minimum-time motion of each robot's default move, warm-started from its
// design, both motions. The counters give IPOPT's iterations over all meshes and the
// last mesh's intervals.
#include <benchmark/benchmark.h>

#include "design/design.h"
#include "optimal/optimal.h"
#include "records/records.h"
#include "study/params.h"

namespace {

void optimalmove(benchmark::State &state, char type, char gravity) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    app.designErr = DESIGNNOMINAL;
    derivesettings();
    OptimalProblem p;
    optimalproblem(type, designswitching() == 1, p);
    OptimalSolution sol;
    for (auto _ : state) solveoptimal(p, OPTIMALDEFAULTS, sol);
    state.counters["iterations"] = sol.iterations;
    state.counters["intervals"] = sol.N;
}

BENCHMARK_CAPTURE(optimalmove, scaraVertical, ROBOTSCARA, MOTIONVERTICAL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(optimalmove, scaraHorizontal, ROBOTSCARA, MOTIONHORIZONTAL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(optimalmove, cylindricalVertical, ROBOTCYL, MOTIONVERTICAL)->Unit(benchmark::kMillisecond);

}  // namespace
