// The pictures of comparison results drawn with PLplot into a PNG, SVG or PDF
// file: a sweep (or a map over one setting) as positioning errors and final times
// of TOC (red) and SOTOC (blue) against the varied setting; a map over two settings
// as heatmaps of both positioning errors and of which controller came closer. Draws
// from plain records, so it knows nothing of how they were made.
#pragma once

#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "plots/page.h"
#include "study/comparison.h"
#include "settings/request.h"

// The settings a map can vary, one along each axis.
enum PlotAxis {
    AXISERROR,   // mass error of the design [%]
    AXISRATIO1,  // reduction ratio u1
    AXISRATIO2,  // reduction ratio u2
    AXISRATIOS,  // both reduction ratios, equal
    AXISSTARTX,  // start point x [m]
    AXISSTARTY,  // start point y [m]
    AXISENDX,    // end point x [m]
    AXISENDY,    // end point y [m]
    AXISNONE,    // no setting: the number of axes, and a picture without a y axis
};

// Names of the axes as a map takes them: "error", "ratio1", "ratio2", "ratios",
// "start-x", "start-y", "end-x", "end-y".
extern const char *const AXISNAMES[AXISNONE];

// The value of a request's setting along axis a (AXISRATIOS: u1) [its unit].
double axisvalue(PlotAxis a, const CompareRequest &r);

// The axis's label with its unit, for robot `type` (the cylindrical joint 2 is prismatic).
std::string axislabel(PlotAxis a, char type);

// How a point of a picture ended.
enum PointOutcome {
    POINTCOMPARED,    // both designs solved and the three runs made
    POINTNOSOLUTION,  // a switching-time design has no solution; no figures
    POINTNOTRUN,      // its settings could not run (a SCARA point out of reach); no figures
};

// One comparison of a sweep or a map. Written by the result-file reader; read by
// the pictures. The figures are set only for POINTCOMPARED.
struct PlotPoint {
    double x;            // value of the setting along the x axis [its unit]
    double y;            // value along the y axis of a two-axis map, else 0 [its unit]
    int i, j;            // grid indices along x and y of a map; 0 for a sweep
    PointOutcome outcome;
    double tocError;     // positioning error with the velocity term of TOC with the error [m]
    double sotocError;   // same of SOTOC with the error [m]
    double tocTf;        // final time of TOC with the error [s]
    double sotocTf;      // final time SOTOC reached, or the end of the run when it did not [s]
    bool sotocFinished;  // SOTOC reached its last phase
    double tfFree;       // final time of error-free TOC [s]; NaN when it has no solution or did not run
};

// What every point of a picture shares. Written by the result-file reader; read by
// the pictures (title, axes, the workspace of a map over one point's coordinates).
struct PlotSetup {
    CompareRequest request;  // settings of a point: those not along an axis are every point's
    bool map;                // the results are a map's (grid indices), not a sweep's
    PlotAxis xaxis;          // setting along the x axis
    PlotAxis yaxis;          // setting along the y axis; AXISNONE for a sweep or a one-axis map
    double reachInner;       // SCARA: smallest distance of a reached point from the base, |L1 - L2| [m]
    double reachOuter;       // SCARA: largest distance, L1 + L2 [m]
};

// Draws the picture of the points into the begun output and ends it: the sweep
// picture without a y axis, the map picture with one. The device follows the
// extension of the target: .png, .svg or .pdf. The points may come in any order.
// Returns false with a message, the output abandoned, when the extension is
// unknown, there are no points or the file cannot be written.
bool drawplot(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
              std::string &message);

// The sweep picture's legend entry of the dashed line: the error-free final time
// the points share, or why there is none (a map none of whose points was in reach
// ran none).
std::string freetimelegend(const std::vector<PlotPoint> &points);

// The two pictures drawplot chooses from, with its contract.
bool drawsweep(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
               std::string &message);
bool drawmap(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
             std::string &message);

// Size of the map picture: pixels of a PNG, points of an SVG or PDF.
constexpr int MAPPAGEWIDTH = 1500;
constexpr int MAPPAGEHEIGHT = 815;

// Where the three panels of a map picture lie (TOC's error, SOTOC's error, which
// came closer) and the axes' window they share.
struct MapFrame {
    double left[3], right[3];  // horizontal edges of each panel [share of the page width, from the left]
    double bottom, top;        // vertical edges of the panels [share of the page height, from the bottom]
    double xlo, xhi;           // x axis at the left and right edges [its unit]
    double ylo, yhi;           // y axis at the bottom and top edges [its unit]
};

// The frame of a two-axis map of the points (at least one); the workspace (axes of
// one point's coordinates) gets equal scales.
MapFrame mapframe(const PlotSetup &setup, const std::vector<PlotPoint> &points);

