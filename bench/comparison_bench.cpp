// Wall time of one comparison run (both designs, three simulations, the results)
// from the user's last answer to the last result line.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "app/dialog.h"
#include "app/params.h"
#include "app/state.h"

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
    // The console output goes to /dev/null while timing.
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    setup(type, gravity);
    for (auto _ : state) settingsdialog();
    dup2(saved, STDOUT_FILENO);
    close(null);
    close(saved);
}

BENCHMARK_CAPTURE(comparison, cylinder_horizontal_quarter_turn, 'a', 'h')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, cylinder_vertical, 'a', 'g')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, scara_horizontal, 'b', 'h')->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(comparison, scara_vertical, 'b', 'g')->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
