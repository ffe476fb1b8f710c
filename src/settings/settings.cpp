#include "settings/settings.h"

#include <cmath>
#include <algorithm>
#include <vector>

#include "records/records.h"

namespace {

const SettingWord ROBOTS[] = {{"cylindrical", ROBOTCYL}, {"scara", ROBOTSCARA}, {nullptr, 0}};
const SettingWord MOTIONS[] = {{"horizontal", MOTIONHORIZONTAL}, {"vertical", MOTIONVERTICAL}, {nullptr, 0}};
const SettingWord ELBOWS[] = {{"down", ELBOWDOWN}, {"up", ELBOWUP}, {nullptr, 0}};
const SettingWord JOINT2STARTS[] = {
    {"negative", JOINT2NEGATIVE}, {"positive", JOINT2POSITIVE}, {"shorter", JOINT2SHORTER}, {nullptr, 0}};
const SettingWord DESIGNSEARCHES[] = {{"standard", SEARCHSTANDARD}, {"wide", SEARCHWIDE}, {nullptr, 0}};
const SettingWord SWITCHES[] = {{"off", ANTIWINDUPOFF}, {"on", ANTIWINDUPON}, {nullptr, 0}};
const SettingWord REFERENCES[] = {{"none", REFERENCENONE}, {"optimal", REFERENCEOPTIMAL}, {nullptr, 0}};

// By Setting. A number's range names its constant once (study/comparison.h).
const SettingRow SETTINGROWS[SETTINGS] = {
    {"robot", ROBOTS, 0, "NAME",
     "Robot: cylindrical (rotary joint 1, prismatic joint 2) or scara (two rotary joints)", true, 0, 0, false,
     false, "", "", "", "", "", &CompareRequest::type, nullptr, nullptr,
     [](const CompareRequest &r, ComparisonSettings &s) { s.type = r.type; }, nullptr},
    {"motion", MOTIONS, 0, "NAME", "Motion: horizontal (no gravity) or vertical (with gravity)", true, 0, 0, false,
     false, "", "", "", "", "", &CompareRequest::sgnG, nullptr, nullptr,
     [](const CompareRequest &r, ComparisonSettings &s) { s.sgnG = r.sgnG; }, nullptr},
    {"ratios", nullptr, 2, "U1,U2", "Reduction ratios of joints 1 and 2 [rad/rad; cylindrical joint 2: rad/m]",
     false, 0.0, MAXRATIO, false, true, "", "U", "two numbers U1,U2", "the reduction ratios", "20:200:10", nullptr,
     [](CompareRequest &r) { return r.u; },
     [](CompareRequest &r) {
         r.u[0] = robotparams(r.type).u1;
         r.u[1] = robotparams(r.type).u2;
     },
     [](const CompareRequest &r, ComparisonSettings &s) {
         s.u1 = r.u[0];
         s.u2 = r.u[1];
     },
     nullptr},
    {"start", nullptr, 2, "X,Y", "PTP start point [m]", false, -MAXCOORDINATE, MAXCOORDINATE, true, true, "m",
     "X, Y", "two numbers X,Y [m]", "the coordinates", "-0.5:0.5:0.05", nullptr,
     [](CompareRequest &r) { return r.start; },
     [](CompareRequest &r) {
         r.start[0] = task.x0;
         r.start[1] = task.y0;
     },
     [](const CompareRequest &r, ComparisonSettings &s) {
         s.x0 = r.start[0];
         s.y0 = r.start[1];
     },
     nullptr},
    {"end", nullptr, 2, "X,Y", "PTP end point [m]", false, -MAXCOORDINATE, MAXCOORDINATE, true, true, "m", "X, Y",
     "two numbers X,Y [m]", "the coordinates", "-0.5:0.5:0.05", nullptr, [](CompareRequest &r) { return r.end; },
     [](CompareRequest &r) {
         r.end[0] = task.xf;
         r.end[1] = task.yf;
     },
     [](const CompareRequest &r, ComparisonSettings &s) {
         s.xf = r.end[0];
         s.yf = r.end[1];
     },
     nullptr},
    {"elbow", ELBOWS, 0, "down|up", "SCARA elbow bent down (joint 2 >= 0) or up (joint 2 <= 0)", false, 0, 0, false,
     false, "", "", "", "", "", &CompareRequest::elbow, nullptr,
     [](CompareRequest &r) { r.elbow = app.elbow; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.elbow = r.elbow; }, nullptr},
    {"error", nullptr, 1, "PERCENT", "Mass error of the design [%]", false, -MAXERRORPERCENT, MAXERRORPERCENT,
     false, false, "%", "error", "one number", "the mass errors", "-50:50:1", nullptr,
     [](CompareRequest &r) { return &r.errorPercent; },
     [](CompareRequest &r) { r.errorPercent = 100.0 * task.errRatio; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.errRatio = errorratio(r.errorPercent); }, nullptr},
    // The pass runs on the records set up for the file's robot (installrobot).
    {"robotfile", nullptr, 0, "FILE",
     "Robot file of an arm of your own (TOML; JSON or URDF by a name ending .json or .urdf): its kind and any "
     "primary value of the robot and the task by the names sotoc params prints; the robot may then be left out",
     false, 0, 0, false, false, "", "", "a readable robot file", "", "", nullptr, nullptr, nullptr,
     [](const CompareRequest &, ComparisonSettings &) {}, nullptr, "robot-file"},
    {"near", nullptr, 1, "D",
     "Bound of SOTOC's switching condition: a phase ends at the closest approach to its switching state only "
     "within this phase-plane distance [rad; cylindrical: rad and m added]",
     false, 0.0, MAXNEAR, false, true, "", "D", "one number", "the bounds", "0.05:1:0.05", nullptr,
     [](CompareRequest &r) { return &r.near; }, [](CompareRequest &r) { r.near = DEFAULTNEAR; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.dNear = r.near; }},
    {"sotoc-fallback", nullptr, 1, "S",
     "SOTOC's fallback: a phase not ended by the state S seconds after its designed switching instant ends then [s]",
     false, 0.0, MAXFALLBACK, true, true, "s", "S", "one number", "the fallback delays", "0:1:0.1", nullptr,
     [](CompareRequest &r) { return &r.fallback; }, [](CompareRequest &r) { r.fallback = NOFALLBACK; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.tFallback = r.fallback; }, "off"},
    {"tolerance", nullptr, 1, "M", "Distance of the tip from the goal within which a run counts as settled [m]",
     false, 0.0, MAXTOLERANCE, false, true, "m", "M", "one number", "the tolerances", "0.001:0.01:0.001", nullptr,
     [](CompareRequest &r) { return &r.tolerance; }, [](CompareRequest &r) { r.tolerance = DEFAULTTOLERANCE; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.tolerance = r.tolerance; }},
    {"joint2-start", JOINT2STARTS, 0, "negative|positive|shorter",
     "Trials of both designs: only joint 2 starting negative, only positive, or both keeping the shorter final time",
     false, 0, 0, false, false, "", "", "", "", "", &CompareRequest::joint2Start, nullptr,
     [](CompareRequest &r) { r.joint2Start = JOINT2SHORTER; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.joint2Start = r.joint2Start; }},
    {"design-search", DESIGNSEARCHES, 0, "standard|wide",
     "Starting guesses of the designs: standard (each trial from its one standard guess) or wide (further guesses "
     "when those find no solution)",
     false, 0, 0, false, false, "", "", "", "", "", &CompareRequest::designSearch, nullptr,
     [](CompareRequest &r) { r.designSearch = SEARCHSTANDARD; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.designSearch = r.designSearch; }},
    {"designerrors", nullptr, 0, "NAME=PERCENT",
     "Error of the design with the error in the value NAME of the arm or the task (a name sotoc params lists as "
     "primary or fixed at start, all but errRatio, which is the error setting itself): that design uses the value "
     "times (1 + PERCENT/100), the plant the true value; repeatable",
     false, -100.0, MAXDESIGNERRORPERCENT, false, true, "%", "PERCENT", "NAME=PERCENT", "the design errors",
     "-10:10:1", nullptr, nullptr, nullptr,
     [](const CompareRequest &r, ComparisonSettings &s) {
         for (const auto &[k, percent] : r.designErrors) s.designErrors.emplace_back(k, errorratio(percent));
     },
     nullptr, "design-error", &CompareRequest::designErrors},
    // The pass runs on the records set up with these values (installarm).
    {"params", nullptr, 0, "NAME=VALUE",
     "True primary value NAME of the arm, as a robot file gives it, over the robot's or the robot file's "
     "(not the ratios or the points: their own settings give them); repeatable",
     false, 0, 0, false, false, "", "", "NAME=VALUE with VALUE in the parameter's unit and range", "the values", "",
     nullptr, nullptr, nullptr, [](const CompareRequest &, ComparisonSettings &) {}, nullptr, "param",
     &CompareRequest::params},
    {"control-period", nullptr, 1, "T",
     "Control period: the controller reads the state and sets the torques only at multiples of T and holds them in "
     "between (zero-order hold); TOC's switches act at the first instant at or after the designed ones [s]",
     false, MINCONTROLPERIOD, MAXCONTROLPERIOD, true, true, "s", "T", "one number", "the control periods",
     "0.001:0.01:0.001", nullptr, [](CompareRequest &r) { return &r.controlPeriod; },
     [](CompareRequest &r) { r.controlPeriod = NOCONTROLPERIOD; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.controlPeriod = r.controlPeriod; }, "off"},
    {"encoder-counts", nullptr, 2, "N1,N2",
     "Encoder counts per motor revolution of joints 1 and 2: positions are read to the nearest count (2 pi/(N U) at "
     "the joint), velocities by backward difference over the control period, which it needs",
     false, MINENCODERCOUNTS, MAXENCODERCOUNTS, true, true, "", "N", "two numbers N1,N2", "the encoder counts",
     "1000:10000:1000", nullptr, [](CompareRequest &r) { return r.encoderCounts; },
     [](CompareRequest &r) { r.encoderCounts[0] = r.encoderCounts[1] = NOENCODER; },
     [](const CompareRequest &r, ComparisonSettings &s) { std::copy(r.encoderCounts, r.encoderCounts + 2, s.encoderCounts); },
     "off"},
    {"sensor-noise", nullptr, 4, "SQ1,SQ2,SV1,SV2",
     "Standard deviations of the Gaussian noise on the readings of the positions [rad; cylindrical joint 2: m] and "
     "velocities [rad/s; m/s] of joints 1 and 2, drawn from --seed; needs the control period",
     false, 0.0, MAXNOISE, true, true, "", "S", "four numbers SQ1,SQ2,SV1,SV2", "the standard deviations",
     "0:0.01:0.001", nullptr, [](CompareRequest &r) { return r.noiseSd; },
     [](CompareRequest &r) { std::fill(r.noiseSd, r.noiseSd + 4, 0.0); },
     [](const CompareRequest &r, ComparisonSettings &s) { std::copy(r.noiseSd, r.noiseSd + 4, s.noiseSd); }},
    {"seed", nullptr, 1, "N",
     "Seed of the reading noise: the noise of a run is a function of the seed and the control instant alone",
     false, 0.0, MAXSEED, true, true, "", "N", "one whole number", "the seeds", "0:9:1", nullptr,
     [](CompareRequest &r) { return &r.seed; }, [](CompareRequest &r) { r.seed = 0.0; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.seed = r.seed; }, nullptr, nullptr, nullptr, true},
    {"sensor-delay", nullptr, 1, "T",
     "Sensor delay: the controller reads the state of T seconds earlier, interpolated between integration steps "
     "(the arm at rest before the start); needs the control period [s]",
     false, 0.0, MAXDELAY, true, true, "s", "T", "one number", "the delays", "0:0.01:0.001", nullptr,
     [](CompareRequest &r) { return &r.delay; }, [](CompareRequest &r) { r.delay = 0.0; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.delay = r.delay; }},
    {"servo-antiwindup", SWITCHES, 0, "",
     "Anti-windup of the servo: its integrals stop growing while its torque saturates (conditional integration)",
     false, 0, 0, false, false, "", "", "", "", "", &CompareRequest::antiwindup, nullptr,
     [](CompareRequest &r) { r.antiwindup = ANTIWINDUPOFF; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.antiwindup = r.antiwindup == ANTIWINDUPON; }, nullptr,
     nullptr, nullptr, false, true},
    {"span", nullptr, 1, "S",
     "Simulated span; the settling time and the measures at the end of the run use it (auto: 4 s, or 8 s after a "
     "nominal move longer than 4 s) [s]",
     false, 0.0, MAXSPAN, false, true, "s", "S", "one number", "the spans", "4:20:4", nullptr,
     [](CompareRequest &r) { return &r.span; }, [](CompareRequest &r) { r.span = AUTOSPAN; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.span = r.span; }, "auto"},
    {"reference", REFERENCES, 0, "none|optimal",
     "Reference of the runs: none, or optimal (the minimum-time motion of the move on the nominal plant, as sotoc "
     "optimal solves it; the result gains its block and each run's final time over it)",
     false, 0, 0, false, false, "", "", "", "", "", &CompareRequest::reference, nullptr,
     [](CompareRequest &r) { r.reference = REFERENCENONE; },
     [](const CompareRequest &r, ComparisonSettings &s) { s.reference = r.reference; }},
};

// By PlotAxis.
const AxisRow AXISROWS[AXISNONE] = {
    {"error", SETTINGERROR, 0, 1, {"mass error of the design [%]", "mass error of the design [%]"}, ""},
    {"ratio1", SETTINGRATIOS, 0, 1, {"reduction ratio u1 [rad/rad]", "reduction ratio u1 [rad/rad]"}, ""},
    // Joint 2 of the cylindrical robot is prismatic: its ratio turns the motor per metre.
    {"ratio2", SETTINGRATIOS, 1, 1, {"reduction ratio u2 [rad/m]", "reduction ratio u2 [rad/rad]"}, ""},
    {"ratios",
     SETTINGRATIOS,
     0,
     2,
     {"reduction ratios u1 [rad/rad] = u2 [rad/m]", "reduction ratios u1 = u2 [rad/rad]"},
     "both ratios equal"},
    {"start-x", SETTINGSTART, 0, 1, {"start point x [m]", "start point x [m]"}, ""},
    {"start-y", SETTINGSTART, 1, 1, {"start point y [m]", "start point y [m]"}, ""},
    {"end-x", SETTINGEND, 0, 1, {"end point x [m]", "end point x [m]"}, ""},
    {"end-y", SETTINGEND, 1, 1, {"end point y [m]", "end point y [m]"}, ""},
    {"near", SETTINGNEAR, 0, 1, {"SOTOC switching bound [rad, m]", "SOTOC switching bound [rad]"}, ""},
    {"control-period", SETTINGCONTROLPERIOD, 0, 1, {"control period [s]", "control period [s]"}, ""},
    {"encoder-counts", SETTINGENCODERCOUNTS, 0, 2, {"encoder counts per revolution", "encoder counts per revolution"},
     "both joints equal"},
    {"noise", SETTINGSENSORNOISE, 0, 4,
     {"reading noise [rad, m; rad/s, m/s]", "reading noise [rad; rad/s]"}, "all four equal"},
    {"position-noise", SETTINGSENSORNOISE, 0, 2,
     {"position noise [rad, m]", "position noise [rad]"}, "both joints equal"},
    {"velocity-noise", SETTINGSENSORNOISE, 2, 2,
     {"velocity noise [rad/s, m/s]", "velocity noise [rad/s]"}, "both joints equal"},
    {"seed", SETTINGSEED, 0, 1, {"seed of the noise", "seed of the noise"}, ""},
    {"sensor-delay", SETTINGSENSORDELAY, 0, 1, {"sensor delay [s]", "sensor delay [s]"}, ""},
    {"span", SETTINGSPAN, 0, 1, {"simulated span [s]", "simulated span [s]"}, ""},
};

// The words before ":NAME" of the axes of a parameter: its design error, its true value.
const char *const NAMEDAXES[2] = {"design-error", "param"};

std::string boundtext(double v, const char *unit) {
    return *unit == '\0' ? numbertext(v) : numbertext(v) + " " + unit;
}

}  // namespace

