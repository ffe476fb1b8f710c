#include "app/options.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "app/usertext.h"
#include "app/workers.h"
#include "core/records.h"
#include "planning/kinematics.h"

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

// What each setting accepts, as refusals and the help say it.
std::string accepted(Setting s) {
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

std::string refusal(const char *prefix, Setting s, const std::string &value, const std::string &accepts) {
    return prefix + std::string(SETTINGNAMES[s]) + ": '" + excerpt(value) + "' refused; accepts " + accepts;
}

std::string jointext(const std::vector<double> &v) {
    std::string text;
    for (size_t i = 0; i < v.size(); ++i) text += (i > 0 ? "," : "") + numbertext(v[i]);
    return text;
}

// Takes the code of a given word into `code` (left as it is when none was given).
std::string takeword(const std::string &given, const Words &words, const char *prefix, Setting s, char &code) {
    if (given.empty()) return "";
    for (const Word &w : words)
        if (given == w.word) {
            code = w.code;
            return "";
        }
    return refusal(prefix, s, given, accepted(s));
}

// Takes n given numbers that `ok` accepts into out (left as it is when none were given).
std::string takenumbers(const std::vector<double> &given, size_t n, bool (*ok)(double), const char *prefix,
                        Setting s, double *out) {
    if (given.empty()) return "";
    bool good = given.size() == n;
    for (double v : given) good = good && ok(v);
    if (!good) return refusal(prefix, s, jointext(given), accepted(s));
    for (size_t i = 0; i < n; ++i) out[i] = given[i];
    return "";
}

// Refuses a SCARA point out of reach.
std::string takereach(const double point[2], const char *prefix, Setting s) {
    if (scarareachable(point[0], point[1])) return "";
    char accepts[96];
    std::snprintf(accepts, sizeof accepts, "a point the SCARA reaches, %g m <= distance from the base <= %g m",
                  std::fabs(scara.L1 - scara.L2), scara.L1 + scara.L2);
    return refusal(prefix, s, jointext({point[0], point[1]}), accepts);
}

// The defaults of the interactive program for robot `type`.
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

// The refusal of option `name`'s argument `text`, thrown while the arguments are parsed.
CLI::ValidationError argumentrefusal(const std::string &name, const std::string &text, const std::string &accepts) {
    return CLI::ValidationError(name, "'" + excerpt(text) + "' refused; accepts " + accepts);
}

// Adds option `name` of setting s: numbers, each argument one or more of them
// separated by commas, read strictly into v in order.
void addnumbersoption(CLI::App &cmd, const std::string &name, Setting s, std::vector<double> &v,
                      const std::string &help, const std::string &typeName) {
    cmd.add_option_function<std::vector<std::string>>(
           name,
           [&v, name, s](const std::vector<std::string> &arguments) {
               v.clear();
               for (const std::string &argument : arguments)
                   for (const std::string &part : splitat(argument, ',')) {
                       double x;
                       if (!readnumber(part, x)) throw argumentrefusal(name, argument, accepted(s));
                       v.push_back(x);
                   }
           },
           help)
        ->type_name(typeName);
}

template <class T>
CLI::Option *addonenumber(CLI::App &cmd, const std::string &name, T &v, const std::string &help) {
    return cmd.add_option_function<std::string>(
        name,
        [&v, name](const std::string &text) {
            if (!readnumber(text, v))
                throw argumentrefusal(name, text, std::is_integral<T>::value ? "a whole number" : "a number");
        },
        help);
}

// A JSON value as one of the option values; false when its type does not fit.
bool takevalue(const nlohmann::ordered_json &x, Setting s, CompareOptionValues &v) {
    std::string *word = s == SETTINGROBOT    ? &v.robot
                        : s == SETTINGMOTION ? &v.motion
                        : s == SETTINGELBOW  ? &v.elbow
                                             : nullptr;
    if (word != nullptr) {
        if (!x.is_string() || x.get<std::string>().empty()) return false;
        *word = x.get<std::string>();
        return true;
    }
    if (s == SETTINGERROR) {
        if (!x.is_number()) return false;
        v.error = {x.get<double>()};
        return true;
    }
    std::vector<double> &numbers = s == SETTINGRATIOS ? v.ratios : s == SETTINGSTART ? v.start : v.end;
    if (!x.is_array() || x.empty()) return false;
    for (const nlohmann::ordered_json &e : x)
        if (!e.is_number()) return false;
    numbers = x.get<std::vector<double>>();
    return true;
}

}  // namespace

const char *const SETTINGNAMES[SETTINGS] = {"robot", "motion", "ratios", "start", "end", "elbow", "error"};

Setting settingnamed(const std::string &name) {
    int s = 0;
    while (s < SETTINGS && name != SETTINGNAMES[s]) ++s;
    return static_cast<Setting>(s);
}

std::string settingrefusal(const char *prefix, Setting s, const std::string &value) {
    return refusal(prefix, s, value, accepted(s));
}

