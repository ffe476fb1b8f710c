// What the sweep and map pictures share beyond the page: the range of the
// positioning errors, the title of their settings and the counts of outcomes.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "plots/page.h"
#include "plots/plot.h"

// Whole decades around every positive value of the measure of the compared points
// [log10 of its unit]; at least one decade. `unfinished`: also SOTOC's of runs that
// never reached their last phase.
Range logrange(const std::vector<PlotPoint> &p, bool unfinished, Measure m = MEASUREERROR);

// From the smallest to the largest value of the measure, taken as logrange takes
// them [its unit]; a span of 1 above a single value, 0 to 1 without any.
Range valuerange(const std::vector<PlotPoint> &p, bool unfinished, Measure m);

// beginpage that also fails, the output abandoned, when there are no points; the
// metadata's settings, unless the options name them, are the setup's request's
// with the axes.
Outcome beginpage(OutputFile &picture, const std::vector<PlotPoint> &points, const PlotSetup &setup,
                  const FigureOptions &o, const std::string &title);

// The title lines above the viewport: `kind` and robot, motion and elbow; then
// the settings, each an axis varies named by its letter; broken to the width of a
// one-column page (titlelines).
std::vector<std::string> pagetitle(const PlotSetup &setup, const std::string &kind, const FigureOptions &o);
void drawsettingstitle(const PlotSetup &setup, const std::string &kind, const Viewport &under,
                       const FigureOptions &o = {});

// Counts of the points that ended as `o`.
int countoutcome(const std::vector<PlotPoint> &p, PointOutcome o);

// The number of the points for which `which` holds.
template <class Which>
int countpoints(const std::vector<PlotPoint> &p, Which which) {
    return static_cast<int>(std::count_if(p.begin(), p.end(), which));
}

// The runs of TOC and SOTOC at compared points that have no value of the measure.
int countnovalue(const std::vector<PlotPoint> &p, Measure m);
