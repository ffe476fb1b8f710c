// Cost of one point of a mass-error sweep: the design with the erroneous masses,
// warm-started from the error-free design (which a sweep makes once), and the TOC
// and SOTOC runs of that design on the nominal plant. The argument is the mass
// error in percent; itneg/itpos are the Newton updates of the two trials.
#include <benchmark/benchmark.h>

#include "study/params.h"
#include "records/records.h"
#include "simulation/simulation.h"
#include "design/design.h"
#include "design/designparts.h"

namespace {

void usemasses(double mw, double m1) {
    task.mw = mw;
    scara.m1 = m1;
    derivesettings();
}

// The default move of robot `type`, or the quarter turn for the cylindrical robot
// moving horizontally (its default half turn has no solution); error-free design.
// The runs keep the start-up sample period (4 s), which all four moves fit in.
bool nominaldesign(char type, char gravity, double ts[4]) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    if (type == 'a' && gravity == 'h') {
        task.xf = 0.0;
        task.yf = 0.7;
    }
    derivesettings();
    app.designErr = 'n';
    if (designswitching() != 1) return false;
    for (int k = 0; k < 4; ++k) ts[k] = controltables(type).ts[k];
    return true;
}

// One point: the design with mass error from the error-free times, the switching
// states SOTOC watches, and both runs on the nominal plant.
int sweeppoint(const double nominal[4]) {
    ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) c.ts[k] = nominal[k];
    usemasses(task.mwErr, scara.m1Err);
    app.designErr = 'm';
    const int solved = designswitching();
    if (solved) {
        const RobotParams &p = robotparams(app.type);
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 2; ++j) {
                c.swRefPos[k][j] = k < 3 ? designs.segpos[k][j] : p.phif[j];
                c.swRefVel[k][j] = k < 3 ? designs.segvel[k][j] : 0.0;
            }
    }
    usemasses(task.mwNom, scara.m1Nom);
    if (!solved) return 0;
    for (char ctrl : {'T', 'S'}) {
        app.ctrlType = ctrl;
        simulate();
    }
    return 1;
}

void point(benchmark::State &state, char type, char gravity) {
    double nominal[4];
    if (!nominaldesign(type, gravity, nominal)) {
        state.SkipWithError("no error-free design");
        return;
    }
    task.errRatio = state.range(0) / 100.0;
    seterrormasses();
    for (auto _ : state) benchmark::DoNotOptimize(sweeppoint(nominal));
    static DesignTrial trials[2];
    ControlTables &c = controltables(type);
    for (int k = 0; k < 4; ++k) c.ts[k] = nominal[k];
    usemasses(task.mwErr, scara.m1Err);
    designtrials(trials);
    state.counters["itneg"] = trials[0].iterations;
    state.counters["itpos"] = trials[1].iterations;
}

BENCHMARK_CAPTURE(point, scara_vertical, 'b', 'g')->Arg(-50)->Arg(-20)->Arg(1)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(point, scara_horizontal, 'b', 'h')->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(point, cylinder_vertical, 'a', 'g')->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(point, cylinder_horizontal_quarter_turn, 'a', 'h')->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
