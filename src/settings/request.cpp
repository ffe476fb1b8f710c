#include "settings/request.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "settings/usertext.h"
#include "records/records.h"
#include "design/kinematics.h"

namespace {

// A selection's word and its code.
struct Word {
    const char *word;
    char code;
};
using Words = Word[2];

const Words ROBOTS = {{"cylindrical", ROBOTCYL}, {"scara", ROBOTSCARA}};
const Words MOTIONS = {{"horizontal", MOTIONHORIZONTAL}, {"vertical", MOTIONVERTICAL}};
const Words ELBOWS = {{"down", ELBOWDOWN}, {"up", ELBOWUP}};

std::string wordlist(const Words &words) { return std::string(words[0].word) + " or " + words[1].word; }

const char *wordof(const Words &words, char code) {
    for (const Word &w : words)
        if (w.code == code) return w.word;
    return "?";
}

std::string refusal(const char *prefix, Setting s, const std::string &value, const std::string &accepts) {
    return prefix + std::string(SETTINGNAMES[s]) + ": '" + excerpt(value) + "' refused; accepts " + accepts;
}

// Takes the code of a given word into `code` (left as it is when none was given).
std::string takeword(const std::string &given, const Words &words, const char *prefix, Setting s, char &code) {
    if (given.empty()) return "";
    for (const Word &w : words)
        if (given == w.word) {
            code = w.code;
            return "";
        }
    return refusal(prefix, s, given, settingaccepts(s));
}

// Takes n given numbers that `ok` accepts into out (left as it is when none were given).
std::string takenumbers(const std::vector<double> &given, size_t n, bool (*ok)(double), const char *prefix,
                        Setting s, double *out) {
    if (given.empty()) return "";
    bool good = given.size() == n;
    for (double v : given) good = good && ok(v);
    if (!good) return refusal(prefix, s, numberlist(given), settingaccepts(s));
    for (size_t i = 0; i < n; ++i) out[i] = given[i];
    return "";
}

}  // namespace

const char *const SETTINGNAMES[SETTINGS] = {"robot", "motion", "ratios", "start", "end", "elbow", "error"};

Setting settingnamed(const std::string &name) {
    int s = 0;
    while (s < SETTINGS && name != SETTINGNAMES[s]) ++s;
    return static_cast<Setting>(s);
}

std::string settingaccepts(Setting s) {
    switch (s) {
        case SETTINGROBOT: return wordlist(ROBOTS);
        case SETTINGMOTION: return wordlist(MOTIONS);
        case SETTINGRATIOS: return "two numbers U1,U2 with 0 < U <= " + numbertext(MAXRATIO);
        case SETTINGSTART:
        case SETTINGEND:
            return "two numbers X,Y [m] with " + numbertext(-MAXCOORDINATE) + " <= X, Y <= " + numbertext(MAXCOORDINATE);
        case SETTINGELBOW: return wordlist(ELBOWS);
        case SETTINGERROR:
            return "one number with " + numbertext(-MAXERRORPERCENT) + " < error < " + numbertext(MAXERRORPERCENT);
        case SETTINGS: break;
    }
    return "";
}

std::string settingrefusal(const char *prefix, Setting s, const std::string &value) {
    return refusal(prefix, s, value, settingaccepts(s));
}

CompareRequest defaultrequest(char type, char sgnG) {
    const RobotParams &p = robotparams(type);
    return CompareRequest{type,
                          sgnG,
                          {p.u1, p.u2},
                          {task.x0, task.y0},
                          {task.xf, task.yf},
                          app.elbow,
                          100.0 * task.errRatio};
}

std::string requestfromoptions(const CompareOptionValues &v, const char *prefix, CompareRequest &r) {
    std::string refused = requestwithoutreach(v, prefix, r);
    if (refused.empty()) refused = reachrefusal(r, prefix, SETTINGSTART);
    if (refused.empty()) refused = reachrefusal(r, prefix, SETTINGEND);
    return refused;
}

std::string requestwithoutreach(const CompareOptionValues &v, const char *prefix, CompareRequest &r) {
    for (Setting s : {SETTINGROBOT, SETTINGMOTION})
        if ((s == SETTINGROBOT ? v.robot : v.motion).empty())
            return prefix + std::string(SETTINGNAMES[s]) + ": missing; accepts " + settingaccepts(s);
    char type = ROBOTCYL, sgnG = MOTIONHORIZONTAL;
    std::string refused = takeword(v.robot, ROBOTS, prefix, SETTINGROBOT, type);
    if (refused.empty()) refused = takeword(v.motion, MOTIONS, prefix, SETTINGMOTION, sgnG);
    if (!refused.empty()) return refused;
    r = defaultrequest(type, sgnG);
    refused = takenumbers(v.ratios, 2, ratioaccepted, prefix, SETTINGRATIOS, r.u);
    if (refused.empty()) refused = takenumbers(v.start, 2, coordinateaccepted, prefix, SETTINGSTART, r.start);
    if (refused.empty()) refused = takenumbers(v.end, 2, coordinateaccepted, prefix, SETTINGEND, r.end);
    if (refused.empty()) refused = takeword(v.elbow, ELBOWS, prefix, SETTINGELBOW, r.elbow);
    if (refused.empty()) refused = takenumbers(v.error, 1, errorpercentaccepted, prefix, SETTINGERROR, &r.errorPercent);
    return refused;
}

std::string reachrefusal(const CompareRequest &r, const char *prefix, Setting s) {
    const double *point = s == SETTINGSTART ? r.start : r.end;
    if (r.type != ROBOTSCARA || scarareachable(point[0], point[1])) return "";
    char accepts[96];
    std::snprintf(accepts, sizeof accepts, "a point the SCARA reaches, %g m <= distance from the base <= %g m",
                  std::fabs(scara.L1 - scara.L2), scara.L1 + scara.L2);
    return refusal(prefix, s, numberlist({point[0], point[1]}), accepts);
}

double *settingvalues(CompareRequest &r, Setting s) {
    switch (s) {
        case SETTINGRATIOS: return r.u;
        case SETTINGSTART: return r.start;
        case SETTINGEND: return r.end;
        case SETTINGERROR: return &r.errorPercent;
        default: return nullptr;
    }
}

ComparisonSettings requestsettings(const CompareRequest &r) {
    return ComparisonSettings{r.type,   r.sgnG,   r.u[0],   r.u[1],  r.start[0],           r.start[1],
                              r.end[0], r.end[1], r.elbow, errorratio(r.errorPercent), 0.0};
}

ComparisonResult standalonepass(const CompareRequest &r) {
    ComparisonSettings settings = requestsettings(r);
    settings.tfNomBasis = standalonebasis(settings);
    return comparisonpass(settings);
}

const char *robotword(char type) { return wordof(ROBOTS, type); }
const char *motionword(char sgnG) { return wordof(MOTIONS, sgnG); }
const char *elbowword(char elbow) { return wordof(ELBOWS, elbow); }

std::string numbertext(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char buf[32];
    const std::to_chars_result end = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end.ptr);
}

std::string numberlist(const std::vector<double> &v) {
    std::string text;
    for (size_t i = 0; i < v.size(); ++i) text += (i > 0 ? "," : "") + numbertext(v[i]);
    return text;
}
