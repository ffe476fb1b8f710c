#include "formats/resultfile.h"

#include <algorithm>
#include <cmath>
#include <ext/stdio_filebuf.h>
#include <filesystem>
#include <istream>
#include <map>
#include <stdexcept>
#include <utility>

#include <nlohmann/json.hpp>

#include "records/records.h"
#include "formats/resultjson.h"
#include "settings/inputfile.h"
#include "settings/request.h"
#include "settings/usertext.h"

namespace {

using json = nlohmann::ordered_json;

// Largest final time and positioning error a plot takes [s], [m]: far beyond any run
// (seconds, and the tens of metres of a SOTOC run that never finished), and small
// enough that the axes' arithmetic stays finite.
constexpr double MAXPLOTTIME = 1e6;
constexpr double MAXPLOTERROR = 1e6;

// The axes a picture can lie along, in the order of PlotAxis, those of the
// parameters included: those that vary one number of a setting, and those that vary
// several numbers of a setting together (both encoders' counts, the noise's standard
// deviations), but not both ratios together (AXISRATIOS: read as ratio1 and ratio2,
// then merged by mergeratios).
std::vector<PlotAxis> readaxes() {
    std::vector<PlotAxis> axes;
    for (int a = 0; a < AXISEND; ++a) {
        const PlotAxis axis = static_cast<PlotAxis>(a);
        if (a == AXISNONE || a == AXISRATIOS) continue;
        if (tableaxis(axis) || namedbyanyarm(axissetting(axis), axisparameter(axis)))
            axes.push_back(axis);
    }
    return axes;
}

// A refusal of line k of the reading: "FILE:LINE: why".
std::runtime_error refusal(const ResultReading &r, size_t k, const std::string &why) {
    return std::runtime_error(r.names[r.lines[k].file] + ":" + std::to_string(r.lines[k].line) + ": " + why);
}

std::string where(const ResultReading &r, size_t k) {
    return r.names[r.lines[k].file] + ":" + std::to_string(r.lines[k].line);
}

// The number `name` [unit] read from `value`, refused unless a plot can draw it: 0 to `most`.
double readplotnumber(const json &value, const char *name, double most, const char *unit) {
    const double v = value.get<double>();
    if (v >= 0.0 && v <= most) return v;
    throw std::runtime_error(std::string(name) + " " + numbertext(v) + " " + unit + " out of range; a plot takes 0 to " +
                             numbertext(most) + " " + unit);
}

// Member `name` of a run read as readplotnumber does; NaN when it is null or left out
// (lines of older programs).
double readmissing(const json &run, const std::string &at, const char *name, double most, const char *unit) {
    if (!run.contains(name) || run.at(name).is_null()) return NAN;
    return readplotnumber(run.at(name), (at + name).c_str(), most, unit);
}

// A grid index of the "map" object, 0 to MAXMAPINDEX.
int gridindex(const json &value, const char *name) {
    if (value.is_number_integer() && value.get<long long>() >= 0 && value.get<long long>() <= MAXMAPINDEX)
        return static_cast<int>(value.get<long long>());
    throw std::runtime_error(std::string(name) + " " + value.dump() + " refused; accepts a whole number from 0 to " +
                             std::to_string(MAXMAPINDEX));
}

PointOutcome outcomeof(const json &r) {
    const std::string o = r.at("outcome").get<std::string>();
    if (o == outcomeword(COMPARED)) return POINTCOMPARED;
    if (o == outcomeword(NOFREESOLUTION) || o == outcomeword(NOERRSOLUTION)) return POINTNOSOLUTION;
    if (o.empty()) throw std::runtime_error("outcome \"\" refused");
    return POINTNOTRUN;  // "unreachable", or why its settings were refused
}

// The settings object of a result, checked as a batch line is; a point that could
// not run needs no reach.
CompareRequest requestof(const json &s, PointOutcome o) {
    CompareRequest r;
    const Outcome taken = o == POINTNOTRUN ? requestfromobjectwithoutreach(s, r) : requestfromobject(s, r);
    if (!taken.ok()) throw std::runtime_error("settings: " + taken.message);
    return r;
}

// Whether a design of a result was solved only by the wide search (lines of older
// programs say nothing of the search: no).
bool widesolved(const json &design) {
    return design.is_object() && design.contains("search") && design.at("search") == "wide";
}

// The outcome and the figures of a result.
PlotPoint pointof(const json &r) {
    PlotPoint p = {};
    p.outcome = outcomeof(r);
    p.tfFree = NAN;
    if (p.outcome == POINTNOTRUN) return p;
    p.noerrsolution = r.at("outcome") == outcomeword(NOERRSOLUTION);
    const json &designs = r.at("designs");
    p.otherstructure = designs.contains("samestructure") && designs.at("samestructure") == false;
    p.wideonly = widesolved(designs.at("free")) || widesolved(designs.at("error"));
    const json &free = designs.at("free");
    if (free.at("solved").get<bool>())
        p.tfFree = readplotnumber(free.at("ts").at(3), "designs.free.ts[3]", MAXPLOTTIME, "s");
    if (p.outcome != POINTCOMPARED) return p;
    const json &toc = r.at("runs").at("tocErr"), &sotoc = r.at("runs").at("sotocErr");
    p.tocError = readplotnumber(toc.at("error"), "runs.tocErr.error", MAXPLOTERROR, "m");
    p.tocTf = readplotnumber(toc.at("tf"), "runs.tocErr.tf", MAXPLOTTIME, "s");
    p.sotocError = readplotnumber(sotoc.at("error"), "runs.sotocErr.error", MAXPLOTERROR, "m");
    p.sotocTf = readplotnumber(sotoc.at("tf"), "runs.sotocErr.tf", MAXPLOTTIME, "s");
    p.sotocFinished = sotoc.at("finished").get<bool>();
    p.tocDesignedTip = readmissing(toc, "runs.tocErr.", "designedTipError", MAXPLOTERROR, "m");
    p.sotocDesignedTip = readmissing(sotoc, "runs.sotocErr.", "designedTipError", MAXPLOTERROR, "m");
    p.tocEndTip = readmissing(toc, "runs.tocErr.", "endTipError", MAXPLOTERROR, "m");
    p.sotocEndTip = readmissing(sotoc, "runs.sotocErr.", "endTipError", MAXPLOTERROR, "m");
    p.tocSettling = readmissing(toc, "runs.tocErr.", "settlingTime", MAXPLOTTIME, "s");
    p.sotocSettling = readmissing(sotoc, "runs.sotocErr.", "settlingTime", MAXPLOTTIME, "s");
    return p;
}

// The program that wrote a result, in words; "" for a line without one.
std::string programof(const json &r) {
    if (!r.contains("program")) return "";
    const json &p = r.at("program");
    return programtext(p.at("version").get<std::string>(), p.at("commit").get<std::string>());
}

ResultLine lineof(const json &r) {
    ResultLine l = {};
    l.point = pointof(r);
    l.request = requestof(r.at("settings"), l.point.outcome);
    l.program = programof(r);
    l.map = r.contains("map");
    if (!l.map) return l;
    const json &m = r.at("map");
    l.point.i = gridindex(m.at("i"), "map.i");
    if (m.contains("j") && !m.at("j").is_null()) l.point.j = gridindex(m.at("j"), "map.j");
    return l;
}

// A batch's object for an input line it could not run.
bool badline(const json &r) { return r.is_object() && r.contains("line") && !r.contains("settings"); }

// Reads the lines of `in` (named `name` in messages) into the reading.
Outcome readlines(std::istream &in, const std::string &name, ResultReading &reading) {
    reading.names.push_back(excerpt(name));
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const Outcome read = readresultline(reading, line, number);
        if (!read.ok()) return read;
    }
    return succeeded();
}

