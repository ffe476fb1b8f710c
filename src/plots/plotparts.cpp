#include "plots/plotparts.h"

#include <plplot.h>

#include "formats/titles.h"
#include "formats/resultjson.h"

#include <algorithm>
#include <cmath>

namespace {

// Decades shown when no positioning error is positive (none compared).
constexpr double EMPTYLOGLO = -3.0;
constexpr double EMPTYLOGHI = 0.0;

// The settings the points share, without those the axes vary, and the axes:
// {"settings": ..., "x": AXIS, "y": AXIS}. The same whichever point was read first.
nlohmann::ordered_json setupjson(const PlotSetup &setup) {
    nlohmann::ordered_json shared = settingsjson(setup.request);
    for (PlotAxis a : {setup.xaxis, setup.yaxis}) {
        if (a == AXISNONE) continue;
        const char *setting = settingrow(axissetting(a)).name;
        if (tableaxis(a)) {
            shared.erase(setting);
            continue;
        }
        if (!shared.contains(setting)) continue;  // a parameter's axis: only its own value goes
        shared[setting].erase(parameterrow(axisparameter(a)).name);
        if (shared[setting].empty()) shared.erase(setting);
    }
    nlohmann::ordered_json j = {{"settings", shared}, {"x", axisname(setup.xaxis)}};
    if (setup.yaxis != AXISNONE) j["y"] = axisname(setup.yaxis);
    return j;
}

}  // namespace

namespace {

// Calls take(v) for the measure's value v of each run of the compared points that
// has one: TOC's, and SOTOC's when it reached its last phase or `unfinished`.
template <class Take>
void eachvalue(const std::vector<PlotPoint> &p, bool unfinished, Measure m, Take take) {
    for (const PlotPoint &s : p) {
        if (s.outcome != POINTCOMPARED) continue;
        const bool sotoc = unfinished || s.sotocFinished;
        for (double v : {measureof(s, m, false), measureof(s, m, sotoc)})
            if (std::isfinite(v)) take(v);
    }
}

}  // namespace

Range logrange(const std::vector<PlotPoint> &p, bool unfinished, Measure m) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    eachvalue(p, unfinished, m, [&](double v) {
        if (v <= 0.0) return;
        lo = std::min(lo, std::log10(v));
        hi = std::max(hi, std::log10(v));
    });
    if (lo > hi) return {EMPTYLOGLO, EMPTYLOGHI};
    lo = std::floor(lo);
    hi = std::ceil(hi);
    return {lo, hi > lo ? hi : lo + 1.0};
}

Range valuerange(const std::vector<PlotPoint> &p, bool unfinished, Measure m) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    eachvalue(p, unfinished, m, [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    });
    if (lo > hi) return {0.0, 1.0};
    return {lo, hi > lo ? hi : lo + 1.0};
}

Outcome beginpage(OutputFile &picture, const std::vector<PlotPoint> &points, const PlotSetup &setup,
                  const FigureOptions &o, const std::string &title) {
    if (points.empty() && !plotdevice(picture.target).empty()) {
        abandonoutput(picture);
        return failure("no results to plot");
    }
    FigureOptions named = o;
    if (named.settings.empty()) named.settings = setupjson(setup).dump();
    return beginpage(picture, named, title);
}

std::vector<std::string> pagetitle(const PlotSetup &setup, const std::string &kind, const FigureOptions &o) {
    return titlelines(plottitle(setup, kind), settingstitle(setup), o);
}

void drawsettingstitle(const PlotSetup &setup, const std::string &kind, const Viewport &under,
                       const FigureOptions &o) {
    drawtitlelines(under, pagetitle(setup, kind, o));
}

int countoutcome(const std::vector<PlotPoint> &p, PointOutcome o) {
    return static_cast<int>(std::count_if(p.begin(), p.end(), [o](const PlotPoint &s) { return s.outcome == o; }));
}

int countnovalue(const std::vector<PlotPoint> &p, Measure m) {
    int n = 0;
    for (const PlotPoint &s : p)
        if (s.outcome == POINTCOMPARED) n += std::isnan(measureof(s, m, false)) + std::isnan(measureof(s, m, true));
    return n;
}
