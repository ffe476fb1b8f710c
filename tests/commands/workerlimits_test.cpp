// Sweeps and maps under a low limit of open files, as a shell script runs them: the
// points wait for a free worker and give the lines of a run without the limit, the
// result file written; when not even one worker starts, one message and status 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/jobs.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

// `sotoc COMMAND` run by the shell after `limits` (shell commands), standard output
// to `out` when given.
RunOutcome underlimits(const std::string &limits, const std::vector<std::string> &command, const std::string &out = "") {
    std::string script = limits + " && exec \"$0\"";
    for (const std::string &a : command) script += " '" + a + "'";
    if (!out.empty()) script += " --out '" + out + "'";
    return runprogram({"/bin/sh", "-c", script, sotocbinary()});
}

// A sweep of 12 points and a map of 5 x 3, each with more workers asked (16) than
// descriptors to spare: of 12, the standard ones and the result file leave 8, and a
// worker keeps one end of its pipe and needs the other while it starts: seven at once.
const std::vector<std::string> SWEEP = {"sweep", "--robot", "cylindrical", "--motion", "vertical",
                                        "--errors", "-11:11:2"};
const std::vector<std::string> MAP = {"map", "--robot", "scara", "--motion", "horizontal",
                                      "--x", "error=-4:4:2", "--y", "ratios=30:50:10"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(WorkerLimits, FewFileDescriptorsGiveEveryLineInOrder) {
    const struct {
        std::vector<std::string> command;
        size_t points;
    } runs[] = {{SWEEP, 12}, {MAP, 15}};
    for (const auto &r : runs) {
        const RunOutcome alone = runsotoc(with(r.command, {"--jobs", "1"}));
        ASSERT_EQ(0, alone.status) << alone.err;
        ASSERT_EQ(r.points, lines(alone.out).size());
        TempDir dir;
        const RunOutcome few = underlimits("ulimit -n 12", with(r.command, {"--jobs", "16"}), dir.file("out.jsonl"));
        EXPECT_EQ(0, few.status) << few.err;
        EXPECT_EQ("", few.err);
        EXPECT_EQ("", few.out);
        EXPECT_EQ(alone.out, readfile(dir.file("out.jsonl"))) << r.command[0];
    }
}

// Four descriptors: standard input, output, error and one to load the program with;
// none is left for a worker's pipe.
TEST(WorkerLimits, NoWorkerAtAllSaidOnce) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers' checks need file descriptors of their own";
#endif
    const std::string none = "exec 3>&- && ulimit -n 4";
    const RunOutcome sweep = underlimits(none, with(SWEEP, {"--jobs", "16"}));
    EXPECT_EQ(1, sweep.status);
    EXPECT_EQ("", sweep.out);
    EXPECT_EQ("sotoc sweep: cannot start a worker for mass error -11 % (no pipe for a worker: Too many open files); "
              "it and the points after it did not run\n",
              sweep.err);
    const RunOutcome map = underlimits(none, with(MAP, {"--jobs", "16"}));
    EXPECT_EQ(1, map.status);
    EXPECT_EQ("", map.out);
    EXPECT_EQ("sotoc map: cannot start a worker for map point i=0 j=0 (no pipe for a worker: Too many open files); "
              "it and the points after it did not run\n",
              map.err);
}

}  // namespace
