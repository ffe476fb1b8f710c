#include "window/graphs.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "records/records.h"
#include "simulation/dynamics.h"
#include "window/legend.h"
#include "window/primitives.h"

namespace {

void *const LARGE = GLUT_BITMAP_HELVETICA_18;
void *const SMALL = GLUT_BITMAP_HELVETICA_12;

constexpr double AXISWIDTH = 0.006;   // time and value axes [m]
constexpr double TICKHEIGHT = 0.02;   // second ticks
constexpr double LABELGAP = 0.02;     // seconds label starts this far left of the last tick
constexpr double LABELRISE = 0.01;    // texts sit this far above their line
constexpr double CURVEWIDTH = 0.008;  // displacement and torque curves [m]
constexpr double DEV1WIDTH = 0.006;   // joint-1 deviation curve [m]
constexpr double DEV2WIDTH = 0.003;   // joint-2 deviation curve [m]

// Displacement graph: axis height, height the displacement range fills, label height.
constexpr double FIAXISHEIGHT = 0.45;
constexpr double FIRANGEHEIGHT = 0.4;
constexpr double FILABELHEIGHT = 0.4;
// Start values of the range search, beyond any joint displacement.
constexpr double RANGESTART = 1000.0;
// A displacement range narrower than this [rad or m] is a motion that does not move;
// it is drawn over a range of FLATSPAN centred on its value instead.
constexpr double FLATLIMIT = 1e-9;
constexpr double FLATSPAN = 1.0;
// A torque graph's value axis reaches this far beyond its limit lines.
constexpr double TORQUEAXISEXTRA = 0.05;

// Position of row i of n on a time axis of length w.
double rowx(const Point2 &origin, int i, double w, int n) { return origin.x + i * w / n; }

void segment(const Point2 &origin, int i, double y0, double y1, double width, const Colour &colour) {
    const double w = layout.graphW;
    const int n = task.nStep;
    widesegment({rowx(origin, i - 1, w, n), y0}, {rowx(origin, i, w, n), y1}, width, colour);
}

// Whole seconds on a time axis whose second is `step` long; none when a second is
// shorter than one sample (step 0).
int wholeseconds(double w, double step) {
    if (!(step > 0.0) || !std::isfinite(step)) return 0;
    return static_cast<int>(std::trunc(w / step));
}

// The seconds count at the last tick; more digits extend it to the left so that its
// last digit always ends where a single digit would.
void secondslabel(int m, double xm, double y) {
    char secondText[WHOLETEXTMAX + 2];
    const int len = writedigits(secondText, m, 1);
    std::strcpy(secondText + len, "\n");
    const double digitw = 2.0 * glutBitmapWidth(LARGE, '0') / glutGet(GLUT_WINDOW_WIDTH);
    drawtext(static_cast<float>(xm - LABELGAP - (len - 1) * digitw), static_cast<float>(y), LARGE, secondText);
    drawtext(static_cast<float>(xm), static_cast<float>(y), LARGE, "s");
}

// Value of y = (v - smallest) * k + origin.y for the displacements.
struct FiScale {
    double smallest;  // displacement on the time axis [rad or m]
    double k;         // window units per rad or m
};

FiScale fiscale(const FiRange &range) {
    const double span = range.largest - range.smallest;
    if (span > FLATLIMIT) return {range.smallest, FIRANGEHEIGHT / span};
    const double centre = 0.5 * (range.largest + range.smallest);
    return {centre - 0.5 * FLATSPAN, FIRANGEHEIGHT / FLATSPAN};
}

void goalline(const Point2 &G, double y, double dx, const char *label, const Colour &colour) {
    drawline({G.x, y}, {G.x + layout.graphW, y}, colour);
    drawtext(static_cast<float>(G.x + dx), static_cast<float>(y + LABELRISE), SMALL, label);
}

void torquegraph(char type, int frame, int joint, const Point2 &O, double hh, const char *label,
                 const char *limitlabel) {
    const double w = layout.graphW;
    drawaxes(1, O, task.dt, task.nStep, w, hh + TORQUEAXISEXTRA);
    const double labely = type == ROBOTSCARA ? O.y - 0.1 : O.y - 0.05;
    drawtext(static_cast<float>(O.x + 0.1), static_cast<float>(labely), LARGE, label);
    drawtext(static_cast<float>(O.x - 0.05), static_cast<float>(O.y - 0.02), LARGE, "0");
    drawtext(static_cast<float>(O.x - 0.1), static_cast<float>(O.y + hh - 0.05), LARGE, "T[Nm]");
    drawline({O.x, O.y + hh}, {O.x + w, O.y + hh}, red);
    drawtext(static_cast<float>(O.x), static_cast<float>(O.y + hh + LABELRISE), SMALL, limitlabel);
    drawline({O.x, O.y - hh}, {O.x + w, O.y - hh}, red);
    // The limit lies on the limit lines; curves beyond it are not clipped.
    const double k = hh / jointlimit(type, app.sgnG, joint);
    const RobotRuns &runs = robotruns(type);
    beginwidelines();
    for (int i = 1; i <= frame; ++i) {
        segment(O, i, k * runs.tocErr.tau[i - 1][joint] + O.y, k * runs.tocErr.tau[i][joint] + O.y, CURVEWIDTH, red);
        segment(O, i, k * runs.tocFree.tau[i - 1][joint] + O.y, k * runs.tocFree.tau[i][joint] + O.y, CURVEWIDTH,
                blue);
    }
    endwidelines();
}

}  // namespace

