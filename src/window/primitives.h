// Drawing primitives: the metre-to-window mapping, lines, wide lines, bitmap text
// and the colours. Every line and shape switches lighting off while it draws.
#pragma once

#include "records/records.h"

// An RGBA colour. Alpha is 0 everywhere; blending is never enabled.
struct Colour {
    float r, g, b, a;
};

extern const Colour red;
extern const Colour green;
extern const Colour blue;
extern const Colour yellow;
extern const Colour white;

// Metres to window units: 400 pixels per metre over a half window of 400 pixels.
double towin(double v);

// One segment at the current line width.
void drawline(const Point2 &p1, const Point2 &p2, const Colour &colour);

// One segment w metres wide; leaves the line width at 2 pixels.
void drawwideline(const Point2 &p1, const Point2 &p2, double w, const Colour &colour);

// A run of wide segments, the picture of drawwideline called for each in turn: within
// the run lighting stays off and the line width is set only where it changes. Without
// state changes between them, OpenGL draws many segments as one batch. Only tip dots
// (figures.h) may be drawn between the segments of a run.
void beginwidelines();
void widesegment(const Point2 &p1, const Point2 &p2, double w, const Colour &colour);
// Ends the run; leaves the line width at 2 pixels and lighting on.
void endwidelines();

// Bitmap text from (x, y) on its baseline; font is a GLUT bitmap font.
void drawtext(float x, float y, void *font, const char *text);
