// Folder window/: the interactive window: keys, playback, drawing (the only OpenGL/GLUT code); uses records/, simulation/.
// Shapes, the metric grid, both robots' figures with hand and workpiece, the goal
// mark and the tip dots. Every routine switches lighting off while it draws.
#pragma once

#include "window/primitives.h"

// Filled circle of 120 vertices about centre.
void drawdisc(const Point2 &centre, double r, const Colour &colour);
// Circle outline through the same 120 points as drawdisc.
void drawcircle(const Point2 &centre, double r, const Colour &colour);
// Filled half circle turning clockwise from the angle a0 [rad].
void drawhalfdisc(const Point2 &centre, double r, double a0, const Colour &colour);
// Open outline of the same half circle.
void drawarc(const Point2 &centre, double r, double a0, const Colour &colour);
// Filled rectangle from its corner: length w along the angle [rad], width h to its left.
void drawbox(const Point2 &corner, double w, double h, double angle, const Colour &colour);
// Outline of the same rectangle.
void drawframe(const Point2 &corner, double w, double h, double angle, const Colour &colour);

// Spacing of the metric grid under the robot at zoom 1 [m].
constexpr double GRIDSPACING = 0.1;

// Black grid of cells x cells on each side of its centre lines (2 pixels wide, the
// rest 1 pixel), spacing dx, dy; leaves the line width at 1 pixel.
void drawgrid(const Point2 &centre, double angle, int cells, double dx, double dy);

// Cylindrical robot at joint state q = (column angle [rad], arm extension [m]).
void drawcyl(const double q[2], const Colour &colour);
// SCARA robot at joint state q = (joint 1, joint 2 from link 1) [rad].
void drawscara(const double q[2], const Colour &colour);
// SCARA link k (1 or 2) from its joint (unzoomed) along the angle [rad].
void drawscaralink(int k, const Point2 &joint, double len, double width, double angle, const Colour &colour);
// Hand with wrist, fingers and workpiece; tip point H unzoomed, pointing along the angle [rad].
void drawhand(const Point2 &H, double angle, const Colour &colour);

// Goal disc at the point (x, y) [m] relative to the base.
void drawgoal(double x, double y, const Colour &colour);
// Tip dot at a logged tip position p [m] relative to the base: the picture of
// drawdisc with radius 0.008 m. Drawn within a run of wide lines (primitives.h), which
// keeps lighting off, with the identity modelview.
void drawtip(const double p[2], const Colour &colour);
