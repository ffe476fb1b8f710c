#include "settings/request.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "settings/settings.h"
#include "settings/usertext.h"
#include "records/records.h"

namespace {

// "a or b", "a, b or c".
std::string wordlist(const SettingWord *words) {
    std::string list = words[0].word;
    for (const SettingWord *w = words + 1; w->word != nullptr; ++w)
        list += std::string(w[1].word == nullptr ? " or " : ", ") + w->word;
    return list;
}

std::string refusal(const char *prefix, Setting s, const std::string &value, const std::string &accepts) {
    return prefix + std::string(settingoption(s, prefix)) + ": '" + excerpt(value) + "' refused; accepts " + accepts;
}

// Takes the code of a given word into `code` (left as it is when none was given).
Outcome takeword(const std::string &given, const char *prefix, Setting s, char &code) {
    if (given.empty()) return succeeded();
    for (const SettingWord *w = settingrow(s).words; w->word != nullptr; ++w)
        if (given == w->word) {
            code = w->code;
            return succeeded();
        }
    return refused(refusal(prefix, s, given, settingaccepts(s)));
}

// Takes the given numbers of setting s, as many as its row takes and each in its
// range, into out (left as it is when none were given).
Outcome takenumbers(const std::vector<double> &given, const char *prefix, Setting s, double *out) {
    if (given.empty()) return succeeded();
    const SettingRow &row = settingrow(s);
    bool good = given.size() == static_cast<size_t>(row.count);
    for (double v : given) good = good && settingaccepted(row, v);
    if (!good) return refused(refusal(prefix, s, numberlist(given), settingaccepts(s)));
    for (int i = 0; i < row.count; ++i) out[i] = given[i];
    return succeeded();
}

// "NAME=NUMBER" of a named value.
std::string namedtext(const std::pair<std::string, double> &given) {
    return given.first + "=" + numbertext(given.second);
}

// Takes the named values of setting s for robot `type` into out (left as it is when
// none were given): each name one the setting takes for the robot, given once, its
// value accepted (a design error's percentage or the parameter's range).
Outcome takenamed(const std::vector<std::pair<std::string, double>> &given, const char *prefix, Setting s,
                  const CompareRequest &r, ParameterValues &out) {
    const char type = r.type;
    const bool rigid = r.robotfile.rigid;
    if (given.empty()) return succeeded();
    ParameterValues taken;
    for (const auto &g : given) {
        const Parameter k = parameternamed(g.first);
        if (k == PARAMETERS || !namedparameter(s, k, type, rigid))
            return refused(refusal(prefix, s, namedtext(g),
                                   std::string(settingrow(s).typeName) + " with NAME one of " +
                                       namedparameters(s, type, rigid)));
        for (const auto &t : taken)
            if (t.first == k) return refused(refusal(prefix, s, namedtext(g), "each NAME once"));
        const bool good = s == SETTINGDESIGNERRORS ? designerroraccepted(g.second) : parameteraccepted(k, g.second);
        if (!good)
            return refused(refusal(prefix, s, namedtext(g),
                                   s == SETTINGDESIGNERRORS ? settingaccepts(s) : parameteraccepts(k, type)));
        taken.emplace_back(k, g.second);
    }
    out = taken;
    return succeeded();
}

// Reads the robot file the values name, when they name one, into `file`; refuses
// one that cannot be read, and one that differs from the digest its result names.
Outcome takerobotfile(const CompareOptionValues &v, const char *prefix, RobotFile &file) {
    const std::string &path = v.words[SETTINGROBOTFILE];
    if (path.empty()) return succeeded();
    const std::string name = prefix + std::string(settingoption(SETTINGROBOTFILE, prefix));
    const Outcome read = readrobotfile(path, file);
    if (!read.ok()) return Outcome{read.status, name + ": " + read.message};
    if (!v.robotDigest.empty() && v.robotDigest != file.sha256)
        return refused(name + ": '" + excerpt(path) + "' refused; it has changed since the result was made (SHA-256 " +
                       file.sha256 + ", the result names " + excerpt(v.robotDigest) + ")");
    return succeeded();
}

// The defaults of a request for robot `type` and motion `sgnG`: those of the records,
// or with a file those of its robot, the records left as they were.
CompareRequest defaultsof(const RobotFile &file, char type, char sgnG) {
    if (file.path.empty()) return defaultrequest(type, sgnG);
    const std::unique_ptr<RecordsCopy> before = std::make_unique<RecordsCopy>();
    keeprecords(*before);
    installrobot(file);
    CompareRequest r = defaultrequest(type, sgnG);
    r.robotfile = file;
    putrecords(*before);
    return r;
}

}  // namespace

