#include "window/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "records/keys.h"
#include "records/records.h"
#include "window/figures.h"
#include "window/graphs.h"
#include "window/legend.h"
#include "window/primitives.h"

const char WINDOWTITLE[] =
    "a,b:ロボット選択, u:減速, g,h:重力, k:始終点, m,j:制御 変更， W,w:画面拡大縮小，0:初期へ，s:継続，"
    "space:再生/一時停止，p:画像保存";

namespace {

constexpr int WINDOWSIZE = 800;  // initial width and height [pixels]
constexpr double MSPERSECOND = 1000.0;  // GLUT's timers and clock count milliseconds
// Freed memory the process keeps for reuse [bytes]. Mesa's software renderer allocates
// and frees blocks of several megabytes at every change of drawing state; returned to
// the system each time, they cost page faults at the next use (half the drawing time).
constexpr int KEPTHEAP = 64 << 20;
constexpr double ZOOMSTEP = 0.9;  // 'w' shrinks the robot picture by this factor, 'W' enlarges
// Zoom range [-]: at the smallest a 1 m arm still spans 20 of the window's 800 pixels,
// at the largest one grid cell fills the window (2 window units). Beyond, the picture is of no use.
constexpr double MINSCALE = 0.05;
constexpr double MAXSCALE = 2.0 / GRIDSPACING;
// Grid: cells on each side of the centre lines.
constexpr int GRIDCELLS = 20;
constexpr double TRAILWIDTH = 0.005;  // error trails [m]
// The white mask clears the right part from this far left of the displacement graph.
constexpr double MASKMARGIN = 0.05;

SettingsDialog settingsdialogfor = nullptr;  // run by the settings keys; set by createwindow
SnapshotSaver snapshotsaverfor = nullptr;    // given the picture by the snapshot key; set by createwindow

// Playback: GLUT timers cannot be cancelled, so every start or stop opens a new
// generation and the ticks of older ones end themselves.
int playgeneration = 0;
int playstart = 0;  // GLUT clock when the playback started [ms]
int playticks = 0;  // rows advanced since then

// The window that was current before the picture window, and whether opening the
// picture window initialised GLUT.
int windowbeforepicture = 0;
bool pictureinitglut = false;

// freeglut writes the title bytes into WM_NAME as Latin-1. Desktops read the UTF-8
// _NET_WM_NAME; older window managers read WM_NAME, given here as compound text.
void settitle(const char *title) {
    Display *dpy = glXGetCurrentDisplay();
    const GLXDrawable win = glXGetCurrentDrawable();
    if (dpy == nullptr || win == 0) return;
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    const auto bytes = reinterpret_cast<const unsigned char *>(title);
    const int len = static_cast<int>(std::strlen(title));
    for (const char *name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"})
        XChangeProperty(dpy, win, XInternAtom(dpy, name, False), utf8, 8, PropModeReplace, bytes, len);
    char *list[] = {const_cast<char *>(title)};
    XTextProperty text;
    if (Xutf8TextListToTextProperty(dpy, list, 1, XStdICCTextStyle, &text) == Success) {
        XSetWMName(dpy, win, &text);
        XSetWMIconName(dpy, win, &text);
        XFree(text.value);
    }
    XFlush(dpy);
}

void stopplayback() {
    app.playing = false;
    ++playgeneration;
}

// Time until the next row is due, counted from the start so that rounding to whole
// milliseconds does not add up [ms].
unsigned int untilnextrow() {
    const int due = playstart + static_cast<int>(std::lround((playticks + 1) * task.dt * MSPERSECOND));
    return static_cast<unsigned int>(std::max(0, due - glutGet(GLUT_ELAPSED_TIME)));
}

// One row per sample period until the last row.
void playtick(int generation) {
    if (generation != playgeneration || !app.playing) return;
    ++playticks;
    app.frame = std::min(app.frame + 1, task.nStep);
    display();
    if (app.frame >= task.nStep)
        stopplayback();
    else
        glutTimerFunc(untilnextrow(), playtick, playgeneration);
}

// Plays from the frame shown, or from the start when the last row is shown.
void startplayback() {
    if (app.frame >= task.nStep) {
        app.frame = 0;
        display();
    }
    app.playing = true;
    ++playgeneration;
    playstart = glutGet(GLUT_ELAPSED_TIME);
    playticks = 0;
    glutTimerFunc(untilnextrow(), playtick, playgeneration);
}

void snapshot() {
    if (snapshotsaverfor == nullptr) return;
    RgbImage picture;
    readpicture(picture);
    snapshotsaverfor(picture);
}

// Settings keys: the dialog reads lastKey, reruns the comparison and leaves frame 0
// and scale 1; the window then shows the new runs at once.
void rerun() {
    stopplayback();
    app.frame = 0;
    settingsdialogfor();
    glutPostRedisplay();
}

// Tip position of a run with its deviation from the error-free run magnified.
Point2 trailpoint(const RunLog &run, const RunLog &free, int i) {
    const double s = app.scale;
    return {s * (layout.base.x + free.P[i][0] + ERRORGAIN * (run.P[i][0] - free.P[i][0])),
            s * (layout.base.y + free.P[i][1] + ERRORGAIN * (run.P[i][1] - free.P[i][1]))};
}

// Both controllers' figures, the goal, the error trails and tip dots up to row
// frame, then the mask that clears the right part for the graphs.
void drawmotion(char type, int frame) {
    const RobotRuns &runs = robotruns(type);
    void (*const figure)(const double[2], const Colour &) = type == ROBOTCYL ? drawcyl : drawscara;
    figure(runs.tocErr.fi[frame], red);
    figure(runs.sotocErr.fi[frame], blue);
    drawgoal(task.xf, task.yf, blue);
    // Green trails TOC and yellow SOTOC, as the robot legend says; the displacement
    // graph pairs these two colours the other way round on purpose, with its own legend.
    beginwidelines();
    for (int i = 0; i <= frame; ++i) {
        const int prev = i > 0 ? i - 1 : 0;
        widesegment(trailpoint(runs.tocErr, runs.tocFree, i), trailpoint(runs.tocErr, runs.tocFree, prev), TRAILWIDTH,
                    green);
        widesegment(trailpoint(runs.sotocErr, runs.tocFree, i), trailpoint(runs.sotocErr, runs.tocFree, prev),
                    TRAILWIDTH, yellow);
        drawtip(runs.tocErr.P[i], red);
        drawtip(runs.sotocErr.P[i], blue);
    }
    endwidelines();
    drawbox({layout.graphPos.x - MASKMARGIN, -1.0}, 1.0, 2.0, 0.0, white);
}

// The leftmost x of a figure at joint values q, from the base [m]: the SCARA's base,
// elbow and tip; the cylindrical robot's column, the back end of its arm bar and its
// tip; each with the room of the widest part drawn around it.
double leftmost(char type, const double q[2]) {
    const ViewLayout &v = layout;
    const double c = std::cos(q[0]);
    if (type == ROBOTSCARA) {
        const double elbow = v.linkLen1 * c, tip = elbow + (v.linkLen2 + v.handLen) * std::cos(q[0] + q[1]);
        return std::min({0.0, elbow, tip}) - std::max(v.jointR1, v.workWidth);
    }
    const double back = (q[1] - v.armLen - v.handLen) * c, tip = q[1] * c;
    return std::min({0.0, back, tip}) - std::max({v.jointR1, v.columnLen, v.workWidth});
}

}  // namespace

void userenderedlayout(char type) {
    layout.rendered = true;
    const RobotRuns &runs = robotruns(type);
    double left = 0.0;
    for (const RunLog *run : {&runs.tocErr, &runs.sotocErr})
        for (int i = 0; i <= task.nStep; ++i) left = std::min(left, leftmost(type, run->fi[i]));
    layout.base.x = std::max(layout.base.x, -1.0 / app.scale - left);
}

namespace {

// Everything of one picture but showing it.
void drawpicture() {
    const char type = app.type;
    const double s = app.scale;
    beginframe();
    if (!layout.rendered) drawtitle();
    drawlegend(type);
    drawgrid({s * layout.base.x, s * layout.base.y}, 0.0, GRIDCELLS, GRIDSPACING * s, GRIDSPACING * s);
    if (type == ROBOTCYL || type == ROBOTSCARA) drawmotion(type, app.frame);
    drawfigraph(type, app.frame);
    drawtorquegraphs(type, app.frame);
    if (layout.rendered) drawtitle();  // over the mask and the graphs' clear top
}

// A w x h window with the drawing's callbacks and state, current; GLUT initialised
// first unless it already is.
void makewindow(int *argc, char **argv, int w, int h, const char *title) {
    mallopt(M_TRIM_THRESHOLD, KEPTHEAP);
    glutInitWindowSize(w, h);
    if (!glutGet(GLUT_INIT_STATE)) glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow(title);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    // Text takes the colour lighting gives it (near black). Every shape leaves lighting
    // on; switched on here too, the title and legend of the first picture are not
    // drawn in the default white on the white background.
    glEnable(GL_LIGHTING);
}

// Width and height of the current window as the X server has it [pixels].
std::pair<int, int> drawablesize() {
    Display *dpy = glXGetCurrentDisplay();
    XSync(dpy, False);
    Window root;
    int x, y;
    unsigned int w = 0, h = 0, border, depth;
    XGetGeometry(dpy, glXGetCurrentDrawable(), &root, &x, &y, &w, &h, &border, &depth);
    return {static_cast<int>(w), static_cast<int>(h)};
}

// The value after a -display argument, else null (Xlib then reads DISPLAY).
const char *displayargument(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-display") == 0) return argv[i + 1];
    return nullptr;
}

}  // namespace

void createwindow(int *argc, char **argv, SettingsDialog dialog, SnapshotSaver saver) {
    settingsdialogfor = dialog;
    snapshotsaverfor = saver;
    makewindow(argc, argv, WINDOWSIZE, WINDOWSIZE, WINDOWTITLE);
    settitle(WINDOWTITLE);
    glutKeyboardFunc(keyboard);
}

void openwindow(int *argc, char **argv, SettingsDialog dialog, SnapshotSaver saver) {
    createwindow(argc, argv, dialog, saver);
    glutMainLoop();
}

bool displayreachable(int argc, char **argv) {
    Display *dpy = XOpenDisplay(displayargument(argc, argv));
    if (dpy == nullptr) return false;
    XCloseDisplay(dpy);
    return true;
}

bool openpicturewindow(int *argc, char **argv, int w, int h) {
    pictureinitglut = !glutGet(GLUT_INIT_STATE);
    windowbeforepicture = pictureinitglut ? 0 : glutGetWindow();
    makewindow(argc, argv, w, h, "sotoc");
    reshape(w, h);
    if (drawablesize() == std::make_pair(w, h)) return true;
    closepicturewindow();
    return false;
}

void closepicturewindow() {
    glutDestroyWindow(glutGetWindow());
    if (pictureinitglut) {
        glutExit();
    } else {
        // GLUT destroys windows in its event loop; until then this one would cover
        // the window beneath it.
        glutMainLoopEvent();
        if (windowbeforepicture != 0) glutSetWindow(windowbeforepicture);
    }
    windowbeforepicture = 0;
    pictureinitglut = false;
}

void reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void beginframe() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void endframe() {
    glFlush();
    glutSwapBuffers();
}

void keyboard(unsigned char key, int, int) {
    app.lastKey = static_cast<char>(key);
    const KeyAction action = windowkeyaction(app.lastKey);
    if (action == KEYROBOT) app.type = app.lastKey;
    if (action == KEYMOTION) app.sgnG = app.lastKey;
    if (startsdialog(action)) {
        rerun();
        return;
    }
    switch (action) {
        case KEYPLAY:
            if (app.playing)
                stopplayback();
            else
                startplayback();
            break;
        case KEYSNAPSHOT:
            snapshot();
            break;
        case KEYSTEP:
            app.frame += 1;
            if (app.frame > task.nStep) app.frame = task.nStep;
            if (app.frame < 0) app.frame = 0;
            display();
            break;
        case KEYREWIND:
            app.frame = 0;
            display();
            break;
        case KEYZOOMOUT:
            app.scale = std::fmax(app.scale * ZOOMSTEP, MINSCALE);
            display();
            break;
        case KEYZOOMIN:
            app.scale = std::fmin(app.scale / ZOOMSTEP, MAXSCALE);
            display();
            break;
        case KEYQUIT:
            std::exit(0);
        default:
            break;
    }
}

void display() {
    drawpicture();
    endframe();
}

void readpicture(RgbImage &picture) {
    picture.w = glutGet(GLUT_WINDOW_WIDTH);
    picture.h = glutGet(GLUT_WINDOW_HEIGHT);
    const size_t row = static_cast<size_t>(picture.w) * 3;
    picture.rgb.resize(row * picture.h);
    drawpicture();
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, picture.w, picture.h, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
    // OpenGL gives the bottom row first.
    for (int y = 0; y < picture.h / 2; ++y)
        std::swap_ranges(picture.rgb.begin() + y * row, picture.rgb.begin() + (y + 1) * row,
                         picture.rgb.begin() + (picture.h - 1 - y) * row);
}
