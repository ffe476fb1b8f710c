// Cost of one switching-time design, cold (nominal masses, own guess) and warm
// (erroneous masses, from the nominal design's times), for both robots with and
// without gravity. The counters give the Newton updates of the trial with joint 2
// starting negative (itneg) and positive (itpos); 400 means it ran out of updates.
#include <benchmark/benchmark.h>

#include "study/params.h"
#include "records/records.h"
#include "design/design.h"
#include "design/designparts.h"

namespace {

// The default move, or the quarter turn for the cylindrical robot in the horizontal
// plane, whose default move has no accepted bang-bang solution.
void prepare(char type, char gravity, bool quarterturn) {
    static const bool installed = (initialset(), true);
    (void)installed;
    app.type = type;
    app.sgnG = gravity;
    task.x0 = 0.7;
    task.y0 = 0.0;
    task.xf = quarterturn ? 0.0 : -0.3;
    task.yf = quarterturn ? 0.7 : 0.4;
    task.mw = task.mwNom;
    scara.m1 = scara.m1Nom;
    derivesettings();
    app.designErr = 'n';
}

void reportiterations(benchmark::State &state) {
    static DesignTrial trials[2];
    designtrials(trials);
    state.counters["itneg"] = trials[0].iterations;
    state.counters["itpos"] = trials[1].iterations;
}

void colddesign(benchmark::State &state, char type, char gravity, bool quarterturn) {
    prepare(type, gravity, quarterturn);
    for (auto _ : state) benchmark::DoNotOptimize(designswitching());
    reportiterations(state);
}

void warmdesign(benchmark::State &state, char type, char gravity, bool quarterturn) {
    prepare(type, gravity, quarterturn);
    if (designswitching() != 1) {
        state.SkipWithError("no nominal design to start from");
        return;
    }
    ControlTables &tables = controltables(type);
    double nominal[4];
    for (int k = 0; k < 4; ++k) nominal[k] = tables.ts[k];
    task.mw = task.mwErr;
    scara.m1 = scara.m1Err;
    derivesettings();
    app.designErr = 'm';
    for (auto _ : state) {
        for (int k = 0; k < 4; ++k) tables.ts[k] = nominal[k];
        benchmark::DoNotOptimize(designswitching());
    }
    for (int k = 0; k < 4; ++k) tables.ts[k] = nominal[k];
    reportiterations(state);
}

BENCHMARK_CAPTURE(colddesign, cylinder_horizontal_default_nosolution, 'a', 'h', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(colddesign, cylinder_horizontal_quarterturn, 'a', 'h', true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(warmdesign, cylinder_horizontal_quarterturn, 'a', 'h', true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(colddesign, cylinder_gravity, 'a', 'g', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(warmdesign, cylinder_gravity, 'a', 'g', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(colddesign, scara_horizontal, 'b', 'h', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(warmdesign, scara_horizontal, 'b', 'h', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(colddesign, scara_gravity, 'b', 'g', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(warmdesign, scara_gravity, 'b', 'g', false)->Unit(benchmark::kMillisecond);

}  // namespace
