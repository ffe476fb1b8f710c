// Pictures read back from the window on a private X server. Positions come from the
// layout: window units span -1..1 over 800 pixels, the base sits at (-0.5, -0.5).
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>

#include "tests/window/scene.h"
#include "window/figures.h"
#include "window/graphs.h"
#include "window/legend.h"
#include "window/primitives.h"
#include "window/window.h"

namespace {

// Window point at distance d along a figure part that leaves `from` (unzoomed, m)
// at the angle, moved sideways by `side` (m, to the left), at the current zoom.
Point2 onpart(const Point2 &from, double angle, double d, double side) {
    const double s = app.scale;
    return {s * (from.x + d * std::cos(angle) - side * std::sin(angle)),
            s * (from.y + d * std::sin(angle) + side * std::cos(angle))};
}

bool near(const Picture &p, const Point2 &at, Rgb c, int radius = 2) { return colournear(p, at.x, at.y, c, radius); }

// Both long edges of the cylindrical arm bar at d along the arm have the colour, its
// middle line is white (the fill hides the grid beneath).
void expectcylarm(const Picture &p, const double q[2], double d, Rgb c) {
    const Point2 B = layout.base;
    EXPECT_TRUE(near(p, onpart(B, q[0], d, layout.armWidth / 2), c)) << "q1 " << q[0] << " d " << d;
    EXPECT_TRUE(near(p, onpart(B, q[0], d, -layout.armWidth / 2), c)) << "q1 " << q[0] << " d " << d;
    EXPECT_TRUE(near(p, onpart(B, q[0], d, 0.0), WHITEPX, 0)) << "q1 " << q[0] << " d " << d;
}

// Both edges of SCARA link 1 at d along the link have the colour.
void expectscaralink1(const Picture &p, const double q[2], double d, Rgb c) {
    const Point2 B = layout.base;
    EXPECT_TRUE(near(p, onpart(B, q[0], d, layout.linkWidth1 / 2), c)) << "q1 " << q[0];
    EXPECT_TRUE(near(p, onpart(B, q[0], d, -layout.linkWidth1 / 2), c)) << "q1 " << q[0];
}

// Edges of SCARA link 2 at d along the link.
void expectscaralink2(const Picture &p, const double q[2], double d, Rgb c) {
    const Point2 J = onpart(layout.base, q[0], layout.linkLen1, 0.0);
    const Point2 Ju = {J.x / app.scale, J.y / app.scale};
    EXPECT_TRUE(near(p, onpart(Ju, q[0] + q[1], d, layout.linkWidth2 / 2), c));
    EXPECT_TRUE(near(p, onpart(Ju, q[0] + q[1], d, -layout.linkWidth2 / 2), c));
}

Point2 tipwindow(char type, const double q[2]) {
    double tip[2];
    tipposition(type, q, tip);
    return {app.scale * (layout.base.x + tip[0]), app.scale * (layout.base.y + tip[1])};
}

// Height of a joint displacement in the displacement graph of the hand-made runs.
double figraphy(char type, double v) {
    const FiRange r = firange(type);
    return (v - r.smallest) * 0.4 / (r.largest - r.smallest) + layout.graphPos.y;
}

// Pixels of the same place in two pictures differ only where either has a grid line.
int textdifferences(const Picture &a, const Picture &b, double x0, double x1, double y0, double y1) {
    int differences = 0;
    for (int py = pixelof(y0, a.h); py < pixelof(y1, a.h); ++py)
        for (int px = pixelof(x0, a.w); px < pixelof(x1, a.w); ++px) {
            const Rgb pa = pixel(a, px, py), pb = pixel(b, px, py);
            if (same(pa, BLACKPX) || same(pb, BLACKPX)) continue;
            if (istext(pa) != istext(pb)) ++differences;
        }
    return differences;
}

int textpixels(const Picture &p, double x0, double x1, double y0, double y1) {
    return pixelswhere(p, x0, x1, y0, y1, istext);
}

}  // namespace

