#include "formats/resultjson.h"

#include <cmath>
#include <cstdint>

#include "records/parameters.h"
#include "settings/settings.h"
#include "settings/usertext.h"

namespace {

using json = nlohmann::ordered_json;

json pair(const double v[2]) { return json::array({v[0], v[1]}); }

// A robot file as the settings name it: its path (utf8text) and the digest of its bytes.
json robotfilejson(const RobotFile &f) { return json{{"path", utf8text(f.path)}, {"sha256", f.sha256}}; }

// Values by parameter name as an object, {"L2": -10}, in the order given.
json namedjson(const ParameterValues &values) {
    json named = json::object();
    for (const auto &[k, v] : values) named[parameterrow(k).name] = v;
    return named;
}

json derivedjson(const ComparisonResult &r) {
    return json{{"T1max", r.T1max},   {"T2max", r.T2max}, {"T1maxG", r.T1maxG},
                {"T2maxG", r.T2maxG}, {"tfNom", r.tfNom}, {"dt", r.dt}};
}

// Trial i starts joint 2 with the sign sigma2 = -1 (i = 0) or +1 (i = 1).
json trialjson(const TrialOutcome &t, int i) {
    const bool accepted = t.verdict == TRIALACCEPTED;
    return json{{"sigma2", i == 0 ? -1 : 1},
                {"iterations", t.iterations},
                {"verdict", verdictword(t.verdict)},
                {"tf", accepted ? json(t.tf) : json(nullptr)},
                {"residual", t.verdict == TRIALNOTRUN ? json(nullptr) : json(t.residual)},
                {"guess", t.guess}};
}

json designjson(const DesignSummary &d) {
    return json{{"solved", d.solved != 0},
                {"ts", d.solved ? json::array({d.ts[0], d.ts[1], d.ts[2], d.ts[3]}) : json(nullptr)},
                {"chosen", d.chosen >= 0 ? json(d.chosen) : json(nullptr)},
                {"search", d.solved ? json(d.wide ? "wide" : "standard") : json(nullptr)},
                {"trials", json::array({trialjson(d.trial[0], 0), trialjson(d.trial[1], 1)})}};
}

json designsjson(const ComparisonResult &r) {
    const bool freesolved = r.outcome != NOFREESOLUTION;
    return json{{"free", designjson(r.free)},
                {"error", freesolved ? designjson(r.err) : json(nullptr)},
                {"samestructure", r.outcome == COMPARED ? json(samestructure(r)) : json(nullptr)}};
}

json runjson(const RunFigures &f) {
    return json{{"tf", f.tf},
                {"tip", pair(f.P)},
                {"error", f.error},
                {"ratio", f.ratioexists ? json(f.ratio) : json(nullptr)},
                {"pastSpan", f.pastspan},
                {"designedTipError", f.designedInSpan ? json(f.designedTipError) : json(nullptr)},
                {"designedTipSpeed", f.designedInSpan ? json(f.designedTipSpeed) : json(nullptr)},
                {"endTipError", f.endTipError},
                {"endTipSpeed", f.endTipSpeed},
                {"settlingTime", f.settled ? json(f.settlingTime) : json(nullptr)}};
}

// How each SOTOC phase ended: its time and whether by the state or by the fallback
// (both null for a phase that never ended), and with a control period the control
// instant that ended it.
json phasesjson(const SotocPhases &p, bool sampled) {
    json phases = json::array();
    for (int k = 0; k < 4; ++k) {
        const bool ended = p.tEnd[k] != 0.0;
        json phase = {{"end", ended ? json(p.tEnd[k]) : json(nullptr)},
                      {"by", ended ? json(p.fallback[k] ? "fallback" : "state") : json(nullptr)}};
        if (sampled) phase["instant"] = ended ? json(p.instant[k]) : json(nullptr);
        phases.push_back(phase);
    }
    return phases;
}

// A file's name (utf8text: \xHH a byte), or its name and digest as a result's
// settings hold them.
bool takefile(const json &x, Setting s, CompareOptionValues &v) {
    const bool named = x.is_object() && x.size() == 2 && x.contains("path") && x.contains("sha256") &&
                       x.at("path").is_string() && x.at("sha256").is_string();
    if (named) v.robotDigest = x.at("sha256").get<std::string>();
    const json &path = named ? x.at("path") : x;
    if (!path.is_string() || path.get<std::string>().empty()) return false;
    v.words[s] = utf8bytes(path.get<std::string>());
    return true;
}

// A JSON value as one of the option values; false when its type does not fit.
bool takevalue(const json &x, Setting s, CompareOptionValues &v) {
    const SettingRow &row = settingrow(s);
    if (settingisfile(row)) return takefile(x, s, v);
    if (row.named != nullptr) {
        if (!x.is_object()) return false;
        for (const auto &item : x.items()) {
            if (!item.value().is_number()) return false;
            v.named[s].emplace_back(item.key(), item.value().get<double>());
        }
        return true;
    }
    if (row.words != nullptr) {
        if (!x.is_string() || x.get<std::string>().empty()) return false;
        v.words[s] = x.get<std::string>();
        return true;
    }
    if (row.offWord != nullptr && x.is_null()) return true;  // none at all: its default
    if (row.count == 1) {
        if (!x.is_number()) return false;
        v.numbers[s] = {x.get<double>()};
        return true;
    }
    if (!x.is_array() || x.empty()) return false;
    for (const json &e : x)
        if (!e.is_number()) return false;
    v.numbers[s] = x.get<std::vector<double>>();
    return true;
}

// The three runs, with the SOTOC run's phases when `phases` (their control instants
// when `sampled`), and with a reference each final time over t* (null when it was not solved).
json runsjson(const ComparisonResult &r, bool phases, bool sampled) {
    json sotocErr = runjson(r.sotocErr);
    sotocErr["finished"] = r.sotocFinished;
    if (phases) sotocErr["phases"] = phasesjson(r.phases, sampled);
    json runs{{RUNNAMES[0], runjson(r.tocFree)}, {RUNNAMES[1], runjson(r.tocErr)}, {RUNNAMES[2], sotocErr}};
    const RunFigures *figures[3] = {&r.tocFree, &r.tocErr, &r.sotocErr};
    if (r.referenced)
        for (int k = 0; k < 3; ++k)
            runs[RUNNAMES[k]]["tfOverOptimal"] = r.optimal.solved ? json(figures[k]->tf / r.optimal.tf) : json(nullptr);
    return runs;
}

// The three runs; the SOTOC run's phases when a fallback could end them or a
// control period sampled them.
json runsjson(const ComparisonResult &r, const CompareRequest &request) {
    const bool sampled = !settingoff(SETTINGCONTROLPERIOD, &request.controlPeriod);
    return runsjson(r, !settingoff(SETTINGFALLBACK, &request.fallback) || sampled, sampled);
}

// The place of the first number in j that is not finite, as a path of the names of
// its members and indices ("runs.tocErr.endTipError", "runs.tocErr.tip.1") below
// `at`; "" when all are finite.
std::string firstnonfinite(const json &j, const std::string &at) {
    if (j.is_number_float()) return std::isfinite(j.get<double>()) ? "" : at;
    if (!j.is_structured()) return "";
    for (const auto &item : j.items()) {
        const std::string found = firstnonfinite(item.value(), at.empty() ? item.key() : at + "." + item.key());
        if (!found.empty()) return found;
    }
    return "";
}

// The option values of the fields of a JSON object; refuses a field that names no
// setting or has a value of another type.
Outcome optionsfromobject(const json &j, CompareOptionValues &v) {
    for (const auto &item : j.items()) {
        const Setting s = settingnamed(item.key());
        if (s == SETTINGS) {
            std::string names;
            for (int k = 0; k < SETTINGS; ++k)
                names += (names.empty() ? "" : ", ") + std::string(settingrow(static_cast<Setting>(k)).name);
            return refused("'" + excerpt(item.key()) + "' refused; accepts the fields " + names);
        }
        if (!takevalue(item.value(), s, v)) return refused(settingrefusal("", s, item.value().dump()));
    }
    return succeeded();
}

}  // namespace

