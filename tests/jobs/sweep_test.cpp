// A sweep's points: the error-free half made once here, each point's line made in a
// worker on the records it left equals the comparison of its settings alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/resultjson.h"
#include "jobs/sweep.h"
#include "study/params.h"
#include "processes/workers.h"

namespace {

TEST(SweepPoints, LinesAreTheComparisonsOfTheirMassErrorsAlone) {
    initialset();
    CompareOptionValues v;
    v.words[SETTINGROBOT] = "scara";
    v.words[SETTINGMOTION] = "vertical";
    SweepJob job{};
    ASSERT_EQ("", requestfromoptions(v, "--", job.request).message);
    ASSERT_EQ("", readgrid("-6:6:4", job.grid).message);
    job.shard = Shard{1, 2};
    const SweepPoints points = sweeppoints(job);
    std::vector<std::string> lines, names;
    runinworkers(
        static_cast<int>(points.indices.size()), 2, [&](int k) { return sweepline(points, k); },
        [&](int k, const WorkerRun &run) {
            lines.push_back(run.line);
            names.push_back(sweepname(points, k));
        },
        [] { return false; });
    EXPECT_EQ((std::vector<std::string>{"mass error -2 %", "mass error 6 %"}), names);
    ASSERT_EQ(2u, lines.size());
    for (size_t k = 0; k < lines.size(); ++k) {
        initialset();
        CompareRequest r = job.request;
        r.errorPercent = k == 0 ? -2.0 : 6.0;
        EXPECT_EQ(resultjson(r, standalonepass(r)).dump(), lines[k]) << k;
    }
}

}  // namespace
