// Drawing one complete picture at the last frame (every trail, dot and curve
// segment; the heaviest) after a real comparison run, on whatever X display DISPLAY names, e.g.
//   xvfb-run -a build/bench/sotoc_bench --benchmark_filter=drawpicture
// Also counts the vertices the picture hands to OpenGL. And the time to render the
// whole animation of one comparison as a GIF file.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include "study/comparison.h"
#include "console/dialog.h"
#include "study/params.h"
#include "offscreen/render.h"
#include "bench/quiet.h"
#include "records/records.h"
#include "window/window.h"

namespace {

long vertices = 0;  // glVertex2d and glVertex2f calls since the last reset

// The window opens once per process; false when there is no X display to open it on.
bool windowready() {
    static const bool ready = [] {
        Display *dpy = XOpenDisplay(nullptr);
        if (dpy == nullptr) return false;
        XCloseDisplay(dpy);
        static char name[] = "sotoc_bench";
        static char *argv[] = {name, nullptr};
        int argc = 1;
        createwindow(&argc, argv, settingsdialog, nullptr);
        initialset();
        return true;
    }();
    return ready;
}

// A comparison run of the robot, entered as after a gravity key: no question asked.
void compare(char type, char sgnG) {
    app.type = type;
    app.sgnG = sgnG;
    app.lastKey = sgnG;
    quietly(settingsdialog);
}

// The picture at the last frame, or at the first (`first`: the part of the cost that
// does not grow with the animation: clearing, fills, texts, axes and showing it).
void drawpicture(benchmark::State &state, char type, char sgnG, bool first) {
    if (!windowready()) {
        state.SkipWithError("needs an X display");
        return;
    }
    compare(type, sgnG);
    app.frame = first ? 0 : task.nStep;
    vertices = 0;
    display();
    glFinish();
    state.counters["vertices"] = static_cast<double>(vertices);
    for (auto _ : state) {
        display();
        glFinish();
    }
}

BENCHMARK_CAPTURE(drawpicture, cylinder, 'a', 'g', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(drawpicture, scara, 'b', 'h', false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(drawpicture, scara_first_frame, 'b', 'h', true)->Unit(benchmark::kMillisecond);

// The animation `sotoc render --gif` makes of the default SCARA comparison with
// gravity: all 201 rows at 800 x 800 (drawing, reading back and encoding). Needs no
// display: without one it starts its own X server, included in the time.
void rendergifall(benchmark::State &state) {
    initialset();
    app.type = ROBOTSCARA;
    app.sgnG = MOTIONVERTICAL;
    ComparisonSettings s = currentsettings();
    s.tfNomBasis = standalonebasis(s);
    comparisonpass(s);
    char folder[] = "/tmp/sotoc-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/motion.gif";
    for (auto _ : state)
        if (!rendergif(path.c_str(), 1, realdelay(1), 800, 800, "800x800").ok()) state.SkipWithError("not rendered");
    state.counters["frames"] = task.nStep + 1;
    std::remove(path.c_str());
    rmdir(folder);
}

BENCHMARK(rendergifall)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

// Count the vertices the drawing code passes, then hand them to OpenGL's own entries.
template <class Entry>
Entry glentry(const char *name) {
    return reinterpret_cast<Entry>(dlsym(RTLD_NEXT, name));
}

extern "C" void glVertex2d(GLdouble x, GLdouble y) {
    static const auto gl = glentry<void (*)(GLdouble, GLdouble)>("glVertex2d");
    ++vertices;
    gl(x, y);
}

extern "C" void glVertex2f(GLfloat x, GLfloat y) {
    static const auto gl = glentry<void (*)(GLfloat, GLfloat)>("glVertex2f");
    ++vertices;
    gl(x, y);
}