// A selection's word, one number, or a list; a file only when one was given.
json settingsjson(CompareRequest q) {
    json settings = json::object();
    for (int k = 0; k < SETTINGS; ++k) {
        const Setting s = static_cast<Setting>(k);
        if (!settingwritten(q, s)) continue;
        const SettingRow &row = settingrow(s);
        if (settingisfile(row)) {
            if (!q.robotfile.path.empty()) settings[row.name] = robotfilejson(q.robotfile);
            continue;
        }
        if (row.named != nullptr) {
            settings[row.name] = namedjson(q.*row.named);
            continue;
        }
        const double *v = row.words == nullptr ? row.values(q) : nullptr;
        settings[row.name] = row.words != nullptr ? json(settingword(s, q.*row.code))
                             : settingoff(s, v)   ? json(nullptr)
                             : row.whole          ? json(static_cast<std::int64_t>(v[0]))
                             : row.count == 1     ? json(v[0])
                                                  : json(std::vector<double>(v, v + row.count));
    }
    return settings;
}

Outcome requestfromobject(const json &j, CompareRequest &r) {
    CompareOptionValues v;
    const Outcome taken = optionsfromobject(j, v);
    return taken.ok() ? requestfromoptions(v, "", r) : taken;
}

Outcome requestfromobjectwithoutreach(const json &j, CompareRequest &r) {
    CompareOptionValues v;
    const Outcome taken = optionsfromobject(j, v);
    return taken.ok() ? requestwithoutreach(v, "", r) : taken;
}

