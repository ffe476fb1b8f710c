#include "jobs/montecarlosummary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sampling/draws.h"
#include "sampling/statistics.h"

const char *const STUDYMEASURENAMES[STUDYMEASURES] = {"error", "designedTipError", "endTipError", "settlingTime"};

namespace {

using json = nlohmann::ordered_json;

// The measure of a run object: a number, infinity for a time never settled (null).
double measure(const json &run, const char *name) {
    const json &v = run.at(name);
    return v.is_null() ? std::numeric_limits<double>::infinity() : v.get<double>();
}

// A number or null (NaN, infinity) as the summary writes it.
json number(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json estimatejson(const Estimate &e) { return json{{"value", number(e.value)}, {"interval", {number(e.lo), number(e.hi)}}}; }

// P(SOTOC's measure m strictly below TOC's) over the samples compared.
json closer(const std::vector<const SampleRecord *> &compared, int m) {
    long k = 0;
    for (const SampleRecord *s : compared) k += s->sotoc[m] < s->toc[m];
    const Estimate e = wilson(k, static_cast<long>(compared.size()));
    return json{{"probability", number(e.value)},
                {"interval", {number(e.lo), number(e.hi)}},
                {"samples", compared.size()}};
}

// The quantiles of a controller's measures over the samples where each is a number.
json controllerquantiles(const std::vector<const SampleRecord *> &compared, bool sotoc, std::uint64_t seed) {
    json out;
    const std::vector<double> levels(std::begin(QUANTILELEVELS), std::end(QUANTILELEVELS));
    for (int m = 0; m < STUDYMEASURES; ++m) {
        std::vector<double> data;
        for (const SampleRecord *s : compared) {
            const double v = sotoc ? s->sotoc[m] : s->toc[m];
            if (std::isfinite(v)) data.push_back(v);
        }
        json q = json::array();
        const std::vector<Estimate> e = quantiles(data, levels, seed);
        for (size_t l = 0; l < levels.size(); ++l) {
            json one = estimatejson(e[l]);
            q.push_back(json{{"level", levels[l]}, {"value", one["value"]}, {"interval", one["interval"]}});
        }
        out[STUDYMEASURENAMES[m]] = json{{"samples", data.size()}, {"quantiles", q}};
    }
    return out;
}

// The inputs' rank correlations with a controller's positioning error, ranked by
// the size of the partial one (inputs without one last, in the order given).
json sensitivity(const StudySamples &study, const std::vector<const SampleRecord *> &compared, bool sotoc) {
    std::vector<std::vector<double>> inputs(study.names.size());
    std::vector<double> y;
    for (const SampleRecord *s : compared) {
        for (size_t j = 0; j < inputs.size(); ++j) inputs[j].push_back(s->drawn[j]);
        y.push_back(sotoc ? s->sotoc[0] : s->toc[0]);
    }
    struct Row {
        size_t j;
        Estimate rank, partial;
    };
    std::vector<Row> rows;
    for (size_t j = 0; j < inputs.size(); ++j)
        rows.push_back(Row{j, spearman(inputs[j], y), partialrank(inputs, static_cast<int>(j), y)});
    const auto size = [](const Row &r) { return std::isfinite(r.partial.value) ? std::fabs(r.partial.value) : -1.0; };
    std::stable_sort(rows.begin(), rows.end(), [&size](const Row &a, const Row &b) { return size(a) > size(b); });
    json out = json::array();
    for (const Row &r : rows) {
        const json rank = estimatejson(r.rank), partial = estimatejson(r.partial);
        out.push_back(json{{"input", study.names[r.j]},
                           {"spearman", rank["value"]},
                           {"spearmanInterval", rank["interval"]},
                           {"prcc", partial["value"]},
                           {"prccInterval", partial["interval"]}});
    }
    return out;
}

// How many samples ended each way that compares nothing, or SOTOC unfinished.
json counts(const std::vector<SampleRecord> &samples) {
    const auto count = [&samples](const std::function<bool(const SampleRecord &)> &f) {
        return std::count_if(samples.begin(), samples.end(), f);
    };
    return json{
        {"noDesign", count([](const SampleRecord &s) {
             return s.outcome == "no-free-solution" || s.outcome == "no-error-solution";
         })},
        {"sotocUnfinished", count([](const SampleRecord &s) { return s.outcome == "compared" && !s.finished; })},
        {"diverged", count([](const SampleRecord &s) { return s.outcome == "diverged"; })},
        {"unreachable", count([](const SampleRecord &s) { return s.outcome == "unreachable"; })},
        {"outOfRange", count([](const SampleRecord &s) { return s.outcome == "out-of-range"; })}};
}

// Reads a parsed sample line into `record`; false for one that is not.
bool readrecord(const json &j, const StudySamples &study, SampleRecord &record) {
    record.index = j.at("sample").get<long>();
    for (const std::string &name : study.names) record.drawn.push_back(j.at("drawn").at(name).get<double>());
    record.outcome = j.at("outcome").get<std::string>();
    record.finished = false;
    if (record.outcome != "compared") return true;
    const json &runs = j.at("runs");
    record.finished = runs.at("sotocErr").at("finished").get<bool>();
    for (int m = 0; m < STUDYMEASURES; ++m) {
        record.toc[m] = measure(runs.at("tocErr"), STUDYMEASURENAMES[m]);
        record.sotoc[m] = measure(runs.at("sotocErr"), STUDYMEASURENAMES[m]);
    }
    return true;
}

}  // namespace

Outcome readsampleline(const std::string &line, StudySamples &study) {
    const json j = json::parse(line, nullptr, false);
    if (!j.is_object() || !j.contains("sample") || !j.contains("drawn") || !j.contains("montecarlo") ||
        !j.at("drawn").is_object())
        return refused("it is no sample line of sotoc montecarlo");
    std::vector<std::string> names;
    for (const auto &item : j.at("drawn").items()) names.push_back(item.key());
    if (study.header.is_null()) {
        study.header = j.at("montecarlo");
        study.names = names;
    }
    if (j.at("montecarlo") != study.header || names != study.names)
        return refused("it belongs to another study (seed, samples, sampling or inputs differ)");
    SampleRecord record{};
    try {
        readrecord(j, study, record);
    } catch (const nlohmann::json::exception &) {
        return refused("it is no sample line of sotoc montecarlo (a field is missing or of another type)");
    }
    study.samples.push_back(record);
    return succeeded();
}

Outcome summarise(StudySamples study, json &summary) {
    std::sort(study.samples.begin(), study.samples.end(),
              [](const SampleRecord &a, const SampleRecord &b) { return a.index < b.index; });
    for (size_t k = 1; k < study.samples.size(); ++k)
        if (study.samples[k].index == study.samples[k - 1].index)
            return refused("sample " + std::to_string(study.samples[k].index) + " is given twice");
    std::vector<const SampleRecord *> compared;
    for (const SampleRecord &s : study.samples)
        if (s.outcome == "compared") compared.push_back(&s);
    const std::uint64_t seed = study.header.is_null() ? 0 : study.header.at("seed").get<std::uint64_t>();
    const std::uint64_t bootstrap = streamseed(seed, STREAMBOOTSTRAP);
    json by;
    for (int m = 1; m < STUDYMEASURES; ++m) by[STUDYMEASURENAMES[m]] = closer(compared, m);
    summary = json{{"montecarlo", study.header},
                   {"samples", study.samples.size()},
                   {"sotocCloser", closer(compared, 0)},
                   {"sotocCloserBy", by},
                   {"quantiles", {{"toc", controllerquantiles(compared, false, bootstrap)},
                                  {"sotoc", controllerquantiles(compared, true, bootstrap)}}},
                   {"counts", counts(study.samples)},
                   {"sensitivity", {{"toc", sensitivity(study, compared, false)}, {"sotoc", sensitivity(study, compared, true)}}}};
    return succeeded();
}