FiRange firange(char type) {
    const RunLog &run = robotruns(type).tocFree;
    FiRange range = {-RANGESTART, RANGESTART};
    for (int i = 0; i < task.nStep; ++i) {
        for (int j = 0; j < 2; ++j) {
            if (run.fi[i][j] > range.largest) range.largest = run.fi[i][j];
            if (run.fi[i][j] < range.smallest) range.smallest = run.fi[i][j];
        }
    }
    return range;
}

void drawaxes(int mode, const Point2 &origin, double dt, int n, double w, double h) {
    drawwideline(origin, {origin.x + w, origin.y}, AXISWIDTH, red);
    const double step = std::trunc(1.0 / dt) * w / n;
    const int m = wholeseconds(w, step);
    for (int j = 1; j <= m; ++j)
        drawline({origin.x + j * step, origin.y}, {origin.x + j * step, origin.y + TICKHEIGHT}, red);
    if (m >= 1) {
        const double xm = origin.x + m * step;
        secondslabel(m, xm, origin.y + LABELRISE);
        drawline({xm, origin.y}, {xm, origin.y + TICKHEIGHT}, red);
    }
    if (mode == 0) {
        drawwideline(origin, {origin.x, origin.y + h}, AXISWIDTH, red);
        const double xnom = origin.x + w * task.tfNom / (n * dt);
        drawline({xnom, origin.y}, {xnom, origin.y + h}, red);
        const double xdesign = origin.x + w * controltables(app.type).ts[3] / (n * dt);
        drawline({xdesign, origin.y}, {xdesign, origin.y + h}, blue);
    } else {
        drawwideline({origin.x, origin.y - h}, {origin.x, origin.y + h}, AXISWIDTH, red);
    }
}

void drawfigraph(char type, int frame) {
    const Point2 G = layout.graphPos;
    drawaxes(0, G, task.dt, task.nStep, layout.graphW, FIAXISHEIGHT);
    drawtext(static_cast<float>(G.x + 0.1), static_cast<float>(G.y - 0.05), LARGE, "joint displacement");
    // Yellow is TOC and green SOTOC here, the other way round from the robot picture's
    // trails on purpose; each legend says which. The rendered picture pairs them as
    // the trails: yellow SOTOC, green TOC.
    const bool paired = layout.rendered;
    const Colour &tocdeviation = paired ? green : yellow, &sotocdeviation = paired ? yellow : green;
    char text[64];
    std::snprintf(text, sizeof text, paired ? "yellow : %.0f*SOTOC error1,2" : "yellow : %.0f*TOC error1,2",
                  ERRORGAIN);
    drawtext(0.53f, 0.60f, SMALL, text);
    std::snprintf(text, sizeof text, paired ? "green  : %.0f*TOC error1,2" : "green  : %.0f*SOTOC error1,2",
                  ERRORGAIN);
    drawtext(0.53f, 0.57f, SMALL, text);
    drawtext(static_cast<float>(G.x - 0.1), static_cast<float>(G.y + FILABELHEIGHT - 0.05), LARGE,
             type == ROBOTCYL ? "fi[rad,m]" : "fi[rad]");

    const FiScale sc = fiscale(firange(type));
    const auto yof = [&](double v) { return (v - sc.smallest) * sc.k + G.y; };
    const auto yofdev = [&](double d) { return ERRORGAIN * sc.k * d + G.y; };
    const RobotParams &robot = robotparams(type);
    const double dx = type == ROBOTSCARA ? 0.04 : 0.01;
    goalline(G, yof(robot.phif[0]), dx, "goal1", red);
    goalline(G, yof(robot.phif[1]), dx, "goal2", type == ROBOTSCARA ? blue : red);

    const RobotRuns &runs = robotruns(type);
    const RunLog &free = runs.tocFree;
    const double devwidth[2] = {DEV1WIDTH, DEV2WIDTH};
    beginwidelines();
    for (int i = 1; i <= frame; ++i) {
        for (int j = 0; j < 2; ++j)
            segment(G, i, yof(runs.tocErr.fi[i - 1][j]), yof(runs.tocErr.fi[i][j]), CURVEWIDTH, red);
        for (int j = 0; j < 2; ++j)
            segment(G, i, yof(runs.sotocErr.fi[i - 1][j]), yof(runs.sotocErr.fi[i][j]), CURVEWIDTH, blue);
        for (int j = 0; j < 2; ++j)
            segment(G, i, yofdev(runs.sotocErr.fi[i - 1][j] - free.fi[i - 1][j]),
                    yofdev(runs.sotocErr.fi[i][j] - free.fi[i][j]), devwidth[j], sotocdeviation);
        for (int j = 0; j < 2; ++j)
            segment(G, i, yofdev(runs.tocErr.fi[i - 1][j] - free.fi[i - 1][j]),
                    yofdev(runs.tocErr.fi[i][j] - free.fi[i][j]), devwidth[j], tocdeviation);
    }
    endwidelines();
}

void drawtorquegraphs(char type, int frame) {
    torquegraph(type, frame, 0, layout.torque1Pos, layout.torque1Half, "Torque(1)", "T1max");
    torquegraph(type, frame, 1, layout.torque2Pos, layout.torque2Half, "Torque(2)", "T2max");
}
