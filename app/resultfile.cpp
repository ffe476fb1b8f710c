#include "app/resultfile.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// A selection word of the settings as its code; 0 when it is none of the two.
char code(const json &word, const char *first, char firstcode, const char *second, char secondcode) {
    const std::string w = word.get<std::string>();
    return w == first ? firstcode : w == second ? secondcode : 0;
}

// The settings object of a result; errRatio from its mass error.
ComparisonSettings settingsof(const json &s) {
    ComparisonSettings c = {};
    c.type = code(s.at("robot"), "cylindrical", ROBOTCYL, "scara", ROBOTSCARA);
    c.sgnG = code(s.at("motion"), "horizontal", MOTIONHORIZONTAL, "vertical", MOTIONVERTICAL);
    c.elbow = code(s.at("elbow"), "down", ELBOWDOWN, "up", ELBOWUP);
    if (!c.type || !c.sgnG || !c.elbow) throw std::runtime_error("unknown robot, motion or elbow");
    c.u1 = s.at("ratios").at(0).get<double>();
    c.u2 = s.at("ratios").at(1).get<double>();
    c.x0 = s.at("start").at(0).get<double>();
    c.y0 = s.at("start").at(1).get<double>();
    c.xf = s.at("end").at(0).get<double>();
    c.yf = s.at("end").at(1).get<double>();
    c.errRatio = s.at("error").get<double>() / 100.0;
    return c;
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