TEST(Picture, WhiteBackgroundAndGridThroughTheBase) {
    glready();
    setupscene('a');
    const Picture p = drawpicture();
    ASSERT_EQ(p.w, 800);
    ASSERT_EQ(p.h, 800);
    // Cell middles on the left, the masked right part.
    for (double x : {-0.95, -0.85, -0.15})
        EXPECT_TRUE(same(pixel(p, pixelof(x, p.w), pixelof(-0.95, p.h)), WHITEPX)) << x;
    EXPECT_TRUE(same(pixel(p, pixelof(0.97, p.w), pixelof(-0.97, p.h)), WHITEPX));
    // The centre lines through the base (pixel 200) are 2 pixels wide, the others 1.
    const int row = pixelof(-0.95, p.h);
    const int col = pixelof(-0.95, p.w);
    auto blackcolumns = [&](int from, int to) {
        int n = 0;
        for (int px = from; px <= to; ++px) n += same(pixel(p, px, row), BLACKPX);
        return n;
    };
    auto blackrows = [&](int from, int to) {
        int n = 0;
        for (int py = from; py <= to; ++py) n += same(pixel(p, col, py), BLACKPX);
        return n;
    };
    EXPECT_TRUE(same(pixel(p, 199, row), BLACKPX));
    EXPECT_TRUE(same(pixel(p, 200, row), BLACKPX));
    EXPECT_EQ(blackcolumns(195, 205), 2);
    EXPECT_EQ(blackrows(195, 205), 2);
    EXPECT_TRUE(same(pixel(p, col, 199), BLACKPX));
    EXPECT_EQ(blackcolumns(155, 165), 1);  // x = -0.6
    EXPECT_EQ(blackrows(155, 165), 1);     // y = -0.6
}

TEST(Picture, ArmFiguresStartOverTheStartPose) {
    glready();
    setupscene('a');
    Picture p = drawpicture();
    // Both runs start together: the blue figure covers the red one.
    for (double d : {-0.3, 0.25}) expectcylarm(p, CYLSTART, d, BLUEPX);
    EXPECT_FALSE(near(p, onpart(layout.base, CYLSTART[0], 0.25, layout.armWidth / 2), REDPX, 3));
    // The tip dot of the SOTOC run covers the red tip point of both hands.
    EXPECT_TRUE(near(p, tipwindow('a', CYLSTART), BLUEPX, 0));
    // With the SOTOC run turned away, the red figure of the TOC run shows at the start.
    const double turned[2] = {CYLSTART[0] + 0.5, CYLSTART[1]};
    RobotRuns &runs = robotruns('a');
    runs.sotocErr.fi[0][0] = turned[0];
    p = drawpicture();
    expectcylarm(p, CYLSTART, 0.25, REDPX);
    expectcylarm(p, turned, 0.25, BLUEPX);

    setupscene('b');
    p = drawpicture();
    expectscaralink1(p, SCARASTART, 0.25, BLUEPX);
    expectscaralink2(p, SCARASTART, 0.12, BLUEPX);
    robotruns('b').sotocErr.fi[0][0] = SCARASTART[0] - 0.5;
    p = drawpicture();
    expectscaralink1(p, SCARASTART, 0.25, REDPX);
    expectscaralink2(p, SCARASTART, 0.12, REDPX);
}

TEST(Picture, ArmFiguresEndNearTheGoal) {
    glready();
    setupscene('a');
    app.frame = task.nStep;
    Picture p = drawpicture();
    const double cylmissed[2] = {CYLGOAL[0] + CYLMISS[0], CYLGOAL[1] + CYLMISS[1]};
    expectcylarm(p, CYLGOAL, 0.2, BLUEPX);
    // The TOC run with error overshoots joint 1: its red arm lies beside the blue one.
    EXPECT_TRUE(near(p, onpart(layout.base, cylmissed[0], 0.25, layout.armWidth / 2), REDPX));
    EXPECT_FALSE(near(p, onpart(layout.base, CYLSTART[0], 0.25, layout.armWidth / 2), BLUEPX, 3));

    setupscene('b');
    app.frame = task.nStep;
    p = drawpicture();
    const double scaramissed[2] = {SCARAGOAL[0] + SCARAMISS[0], SCARAGOAL[1] + SCARAMISS[1]};
    expectscaralink1(p, SCARAGOAL, 0.25, BLUEPX);
    EXPECT_TRUE(near(p, onpart(layout.base, scaramissed[0], 0.25, layout.linkWidth1 / 2), REDPX));
    expectscaralink2(p, SCARAGOAL, 0.12, BLUEPX);
}

