#include "tests/window/scene.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "console/dialog.h"
#include "offscreen/render.h"
#include "tests/support/xserver.h"
#include "window/window.h"

const double CYLSTART[2] = {0.0, 0.6};
const double CYLGOAL[2] = {1.2, 0.5};
const double CYLMISS[2] = {0.08, 0.0};
const double SCARASTART[2] = {0.0, PI / 2};
const double SCARAGOAL[2] = {PI / 2, -PI / 2};
const double SCARAMISS[2] = {0.08, 0.0};

#if defined(__SANITIZE_ADDRESS__)
// Input-extension event data that Xlib converted for freeglut's windows and that
// nobody claimed stays allocated in libXi (more windows, more blocks).
extern "C" const char *__lsan_default_suppressions() { return "leak:libXi.so\n"; }
extern "C" const char *__lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace {

XServer xserver;
bool ready = false;
Picture first;

// The SOTOC run leaves the error-free path by at most this much in both joints.
constexpr double SOTOCBUMP = 0.01;

void teardown() { xstop(xserver); }

void fillrobot(char type, const double from[2], const double to[2], const double miss[2]) {
    RobotRuns &runs = robotruns(type);
    RobotParams &robot = robotparams(type);
    const double limit[2] = {robot.T1max, robot.T2max};
    for (int i = 0; i <= task.nStep; ++i) {
        const double lam = static_cast<double>(i) / task.nStep;
        for (int j = 0; j < 2; ++j) {
            runs.tocFree.fi[i][j] = from[j] + (to[j] - from[j]) * lam;
            runs.sotocErr.fi[i][j] = runs.tocFree.fi[i][j] + SOTOCBUMP * std::sin(PI * lam);
            runs.tocErr.fi[i][j] = runs.tocFree.fi[i][j] + miss[j] * lam;
            runs.tocFree.tau[i][j] = 0.5 * limit[j];
            runs.tocErr.tau[i][j] = -0.5 * limit[j];
            runs.sotocErr.tau[i][j] = 0.0;
        }
        for (RunLog *run : {&runs.tocFree, &runs.sotocErr, &runs.tocErr}) tipposition(type, run->fi[i], run->P[i]);
    }
    for (int j = 0; j < 2; ++j) {
        robot.phi0[j] = from[j];
        robot.phif[j] = to[j];
    }
    controltables(type).ts[3] = 2.5;
}

bool viewable() {
    XWindowAttributes a;
    return XGetWindowAttributes(glXGetCurrentDisplay(), glXGetCurrentDrawable(), &a) && a.map_state == IsViewable;
}

}  // namespace

void glready() {
    if (ready) return;
    ready = true;
    if (!xstart(xserver)) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        std::exit(1);
    }
    setenv("DISPLAY", xserver.display.c_str(), 1);
    std::atexit(teardown);
    static char name[] = "test_view";
    static char *argv[] = {name, nullptr};
    int argc = 1;
    createwindow(&argc, argv, settingsdialog, savesnapshot);
#if defined(__SANITIZE_ADDRESS__)
    // Mesa unloads its GL driver at exit before the usual leak check, and what the
    // driver still holds would then look leaked: check while it is loaded.
    std::atexit(__lsan_do_leak_check);
#endif
    // With no window manager the window sits at (-1, -1), partly off the screen,
    // where the server cannot read it back.
    glutPositionWindow(0, 0);
    setupscene('a');
    // The window's own first picture comes with the first events after it is mapped.
    for (int tries = 0; tries < 500; ++tries) {
        glutMainLoopEvent();
        if (viewable()) {
            first = grab();
            if (same(pixel(first, 0, 0), WHITEPX)) return;
        }
        usleep(10000);
    }
    std::fprintf(stderr, "the window never showed a picture\n");
    std::exit(1);
}

const Picture &firstpicture() {
    glready();
    return first;
}

void setupscene(char type) {
    resetrecords();
    task.mwNom = task.mw = 1.0;
    task.errRatio = 0.01;
    task.nStep = 200;
    task.dt = 0.02;
    task.tfNom = 2.0;
    cyl.L = 1.0;
    cyl.u1 = cyl.u2 = 30.0;
    cyl.T1max = PI;
    cyl.T2max = 2.0;
    cyl.T1maxG = GRAVITY + cyl.T1max;
    cyl.T2maxG = GRAVITY + cyl.T2max;
    scara.L1 = 0.5;
    scara.L2 = 0.4;
    scara.u1 = scara.u2 = 40.0;
    scara.T1max = 2.0;
    scara.T2max = 1.0;
    scara.T1maxG = GRAVITY + scara.T1max;
    scara.T2maxG = GRAVITY + scara.T2max;
    installlayout();
    app.type = type;
    fillrobot('a', CYLSTART, CYLGOAL, CYLMISS);
    fillrobot('b', SCARASTART, SCARAGOAL, SCARAMISS);
    double goal[2];
    tipposition(type, type == 'b' ? SCARAGOAL : CYLGOAL, goal);
    task.xf = goal[0];
    task.yf = goal[1];
}

Picture grab() {
    // What the X server shows in the window, not what the GL buffers hold.
    glFinish();
    Display *dpy = glXGetCurrentDisplay();
    XSync(dpy, False);
    Picture p;
    p.w = glutGet(GLUT_WINDOW_WIDTH);
    p.h = glutGet(GLUT_WINDOW_HEIGHT);
    p.rgb.resize(static_cast<size_t>(p.w) * p.h * 3);
    XImage *img = XGetImage(dpy, glXGetCurrentDrawable(), 0, 0, p.w, p.h, AllPlanes, ZPixmap);
    if (img == nullptr) return p;
    for (int y = 0; y < p.h; ++y) {
        for (int x = 0; x < p.w; ++x) {
            const unsigned long v = XGetPixel(img, x, p.h - 1 - y);
            unsigned char *c = &p.rgb[(static_cast<size_t>(y) * p.w + x) * 3];
            c[0] = static_cast<unsigned char>((v & img->red_mask) >> 16);
            c[1] = static_cast<unsigned char>((v & img->green_mask) >> 8);
            c[2] = static_cast<unsigned char>(v & img->blue_mask);
        }
    }
    XDestroyImage(img);
    return p;
}

Picture drawpicture() {
    glready();
    display();
    return grab();
}

int pixelof(double v, int size) { return static_cast<int>(std::floor((v + 1.0) * size / 2.0)); }

Rgb pixel(const Picture &p, int px, int py) {
    if (px < 0 || py < 0 || px >= p.w || py >= p.h) return {-1, -1, -1};
    const unsigned char *c = &p.rgb[(static_cast<size_t>(py) * p.w + px) * 3];
    return {c[0], c[1], c[2]};
}

bool same(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

bool colournear(const Picture &p, double x, double y, Rgb c, int radius) {
    const int cx = pixelof(x, p.w);
    const int cy = pixelof(y, p.h);
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (same(pixel(p, cx + dx, cy + dy), c)) return true;
    return false;
}

bool istext(Rgb c) { return c.r == c.g && c.g == c.b && c.r > 0 && c.r < 64; }

int pixelswhere(const Picture &p, double x0, double x1, double y0, double y1, const std::function<bool(Rgb)> &which) {
    int count = 0;
    for (int py = pixelof(y0, p.h); py < pixelof(y1, p.h); ++py)
        for (int px = pixelof(x0, p.w); px < pixelof(x1, p.w); ++px) count += which(pixel(p, px, py));
    return count;
}
