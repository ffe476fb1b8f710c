// The grid of a map: one or two axes NAME=FROM:TO:STEP, each varying one setting of
// the comparison (the mass error, a reduction ratio or both, a coordinate of the
// start or end point), and the settings of each of its points. Pure functions:
// they print nothing and never exit.
#pragma once

#include <string>
#include <vector>

#include "jobs/grid.h"
#include "settings/request.h"
#include "settings/settings.h"

// One axis. Written by parseaxis; read by the map.
struct MapAxis {
    PlotAxis kind;  // the setting it varies (settings/settings.h), AXISNONE for none
    Grid grid;      // values of the setting, in its unit
};

// The axes of a map: points run with y outer and x inner, point p is (p mod nx, p div nx).
struct MapGrid {
    MapAxis x, y;  // y.kind AXISNONE for a one-axis map
};

// Parses "NAME=FROM:TO:STEP", NAME one of the axes' names, with the grid rules of
// parsegrid in the range of the setting it varies (its row of the table). Refuses,
// saying why, an unknown name and a grid parsegrid refuses.
Outcome parseaxis(const std::string &text, MapAxis &axis);

// The axis of NAME: an axis of the table, design-error:NAME or param:NAME of a
// primary value some arm takes. Refuses another, saying why: "with NAME one of ...".
Outcome axisnamed(const std::string &name, PlotAxis &a);

// Refuses a point the SCARA cannot reach at its start or end, saying why.
Outcome checkreaches(const CompareRequest &r);

// Refuses, as "--OPTION: 'VALUE' refused; why", axes that vary a same value (the
// same axis twice, ratios with ratio1 or ratio2), a map of more than MAXGRIDPOINTS
// points, and a comparison option (`given`) that the axes replace in every point:
// --error with an error axis, --ratios with a ratios axis or with ratio1 and ratio2,
// --start with start-x and start-y, --end with end-x and end-y. An option the axes
// replace only in part gives the values they leave (--end with end-x: end-y).
// `typed` holds the axes' texts as given ("" for none). Succeeds when the map may run.
Outcome checkaxes(const MapGrid &grid, const std::string typed[2], const CompareOptionValues &given);

// An axis that sets a value of the comparison, and the option that gives it ("x",
// "uncertain") as refusals name it.
struct AxisUse {
    PlotAxis kind;       // the setting it sets, AXISNONE for none
    std::string option;  // its option's name without the dashes
};

// Refuses, as "--OPTION: 'VALUE' refused; --AXISOPTION NAME WHY", a comparison option
// (`given`) whose every value one of `axes` sets: a setting of the table that the axes
// set whole (`setwhy`, naming each axis that sets a part), or a value of --design-error
// or --param that an axis sets (`namedwhy`). Succeeds when no option is replaced.
Outcome checkgivenreplaced(const std::vector<AxisUse> &axes, const CompareOptionValues &given,
                           const std::string &setwhy, const std::string &namedwhy);

// Points along an axis (1 for AXISNONE) and in the whole map.
int axiscount(const MapAxis &axis);
int mapcount(const MapGrid &grid);

// The settings of point (i, j): `base` with the axes' values put in.
CompareRequest mappoint(const MapGrid &grid, const CompareRequest &base, int i, int j);