const SettingRow &settingrow(Setting s) { return SETTINGROWS[s]; }

const char *settingkeyword(Setting s) {
    static const std::vector<std::string> keywords = [] {
        std::vector<std::string> k;
        for (const SettingRow &row : SETTINGROWS) {
            k.push_back(row.name);
            std::replace(k.back().begin(), k.back().end(), '-', '_');
        }
        return k;
    }();
    return keywords[s].c_str();
}

Setting settingwithkeyword(const std::string &keyword) {
    int s = 0;
    while (s < SETTINGS && keyword != settingkeyword(static_cast<Setting>(s))) ++s;
    return static_cast<Setting>(s);
}

bool settingisfile(const SettingRow &row) {
    return row.words == nullptr && row.count == 0 && row.named == nullptr;
}

const char *settingoption(Setting s, const char *prefix) {
    const SettingRow &row = SETTINGROWS[s];
    return std::string(prefix) == "--" && row.option != nullptr ? row.option : row.name;
}

bool settingaccepted(const SettingRow &row, double v) {
    return (row.loIncluded ? v >= row.lo : v > row.lo) && (row.hiIncluded ? v <= row.hi : v < row.hi) &&
           (!row.whole || v == std::floor(v));
}

std::string rangetext(const SettingRow &row, const std::string &symbol, const char *unit) {
    return boundtext(row.lo, unit) + (row.loIncluded ? " <= " : " < ") + symbol +
           (row.hiIncluded ? " <= " : " < ") + boundtext(row.hi, unit);
}

