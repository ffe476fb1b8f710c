// One simulation run of each robot under each controller, with the start-up
// parameters and a switching design of the usual joint-1-once, joint-2-twice kind.
#include <benchmark/benchmark.h>

#include "app/params.h"
#include "app/state.h"
#include "model/control.h"
#include "model/simulation.h"

namespace {

// Start-up parameters of the robot, its sample period chosen as the comparison
// run chooses it, switching times at quarters of its nominal PTP time, and as
// switching states the states a clock-driven run passes at those times. This
// design does not end at the task's goal, so the goal is moved to where it ends.
void preparerobot(char type) {
    static const bool installed = (initialset(), true);
    (void)installed;
    app.type = type;
    app.sgnG = 'h';
    derivesettings();
    task.dt = (task.tfNom > 4.0 ? 8.0 : 4.0) / task.nStep;
    RobotParams &p = robotparams(type);
    const double s1 = p.phif[0] > p.phi0[0] ? 1.0 : -1.0;
    const double s2 = p.phif[1] > p.phi0[1] ? 1.0 : -1.0;
    const double tf = task.tfNom;
    ControlTables &c = controltables(type);
    c = ControlTables{{0.25 * tf, 0.5 * tf, 0.75 * tf, tf},
                      {{s1, s2}, {s1, -s2}, {-s1, -s2}, {-s1, s2}},
                      {},
                      {}};
    app.ctrlType = 'T';
    simulate();
    const RunLog &w = robotruns(type).work;
    for (int k = 0; k < 4; ++k) {
        const int i = static_cast<int>(c.ts[k] / task.dt + 0.5);
        for (int j = 0; j < 2; ++j) {
            c.swRefPos[k][j] = w.fi[i][j];
            c.swRefVel[k][j] = (w.fi[i + 1][j] - w.fi[i - 1][j]) / (2.0 * task.dt);
        }
    }
    for (int j = 0; j < 2; ++j) {
        p.phif[j] = c.swRefPos[3][j];
        c.swRefVel[3][j] = 0.0;
    }
}

void simulaterun(benchmark::State &state, char type, char ctrl) {
    preparerobot(type);
    app.ctrlType = ctrl;
    for (auto _ : state) benchmark::DoNotOptimize(simulate());
    if (ctrl == 'S') state.counters["tfsotoc"] = sotoc.tfsotoc[robotindex(type)];
}

BENCHMARK_CAPTURE(simulaterun, cylinder_toc, 'a', 'T')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, cylinder_sotoc, 'a', 'S')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, scara_toc, 'b', 'T')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, scara_sotoc, 'b', 'S')->Unit(benchmark::kMillisecond);

}  // namespace
