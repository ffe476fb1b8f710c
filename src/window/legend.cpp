#include "window/legend.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "records/records.h"
#include "window/figures.h"
#include "window/graphs.h"
#include "window/primitives.h"

namespace {

const char DIGITS[] = "0123456789";
constexpr long WHOLEMAX = 999999999;  // WHOLEDIGITSMAX nines
// Digits always shown: ratios as hundreds, tens, units; percentages as tens, units;
// in the rendered picture only those the number has.
constexpr int RATIODIGITS = 3;
constexpr int PERCENTDIGITS = 2;
constexpr int PLAINDIGITS = 1;

// Texts written in place: "(u1,u2)\n" and "e%\n\n", each with its terminator; the
// rendered picture's "(u1, u2)\n" and "e %\n\n" a character longer.
char ratioText[1 + WHOLETEXTMAX + 2 + WHOLETEXTMAX + 2 + 1];
char percentText[WHOLETEXTMAX + 4 + 1];

void *const LEGENDFONT = GLUT_BITMAP_HELVETICA_18;
constexpr float TITLEX = -0.99f;  // start of the title
constexpr float ROWX = -0.95f;    // first legend row
constexpr float LABELX = -0.90f;  // the rows below it
constexpr float RATIOX = -0.40f;  // ratio value after its label
constexpr float PERCENTX = -0.55f;

// A double as a whole number writedigits accepts; not-a-number counts as 0.
long whole(double v) {
    if (std::isnan(v)) return 0;
    if (v > WHOLEMAX) return WHOLEMAX;
    if (v < -WHOLEMAX) return -WHOLEMAX;
    return static_cast<long>(v);
}

}  // namespace

int writedigits(char *out, long n, int width) {
    int len = 0;
    if (n < 0) out[len++] = '-';
    unsigned long m = n < 0 ? 0ul - static_cast<unsigned long>(n) : static_cast<unsigned long>(n);
    if (m > static_cast<unsigned long>(WHOLEMAX)) m = WHOLEMAX;
    char reversed[WHOLEDIGITSMAX];
    int count = 0;
    do {
        reversed[count++] = DIGITS[m % 10];
        m /= 10;
    } while (m > 0);
    if (width > WHOLEDIGITSMAX) width = WHOLEDIGITSMAX;
    while (count < width) reversed[count++] = DIGITS[0];
    while (count > 0) out[len++] = reversed[--count];
    return len;
}

const char *ratiotext(double u1, double u2) {
    const int digits = layout.rendered ? PLAINDIGITS : RATIODIGITS;
    char *p = ratioText;
    *p++ = '(';
    p += writedigits(p, whole(std::trunc(u1)), digits);
    *p++ = ',';
    if (layout.rendered) *p++ = ' ';
    p += writedigits(p, whole(std::trunc(u2)), digits);
    std::strcpy(p, ")\n");
    return ratioText;
}

const char *percenttext(double errRatio) {
    // Rounded, not truncated: 100 * 0.29 lies just below 29.
    const int digits = layout.rendered ? PLAINDIGITS : PERCENTDIGITS;
    char *p = percentText + writedigits(percentText, whole(std::round(100.0 * errRatio)), digits);
    std::strcpy(p, layout.rendered ? " %\n\n" : "%\n\n");
    return percentText;
}

void drawtitle() {
    const char *const title = "State Observed Time Optimal Control : Comparison with normal TOC";
    void *font = LEGENDFONT;
    if (layout.rendered) {
        // The largest font in which the title fits the window's width from its start.
        const double room = (1.0 - TITLEX) / 2.0 * glutGet(GLUT_WINDOW_WIDTH);  // [pixels]
        for (void *smaller : {GLUT_BITMAP_HELVETICA_12, GLUT_BITMAP_HELVETICA_10})
            if (glutBitmapLength(font, reinterpret_cast<const unsigned char *>(title)) > room) font = smaller;
    }
    drawtext(TITLEX, 0.95f, font, title);
}

void drawlegend(char type) {
    const RobotParams &robot = robotparams(type);
    if (type == ROBOTCYL) drawtext(ROWX, 0.90f, LEGENDFONT, "(a) Cylindrical coordinate robot");
    if (type == ROBOTSCARA) drawtext(ROWX, 0.90f, LEGENDFONT, "(b) SCARA robot");
    if (app.sgnG == MOTIONVERTICAL) drawtext(LABELX, 0.85f, LEGENDFONT, "Vertical motion");
    if (app.sgnG == MOTIONHORIZONTAL) drawtext(LABELX, 0.85f, LEGENDFONT, "Horizontal motion");
    drawtext(LABELX, 0.80f, LEGENDFONT, "Reduction ratio (u1, u2)=");
    drawtext(RATIOX, 0.80f, LEGENDFONT, ratiotext(robot.u1, robot.u2));
    drawtext(LABELX, 0.75f, LEGENDFONT, "Mass error ratio=");
    drawtext(PERCENTX, 0.75f, LEGENDFONT, percenttext(task.errRatio));
    drawtext(LABELX, 0.70f, LEGENDFONT, "blue   : (a) State Observed TOC");
    drawtext(LABELX, 0.65f, LEGENDFONT, "red    : (b) Normal TOC");
    // Trails: yellow SOTOC (a), green TOC (b); the displacement graph pairs them the
    // other way round on purpose, with its own legend.
    char text[64];
    std::snprintf(text, sizeof text, "yellow : %.0f*error position of (a)", ERRORGAIN);
    drawtext(LABELX, 0.60f, LEGENDFONT, text);
    std::snprintf(text, sizeof text, "green  : %.0f*error position of (b)", ERRORGAIN);
    drawtext(LABELX, 0.55f, LEGENDFONT, text);
    std::snprintf(text, sizeof text, "1 grid=(%.1f, %.1f)[m]", GRIDSPACING, GRIDSPACING);
    drawtext(LABELX, 0.50f, LEGENDFONT, text);
}