bool settingoff(Setting s, const double *v) { return settingrow(s).offWord != nullptr && std::isinf(v[0]); }

std::string defaulttext(Setting s, char type) {
    CompareRequest r = defaultrequest(type, MOTIONHORIZONTAL);
    const SettingRow &row = settingrow(s);
    if (row.words != nullptr) return settingword(s, r.*row.code);
    if (settingisfile(row) || row.named != nullptr) return "none";
    const double *v = row.values(r);
    if (settingoff(s, v)) return row.offWord;
    return numberlist(std::vector<double>(v, v + row.count));
}

std::string settinghelp(Setting s) {
    const SettingRow &row = settingrow(s);
    std::string help = row.description;
    if (row.words == nullptr && !settingisfile(row) && *row.symbol != '\0')
        help += ", " + rangetext(row, row.symbol, "");
    if (row.required) return help + ". Required.";
    if (settingisfile(row)) return help + ". Default: none, the built-in robots.";
    if (row.named != nullptr) return help + ". Default: none.";
    const std::string cylindrical = defaulttext(s, ROBOTCYL), scara = defaulttext(s, ROBOTSCARA);
    if (cylindrical == scara) return help + ". Default: " + cylindrical + ".";
    return help + ". Default: " + cylindrical + " (cylindrical), " + scara + " (scara).";
}

