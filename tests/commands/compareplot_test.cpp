// sotoc compare --plot as a script runs it: the figure beside the results and the
// logs, refusals before any work, no figure without a solution, a failed write.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/imagedecode.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using Args = std::vector<std::string>;

Args scara(const Args &extra) {
    Args a = {"compare", "--robot", "scara", "--motion", "vertical"};
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The figure comes with the same result lines and logs as without it, also into
// the folder --log makes for them.
TEST(ComparePlot, FigureBesideResultsAndLogs) {
    TempDir dir;
    const RunOutcome plain = runsotoc(scara({"--log", dir.file("plain")}));
    ASSERT_EQ(plain.status, 0) << plain.err;
    const RunOutcome drawn = runsotoc(scara({"--log", dir.file("runs"), "--plot", dir.file("runs/figure.png")}));
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(drawn.out, plain.out);
    EXPECT_EQ(drawn.err, "");
    for (const char *csv : {"/tocFree.csv", "/tocErr.csv", "/sotocErr.csv"})
        EXPECT_EQ(readfile(dir.file("runs") + csv), readfile(dir.file("plain") + csv)) << csv;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("runs/figure.png"), pic));
    EXPECT_EQ(pic.w, 1400);
    const RunOutcome json = runsotoc(scara({"--json", "--plot", dir.file("f.pdf")}));
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(readfile(dir.file("f.pdf")).compare(0, 5, "%PDF-"), 0);
}

// Each refusal beside the same run accepted: status 2, one line naming --plot,
// nothing on standard output, no folder made for --log, the old file as it was.
TEST(ComparePlot, RefusedBeforeAnyWork) {
    TempDir dir;
    std::ofstream(dir.file("old.png")) << "old\n";
    ASSERT_EQ(mkdir(dir.file("logs").c_str(), 0755), 0);
    std::ofstream(dir.file("logs/tocErr.csv")) << "old log\n";
    ASSERT_EQ(symlink("logs/tocErr.csv", dir.file("log.png").c_str()), 0);
    const std::string newlogs = dir.file("new/logs");
    const struct {
        Args refused, accepted;
        std::string says;
    } cases[] = {
        {{"--plot", dir.file("f.gif"), "--log", newlogs}, {"--plot", dir.file("f.svg")},
         "accepts a file name ending in .png, .svg or .pdf"},
        {{"--plot", dir.file("f"), "--log", newlogs}, {"--plot", dir.file("f.pdf")},
         "accepts a file name ending in .png, .svg or .pdf"},
        {{"--plot", dir.file("missing/f.png"), "--log", newlogs}, {"--plot", dir.file("logs/f.png")},
         "accepts a writable file"},
        {{"--plot", dir.file("log.png"), "--log", dir.file("logs")}, {"--plot", dir.file("log.png"), "--log", newlogs},
         "it names the log file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.says);
        const RunOutcome refused = runsotoc(scara(c.refused));
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err.rfind("sotoc compare: --plot: '", 0), 0u) << refused.err;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_FALSE(exists(dir.file("new"))) << "no folder made for --log";
        EXPECT_EQ(readfile(dir.file("logs/tocErr.csv")), "old log\n");
        const RunOutcome accepted = runsotoc(scara(c.accepted));
        EXPECT_EQ(accepted.status, 0) << accepted.err;
        EXPECT_NE(accepted.out, "");
    }
    EXPECT_TRUE(exists(dir.file("new/logs/tocErr.csv")));
    EXPECT_GT(readfile(dir.file("log.png")).size(), 10000u) << "the link followed to the figure";

    // Standard output going to the file named would be replaced by the figure.
    const RunOutcome same = runsotocinto(dir.file("old.png"), scara({"--plot", dir.file("old.png")}));
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("standard output is written to it"), std::string::npos) << same.err;
    const RunOutcome other = runsotocinto(dir.file("out.txt"), scara({"--plot", dir.file("old.png")}));
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_NE(readfile(dir.file("out.txt")), "");
    EXPECT_GT(readfile(dir.file("old.png")).size(), 10000u);
    EXPECT_EQ(dir.temporaryof("old.png"), "");
}

// Without a switching-time solution there are no runs to draw: status 3 with one
// line saying so, no figure, an old file as it was and no temporary; with --json
// the object still goes to standard output.
TEST(ComparePlot, NoSolutionDrawsNoFigure) {
    TempDir dir;
    std::ofstream(dir.file("f.png")) << "old\n";
    const Args half = {"compare", "--robot", "cylindrical", "--motion", "horizontal", "--plot", dir.file("f.png")};
    const RunOutcome text = runsotoc(half);
    EXPECT_EQ(text.status, 3);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err.rfind("sotoc compare: no switching-time solution", 0), 0u) << text.err;
    EXPECT_NE(text.err.find("; no figure drawn\n"), std::string::npos) << text.err;
    Args json = half;
    json.push_back("--json");
    const RunOutcome object = runsotoc(json);
    EXPECT_EQ(object.status, 3);
    EXPECT_EQ(object.out.rfind("{\"settings\"", 0), 0u) << object.out;
    EXPECT_NE(object.err.find("no figure drawn"), std::string::npos) << object.err;
    EXPECT_EQ(readfile(dir.file("f.png")), "old\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"f.png"});
}

// A figure that cannot be written (a full disk) fails with status 1 and a message;
// the device stays.
TEST(ComparePlot, FullDiskReported) {
    TempDir dir;
    const std::string full = dir.fulldevice("full.png");
    ASSERT_NE(full, "") << "mknod needs root";
    const RunOutcome r = runsotoc(scara({"--plot", full}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    struct stat st;
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
