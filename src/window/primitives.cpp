#include "window/primitives.h"

#include <GL/freeglut.h>

const Colour red = {1, 0, 0, 0};
const Colour green = {0, 1, 0, 0};
const Colour blue = {0, 0, 1, 0};
const Colour yellow = {1, 1, 0, 0};
const Colour white = {1, 1, 1, 0};

namespace {

// Pixels per metre of robot geometry and half the initial window width in pixels.
constexpr double PIXELSPERMETRE = 400.0;
constexpr double HALFWINDOWPIXELS = 400.0;
// Line width every wide line leaves behind [pixels].
constexpr float RESTWIDTH = 2.0f;

// Line width of the segments of the current run, none before its first [pixels].
constexpr float NOWIDTH = -1.0f;
float runwidth = NOWIDTH;

void segment(const Point2 &p1, const Point2 &p2) {
    glBegin(GL_LINES);
    glVertex2d(towin(p1.x), towin(p1.y));
    glVertex2d(towin(p2.x), towin(p2.y));
    glEnd();
}

// Line width in pixels of a line w metres wide.
float linewidth(double w) { return static_cast<float>(towin(w) * PIXELSPERMETRE); }

}  // namespace

double towin(double v) { return v * PIXELSPERMETRE / HALFWINDOWPIXELS; }

void drawline(const Point2 &p1, const Point2 &p2, const Colour &colour) {
    glDisable(GL_LIGHTING);
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    segment(p1, p2);
    glEnable(GL_LIGHTING);
}

void drawwideline(const Point2 &p1, const Point2 &p2, double w, const Colour &colour) {
    glDisable(GL_LIGHTING);
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    glLineWidth(linewidth(w));
    segment(p1, p2);
    glLineWidth(RESTWIDTH);
    glEnable(GL_LIGHTING);
}

void beginwidelines() {
    glDisable(GL_LIGHTING);
    runwidth = NOWIDTH;
}

void widesegment(const Point2 &p1, const Point2 &p2, double w, const Colour &colour) {
    const float width = linewidth(w);
    if (width != runwidth) {
        glLineWidth(width);
        runwidth = width;
    }
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    segment(p1, p2);
}

void endwidelines() {
    runwidth = NOWIDTH;
    glLineWidth(RESTWIDTH);
    glEnable(GL_LIGHTING);
}

void drawtext(float x, float y, void *font, const char *text) {
    glPushAttrib(GL_CURRENT_BIT);
    glRasterPos2f(x, y);
    for (const char *c = text; *c; ++c) glutBitmapCharacter(font, static_cast<unsigned char>(*c));
    glPopAttrib();
}
