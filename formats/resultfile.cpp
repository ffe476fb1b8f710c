#include "formats/resultfile.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "formats/resultjson.h"
#include "study/request.h"

namespace {

using json = nlohmann::ordered_json;

// Largest final time and positioning error a plot takes [s], [m]: far beyond any run
// (seconds, and the tens of metres of a SOTOC run that never finished), and small
// enough that the axes' arithmetic stays finite.
constexpr double MAXPLOTTIME = 1e6;
constexpr double MAXPLOTERROR = 1e6;

// The settings object of a result, checked as a batch line is.
ComparisonSettings settingsof(const json &s) {
    CompareRequest r;
    const std::string refused = requestfromobject(s, r);
    if (!refused.empty()) throw std::runtime_error("settings: " + refused);
    return requestsettings(r);
}

bool samesettings(const ComparisonSettings &a, const ComparisonSettings &b) {
    return a.type == b.type && a.sgnG == b.sgnG && a.elbow == b.elbow && a.u1 == b.u1 && a.u2 == b.u2 &&
           a.x0 == b.x0 && a.y0 == b.y0 && a.xf == b.xf && a.yf == b.yf;
}

// The figure `name` [unit], refused unless a plot can draw it: 0 to `most`.
double figure(const json &value, const char *name, double most, const char *unit) {
    const double v = value.get<double>();
    if (v >= 0.0 && v <= most) return v;
    throw std::runtime_error(std::string(name) + " " + numbertext(v) + " " + unit + " out of range; a plot takes 0 to " +
                             numbertext(most) + " " + unit);
}

SweepPoint pointof(const json &r) {
    SweepPoint p = {};
    p.error = r.at("settings").at("error").get<double>();
    p.compared = r.at("outcome").get<std::string>() == "compared";
    if (!p.compared) return p;
    const json &toc = r.at("runs").at("tocErr"), &sotoc = r.at("runs").at("sotocErr");
    p.tocError = figure(toc.at("error"), "runs.tocErr.error", MAXPLOTERROR, "m");
    p.tocTf = figure(toc.at("tf"), "runs.tocErr.tf", MAXPLOTTIME, "s");
    p.sotocError = figure(sotoc.at("error"), "runs.sotocErr.error", MAXPLOTERROR, "m");
    p.sotocTf = figure(sotoc.at("tf"), "runs.sotocErr.tf", MAXPLOTTIME, "s");
    p.sotocFinished = sotoc.at("finished").get<bool>();
    return p;
}

// A batch's object for an input line it could not run.
bool badline(const json &r) { return r.is_object() && r.contains("line") && !r.contains("settings"); }

// Takes the result object `r` into the list: its settings must be the first one's.
void takeresult(const json &r, bool &first, SweepSetup &setup, std::vector<SweepPoint> &points) {
    const ComparisonSettings s = settingsof(r.at("settings"));
    if (first) {
        setup.settings = s;
        setup.tfFree = NAN;
        first = false;
    } else if (!samesettings(s, setup.settings)) {
        throw std::runtime_error("its settings differ from the first result's in more than the mass error");
    }
    points.push_back(pointof(r));
    const json &free = r.at("designs").at("free");
    if (free.at("solved").get<bool>()) setup.tfFree = figure(free.at("ts").at(3), "designs.free.ts[3]", MAXPLOTTIME, "s");
}

// Reads the lines of `in` (named `name` in messages) into the list.
bool readlines(std::istream &in, const std::string &name, bool &first, SweepSetup &setup,
               std::vector<SweepPoint> &points, std::string &message) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        try {
            const json r = json::parse(line);
            if (!badline(r)) takeresult(r, first, setup, points);
        } catch (const std::exception &e) {
            message = name + ":" + std::to_string(number) + ": not a comparison result: " + e.what();
            return false;
        }
    }
    return true;
}

// Hands on what was read when there is anything.
bool finish(const SweepSetup &s, const std::vector<SweepPoint> &got, SweepSetup &setup,
            std::vector<SweepPoint> &points, std::string &message) {
    if (got.empty()) {
        message = "no comparison results to plot";
        return false;
    }
    setup = s;
    points = got;
    return true;
}

}  // namespace

bool readresults(const std::vector<std::string> &paths, SweepSetup &setup, std::vector<SweepPoint> &points,
                 std::string &message) {
    bool first = true;
    std::vector<SweepPoint> got;
    SweepSetup s = {};
    for (const std::string &path : paths) {
        std::error_code e;
        if (std::filesystem::is_directory(path, e)) {
            message = path + ": a folder, not a result file";
            return false;
        }
        std::ifstream in(path);
        if (!in) {
            message = path + ": cannot be read";
            return false;
        }
        if (!readlines(in, path, first, s, got, message)) return false;
        if (in.bad()) {
            message = path + ": cannot be read to its end";
            return false;
        }
    }
    return finish(s, got, setup, points, message);
}

bool readresulttext(const std::string &text, SweepSetup &setup, std::vector<SweepPoint> &points,
                    std::string &message) {
    bool first = true;
    std::vector<SweepPoint> got;
    SweepSetup s = {};
    std::istringstream in(text);
    return readlines(in, "results", first, s, got, message) && finish(s, got, setup, points, message);
}

bool plotresults(const std::vector<std::string> &paths, OutputFile &picture, std::string &message) {
    SweepSetup setup{};
    std::vector<SweepPoint> points;
    if (readresults(paths, setup, points, message)) return drawsweep(picture, setup, points, message);
    abandonoutput(picture);
    return false;
}

bool plotresulttext(const std::string &text, OutputFile &picture, std::string &message) {
    SweepSetup setup{};
    std::vector<SweepPoint> points;
    if (readresulttext(text, setup, points, message)) return drawsweep(picture, setup, points, message);
    abandonoutput(picture);
    return false;
}
