// Drawing one complete picture at the last frame (every trail, dot and curve
// segment; the heaviest) after a real comparison run, on whatever X display DISPLAY names, e.g.
//   xvfb-run -a build/bench/sotoc_bench --benchmark_filter=drawpicture
// Also counts the vertices the picture hands to OpenGL.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include "app/dialog.h"
#include "app/params.h"
#include "bench/quiet.h"
#include "core/records.h"
#include "view/window.h"

namespace {

long vertices = 0;  // glVertex2d calls since the last reset

// The window opens once per process; false when there is no X display to open it on.
bool windowready() {
    static const bool ready = [] {
        Display *dpy = XOpenDisplay(nullptr);
        if (dpy == nullptr) return false;
        XCloseDisplay(dpy);
        static char name[] = "sotoc_bench";
        static char *argv[] = {name, nullptr};
        int argc = 1;
        createwindow(&argc, argv, settingsdialog);
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

}  // namespace

// Counts the vertices the drawing code passes, then hands them to OpenGL's own entry.
extern "C" void glVertex2d(GLdouble x, GLdouble y) {
    using Vertex2d = void (*)(GLdouble, GLdouble);
    static const Vertex2d gl = reinterpret_cast<Vertex2d>(dlsym(RTLD_NEXT, "glVertex2d"));
    ++vertices;
    gl(x, y);
}