TEST(Picture, BlueGoalDiscAtTheEndPoint) {
    glready();
    for (char type : {'a', 'b'}) {
        setupscene(type);
        const Picture p = drawpicture();
        const Point2 goal = {layout.base.x + task.xf, layout.base.y + task.yf};
        // Radius 0.01 is 4 pixels.
        EXPECT_TRUE(near(p, goal, BLUEPX, 0)) << type;
        for (double dx : {-0.0075, 0.0075})
            EXPECT_TRUE(near(p, {goal.x + dx, goal.y}, BLUEPX, 0)) << type;
        for (double dx : {-0.015, 0.015}) EXPECT_FALSE(near(p, {goal.x + dx, goal.y}, BLUEPX, 0)) << type;
    }
}

TEST(Picture, RedAxesOfTheThreeGraphs) {
    glready();
    setupscene('a');
    Picture p = drawpicture();
    const Point2 origins[3] = {layout.graphPos, layout.torque1Pos, layout.torque2Pos};
    for (const Point2 &o : origins) {
        EXPECT_TRUE(near(p, {o.x + 0.15, o.y}, REDPX, 1)) << o.y;  // time axis
        EXPECT_TRUE(near(p, {o.x + 0.45, o.y}, REDPX, 1)) << o.y;
        EXPECT_TRUE(near(p, {o.x, o.y + 0.2}, REDPX, 1)) << o.y;  // value axis
        EXPECT_TRUE(near(p, {o.x + 0.0625 * 2, o.y + 0.01}, REDPX, 0)) << o.y;  // 1 s tick at 0.125
        EXPECT_FALSE(near(p, {o.x + 0.0625, o.y + 0.01}, REDPX, 0)) << o.y;
    }
    // Torque value axes reach below the time axis, the displacement axis does not.
    EXPECT_TRUE(near(p, {layout.torque1Pos.x, layout.torque1Pos.y - 0.28}, REDPX, 1));
    EXPECT_TRUE(near(p, {layout.torque2Pos.x, layout.torque2Pos.y - 0.28}, REDPX, 1));
    EXPECT_FALSE(near(p, {layout.graphPos.x, layout.graphPos.y - 0.03}, REDPX, 1));

    // Samples of 0.04 s: eight seconds on the axis, one every 0.0625.
    task.dt = 0.04;
    p = drawpicture();
    for (int j = 1; j <= 8; ++j)
        EXPECT_TRUE(near(p, {layout.torque1Pos.x + 0.0625 * j, layout.torque1Pos.y + 0.01}, REDPX, 0)) << j;
}

TEST(Picture, CurvesGrowWithTheFrame) {
    glready();
    setupscene('a');
    const RobotRuns &runs = robotruns('a');
    const double xend = layout.graphPos.x + layout.graphW - 0.003;  // last pixel of the time axis
    const double xmid = layout.graphPos.x + 140 * layout.graphW / task.nStep;
    const Point2 places[] = {
        {xend, figraphy('a', runs.tocErr.fi[task.nStep][0])},
        {xmid, figraphy('a', runs.tocErr.fi[140][0])},
        {xend, layout.torque1Pos.y - 0.5 * layout.torque1Half},  // tocErr torque -T/2
        {xend, layout.torque2Pos.y - 0.5 * layout.torque2Half},
    };
    const Point2 blueplaces[] = {
        {xmid, figraphy('a', runs.sotocErr.fi[140][0])},
        {xend, layout.torque1Pos.y + 0.5 * layout.torque1Half},  // tocFree torque +T/2
        {xend, layout.torque2Pos.y + 0.5 * layout.torque2Half},
    };
    Picture p = drawpicture();
    for (const Point2 &at : places) EXPECT_TRUE(near(p, at, WHITEPX, 0) && !near(p, at, REDPX, 2)) << at.x << " " << at.y;
    for (const Point2 &at : blueplaces) EXPECT_FALSE(near(p, at, BLUEPX, 2)) << at.x << " " << at.y;

    app.frame = task.nStep;
    p = drawpicture();
    for (const Point2 &at : places) EXPECT_TRUE(near(p, at, REDPX, 2)) << at.x << " " << at.y;
    for (const Point2 &at : blueplaces) EXPECT_TRUE(near(p, at, BLUEPX, 2)) << at.x << " " << at.y;
    // Nothing beyond the end of the time axis.
    for (const Point2 &at : places) {
        if (at.x != xend) continue;
        EXPECT_TRUE(near(p, {at.x + 0.02, at.y}, WHITEPX, 0)) << at.y;
    }
}