bool sameselections(const CompareRequest &a, const CompareRequest &b) {
    return a.type == b.type && a.sgnG == b.sgnG && a.elbow == b.elbow;
}

// Every line is of the first one's kind, sweep or map, with its robot, motion, elbow and robot file.
void checkkind(const ResultReading &r) {
    const ResultLine &first = r.lines.front();
    for (size_t k = 1; k < r.lines.size(); ++k) {
        const ResultLine &l = r.lines[k];
        if (l.map != first.map)
            throw refusal(r, k, l.map ? "a map's result among a sweep's (the first line has no \"map\" key)"
                                      : "a sweep's result (no \"map\" key) among a map's");
        if (!sameselections(l.request, first.request))
            throw refusal(r, k, "its robot, motion or elbow differs from the first result's");
        if (l.request.robotfile.sha256 != first.request.robotfile.sha256)
            throw refusal(r, k, "its robot file differs from the first result's");
    }
}

std::string programwords(const std::string &program) {
    return program.empty() ? "a program that did not name itself" : program;
}

// Every line was made by the first one's program, unless the reading takes mixed ones.
void checkprogram(const ResultReading &r) {
    if (r.mixedprograms) return;
    const ResultLine &first = r.lines.front();
    for (size_t k = 1; k < r.lines.size(); ++k)
        if (r.lines[k].program != first.program)
            throw refusal(r, k, "made by " + programwords(r.lines[k].program) + ", the first result (" +
                                    where(r, 0) + ") by " + programwords(first.program) +
                                    "; results of different programs are drawn together only with --mixed-programs");
}

