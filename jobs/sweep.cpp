#include "jobs/sweep.h"

#include <vector>

#include "formats/resultjson.h"
#include "study/comparison.h"
#include "study/usertext.h"

namespace {

// The result line of shard point k, made in a worker on the records the
// error-free half left.
std::string pointline(const SweepJob &job, const std::vector<int> &indices, const ComparisonResult &freeHalf,
                      int k) {
    CompareRequest request = job.request;
    request.errorPercent = gridpoint(job.grid, indices[k]);
    return resultjson(request, errorpass(freeHalf, errorratio(request.errorPercent))).dump();
}

}  // namespace

std::string readsweep(const CompareOptionValues &values, const std::string &errors, SweepJob &job) {
    std::string refused = requestfromoptions(values, "--", job.request), message;
    if (refused.empty() && !parsegrid(errors, errorrange(), job.grid, message))
        refused = "--errors: '" + excerpt(errors) + "' refused; " + message;
    return refused;
}

int runsweeppoints(const SweepJob &job, const std::function<int(const ResultPoints &)> &run) {
    ComparisonSettings settings = requestsettings(job.request);
    settings.tfNomBasis = standalonebasis(settings);
    const ComparisonResult freeHalf = errorfreepass(settings);
    const std::vector<int> indices = shardpoints(job.grid.count, job.shard);
    return run(ResultPoints{static_cast<int>(indices.size()), nullptr,
                            [&](int k) { return pointline(job, indices, freeHalf, k); },
                            [&](int k) { return "mass error " + valuetext(gridpoint(job.grid, indices[k]), "%"); }});
}