TEST(Picture, MaskClearsTheRightPart) {
    glready();
    setupscene('a');
    // Arm stretched to 1 m along x: its bar ends at x = 0.38 and the hand at 0.5.
    RobotRuns &runs = robotruns('a');
    const double stretched[2] = {0.0, 1.0};
    for (RunLog *run : {&runs.tocErr, &runs.sotocErr, &runs.tocFree}) {
        run->fi[0][0] = stretched[0];
        run->fi[0][1] = stretched[1];
        tipposition('a', stretched, run->P[0]);
    }
    const Picture p = drawpicture();
    EXPECT_TRUE(near(p, onpart(layout.base, 0.0, 0.8, layout.armWidth / 2), BLUEPX));
    EXPECT_TRUE(near(p, onpart(layout.base, 0.0, 0.8, -layout.armWidth / 2), BLUEPX));
    for (double d : {0.87, 1.0}) {
        for (double side : {-0.03, -0.011, 0.0, 0.011, 0.03}) {
            const Point2 at = onpart(layout.base, 0.0, d, side);
            EXPECT_TRUE(same(pixel(p, pixelof(at.x, p.w), pixelof(at.y, p.h)), WHITEPX)) << d << " " << side;
        }
    }
    // The grid stops at the mask too.
    EXPECT_TRUE(near(p, {0.6, -0.95}, WHITEPX, 0));
    EXPECT_FALSE(near(p, {0.6, -0.95}, BLACKPX, 2));
}

TEST(Picture, ZoomShrinksOnlyTheRobotPicture) {
    glready();
    setupscene('a');
    const Picture before = drawpicture();
    keyboard('w', 0, 0);
    keyboard('w', 0, 0);
    const Picture after = grab();
    ASSERT_DOUBLE_EQ(app.scale, 0.9 * 0.9);
    // The grid centre line follows the base from x = -0.5 to -0.405 (pixel 238).
    const int row = pixelof(-0.95, after.h);
    EXPECT_TRUE(same(pixel(after, 237, row), BLACKPX));
    EXPECT_TRUE(same(pixel(after, 238, row), BLACKPX));
    EXPECT_FALSE(same(pixel(after, 199, row), BLACKPX));
    EXPECT_FALSE(same(pixel(after, 200, row), BLACKPX));
    // The figure and the goal shrink about the window centre.
    for (double d : {-0.3, 0.25}) expectcylarm(after, CYLSTART, d, BLUEPX);
    const Point2 goal = {app.scale * (layout.base.x + task.xf), app.scale * (layout.base.y + task.yf)};
    EXPECT_TRUE(near(after, goal, BLUEPX, 0));
    EXPECT_FALSE(near(after, {layout.base.x + task.xf, layout.base.y + task.yf}, BLUEPX, 1));
    app.scale = 1.0;
    EXPECT_FALSE(near(after, onpart(layout.base, CYLSTART[0], 0.25, layout.armWidth / 2), BLUEPX, 1));

    // Graphs (right of the mask edge) are the same pixel for pixel.
    int differences = 0;
    for (int py = 0; py < after.h; ++py)
        for (int px = pixelof(0.36, after.w); px < after.w; ++px)
            differences += !same(pixel(before, px, py), pixel(after, px, py));
    EXPECT_EQ(differences, 0);
    // Title and legend stay where they were, wherever no grid line crosses them.
    EXPECT_GT(textpixels(after, -1.0, 0.35, 0.48, 1.0), 2000);
    EXPECT_EQ(textdifferences(before, after, -1.0, 0.35, 0.48, 1.0), 0);
}