const AxisRow &axisrow(PlotAxis a) { return AXISROWS[a]; }

PlotAxis namedaxis(Setting s, Parameter k) {
    return static_cast<PlotAxis>((s == SETTINGDESIGNERRORS ? AXISDESIGNERROR : AXISPARAM) + k);
}

bool tableaxis(PlotAxis a) { return a < AXISNONE; }

Setting axissetting(PlotAxis a) {
    if (tableaxis(a)) return AXISROWS[a].setting;
    return a < AXISPARAM ? SETTINGDESIGNERRORS : SETTINGPARAMS;
}

Parameter axisparameter(PlotAxis a) {
    return static_cast<Parameter>(a < AXISPARAM ? a - AXISDESIGNERROR : a - AXISPARAM);
}

std::string axisname(PlotAxis a) {
    if (tableaxis(a)) return AXISROWS[a].name;
    return std::string(a < AXISPARAM ? NAMEDAXES[0] : NAMEDAXES[1]) + ":" + parameterrow(axisparameter(a)).name;
}

double axisvalue(PlotAxis a, const CompareRequest &r) {
    if (a == AXISNONE) return 0.0;
    CompareRequest copy = r;
    if (!tableaxis(a)) {
        const ParameterValues &values = copy.*settingrow(axissetting(a)).named;
        for (const auto &[k, v] : values)
            if (k == axisparameter(a)) return v;
        return 0.0;
    }
    return settingrow(AXISROWS[a].setting).values(copy)[AXISROWS[a].first];
}

