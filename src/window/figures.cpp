#include "window/figures.h"

#include <GL/gl.h>

#include <cmath>
#include <initializer_list>

#include "records/records.h"

namespace {

// Pi of the circle routines (10 decimals); the SCARA link takes the program's PI.
constexpr double CIRCLEPI = 3.1415926536;
// Radians per degree for the OpenGL rotations.
constexpr double RADPERDEG = 0.01745329252;
// Vertices of a full circle; a half circle takes as many at half the spacing.
constexpr int CIRCLEPOINTS = 120;
constexpr double DISCSTEP = 2.0 * CIRCLEPI / CIRCLEPOINTS;  // angle between the points of a full circle [rad]
// Joint marks are drawn at this fraction of the joint radius.
constexpr double JOINTMARK = 0.7;
// Overhang of a SCARA link box behind its joint [m]; link 1 reaches 0.01 m and link 2
// 0.005 m beyond its far joint, so link 2 covers the root of the wrist box.
constexpr double LINKBACK = 0.005;
constexpr double LINKFRONT1 = 0.01;
constexpr double LINKFRONT2 = 0.005;
// Gap between a finger and the workpiece [m] and the width of finger bars [m].
constexpr double FINGERGAP = 0.007;
constexpr double FINGERWIDTH = 0.01;
// Radii of the tip point, the goal disc and the logged tip dots [m].
constexpr double TIPPOINTR = 0.005;
constexpr double GOALR = 0.01;
constexpr double TIPDOTR = 0.008;
// Grid line widths [pixels]: centre lines and the others.
constexpr float GRIDCENTREWIDTH = 2.0f;
constexpr float GRIDWIDTH = 1.0f;

Point2 plus(const Point2 &a, const Point2 &b) { return {a.x + b.x, a.y + b.y}; }
Point2 times(double k, const Point2 &a) { return {k * a.x, k * a.y}; }
// Unit vector along an angle and the unit vector to its right.
Point2 along(double angle) { return {std::cos(angle), std::sin(angle)}; }
Point2 across(double angle) { return {std::sin(angle), -std::cos(angle)}; }

void vertex(double x, double y) { glVertex2d(towin(x), towin(y)); }

// Point k of a ring of radius r about the origin, at the angle a0 + k * step [rad].
Point2 ringpoint(double r, double a0, double step, int k) {
    return {r * std::cos(a0 + k * step), r * std::sin(a0 + k * step)};
}

// The tip dot's vertices about its centre, as OpenGL receives drawdisc's (single
// precision window units); a picture has hundreds of dots of one radius, which
// changes only with the zoom.
GLfloat tipdot[CIRCLEPOINTS][2];
double tipdotradius = -1.0;  // radius of the vertices in tipdot [m]

// Lighting off, matrix saved, origin moved to the reference point, colour set.
void beginshape(const Point2 &at, const Colour &colour) {
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glTranslated(towin(at.x), towin(at.y), 0.0);
    glColor4f(colour.r, colour.g, colour.b, colour.a);
}

void endshape() {
    glPopMatrix();
    glEnable(GL_LIGHTING);
}

// CIRCLEPOINTS points of radius r at the angles a0 + k * step; outlines emit them as
// the pairs (k - 1, k), fills one by one.
void ring(GLenum mode, bool pairs, const Point2 &centre, double r, double a0, double step,
          const Colour &colour) {
    beginshape(centre, colour);
    glBegin(mode);
    for (int k = pairs ? 1 : 0; k < CIRCLEPOINTS; ++k) {
        if (pairs) {
            const Point2 from = ringpoint(r, a0, step, k - 1);
            vertex(from.x, from.y);
        }
        const Point2 to = ringpoint(r, a0, step, k);
        vertex(to.x, to.y);
    }
    glEnd();
    endshape();
}

void rectangle(GLenum mode, const Point2 &corner, double w, double h, double angle, const Colour &colour) {
    beginshape(corner, colour);
    glRotated(angle / RADPERDEG, 0.0, 0.0, 1.0);
    glBegin(mode);
    vertex(0.0, 0.0);
    vertex(w, 0.0);
    vertex(w, h);
    vertex(0.0, h);
    glEnd();
    endshape();
}

// A white box with its outline in the colour: the figures hide what lies beneath.
void solidbox(const Point2 &corner, double w, double h, double angle, const Colour &colour) {
    drawbox(corner, w, h, angle, white);
    drawframe(corner, w, h, angle, colour);
}

void solidhalfdisc(const Point2 &centre, double r, double a0, const Colour &colour) {
    drawhalfdisc(centre, r, a0, white);
    drawarc(centre, r, a0, colour);
}

void gridline(int k, double x1, double y1, double x2, double y2) {
    glLineWidth(k == 0 ? GRIDCENTREWIDTH : GRIDWIDTH);
    glBegin(GL_LINES);
    vertex(x1, y1);
    vertex(x2, y2);
    glEnd();
}

}  // namespace