// A sweep varies only the mass error.
void checksweep(const ResultReading &r) {
    for (size_t k = 1; k < r.lines.size(); ++k)
        for (PlotAxis a : readaxes())
            if (a != AXISERROR && axisvalue(a, r.lines[k].request) != axisvalue(a, r.lines[0].request))
                throw refusal(r, k, "its settings differ from the first result's in more than the mass error");
}

// A map holds each grid point once.
void checkpoints(const ResultReading &r) {
    std::map<std::pair<int, int>, size_t> seen;
    for (size_t k = 0; k < r.lines.size(); ++k) {
        const PlotPoint &p = r.lines[k].point;
        const auto got = seen.emplace(std::make_pair(p.i, p.j), k);
        if (!got.second)
            throw refusal(r, k, "map point i = " + std::to_string(p.i) + ", j = " + std::to_string(p.j) +
                                    " already read at " + where(r, got.first->second));
    }
}

// How a setting varies over the lines: the first line (from 1; 0 for none) whose
// value differs from the first line's, and from that of an earlier line with the
// same index i or j.
struct Variation {
    size_t differs, brokeni, brokenj;
};

Variation variation(const ResultReading &r, PlotAxis a) {
    Variation v = {0, 0, 0};
    std::map<int, double> byi, byj;
    const double first = axisvalue(a, r.lines[0].request);
    for (size_t k = 0; k < r.lines.size(); ++k) {
        const double value = axisvalue(a, r.lines[k].request);
        const PlotPoint &p = r.lines[k].point;
        if (v.differs == 0 && value != first) v.differs = k;
        const auto i = byi.emplace(p.i, value), j = byj.emplace(p.j, value);
        if (v.brokeni == 0 && i.first->second != value) v.brokeni = k;
        if (v.brokenj == 0 && j.first->second != value) v.brokenj = k;
    }
    return v;
}

bool equalratios(const ResultReading &r) {
    for (const ResultLine &l : r.lines)
        if (l.request.u[0] != l.request.u[1]) return false;
    return true;
}

// Both ratios varying together and equal everywhere are one axis.
void mergeratios(const ResultReading &r, std::vector<PlotAxis> &axes) {
    auto has = [&](PlotAxis a) { return std::find(axes.begin(), axes.end(), a) != axes.end(); };
    if (!has(AXISRATIO1) || !has(AXISRATIO2) || !equalratios(r)) return;
    axes.erase(std::remove(axes.begin(), axes.end(), AXISRATIO2), axes.end());
    *std::find(axes.begin(), axes.end(), AXISRATIO1) = AXISRATIOS;
}

