// A sweep's settings read as the command line gives them, and its points: each
// point's line is what the comparison of its settings gives alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/resultjson.h"
#include "jobs/sweep.h"
#include "study/params.h"
#include "workers/workers.h"

namespace {

CompareOptionValues scaravertical() {
    CompareOptionValues v;
    v.robot = "scara";
    v.motion = "vertical";
    return v;
}

TEST(Sweep, SettingsReadOrRefusedAsTheCommandLineGivesThem) {
    initialset();
    SweepJob job{};
    EXPECT_EQ("", readsweep(scaravertical(), "-2:2:1", job));
    EXPECT_EQ(5, job.grid.count);
    EXPECT_EQ(ROBOTSCARA, job.request.type);
    EXPECT_EQ("--errors: '0:1:0' refused; the step must be positive, got 0 %", readsweep(scaravertical(), "0:1:0", job));
    const std::string refused = readsweep(scaravertical(), std::string(5000, '1') + ":1:1", job);
    EXPECT_EQ(0u, refused.find("--errors: '1111")) << refused;
    EXPECT_LT(refused.size(), 300u) << "the value quoted shortened: " << refused;
    CompareOptionValues far = scaravertical();
    far.end = {2.0, 0.0};
    EXPECT_EQ(0u, readsweep(far, "0:1:1", job).find("--end: '2,0' refused"));
    EXPECT_EQ(5, job.grid.count) << "refusals leave the grid as it was";
}

// The points made in workers, in grid order, each as a comparison alone.
TEST(Sweep, PointsAreTheComparisonsOfTheirMassErrors) {
    initialset();
    SweepJob job{};
    ASSERT_EQ("", readsweep(scaravertical(), "-6:6:4", job));
    job.shard = Shard{1, 2};
    std::vector<std::string> lines, names;
    const int status = runsweeppoints(job, [&](const ResultPoints &points) {
        runinworkers(
            points.count, 2, points.line,
            [&](int k, const WorkerRun &run) {
                lines.push_back(run.line);
                names.push_back(points.pointname(k));
            },
            [] { return false; }, points.prepare);
        return 7;
    });
    EXPECT_EQ(7, status);
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