void drawdisc(const Point2 &centre, double r, const Colour &colour) {
    ring(GL_POLYGON, false, centre, r, 0.0, DISCSTEP, colour);
}

void drawcircle(const Point2 &centre, double r, const Colour &colour) {
    ring(GL_LINE_LOOP, true, centre, r, 0.0, DISCSTEP, colour);
}

void drawhalfdisc(const Point2 &centre, double r, double a0, const Colour &colour) {
    ring(GL_POLYGON, false, centre, r, a0, -CIRCLEPI / CIRCLEPOINTS, colour);
}

void drawarc(const Point2 &centre, double r, double a0, const Colour &colour) {
    ring(GL_LINE_STRIP, true, centre, r, a0, -CIRCLEPI / CIRCLEPOINTS, colour);
}

void drawbox(const Point2 &corner, double w, double h, double angle, const Colour &colour) {
    rectangle(GL_POLYGON, corner, w, h, angle, colour);
}

void drawframe(const Point2 &corner, double w, double h, double angle, const Colour &colour) {
    rectangle(GL_LINE_LOOP, corner, w, h, angle, colour);
}

void drawgrid(const Point2 &centre, double angle, int cells, double dx, double dy) {
    glDisable(GL_LIGHTING);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    glPushMatrix();
    glLineWidth(GRIDCENTREWIDTH);
    glTranslated(towin(centre.x), towin(centre.y), 0.0);
    glRotated(angle / RADPERDEG, 0.0, 0.0, 1.0);
    for (int k = -cells; k <= cells; ++k) gridline(k, k * dx, -cells * dy, k * dx, cells * dy);
    for (int k = -cells; k <= cells; ++k) gridline(k, -cells * dx, k * dy, cells * dx, k * dy);
    glPopMatrix();
    glEnable(GL_LIGHTING);
}

void drawcyl(const double q[2], const Colour &colour) {
    const ViewLayout &v = layout;
    const double s = app.scale;
    const double r = q[1];
    const Point2 B = times(s, v.base);
    const Point2 c = along(q[0]);
    const Point2 a = across(q[0]);
    const Point2 arm = plus(B, times(s, plus(times(r - v.armLen - v.handLen, c), times(v.armWidth / 2.0, a))));
    solidbox(arm, s * v.armLen, s * v.armWidth, q[0], colour);
    const Point2 column = plus(B, times(s, plus(times(-v.columnLen / 2.0, c), times(v.columnWidth / 2.0, a))));
    solidbox(column, s * v.columnLen, s * v.columnWidth, q[0], colour);
    drawcircle(B, s * v.jointR1, colour);
    drawdisc(B, JOINTMARK * s * v.jointR1, colour);
    drawhand(plus(v.base, times(r, c)), q[0], colour);
}

void drawscara(const double q[2], const Colour &colour) {
    const ViewLayout &v = layout;
    const double a = q[0] + q[1];
    drawscaralink(1, v.base, v.linkLen1, v.linkWidth1, q[0], colour);
    const Point2 J = plus(v.base, times(v.linkLen1, along(q[0])));
    drawhand(plus(J, times(v.linkLen2 + v.handLen, along(a))), a, colour);
    drawscaralink(2, J, v.linkLen2, v.linkWidth2, a, colour);
}

