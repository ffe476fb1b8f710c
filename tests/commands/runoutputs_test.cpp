// The outputs of a sweep or a map as the commands share them: a picture that the
// lines written cannot make is abandoned at once, the results kept.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "commands/runoutputs.h"
#include "processes/interrupt.h"
#include "study/params.h"
#include "tests/support/tempdir.h"

namespace {

// Runs gridcommand in this process, its standard error into `err`, with a run that
// writes `lines` (each handed to the reader of the picture) and ends well.
int rungrid(const std::vector<std::string> &args, const std::vector<std::string> &lines, const std::string &err) {
    initialset();
    std::vector<std::string> words = {"sotoc test"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    const GridCommand command{"", "sotoc test", "test", [](CLI::App &) {},
                              [](const CompareOptionValues &) { return succeeded(); },
                              [&lines](int fd, const std::function<void(const std::string &)> &written) {
                                  for (const std::string &line : lines) {
                                      const Outcome wrote = writeresults(fd, line + "\n");
                                      if (!wrote.ok()) return wrote;
                                      written(line);
                                  }
                                  return succeeded();
                              }};
    Shard shard{};
    int jobs = 0;
    const int saved = dup(STDERR_FILENO);
    const int to = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    dup2(to, STDERR_FILENO);
    close(to);
    const int status = gridcommand(static_cast<int>(argv.size()), argv.data(), command, shard, jobs);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return status;
}

// A line the picture cannot take (here no JSON) fails the run with the reader's
// refusal: the results are kept as written, the picture is abandoned while the
// program still runs (no temporary beside it) and an older picture stays.
TEST(RunOutputs, LineThatCannotBeReadBackAbandonsThePicture) {
    TempDir dir, logs;
    std::ofstream(dir.file("p.png")) << "old\n";
    const int status = rungrid({"--out", dir.file("r.jsonl"), "--plot", dir.file("p.png")}, {"not a result"},
                               logs.file("err"));
    EXPECT_EQ(1, status);
    const std::string err = readfile(logs.file("err"));
    EXPECT_EQ(0u, err.find("sotoc test: results:1: not a comparison result: ")) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_EQ("not a result\n", readfile(dir.file("r.jsonl")));
    EXPECT_EQ("old\n", readfile(dir.file("p.png")));
    EXPECT_EQ((std::vector<std::string>{"p.png", "r.jsonl"}), dir.names());
}

// Without results to draw the picture is refused as sotoc plot refuses it, and
// abandoned the same way.
TEST(RunOutputs, NoLinesDrawNoPicture) {
    TempDir dir, logs;
    const int status = rungrid({"--out", dir.file("r.jsonl"), "--plot", dir.file("p.png")}, {}, logs.file("err"));
    EXPECT_EQ(1, status);
    EXPECT_EQ("sotoc test: no comparison results to plot\n", readfile(logs.file("err")));
    EXPECT_EQ((std::vector<std::string>{"r.jsonl"}), dir.names());
}

}  // namespace
