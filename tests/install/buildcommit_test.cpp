// The build's record of the commit: the checkout's HEAD, "-dirty" with changed tracked
// files, "unknown" without a checkout; rewritten only when it changes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/install/installed.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

// The commit recorded for the tree at `source` in the file `output`.
std::string recorded(const std::string &source, const std::string &output) {
    const RunOutcome r = runprogram({CMAKE_PROGRAM, "-DGIT=" GIT_PROGRAM, "-DSOURCE_DIR=" + source,
                                     "-DOUTPUT=" + output, "-P", BUILDCOMMIT_SCRIPT});
    EXPECT_EQ(0, r.status) << r.err;
    const std::string text = readfile(output);
    const std::string key = "SOTOC_COMMIT[] = \"";
    const size_t at = text.find(key);
    if (at == std::string::npos) return "(none)";
    const size_t start = at + key.size();
    return text.substr(start, text.find('"', start) - start);
}

RunOutcome git(const std::string &checkout, const std::vector<std::string> &args) {
    std::vector<std::string> argv = {GIT_PROGRAM, "-C", checkout, "-c", "user.name=test",
                                     "-c", "user.email=test@localhost"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runprogram(argv);
}

// The first 12 digits of the checkout's HEAD.
std::string head(const std::string &checkout) { return git(checkout, {"rev-parse", "HEAD"}).out.substr(0, 12); }

void write(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

}  // namespace

TEST(BuildCommit, CheckoutCommitDirtyOrUnknown) {
    ASSERT_STRNE("", GIT_PROGRAM) << "git is needed to record the commit";
    TempDir t;
    const std::string src = t.file("src"), output = t.file("commit.cpp");
    fs::create_directories(src + "/sub");
    write(src + "/a.txt", "one\n");
    EXPECT_EQ("unknown", recorded(src, output));

    ASSERT_EQ(0, git(src, {"init", "-q"}).status);
    ASSERT_EQ(0, git(src, {"add", "a.txt"}).status);
    ASSERT_EQ(0, git(src, {"commit", "-q", "-m", "one"}).status);
    EXPECT_EQ(head(src), recorded(src, output));
    EXPECT_EQ("unknown", recorded(src + "/sub", output)) << "a folder inside a checkout is not its top";

    write(src + "/a.txt", "two\n");
    EXPECT_EQ(head(src) + "-dirty", recorded(src, output));
    ASSERT_EQ(0, git(src, {"commit", "-q", "-a", "-m", "two"}).status);
    EXPECT_EQ(head(src), recorded(src, output)) << "a new commit is recorded";
}

// The same commit leaves the file as it was, so nothing is recompiled.
TEST(BuildCommit, UnchangedCommitLeavesTheFile) {
    TempDir t;
    const std::string output = t.file("commit.cpp");
    recorded(t.path, output);
    const fs::file_time_type past = fs::last_write_time(output) - std::chrono::hours(1);
    fs::last_write_time(output, past);
    recorded(t.path, output);
    EXPECT_EQ(past, fs::last_write_time(output));
    write(output, "stale\n");
    EXPECT_EQ("unknown", recorded(t.path, output)) << "a different text is replaced";
}