TEST(Picture, FirstPictureShowsTitleAndLegend) {
    // Title band and legend block of the very first picture the window drew.
    EXPECT_GT(textpixels(firstpicture(), -1.0, 0.35, 0.94, 1.0), 300);
    EXPECT_GT(textpixels(firstpicture(), -1.0, 0.35, 0.48, 0.94), 1500);
}

TEST(Picture, MotionlessRunsDrawAtMidHeight) {
    glready();
    setupscene('a');
    // Start equal to end: every error-free displacement is the same.
    RobotRuns &runs = robotruns('a');
    for (int i = 0; i <= task.nStep; ++i)
        for (RunLog *run : {&runs.tocErr, &runs.sotocErr, &runs.tocFree}) run->fi[i][0] = run->fi[i][1] = 0.3;
    cyl.phif[0] = cyl.phif[1] = 0.3;
    app.frame = task.nStep;
    const Picture p = drawpicture();
    const double mid = layout.graphPos.y + 0.2;
    for (double x : {0.45, 0.65, 0.85}) EXPECT_TRUE(near(p, {x, mid}, BLUEPX, 1)) << x;
    // Zero deviations lie on the time axis.
    EXPECT_TRUE(near(p, {0.6, layout.graphPos.y}, YELLOWPX, 1));
}

TEST(Picture, SecondsLabelTakesEveryDigit) {
    glready();
    setupscene('a');
    const Point2 G = layout.graphPos;
    const double xm = G.x + layout.graphW;  // last tick for 4, 8 and 10 seconds
    // Text of the seconds label left of where a single digit starts (0.02 before the tick).
    auto labelleft = [&](const Picture &p) { return textpixels(p, xm - 0.09, xm - 0.025, G.y + 0.005, G.y + 0.05); };
    task.dt = 0.02;
    EXPECT_EQ(labelleft(drawpicture()), 0);
    task.dt = 0.05;  // ten seconds: "10"
    Picture p = drawpicture();
    EXPECT_GT(labelleft(p), 10);
    for (int j = 1; j <= 10; ++j) EXPECT_TRUE(near(p, {G.x + 0.05 * j, G.y + 0.01}, REDPX, 0)) << j;
    // Samples longer than a second: no whole second on the axis, no tick, no label.
    task.dt = 1.5;
    p = drawpicture();
    EXPECT_EQ(textpixels(p, G.x + 0.05, xm + 0.05, G.y + 0.005, G.y + 0.05), 0);
    EXPECT_FALSE(near(p, {xm, G.y + 0.015}, REDPX, 1));
}

TEST(Primitives, WideLineWidthAndTextLineFeed) {
    glready();
    // 0.005 m is 2 pixels; the plain line after it keeps 2 pixels.
    beginframe();
    drawwideline({-0.5, 0.0}, {0.5, 0.0}, 0.005, red);
    drawline({-0.5, 0.5}, {0.5, 0.5}, blue);
    drawwideline({-0.5, -0.5}, {0.5, -0.5}, 0.01, green);
    endframe();
    Picture p = grab();
    auto rows = [&](Rgb c) {
        int n = 0;
        for (int py = 0; py < p.h; ++py) n += same(pixel(p, 400, py), c);
        return n;
    };
    EXPECT_EQ(rows(REDPX), 2);
    EXPECT_EQ(rows(BLUEPX), 2);
    EXPECT_EQ(rows(GREENPX), 4);

    // A trailing line feed draws nothing of its own.
    beginframe();
    drawline({0.9, 0.9}, {0.9, 0.9}, red);  // lighting on, as in every picture
    drawtext(-0.5f, 0.0f, GLUT_BITMAP_HELVETICA_18, "(030,030)");
    endframe();
    const Picture plain = grab();
    beginframe();
    drawline({0.9, 0.9}, {0.9, 0.9}, red);
    drawtext(-0.5f, 0.0f, GLUT_BITMAP_HELVETICA_18, "(030,030)\n");
    endframe();
    const Picture withfeed = grab();
    EXPECT_GT(textpixels(plain, -0.6, 0.0, -0.1, 0.1), 50);
    EXPECT_EQ(textdifferences(plain, withfeed, -1.0, 1.0, -0.2, 0.2), 0);
}
