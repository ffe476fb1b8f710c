#include "jobs/sweep.h"

#include "formats/resultjson.h"

SweepPoints sweeppoints(const SweepJob &job) {
    installarm(job.request);
    ComparisonSettings settings = requestsettings(job.request);
    settings.tfNomBasis = standalonebasis(settings);
    return SweepPoints{job.request, job.grid, shardpoints(job.grid.count, job.shard), errorfreepass(settings)};
}

std::string sweepline(const SweepPoints &points, int k) {
    CompareRequest request = points.request;
    request.errorPercent = gridpoint(points.grid, points.indices[k]);
    return resultjson(request, errorpass(points.freeHalf, errorratio(request.errorPercent), requestsettings(request).designErrors)).dump();
}

std::string sweepname(const SweepPoints &points, int k) {
    return "mass error " + valuetext(gridpoint(points.grid, points.indices[k]), "%");
}
