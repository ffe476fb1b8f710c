#include "jobs/sweep.h"

#include <cstdio>

#include "formats/resultjson.h"
#include "study/comparison.h"

namespace {

// The result line of a point of mass error `percent`, made in a worker on the
// records the error-free half left.
std::string pointline(const CompareRequest &settings, const ComparisonResult &freeHalf, double percent) {
    CompareRequest request = settings;
    request.errorPercent = percent;
    return resultjson(request, errorpass(freeHalf, errorratio(percent))).dump();
}

}  // namespace

int runsweeppoints(const SweepJob &job, const std::function<void(double, const WorkerRun &)> &deliver,
                   const std::function<bool()> &stop, const WorkerWait &wait) {
    ComparisonSettings settings = requestsettings(job.request);
    settings.tfNomBasis = standalonebasis(settings);
    const ComparisonResult freeHalf = errorfreepass(settings);
    const std::vector<int> indices = shardpoints(job.grid, job.shard);
    const auto percent = [&](int k) { return gridpoint(job.grid, indices[k]); };
    return runinworkers(
        static_cast<int>(indices.size()), job.jobs,
        [&](int k) { return pointline(job.request, freeHalf, percent(k)); },
        [&](int k, const WorkerRun &run) { deliver(percent(k), run); }, stop, wait);
}

std::string pointfailure(double percent, const std::string &why) {
    char text[64];
    std::snprintf(text, sizeof text, "mass error %.17g %%: ", percent);
    return text + why;
}