// Whether the numbers axis a sets are equal to each other in every line, as the axis
// sets them (one number: always).
bool equalnumbers(const ResultReading &r, PlotAxis a) {
    if (!tableaxis(a)) return true;
    const AxisRow &row = axisrow(a);
    for (const ResultLine &l : r.lines) {
        CompareRequest copy = l.request;
        const double *values = settingrow(row.setting).values(copy) + row.first;
        for (int i = 1; i < row.count; ++i)
            if (values[i] != values[0]) return false;
    }
    return true;
}

// Whether axis b sets some of the numbers axis a sets (and is not a).
bool within(PlotAxis b, PlotAxis a) {
    if (a == b || !tableaxis(a) || !tableaxis(b) || axisrow(a).setting != axisrow(b).setting) return false;
    const AxisRow &ra = axisrow(a), &rb = axisrow(b);
    return rb.first >= ra.first && rb.first + rb.count <= ra.first + ra.count;
}

// Of the axes of several numbers of one setting, the one the map varied: its numbers
// equal in every line; the axes of some of its numbers, which vary with it, are its own.
void mergegroups(const ResultReading &r, std::vector<PlotAxis> &axes) {
    axes.erase(std::remove_if(axes.begin(), axes.end(), [&](PlotAxis a) { return !equalnumbers(r, a); }),
               axes.end());
    const std::vector<PlotAxis> kept = axes;
    axes.erase(std::remove_if(axes.begin(), axes.end(),
                              [&](PlotAxis b) {
                                  return std::any_of(kept.begin(), kept.end(),
                                                     [&](PlotAxis a) { return within(b, a); });
                              }),
               axes.end());
}

// The one setting along an index, AXISNONE for none; refuses two.
PlotAxis axisalong(const ResultReading &r, const std::vector<PlotAxis> &axes, const char *index) {
    if (axes.size() > 1) {
        const PlotAxis second = axes[1] == AXISRATIOS ? AXISRATIO1 : axes[1];
        throw refusal(r, variation(r, second).differs,
                      "its " + axisname(axes[0]) + " and " + axisname(axes[1]) + " both vary along " +
                          index + "; a map varies one setting along each axis");
    }
    return axes.empty() ? AXISNONE : axes[0];
}

// The settings along i (x) and j (y) of a map; a map whose settings vary along j
// alone is drawn over them as over x, one without varied settings as a sweep.
void mapaxes(const ResultReading &r, PlotSetup &setup) {
    std::vector<PlotAxis> alongi, alongj, either;
    for (PlotAxis a : readaxes()) {
        const Variation v = variation(r, a);
        if (v.differs == 0) continue;
        if (v.brokeni != 0 && v.brokenj != 0)
            throw refusal(r, std::max(v.brokeni, v.brokenj),
                          "its " + axisname(a) +
                              " varies along neither axis of the map: it differs between points of the same i "
                              "and between points of the same j");
        (v.brokeni == 0 && v.brokenj == 0 ? either : v.brokeni == 0 ? alongi : alongj).push_back(a);
    }
    for (std::vector<PlotAxis> *axes : {&alongi, &alongj, &either}) {
        mergeratios(r, *axes);
        mergegroups(r, *axes);
    }
    for (PlotAxis a : either) (alongi.empty() ? alongi : alongj.empty() ? alongj : alongi).push_back(a);
    setup.xaxis = axisalong(r, alongi, "i");
    setup.yaxis = axisalong(r, alongj, "j");
    if (setup.xaxis == AXISNONE) std::swap(setup.xaxis, setup.yaxis);
    if (setup.xaxis == AXISNONE) setup.xaxis = AXISERROR;
}

// The setup and points of the reading: its kind and axes recognised, every point
// placed on them.
void recognise(const ResultReading &r, PlotSetup &setup, std::vector<PlotPoint> &points) {
    checkkind(r);
    checkprogram(r);
    setup.request = r.lines[0].request;
    setup.map = r.lines[0].map;
    const ArmReach reach = armreach(setup.request);
    setup.reachInner = reach.inner;
    setup.reachOuter = reach.outer;
    setup.xaxis = AXISERROR;
    setup.yaxis = AXISNONE;
    if (setup.map) {
        checkpoints(r);
        mapaxes(r, setup);
    } else {
        checksweep(r);
    }
    points.clear();
    for (const ResultLine &l : r.lines) {
        PlotPoint p = l.point;
        p.x = axisvalue(setup.xaxis, l.request);
        p.y = setup.yaxis == AXISNONE ? 0.0 : axisvalue(setup.yaxis, l.request);
        points.push_back(p);
    }
}

