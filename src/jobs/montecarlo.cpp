#include "jobs/montecarlo.h"

#include <cmath>
#include <set>

#include "formats/resultjson.h"
#include "jobs/mapgrid.h"
#include "settings/usertext.h"

namespace {

// The value of an input as its setting takes it: whole seeds.
double settingvalue(const UncertainInput &input, double v) { return input.axis == AXISSEED ? std::floor(v) : v; }

// The header every line of a study carries, so that the summary knows its files
// belong together.
nlohmann::ordered_json studyheader(const MonteCarloJob &job) {
    return nlohmann::ordered_json{
        {"seed", job.seed}, {"samples", job.samples}, {"sampling", samplingword(job.sampling)}};
}

// The result object of sample i's settings: one that runs, or why it cannot.
nlohmann::ordered_json sampleresult(const MonteCarloPoints &points, int i) {
    CompareRequest r = points.job.request;
    for (size_t j = 0; j < points.job.inputs.size(); ++j) {
        const UncertainInput &input = points.job.inputs[j];
        const double v = points.values[i][j];
        if (!axisrange(input.axis, input.name).accepts(v)) {
            nlohmann::ordered_json refusal = unreachablejson(r, input.name + ": " + valuetext(v, "") +
                                                                    " lies outside " + axisrange(input.axis, input.name).bounds);
            refusal["outcome"] = "out-of-range";
            return refusal;
        }
        setaxisvalue(input.axis, r, v);
    }
    const Outcome reach = checkreaches(r);
    return reach.ok() ? resultjson(r, standalonepass(r)) : unreachablejson(r, reach.message);
}

// Refuses inputs that name one setting twice, and a Sobol study of more inputs
// than MAXSOBOLINPUTS, saying why.
Outcome checkinputs(const std::vector<UncertainInput> &inputs, SamplingScheme sampling) {
    std::set<std::string> names;
    for (const UncertainInput &input : inputs)
        if (!names.insert(input.name).second) return refused("'" + input.name + "' is given twice");
    if (sampling == SAMPLINGSOBOL && inputs.size() > static_cast<size_t>(MAXSOBOLINPUTS))
        return refused("sobol takes at most " + std::to_string(MAXSOBOLINPUTS) + " inputs");
    return succeeded();
}

// Why an option of the comparison is refused when an input draws its value.
const char *const CONFLICT = "draws its value in every sample: the two conflict";

}  // namespace

Outcome readuncertain(const std::string &text, UncertainInput &input) {
    const size_t equals = text.find('=');
    PlotAxis axis = AXISNONE;
    const Outcome named = axisnamed(text.substr(0, equals), axis);
    if (!named.ok()) return refused("accepts NAME=DIST " + named.message);
    if (equals == std::string::npos) return refused("accepts NAME=DIST; no DIST follows the name");
    Distribution d{};
    const Outcome read = parsedistribution(text.substr(equals + 1), d);
    if (!read.ok()) return refused("DIST " + read.message);
    input = UncertainInput{text.substr(0, equals), axis, d};
    return succeeded();
}

Outcome readmontecarlo(const CompareOptionValues &values, const StudyTexts &texts, MonteCarloJob &job) {
    const Outcome request = requestfromoptions(values, "--", job.request);
    if (!request.ok()) return request;
    if (texts.samples < 1 || texts.samples > MAXGRIDPOINTS)
        return refused("--samples: '" + std::to_string(texts.samples) + "' refused; accepts a whole number from 1 to " +
                       numbertext(MAXGRIDPOINTS));
    double seed = 0;
    if (!readnumber(texts.seed, seed) || seed < 0 || seed > MAXSTUDYSEED || seed != std::floor(seed))
        return refused("--seed: '" + excerpt(texts.seed) + "' refused; accepts a whole number from 0 to " +
                       numbertext(MAXSTUDYSEED));
    if (!samplingnamed(texts.sampling, job.sampling))
        return refused("--sampling: '" + excerpt(texts.sampling) + "' refused; accepts random, lhs or sobol");
    job.inputs.clear();
    for (const std::string &text : texts.uncertain) {
        UncertainInput input{};
        const Outcome read = readuncertain(text, input);
        if (!read.ok()) return refused("--uncertain: '" + excerpt(text) + "' refused; " + read.message);
        job.inputs.push_back(input);
    }
    const Outcome inputs = checkinputs(job.inputs, job.sampling);
    if (!inputs.ok()) return refused("--uncertain: refused; " + inputs.message);
    std::vector<AxisUse> drawn;
    for (const UncertainInput &input : job.inputs) drawn.push_back(AxisUse{input.axis, "uncertain"});
    const Outcome given = checkgivenreplaced(drawn, values, CONFLICT, CONFLICT);
    if (!given.ok()) return given;
    job.seed = static_cast<std::uint64_t>(seed);
    job.samples = texts.samples;
    return succeeded();
}

MonteCarloPoints montecarlopoints(const MonteCarloJob &job) {
    const int d = static_cast<int>(job.inputs.size());
    std::vector<std::vector<double>> values = drawprobabilities(job.sampling, job.seed, job.samples, d);
    for (std::vector<double> &sample : values)
        for (int j = 0; j < d; ++j) sample[j] = settingvalue(job.inputs[j], drawvalue(job.inputs[j].dist, sample[j]));
    return MonteCarloPoints{job, shardpoints(job.samples, job.shard), values};
}

std::string montecarloline(const MonteCarloPoints &points, int k) {
    const int i = points.indices[static_cast<size_t>(k)];
    nlohmann::ordered_json line{{"sample", i}};
    nlohmann::ordered_json drawn = nlohmann::ordered_json::object();
    for (size_t j = 0; j < points.job.inputs.size(); ++j) drawn[points.job.inputs[j].name] = points.values[i][j];
    line["drawn"] = drawn;
    line["montecarlo"] = studyheader(points.job);
    const nlohmann::ordered_json result = sampleresult(points, i);
    for (const auto &field : result.items()) line[field.key()] = field.value();
    return line.dump();
}

std::string montecarloname(const MonteCarloPoints &points, int k) {
    return "sample " + std::to_string(points.indices[static_cast<size_t>(k)]);
}
