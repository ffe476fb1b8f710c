// Rendering tests: a private X server, the window, hand-made runs and read-back pictures.
#pragma once

#include <functional>
#include <vector>

#include "records/records.h"
#include "simulation/control.h"
#include "simulation/simulation.h"
#include "records/layout.h"
#include "tests/support/imagedecode.h"

constexpr Rgb REDPX = {255, 0, 0};
constexpr Rgb BLUEPX = {0, 0, 255};
constexpr Rgb GREENPX = {0, 255, 0};
constexpr Rgb YELLOWPX = {255, 255, 0};
constexpr Rgb WHITEPX = {255, 255, 255};
constexpr Rgb BLACKPX = {0, 0, 0};

// The window's front buffer, rows from the bottom.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
};

// Starts the X server and opens the window once per process.
void glready();

// The standard task and layout with hand-made runs of both robots: the error-free
// and SOTOC runs move from the start to the goal pose over rows 0..nStep, the TOC run
// with error ends `miss` beyond the goal. Frame 0, scale 1, robot `type`.
void setupscene(char type);

// Joint poses and misses of the hand-made runs.
extern const double CYLSTART[2], CYLGOAL[2], CYLMISS[2];
extern const double SCARASTART[2], SCARAGOAL[2], SCARAMISS[2];

// Draws a picture with display() and reads it back.
Picture drawpicture();
// Reads back what the window shows now.
Picture grab();
// The first picture the window showed in this process.
const Picture &firstpicture();

// Pixel column or row of a window coordinate (pixel whose lower left corner it is).
int pixelof(double v, int size);
Rgb pixel(const Picture &p, int px, int py);
// Whether any pixel within `radius` pixels of the window point (x, y) has the colour.
bool colournear(const Picture &p, double x, double y, Rgb c, int radius = 2);
bool same(Rgb a, Rgb b);
// Text is drawn in the near-black colour lighting gives it (grey, not black).
bool istext(Rgb c);
// Pixels for which `which` holds in the window's columns from x0 to x1 and rows from
// y0 to y1 [window units].
int pixelswhere(const Picture &p, double x0, double x1, double y0, double y1, const std::function<bool(Rgb)> &which);

