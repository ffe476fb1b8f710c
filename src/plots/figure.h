// Folder plots/: PLplot pictures of sweeps, maps, Monte Carlo studies and of one comparison; draws the plain records of formats/; uses records/, study/, settings/, atomicwrite/, formats/.
// The figure of one comparison for print: the tip paths in the plane, both joint
// displacements and both joint torques against time of error-free TOC (grey), TOC
// (orange) and SOTOC (blue) designed with the mass error, with the designed switching
// instants, goals and torque limits, TOC dashed with squares and SOTOC solid with
// circles, drawn with PLplot into a PNG, SVG or PDF file
// from the robot's trajectory log as the comparison pass left it.
#pragma once

#include <string>

#include "plots/page.h"

// The panels of the figure of one pass. Written by figurelayout; read by
// drawcomparison and by whoever maps a point of the runs onto the page.
struct FigureLayout {
    Panel path;    // tip paths: x [m] across, y [m] up, one metre as long both ways on the page
    Panel fi[2];   // joint 1, 2 displacement [rad; cylindrical joint 2: m] against time [s]
    Panel tau[2];  // joint 1, 2 torque [N m; cylindrical joint 2: force, N] against time [s]
};

// Where the figure of a compared pass puts its panels, and the world coordinates
// each shows: all of the three logged runs, the start and the goal, the torque limits;
// over the options' page, time axis and title.
FigureLayout figurelayout(const ComparisonSettings &s, const ComparisonResult &r, const FigureOptions &o = {});

// Room after the last final time of the runs on the default time axis, as a share of it.
constexpr double TIMEMARGIN = 0.15;

// The time axis the figure shows by default: from the start to the last final time of
// the three runs (designed or, for SOTOC, reached) and a margin, within the logged span.
Range motiontime(const ComparisonResult &r);

// Draws the pass `r` run with settings `s` (the records as the pass left them) into
// the begun output and ends it; the device follows the extension of its target:
// .png, .svg or .pdf. Fails, the output abandoned, when the pass did not compare
// (no solution), the extension is unknown or the file cannot be written.
Outcome drawcomparison(OutputFile &picture, const ComparisonSettings &s, const ComparisonResult &r,
                       const FigureOptions &o = {});
