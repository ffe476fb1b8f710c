// The title lines of the sweep and map pictures, from the settings their result
// lines share: the program's pictures and the module's draw the same words.
#pragma once

#include <string>

#include "formats/resultfile.h"
#include "study/comparison.h"

// printf into a string.
std::string printed(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "SCARA robot, vertical motion, elbow up" and the like.
std::string robottitle(const ComparisonSettings &s);

// Hexadecimal digits of a robot file's digest a title shows: enough to tell the
// files of one study apart at a glance.
constexpr size_t TITLEDIGESTDIGITS = 8;

// What a picture of the setup is: "Map" for a map's lines, else "Mass-error sweep".
std::string plotkind(const PlotSetup &setup);

// The first title line: `kind` (plotkind), the robot, motion and elbow, and the robot file the
// lines name, by its file name and the first digits of its SHA-256 digest:
// "Map: SCARA robot, vertical motion, elbow up;  robot file arm.toml (SHA-256 3f2a9c01)".
std::string plottitle(const PlotSetup &setup, const std::string &kind);

// The second: the ratios, the move, the mass error and the settings off their
// defaults, each value an axis varies named by the axis's letter.
std::string settingstitle(const PlotSetup &setup);