const char *outcomeword(ComparisonOutcome o) {
    switch (o) {
        case COMPARED: return "compared";
        case NOFREESOLUTION: return "no-free-solution";
        case NOERRSOLUTION: return "no-error-solution";
        case DIVERGED: return "diverged";
    }
    return "?";
}

const char *verdictword(TrialVerdict v) {
    switch (v) {
        case TRIALACCEPTED: return "accepted";
        case TRIALNOTCONVERGED: return "not-converged";
        case TRIALNOTANUMBER: return "not-a-number";
        case TRIALNEGATIVETIME: return "negative-time";
        case TRIALORDER: return "order-violated";
        case TRIALNOTRUN: return "not-run";
    }
    return "?";
}

std::string divergence(const ComparisonResult &r) {
    const std::string at = firstnonfinite(json{{"derived", derivedjson(r)}, {"runs", runsjson(r, true, false)}}, "");
    return "the model's values overflow: " + at + " is no finite number; choose values nearer those of sotoc params";
}

std::string nosolution(const ComparisonResult &r) {
    const bool free = r.outcome == NOFREESOLUTION;
    const DesignSummary &d = free ? r.free : r.err;
    return std::string("no switching-time solution for the design ") + (free ? "without" : "with") +
           " mass error (joint 2 starting negative: " + verdictword(d.trial[0].verdict) +
           ", positive: " + verdictword(d.trial[1].verdict) + ")";
}

std::string uncompared(const ComparisonResult &r) { return r.outcome == DIVERGED ? divergence(r) : nosolution(r); }

const char *const RUNNAMES[3] = {"tocFree", "tocErr", "sotocErr"};

const char *const UNREACHABLE = "unreachable";

json programjson() { return json{{"version", std::string(SOTOC_RELEASE)}, {"commit", std::string(SOTOC_COMMIT)}}; }

std::string programtext(const std::string &version, const std::string &commit) {
    return "sotoc " + version + " (commit " + commit + ")";
}

json resultjson(const CompareRequest &request, const ComparisonResult &r) {
    if (r.outcome == DIVERGED)
        return json{{"settings", settingsjson(request)},
                    {"outcome", outcomeword(r.outcome)},
                    {"reason", divergence(r)},
                    {"program", programjson()}};
    json result{{"settings", settingsjson(request)},
                {"derived", derivedjson(r)},
                {"outcome", outcomeword(r.outcome)},
                {"designs", designsjson(r)},
                {"runs", r.outcome == COMPARED ? runsjson(r, request)
                                               : json(nullptr)}};
    if (r.referenced) result["optimal"] = optimaljson(r.optimal, r.free.solved == 1, r.free.ts[3]);
    result["program"] = programjson();
    return result;
}

json optimaljson(const OptimalSolution &s, bool designed, double tfDesigned) {
    json j{{"tf", s.tf},
           {"solved", s.solved},
           {"status", s.status},
           {"iterations", s.iterations},
           {"intervals", s.N},
           {"meshes", s.meshes},
           {"meshConverged", s.meshConverged},
           {"tfCoarse", s.tfCoarse},
           {"switches", {s.switches[0], s.switches[1]}},
           {"interiorArcs", {s.interiorArcs[0], s.interiorArcs[1]}},
           {"designStructure", s.designStructure},
           {"designedTf", nullptr},
           {"gap", nullptr}};
    if (designed) {
        j["designedTf"] = tfDesigned;
        j["gap"] = tfDesigned / s.tf;
    }
    return j;
}

json unreachablejson(const CompareRequest &request, const std::string &reason) {
    return json{{"settings", settingsjson(request)},
                {"outcome", UNREACHABLE},
                {"reason", reason},
                {"program", programjson()}};
}

json paramsjson(const CompareRequest &request, const std::vector<double> &values) {
    json parameters = json::object();
    for (int k = 0; k < PARAMETERS; ++k) {
        const Parameter p = static_cast<Parameter>(k);
        if (!parameterof(p, request.type)) continue;
        const ParameterRow &row = parameterrow(p);
        parameters[row.name] = json{{"value", values[k]},
                                    {"unit", parameterunit(p, request.type)},
                                    {"kind", kindword(row.kind)},
                                    {"meaning", row.meaning}};
    }
    json j{{"settings", settingsjson(request)}, {"parameters", parameters}};
    if (!request.robotfile.notices.empty()) j["notices"] = request.robotfile.notices;
    j["program"] = programjson();
    return j;
}

std::string mapline(json object, int i, int j) {
    object["map"] = json{{"i", i}, {"j", j}};
    return object.dump();
}