void drawscaralink(int k, const Point2 &joint, double len, double width, double angle, const Colour &colour) {
    const ViewLayout &v = layout;
    const double s = app.scale;
    const Point2 P = times(s, joint);
    const Point2 c = along(angle);
    const double front = k == 1 ? LINKFRONT1 : LINKFRONT2;
    const double R = k == 1 ? v.jointR1 : v.jointR2;
    const Point2 corner = plus(P, times(s, plus(times(width / 2.0, across(angle)), times(-LINKBACK, c))));
    solidbox(corner, s * (len + front), s * width, angle, colour);
    solidhalfdisc(P, s * width / 2.0, angle - PI / 2.0, colour);
    drawdisc(P, s * v.jointR1, white);
    drawcircle(P, s * v.jointR1, colour);
    if (k == 1) {
        drawdisc(P, JOINTMARK * s * R, colour);
        solidhalfdisc(plus(P, times(s * len, c)), s * width / 2.0, angle + PI / 2.0, colour);
    } else {
        drawcircle(P, JOINTMARK * s * R, colour);
    }
}

void drawhand(const Point2 &H, double angle, const Colour &colour) {
    const ViewLayout &v = layout;
    const double s = app.scale;
    const Point2 P = times(s, H);
    const Point2 c = along(angle);
    const Point2 a = across(angle);
    const Point2 root = plus(P, times(-s * v.handLen, c));
    solidbox(plus(root, times(s * v.wristWidth / 2.0, a)), s * v.wristLen, s * v.wristWidth, angle, colour);
    const Point2 D = plus(root, times(s * v.wristLen, c));
    const Point2 F1 = plus(D, times(s * (v.workWidth / 2.0 + FINGERGAP), a));
    const Point2 F2 = plus(D, times(-s * (v.workWidth / 2.0 + FINGERGAP), a));
    drawwideline(F1, F2, FINGERWIDTH, colour);
    for (const Point2 &F : {F1, F2}) {
        const Point2 from = plus(F, times(-s * FINGERGAP / 2.0, c));
        drawwideline(from, plus(from, times(s * (v.handLen - v.wristLen + FINGERGAP), c)), FINGERWIDTH, colour);
    }
    const Point2 work = plus(P, times(s, plus(times(-v.workLen / 2.0, c), times(v.workWidth / 2.0, a))));
    solidbox(work, s * v.workLen, s * v.workWidth, angle, colour);
    drawdisc(P, TIPPOINTR * s, red);
}

void drawgoal(double x, double y, const Colour &colour) {
    drawdisc(times(app.scale, plus(layout.base, {x, y})), GOALR * app.scale, colour);
}

void drawtip(const double p[2], const Colour &colour) {
    const double r = TIPDOTR * app.scale;
    if (r != tipdotradius) {
        for (int k = 0; k < CIRCLEPOINTS; ++k) {
            const Point2 v = ringpoint(r, 0.0, DISCSTEP, k);
            tipdot[k][0] = static_cast<GLfloat>(towin(v.x));
            tipdot[k][1] = static_cast<GLfloat>(towin(v.y));
        }
        tipdotradius = r;
    }
    // drawdisc translates the modelview to the centre; with the identity modelview,
    // OpenGL then adds the single-precision centre to each vertex, as done here. No
    // matrix change, so the dots join the run's batch.
    const Point2 centre = times(app.scale, plus(layout.base, {p[0], p[1]}));
    const GLfloat cx = static_cast<GLfloat>(towin(centre.x));
    const GLfloat cy = static_cast<GLfloat>(towin(centre.y));
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    glBegin(GL_POLYGON);
    for (int k = 0; k < CIRCLEPOINTS; ++k) glVertex2f(tipdot[k][0] + cx, tipdot[k][1] + cy);
    glEnd();
}