void setaxisvalue(PlotAxis a, CompareRequest &r, double v) {
    if (tableaxis(a)) {
        double *values = settingvalues(r, AXISROWS[a].setting);
        for (int i = AXISROWS[a].first; i < AXISROWS[a].first + AXISROWS[a].count; ++i) values[i] = v;
        return;
    }
    ParameterValues &values = r.*settingrow(axissetting(a)).named;
    const Parameter k = axisparameter(a);
    for (auto &given : values)
        if (given.first == k) {
            given.second = v;
            return;
        }
    values.emplace_back(k, v);
}

std::string axislabel(PlotAxis a, char type) {
    if (a == AXISNONE) return "";
    if (tableaxis(a)) return AXISROWS[a].label[type == ROBOTSCARA];
    const Parameter k = axisparameter(a);
    const char *unit = parameterunit(k, type);
    if (a < AXISPARAM) return std::string("design error of ") + parameterrow(k).name + " [%]";
    return std::string(parameterrow(k).name) + ", " + parameterrow(k).meaning + " [" + (unit ? unit : "") + "]";
}

std::string axisnames() {
    std::string names;
    for (const AxisRow &a : AXISROWS) names += (names.empty() ? "" : ", ") + std::string(a.name);
    return names + ", " + NAMEDAXES[0] + ":NAME, " + NAMEDAXES[1] + ":NAME";
}

std::string axishelp() {
    std::string text;
    for (int a = 0; a < AXISNONE; ++a) {
        const AxisRow &row = AXISROWS[a];
        const char *unit = settingrow(row.setting).unit;
        const bool last = a + 1 == AXISNONE || std::string(settingrow(AXISROWS[a + 1].setting).unit) != unit;
        text += (a > 0 ? ", " : "") + std::string(row.name);
        if (*row.note != '\0') text += std::string(" (") + row.note + ")";
        if (last && *unit != '\0') text += std::string(" [") + unit + "]";
    }
    return text + ", " + NAMEDAXES[0] + ":NAME (a design error, as --design-error) [%], " + NAMEDAXES[1] +
           ":NAME (a true primary value, as --param) [its unit]";
}
