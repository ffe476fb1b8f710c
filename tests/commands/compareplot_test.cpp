// sotoc compare --plot as a script runs it: the figure beside the results and the
// logs, refusals before any work, no figure without a solution, a failed write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/imagedecode.h"
#include "tests/support/pty.h"
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
    EXPECT_EQ(pic.w, 2158) << "7.2 in at 300 dpi";
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

// A named pipe whose reader has gone: the write fails (EPIPE) with status 1 and a
// message, not the end by SIGPIPE (status 141); the pipe stays.
TEST(ComparePlot, PipeWithoutReaderReported) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.svg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t reader = fork();
    if (reader == 0) _exit(close(open(fifo.c_str(), O_RDONLY)) == 0 ? 0 : 1);  // opens, then leaves at once
    const RunOutcome r = runsotoc(scara({"--plot", fifo}));
    kill(reader, SIGKILL);  // still waiting for a writer only when the program never opened the pipe
    waitpid(reader, nullptr, 0);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "sotoc compare: cannot write " + fifo + ": Broken pipe\n");
    EXPECT_NE(r.out, "") << "the result lines came before the figure";
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Beyond the file-size limit (ulimit -f) the write fails (EFBIG) with status 1, not
// the end by SIGXFSZ (status 153): the temporary is removed and the old file kept.
TEST(ComparePlot, FileSizeLimitReported) {
    TempDir dir;
    std::ofstream(dir.file("f.svg")) << "old\n";
    Args args = {"/bin/sh", "-c", "ulimit -f 8 && exec \"$0\" \"$@\"", sotocbinary()};  // 8 blocks of 512 bytes
    for (const std::string &a : scara({"--plot", dir.file("f.svg")})) args.push_back(a);
    const RunOutcome r = runprogram(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "sotoc compare: cannot write " + dir.file("f.svg") + ": File too large\n");
    EXPECT_EQ(readfile(dir.file("f.svg")), "old\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"f.svg"});
}

// A name longer than a folder holds (255 bytes) is refused before the comparison
// runs, as a missing folder is; the refusal quotes the first 80 bytes of the path.
// 255 bytes are taken.
TEST(ComparePlot, NameTooLongRefusedBeforeAnyWork) {
    TempDir dir;
    const std::string longest = dir.file(std::string(251, 'n') + ".png"), over = dir.file(std::string(252, 'n') + ".png");
    const RunOutcome refused = runsotoc(scara({"--plot", over}));
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "") << "no comparison ran";
    EXPECT_EQ(refused.err, "sotoc compare: --plot: '" + over.substr(0, 80) +
                               "\xE2\x80\xA6' refused; accepts a writable file (File name too long)\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{});
    const RunOutcome taken = runsotoc(scara({"--plot", longest}));
    EXPECT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(dir.names(), std::vector<std::string>{std::string(251, 'n') + ".png"});
}

// SOURCE_DATE_EPOCH dates a picture only when it holds whole seconds from 0 to the
// end of the year 9999; any other value is said once on standard error, and the
// picture carries no date. An empty value is taken as unset, silently.
TEST(ComparePlot, SourceDateEpochCheckedAndSaid) {
    TempDir dir;
    const struct {
        const char *value;
        std::string date;  // the SVG's dc:date, "" for none
        bool said;
    } cases[] = {
        {"0", "1970-01-01T00:00:00Z", false},
        {"253402300799", "9999-12-31T23:59:59Z", false},
        {"", "", false},
        {"abc", "", true},
        {"-1", "", true},
        {"1e20", "", true},
        {"+5", "", true},
        {" 5", "", true},
        {"253402300800", "", true},
    };
    for (const auto &c : cases) {
        setenv("SOURCE_DATE_EPOCH", c.value, 1);
        const std::string svg = dir.file("d.svg");
        const RunOutcome r =
            runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", "--json", "--plot", svg});
        EXPECT_EQ(r.status, 0) << c.value << ": " << r.err;
        const std::string said = std::string("sotoc: SOURCE_DATE_EPOCH '") + c.value + "' ignored";
        EXPECT_EQ(r.err, c.said ? said + ", the pictures carry no date; it takes whole seconds since 1970 from 0 to "
                                          "253402300799\n"
                                : "")
            << c.value;
        const std::string picture = readfile(svg);
        const size_t from = picture.find("<dc:date>"), to = picture.find("</dc:date>");
        EXPECT_EQ(from == std::string::npos ? "" : picture.substr(from + 9, to - from - 9), c.date) << c.value;
        EXPECT_NE(picture.find("<svg"), std::string::npos) << c.value;
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

}  // namespace
