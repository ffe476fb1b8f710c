// Wall time of one comparison run (both designs, three simulations, the results)
// from the user's last answer to the last result line, and of one simulation run
// of each robot under each controller with the designs of that comparison; the
// pass of a comparison standing alone, as sotoc compare and the Python module's
// compare run it (bench/python_bench.py compares the module's call with it).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "console/dialog.h"
#include "study/params.h"
#include "bench/quiet.h"
#include "records/records.h"
#include "simulation/simulation.h"
#include "settings/request.h"

namespace {

// Sets up robot `type` and gravity `gravity` with the default task; a quarter turn
// for the cylindrical robot moving horizontally, whose default half turn has no solution.
void setup(char type, char gravity) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    app.lastKey = gravity;  // straight to the run, no questions
    if (type == 'a' && gravity == 'h') {
        task.xf = 0.0;
        task.yf = 0.7;
    }
}

void comparison(benchmark::State &state, char type, char gravity) {
    quietly([&]() {
        setup(type, gravity);
        for (auto _ : state) settingsdialog();
    });
}

void simulaterun(benchmark::State &state, char type, char ctrl) {
    quietly([&]() {
        setup(type, 'h');
        settingsdialog();
    });
    app.ctrlType = ctrl;
    for (auto _ : state) benchmark::DoNotOptimize(simulate());
    if (ctrl == 'S') state.counters["tfsotoc"] = sotoc.tfsotoc[robotindex(type)];
}

// With `sensed`, the controller reads through all four sensor settings: a 2 ms
// control period (the integration step of a 4 s span), 10000-count encoders, noise
// and a 1 ms delay.
void standalone(benchmark::State &state, const char *robot, const char *motion, bool sensed,
                const std::string &file = "") {
    initialset();
    CompareOptionValues v;
    v.words[SETTINGROBOT] = robot;
    v.words[SETTINGROBOTFILE] = file;
    v.words[SETTINGMOTION] = motion;
    if (sensed) {
        v.numbers[SETTINGCONTROLPERIOD] = {0.002};
        v.numbers[SETTINGENCODERCOUNTS] = {10000.0, 10000.0};
        v.numbers[SETTINGSENSORNOISE] = {0.0001, 0.0001, 0.001, 0.001};
        v.numbers[SETTINGSENSORDELAY] = {0.001};
    }
    CompareRequest request;
    if (!requestfromoptions(v, "--", request).ok()) std::abort();
    for (auto _ : state) benchmark::DoNotOptimize(standalonepass(request));
}

BENCHMARK_CAPTURE(comparison, cylinder_horizontal_quarter_turn, 'a', 'h')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, cylinder_vertical, 'a', 'g')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, scara_horizontal, 'b', 'h')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, scara_vertical, 'b', 'g')->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(simulaterun, cylinder_toc, 'a', 'T')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, cylinder_sotoc, 'a', 'S')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, scara_toc, 'b', 'T')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulaterun, scara_sotoc, 'b', 'S')->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(standalone, cylinder_vertical, "cylindrical", "vertical", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(standalone, scara_horizontal, "scara", "horizontal", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(standalone, scara_vertical, "scara", "vertical", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(standalone, scara_horizontal_sensed, "scara", "horizontal", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(standalone, scara_vertical_sensed, "scara", "vertical", true)->Unit(benchmark::kMillisecond);
// The built-in SCARA's pass on the rigid-body equations: its masses at the elbow and
// the tip and its motors, so that the same move is designed and run; its cost beside
// the built-in arm's is that of the equations alone.
const char *const RIGIDBUILTIN = "kind = \"scara\"\nmodel = \"rigid\"\nml1 = 1\nc1x = 0.5\nIMm1 = 1e-4\n"
                                 "IMm2 = 6.4e-5\nTM1 = 0.0524645973149495\nTM2 = 0.04272566008882115\n";

// A robot file of `text` that lasts as long as the program.
std::string robotfile(const char *text) {
    char name[] = "/tmp/sotoc-bench-XXXXXX";
    const int fd = mkstemp(name);
    const size_t n = std::strlen(text);
    if (fd < 0 || write(fd, text, n) != static_cast<ssize_t>(n) || close(fd) != 0) std::abort();
    return name;
}

void rigidbuiltin(benchmark::State &state) {
    const std::string file = robotfile(RIGIDBUILTIN);
    standalone(state, "scara", "horizontal", false, file);
    unlink(file.c_str());
}

// An arm of rigid bodies with its links' masses at their centres, a tool as payload.
const std::string RIGIDSCARA = std::string(SOTOC_SOURCE) + "/examples/scara-rigid.urdf";
BENCHMARK(rigidbuiltin)->Name("standalone/rigid_builtin_scara_horizontal")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(standalone, rigid_scara_vertical, "scara", "vertical", false, RIGIDSCARA)->Unit(benchmark::kMillisecond);

}  // namespace