const MeasureRow MEASUREROWS[MEASURES] = {
    {"error", "positioning error", "positioning error with velocity term", "SOTOC error / TOC error", "closer", "m",
     true},
    {"designedTipError", "tip error at designed time", "tip's distance from the goal at the designed final time",
     "SOTOC / TOC tip error", "closer", "m", true},
    {"endTipError", "tip error at end of run", "tip's distance from the goal at the end of the run",
     "SOTOC / TOC tip error", "closer", "m", true},
    {"settlingTime", "settling time", "settling time", "SOTOC / TOC settling time", "sooner", "s", false},
    {"tf", "final time", "final time", "SOTOC / TOC final time", "sooner", "s", false},
};

}  // namespace

const MeasureRow &measurerow(Measure m) { return MEASUREROWS[m]; }

bool measurenamed(const std::string &name, Measure &m) {
    for (int k = 0; k < MEASURES; ++k)
        if (name == MEASUREROWS[k].name) {
            m = static_cast<Measure>(k);
            return true;
        }
    return false;
}

std::string measurenames() {
    std::string names;
    for (const MeasureRow &row : MEASUREROWS) names += (names.empty() ? "" : ", ") + std::string(row.name);
    return names;
}

double measureof(const PlotPoint &p, Measure m, bool sotoc) {
    switch (m) {
    case MEASUREDESIGNEDTIP: return sotoc ? p.sotocDesignedTip : p.tocDesignedTip;
    case MEASUREENDTIP: return sotoc ? p.sotocEndTip : p.tocEndTip;
    case MEASURESETTLING: return sotoc ? p.sotocSettling : p.tocSettling;
    case MEASURETF: return sotoc ? p.sotocTf : p.tocTf;
    default: return sotoc ? p.sotocError : p.tocError;
    }
}

Outcome finishreading(const ResultReading &r, PlotSetup &setup, std::vector<PlotPoint> &points) {
    if (r.lines.empty()) return failure("no comparison results to plot");
    try {
        recognise(r, setup, points);
    } catch (const std::exception &e) {
        return failure(e.what());
    }
    return succeeded();
}

Outcome readresults(const std::vector<std::string> &paths, bool mixedprograms, PlotSetup &setup,
                    std::vector<PlotPoint> &points) {
    ResultReading reading;
    reading.mixedprograms = mixedprograms;
    for (const std::string &path : paths) {
        std::error_code e;
        if (std::filesystem::is_directory(path, e)) return failure(excerpt(path) + ": a folder, not a result file");
        std::string why;
        const int fd = openregularfile(path, why);
        if (fd < 0 && why == NOTREGULAR) return refused(excerpt(path) + ": " + why + "; accepts a result file");
        if (fd < 0) return failure(excerpt(path) + ": cannot be read");
        __gnu_cxx::stdio_filebuf<char> file(fd, std::ios::in);  // closes fd
        std::istream in(&file);
        const Outcome read = readlines(in, path, reading);
        if (!read.ok()) return read;
        if (in.bad()) return failure(excerpt(path) + ": cannot be read to its end");
    }
    return finishreading(reading, setup, points);
}

Outcome readresultline(ResultReading &reading, const std::string &text, int number) {
    if (text.find_first_not_of(" \t\r") == std::string::npos) return succeeded();
    try {
        const json r = json::parse(text);
        if (badline(r)) return succeeded();
        ResultLine l = lineof(r);
        l.file = reading.names.size() - 1;
        l.line = number;
        reading.lines.push_back(l);
        return succeeded();
    } catch (const std::exception &e) {
        return failure(reading.names.back() + ":" + std::to_string(number) + ": not a comparison result: " + e.what());
    }
}
