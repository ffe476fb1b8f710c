#include "formats/resultfile.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "formats/resultjson.h"
#include "study/request.h"

namespace {

using json = nlohmann::ordered_json;

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

SweepPoint pointof(const json &r) {
    SweepPoint p = {};
    p.error = r.at("settings").at("error").get<double>();
    p.compared = r.at("outcome").get<std::string>() == "compared";
    if (!p.compared) return p;
    const json &toc = r.at("runs").at("tocErr"), &sotoc = r.at("runs").at("sotocErr");
    p.tocError = toc.at("error").get<double>();
    p.tocTf = toc.at("tf").get<double>();
    p.sotocError = sotoc.at("error").get<double>();
    p.sotocTf = sotoc.at("tf").get<double>();
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
    if (free.at("solved").get<bool>()) setup.tfFree = free.at("ts").at(3).get<double>();
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
        std::ifstream in(path);
        if (!in) {
            message = path + ": cannot be read";
            return false;
        }
        if (!readlines(in, path, first, s, got, message)) return false;
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
