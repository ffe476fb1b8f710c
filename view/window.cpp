#include "view/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "core/records.h"
#include "model/simulation.h"
#include "view/figures.h"
#include "view/graphs.h"
#include "view/legend.h"
#include "view/primitives.h"

const char WINDOWTITLE[] = "a,b:ロボット選択, u:減速, g,h:重力, k:始終点, m,j:制御 変更， W,w:画面拡大縮小，0:初期へ，s:継続";

namespace {

constexpr int WINDOWSIZE = 800;  // initial width and height [pixels]
constexpr unsigned char ESCAPE = 27;
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

// Settings keys: the dialog reads lastKey, reruns the comparison and leaves frame 0
// and scale 1; the window then shows the new runs at once.
void rerun() {
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
    for (int i = 0; i <= frame; ++i) {
        const int prev = i > 0 ? i - 1 : 0;
        drawwideline(trailpoint(runs.tocErr, runs.tocFree, i), trailpoint(runs.tocErr, runs.tocFree, prev), TRAILWIDTH,
                     green);
        drawwideline(trailpoint(runs.sotocErr, runs.tocFree, i), trailpoint(runs.sotocErr, runs.tocFree, prev),
                     TRAILWIDTH, yellow);
        drawtip(runs.tocErr.P[i], red);
        drawtip(runs.sotocErr.P[i], blue);
    }
    drawbox({layout.graphPos.x - MASKMARGIN, -1.0}, 1.0, 2.0, 0.0, white);
}

}  // namespace

void createwindow(int *argc, char **argv, SettingsDialog dialog) {
    settingsdialogfor = dialog;
    glutInitWindowSize(WINDOWSIZE, WINDOWSIZE);
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow(WINDOWTITLE);
    settitle(WINDOWTITLE);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    // Text takes the colour lighting gives it (near black). Every shape leaves lighting
    // on; switched on here too, the title and legend of the first picture are not
    // drawn in the default white on the white background.
    glEnable(GL_LIGHTING);
}

void openwindow(int *argc, char **argv, SettingsDialog dialog) {
    createwindow(argc, argv, dialog);
    glutMainLoop();
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
    switch (key) {
        case 'a':
        case 'b':
            app.type = static_cast<char>(key);
            rerun();
            break;
        case 'g':
        case 'h':
            app.sgnG = static_cast<char>(key);
            rerun();
            break;
        case 'u':
        case 'k':
        case 'm':
            rerun();
            break;
        case 's':
            app.frame += 1;
            if (app.frame > task.nStep) app.frame = task.nStep;
            if (app.frame < 0) app.frame = 0;
            display();
            break;
        case '0':
            app.frame = 0;
            display();
            break;
        case 'w':
            app.scale = std::fmax(app.scale * ZOOMSTEP, MINSCALE);
            display();
            break;
        case 'W':
            app.scale = std::fmin(app.scale / ZOOMSTEP, MAXSCALE);
            display();
            break;
        case ESCAPE:
            std::exit(0);
        default:
            break;
    }
}

void display() {
    const char type = app.type;
    const double s = app.scale;
    beginframe();
    drawtitle();
    drawlegend(type);
    drawgrid({s * layout.base.x, s * layout.base.y}, 0.0, GRIDCELLS, GRIDSPACING * s, GRIDSPACING * s);
    if (type == ROBOTCYL || type == ROBOTSCARA) drawmotion(type, app.frame);
    drawfigraph(type, app.frame);
    drawtorquegraphs(type, app.frame);
    endframe();
}