Setting settingnamed(const std::string &name) {
    int s = 0;
    while (s < SETTINGS && name != settingrow(static_cast<Setting>(s)).name) ++s;
    return static_cast<Setting>(s);
}

std::string settingaccepts(Setting s) {
    const SettingRow &row = settingrow(s);
    if (row.words != nullptr) return wordlist(row.words);
    if (settingisfile(row) || *row.symbol == '\0') return row.taken;
    return std::string(row.taken) + " with " + rangetext(row, row.symbol, "");
}

std::string settingrefusal(const char *prefix, Setting s, const std::string &value) {
    return refusal(prefix, s, value, settingaccepts(s));
}

CompareRequest defaultrequest(char type, char sgnG) {
    CompareRequest r{};
    r.type = type;
    r.sgnG = sgnG;
    for (int s = 0; s < SETTINGS; ++s)
        if (settingrow(static_cast<Setting>(s)).fromrecords != nullptr) settingrow(static_cast<Setting>(s)).fromrecords(r);
    return r;
}

Outcome requestfromoptions(const CompareOptionValues &v, const char *prefix, CompareRequest &r) {
    Outcome taken = requestwithoutreach(v, prefix, r);
    if (taken.ok()) taken = checkreach(r, prefix, SETTINGSTART);
    if (taken.ok()) taken = checkreach(r, prefix, SETTINGEND);
    return taken;
}

Outcome requestwithoutreach(const CompareOptionValues &v, const char *prefix, CompareRequest &r) {
    RobotFile file{};
    Outcome taken = takerobotfile(v, prefix, file);
    if (!taken.ok()) return taken;
    for (Setting s : {SETTINGROBOT, SETTINGMOTION})
        if (v.words[s].empty() && !(s == SETTINGROBOT && !file.path.empty()))
            return refused(prefix + std::string(settingrow(s).name) + ": missing; accepts " + settingaccepts(s));
    char type = file.path.empty() ? ROBOTCYL : file.type, sgnG = MOTIONHORIZONTAL;
    taken = takeword(v.words[SETTINGROBOT], prefix, SETTINGROBOT, type);
    if (taken.ok() && !file.path.empty() && type != file.type)
        taken = refused(refusal(prefix, SETTINGROBOT, v.words[SETTINGROBOT],
                                std::string(robotword(file.type)) + ", the robot of the robot file"));
    if (taken.ok()) taken = takeword(v.words[SETTINGMOTION], prefix, SETTINGMOTION, sgnG);
    if (!taken.ok()) return taken;
    r = defaultsof(file, type, sgnG);
    for (int k = 0; k < SETTINGS && taken.ok(); ++k) {
        const Setting s = static_cast<Setting>(k);
        const SettingRow &row = settingrow(s);
        if (row.required || settingisfile(row)) continue;
        taken = row.words != nullptr   ? takeword(v.words[s], prefix, s, r.*row.code)
                : row.named != nullptr ? takenamed(v.named[s], prefix, s, r, r.*row.named)
                                       : takenumbers(v.numbers[s], prefix, s, row.values(r));
    }
    return taken.ok() ? checkcontrolperiod(r, prefix) : taken;
}

bool needscontrolperiod(Setting s) {
    return s == SETTINGENCODERCOUNTS || s == SETTINGSENSORNOISE || s == SETTINGSENSORDELAY;
}

Outcome checkcontrolperiod(const CompareRequest &r, const char *prefix) {
    if (r.controlPeriod != NOCONTROLPERIOD) return succeeded();
    for (int k = 0; k < SETTINGS; ++k) {
        const Setting s = static_cast<Setting>(k);
        if (!needscontrolperiod(s) || !settingwritten(r, s)) continue;
        CompareRequest given = r;
        const double *v = settingvalues(given, s);
        return refused(refusal(prefix, s, numberlist(std::vector<double>(v, v + settingrow(s).count)),
                               settingaccepts(s) + ", given with " + prefix +
                                   settingoption(SETTINGCONTROLPERIOD, prefix)));
    }
    return succeeded();
}

Outcome checkreach(const CompareRequest &r, const char *prefix, Setting s) {
    const double *point = s == SETTINGSTART ? r.start : r.end;
    if (r.type != ROBOTSCARA || robotreaches(armof(r), point[0], point[1])) return succeeded();
    const ArmReach reach = armreach(r);
    char accepts[96];
    std::snprintf(accepts, sizeof accepts, "a point the SCARA reaches, %g m <= distance from the base <= %g m",
                  reach.inner, reach.outer);
    return refused(refusal(prefix, s, numberlist({point[0], point[1]}), accepts));
}

double *settingvalues(CompareRequest &r, Setting s) {
    const SettingRow &row = settingrow(s);
    return row.values == nullptr ? nullptr : row.values(r);
}