void addcompareoptions(CLI::App &cmd, CompareOptionValues &v) {
    const CompareRequest c = defaultrequest(ROBOTCYL, MOTIONHORIZONTAL);
    const CompareRequest s = defaultrequest(ROBOTSCARA, MOTIONHORIZONTAL);
    cmd.add_option("--robot", v.robot,
                   "Robot: cylindrical (rotary joint 1, prismatic joint 2) or scara (two rotary joints). Required.")
        ->type_name("NAME");
    cmd.add_option("--motion", v.motion, "Motion: horizontal (no gravity) or vertical (with gravity). Required.")
        ->type_name("NAME");
    addnumbersoption(cmd, "--ratios", SETTINGRATIOS, v.ratios,
                     "Reduction ratios of joints 1 and 2 [rad/rad; cylindrical joint 2: rad/m], 0 < U <= " +
                         numbertext(MAXRATIO) + ". Default: " + jointext({c.u[0], c.u[1]}) + " (cylindrical), " +
                         jointext({s.u[0], s.u[1]}) + " (scara).",
                     "U1,U2");
    const std::string within = ", " + numbertext(-MAXCOORDINATE) + " <= X, Y <= " + numbertext(MAXCOORDINATE);
    addnumbersoption(cmd, "--start", SETTINGSTART, v.start,
                     "PTP start point [m]" + within + ". Default: " + jointext({c.start[0], c.start[1]}) + ".", "X,Y");
    addnumbersoption(cmd, "--end", SETTINGEND, v.end,
                     "PTP end point [m]" + within + ". Default: " + jointext({c.end[0], c.end[1]}) + ".", "X,Y");
    cmd.add_option("--elbow", v.elbow,
                   "SCARA elbow bent down (joint 2 >= 0) or up (joint 2 <= 0). Default: " +
                       std::string(elbowword(c.elbow)) + ".")
        ->type_name("down|up");
    addnumbersoption(cmd, "--error", SETTINGERROR, v.error,
                     "Mass error of the design [%], " + numbertext(-MAXERRORPERCENT) + " < error < " +
                         numbertext(MAXERRORPERCENT) + ". Default: " + numbertext(c.errorPercent) + ".",
                     "PERCENT");
}

CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, int &v, const std::string &help) {
    return addonenumber(cmd, name, v, help);
}

CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, double &v, const std::string &help) {
    return addonenumber(cmd, name, v, help);
}

void addjobsoption(CLI::App &cmd, int &jobs) {
    jobs = cores();
    addnumberoption(cmd, "--jobs", jobs,
                    "Comparisons run at once, each in its own worker process; the output is the same "
                    "for every N. Default: the number of cores (" +
                        std::to_string(jobs) + ").")
        ->type_name("N")
        ->check(CLI::Range(1, MAXJOBS));
}

std::string argumentsrefusal(CLI::App &cmd, int argc, const char *const *argv) {
    try {
        cmd.parse(argc, argv);
        return "";
    } catch (const CLI::ValidationError &e) {
        return printable(e.what(), MESSAGEBYTES);  // the checks above name what is accepted
    } catch (const CLI::ExtrasError &) {
        std::string extras;
        for (const std::string &a : cmd.remaining()) extras += (extras.empty() ? "" : " ") + a;
        return "'" + excerpt(extras) + "' refused; accepts the options that --help lists";
    } catch (const CLI::Success &) {
        throw;
    } catch (const CLI::ParseError &e) {
        return printable(e.what(), MESSAGEBYTES) + "; accepts what --help lists";
    }
}

bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status) {
    try {
        const std::string refused = argumentsrefusal(cmd, argc, argv);
        if (refused.empty()) return true;
        reportproblem(cmd, refused);
        status = EXIT_REFUSED;
    } catch (const CLI::Success &e) {
        status = cmd.exit(e);
    }
    return false;
}

void reportproblem(const CLI::App &cmd, const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", cmd.get_name().c_str(), message.c_str());
}

std::string requestfromoptions(const CompareOptionValues &v, const char *prefix, CompareRequest &r) {
    for (Setting s : {SETTINGROBOT, SETTINGMOTION})
        if ((s == SETTINGROBOT ? v.robot : v.motion).empty())
            return prefix + std::string(SETTINGNAMES[s]) + ": missing; accepts " + accepted(s);
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
    if (refused.empty() && r.type == ROBOTSCARA) refused = takereach(r.start, prefix, SETTINGSTART);
    if (refused.empty() && r.type == ROBOTSCARA) refused = takereach(r.end, prefix, SETTINGEND);
    return refused;
}

std::string requestfromobject(const nlohmann::ordered_json &j, CompareRequest &r) {
    CompareOptionValues v;
    for (const auto &item : j.items()) {
        const Setting s = settingnamed(item.key());
        if (s == SETTINGS) {
            std::string names;
            for (const char *name : SETTINGNAMES) names += (names.empty() ? "" : ", ") + std::string(name);
            return "'" + excerpt(item.key()) + "' refused; accepts the fields " + names;
        }
        if (!takevalue(item.value(), s, v)) return settingrefusal("", s, item.value().dump());
    }
    return requestfromoptions(v, "", r);
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