bool namedparameter(Setting s, Parameter k, char type, bool rigid) {
    const bool setting = parameterrow(k).range == RANGERATIO || parameterrow(k).range == RANGECOORDINATE;
    return parameterrow(k).inFile && parameterin(k, type, rigid) && !(s == SETTINGPARAMS && setting);
}

bool namedbyanyarm(Setting s, Parameter k) {
    for (char type : {ROBOTCYL, ROBOTSCARA})
        for (bool rigid : {false, true})
            if (namedparameter(s, k, type, rigid)) return true;
    return false;
}

std::string namedparameters(Setting s, char type, bool rigid) {
    std::string names;
    for (int k = 0; k < PARAMETERS; ++k)
        if (namedparameter(s, static_cast<Parameter>(k), type, rigid))
            names += (names.empty() ? "" : ", ") + std::string(parameterrow(static_cast<Parameter>(k)).name);
    return names;
}

bool parameteraccepted(Parameter k, double v) {
    switch (parameterrow(k).range) {
        case RANGERATIO: return ratioaccepted(v);
        case RANGECOORDINATE:
        case RANGEOFFSET: return coordinateaccepted(v);
        case RANGENONNEGATIVE: return v == 0.0 || modelvalueaccepted(v);
        default: return modelvalueaccepted(v);
    }
}

std::string parameteraccepts(Parameter k, char type) {
    const std::string unit = parameterunit(k, type);
    const std::string in = unit == "-" ? "" : " in " + unit;
    switch (parameterrow(k).range) {
        case RANGERATIO: return "a number > 0 and <= " + numbertext(MAXRATIO) + in;
        case RANGECOORDINATE:
        case RANGEOFFSET:
            return "a number from " + numbertext(-MAXCOORDINATE) + " to " + numbertext(MAXCOORDINATE) + in;
        case RANGENONNEGATIVE:
            return "0 or a number from " + numbertext(MINMODELVALUE) + " to " + numbertext(MAXMODELVALUE) + in;
        default: return "a number from " + numbertext(MINMODELVALUE) + " to " + numbertext(MAXMODELVALUE) + in;
    }
}

RobotFile armof(const CompareRequest &r) {
    RobotFile arm = r.robotfile;
    if (r.params.empty()) return arm;
    if (arm.path.empty()) {
        arm.type = r.type;
        arm.L1 = scara.L1;
        arm.L2 = scara.L2;
    }
    for (const auto &[k, v] : r.params) {
        arm.values.erase(std::remove_if(arm.values.begin(), arm.values.end(),
                                        [k = k](const std::pair<Parameter, double> &given) { return given.first == k; }),
                         arm.values.end());
        arm.values.emplace_back(k, v);
        if (k == PARAML1) arm.L1 = v;
        if (k == PARAML2) arm.L2 = v;
    }
    return arm;
}

ArmReach armreach(const CompareRequest &r) {
    if (r.type != ROBOTSCARA) return {0.0, HUGE_VAL};
    const RobotFile arm = armof(r);
    const bool filed = !arm.values.empty();
    const double L1 = filed ? arm.L1 : scara.L1, L2 = filed ? arm.L2 : scara.L2;
    return {std::fabs(L1 - L2), L1 + L2};
}

void installarm(const CompareRequest &r) { installrobot(armof(r)); }

ComparisonSettings requestsettings(const CompareRequest &r) {
    ComparisonSettings settings{};
    for (int s = 0; s < SETTINGS; ++s) settingrow(static_cast<Setting>(s)).apply(r, settings);
    return settings;
}

ComparisonResult standalonepass(const CompareRequest &r) {
    installarm(r);
    ComparisonSettings settings = requestsettings(r);
    settings.tfNomBasis = standalonebasis(settings);
    return comparisonpass(settings);
}

bool settingwritten(const CompareRequest &r, Setting s) {
    if (s < SETTINGNEAR) return true;
    const SettingRow &row = settingrow(s);
    CompareRequest given = r, standard = defaultrequest(r.type, r.sgnG);
    if (row.words != nullptr) return given.*row.code != standard.*row.code;
    if (row.named != nullptr) return !(given.*row.named).empty();
    return !std::equal(row.values(given), row.values(given) + row.count, row.values(standard));
}

const char *robotword(char type) { return settingword(SETTINGROBOT, type); }
const char *motionword(char sgnG) { return settingword(SETTINGMOTION, sgnG); }
const char *elbowword(char elbow) { return settingword(SETTINGELBOW, elbow); }

const char *settingword(Setting s, char code) {
    const SettingWord *words = settingrow(s).words;
    for (const SettingWord *w = words; w->word != nullptr; ++w)
        if (w->code == code) return w->word;
    return "?";
}

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
