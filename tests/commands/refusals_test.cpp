// Refusals every subcommand shares: an option that takes one value given more than
// once, output files quoted as typed values are (and the result files sotoc plot
// reads), a picture named for another format.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using Args = std::vector<std::string>;

Args with(Args a, const Args &extra) {
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

const Args COMPARE = {"compare", "--robot", "scara", "--motion", "horizontal"};

// Expects status 2 and the one line `said` on standard error, nothing on standard output.
void expectrefused(const Args &args, const std::string &said) {
    const RunOutcome r = runsotoc(args);
    EXPECT_EQ(r.status, 2) << said;
    EXPECT_EQ(r.out, "") << said;
    EXPECT_EQ(r.err, said + "\n");
}

// Each option given twice (or three times) is refused by its name, whatever the
// values; beside it the same option once, taken: compare runs, the other commands
// go on to refuse a later value of their own.
TEST(Refusals, OptionGivenMoreThanOnceRefusedByName) {
    const struct {
        Args taken, refused;
        std::string said;
    } pairs[] = {
        {{"--error", "5"}, {"--error", "5", "--error", "6"}, "--error: given 2 times; accepts it once"},
        {{"--ratios", "40,50"}, {"--ratios", "40", "--ratios", "50"}, "--ratios: given 2 times; accepts it once"},
        {{"--ratios", "40,50"}, {"--ratios", "40", "50"}, "'50' refused; accepts the options that --help lists"},
        {{"--end=0.2,0.6"},
         {"--end=0.2,0.6", "--end", "0.2,0.6", "--end", "0.3,0.6"},
         "--end: given 3 times; accepts it once"},
        {{"--elbow", "down"}, {"--elbow", "down", "--elbow", "up"}, "--elbow: given 2 times; accepts it once"},
    };
    for (const auto &p : pairs) {
        const RunOutcome taken = runsotoc(with(COMPARE, p.taken));
        EXPECT_EQ(taken.status, 0) << p.said << ": " << taken.err;
        expectrefused(with(COMPARE, p.refused), "sotoc compare: " + p.said);
    }

    const Args render = {"render", "--robot", "scara", "--motion", "horizontal", "--size", "1x1"};
    expectrefused(with(render, {"--png", "a.png"}),
                  "sotoc render: --size: '1x1' refused; accepts WxH with W and H from 16 to 4096 pixels");
    expectrefused(with(render, {"--png", "a.png", "--png", "b.png"}), "sotoc render: --png: given 2 times; accepts it once");

    const Args sweep = {"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "0:1:1", "--shard", "x"};
    const RunOutcome once = runsotoc(with(sweep, {"--jobs", "2"}));
    EXPECT_EQ(once.status, 2);
    EXPECT_EQ(once.err.rfind("sotoc sweep: --shard: 'x' refused", 0), 0u) << once.err;
    expectrefused(with(sweep, {"--jobs", "2", "--jobs", "2"}), "sotoc sweep: --jobs: given 2 times; accepts it once");
    expectrefused(with(sweep, {"--out", "a", "--out", "b"}), "sotoc sweep: --out: given 2 times; accepts it once");

    const Args map = {"map", "--robot", "scara", "--motion", "horizontal", "--shard", "x", "--x", "ratio1=10:20:10"};
    const RunOutcome one = runsotoc(map);
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(one.err.rfind("sotoc map: --shard: 'x' refused", 0), 0u) << one.err;
    expectrefused(with(map, {"--x", "ratio2=10:20:10"}), "sotoc map: --x: given 2 times; accepts it once");
}

// The names of --out, --plot and --log are quoted as every typed value is: control
// characters and bytes that are no UTF-8 as \xHH, cut after 80 bytes.
TEST(Refusals, OutputNamesQuotedEscapedAndShort) {
    TempDir dir;
    std::ofstream(dir.file("plain")) << "a file, no folder\n";
    const Args sweep = {"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "0:1:1"};
    expectrefused(with(sweep, {"--out", dir.file("missing/\x1b[2J.jsonl")}),
                  "sotoc sweep: --out: '" + dir.path +
                      "/missing/\\x1B[2J.jsonl' refused; accepts a writable file (No such file or directory)");
    expectrefused(with(sweep, {"--out", dir.file("s\x7f.png"), "--plot", dir.file("s\x7f.png")}),
                  "sotoc sweep: --plot: '" + dir.path + "/s\\x7F.png' refused; it names the same file as --out '" +
                      dir.path + "/s\\x7F.png'");
    const std::string deep = dir.file("missing/" + std::string(200, 'd') + ".png");
    expectrefused(with(sweep, {"--plot", deep}), "sotoc sweep: --plot: '" + deep.substr(0, 80) +
                                                    "\xE2\x80\xA6' refused; accepts a writable file (No such file or "
                                                    "directory)");
    const RunOutcome log = runsotoc(with(COMPARE, {"--log", dir.file("plain/\xff")}));
    EXPECT_EQ(log.status, 2);
    EXPECT_EQ(log.err.rfind("sotoc compare: --log: '" + dir.path + "/plain/\\xFF' refused; accepts a folder", 0), 0u)
        << log.err;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"plain"});
}

// sotoc plot names the result files it cannot read escaped as well: no control
// character of a name reaches the terminal.
TEST(Refusals, PlotResultNamesEscaped) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("d\x07").c_str(), 0755), 0);
    std::ofstream(dir.file("b\x1b[2J.jsonl")) << "not json\n";
    std::ofstream(dir.file("r\x7f.svg")) << "\n";
    const struct {
        Args args;
        int status;
        std::string said;  // the start of standard error
    } cases[] = {
        {{dir.file("m\x1b[2J.jsonl")}, 1, dir.path + "/m\\x1B[2J.jsonl: cannot be read\n"},
        {{dir.file("d\x07")}, 1, dir.path + "/d\\x07: a folder, not a result file\n"},
        {{dir.file("b\x1b[2J.jsonl")}, 1, dir.path + "/b\\x1B[2J.jsonl:1: not a comparison result: "},
        {{dir.file("r\x7f.svg"), "--plot", dir.file("r\x7f.svg")},
         2,
         "--plot: '" + dir.path + "/r\\x7F.svg' refused; it names the result file '" + dir.path + "/r\\x7F.svg'\n"},
    };
    for (const auto &c : cases) {
        Args args = with({"plot"}, c.args);
        if (c.status == 1) args = with(args, {"--plot", dir.file("p.png")});
        const RunOutcome r = runsotoc(args);
        EXPECT_EQ(r.status, c.status) << c.said;
        EXPECT_EQ(r.err.rfind("sotoc plot: " + c.said, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find_first_of("\x07\x1b\x7f"), std::string::npos) << r.err;
    }
}

// A picture's name ends in its format's extension, before any work: a PNG named .gif
// would be taken for a GIF. Beside each, the right name goes on to a later check.
TEST(Refusals, RenderPictureNamedForAnotherFormat) {
    TempDir dir;
    const Args render = {"render", "--robot", "scara", "--motion", "horizontal", "--size", "1x1"};
    const std::string size = "sotoc render: --size: '1x1' refused; accepts WxH with W and H from 16 to 4096 pixels";
    const struct {
        std::string option, taken, refused, extension;
    } pairs[] = {
        {"--png", "f.png", "f.gif", ".png"},
        {"--png", "f.png", "f.PNG", ".png"},
        {"--png", "f.png", "png", ".png"},
        {"--gif", "f.gif", "f.png", ".gif"},
    };
    for (const auto &p : pairs) {
        expectrefused(with(render, {p.option, dir.file(p.taken)}), size);
        expectrefused(with(render, {p.option, dir.file(p.refused)}), "sotoc render: " + p.option + ": '" +
                                                                       dir.file(p.refused) +
                                                                       "' refused; accepts a file name ending in " +
                                                                       p.extension);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{});
}

}  // namespace

// The figure options refuse what is no page or no time axis by name, with what they
// accept, before any work; --time-range only where a figure has a time axis.
TEST(Refusals, FigureOptionsRefusedByName) {
    const std::string sides = "accepts W,H in inches, each from 1 to 50";
    for (const char *bad : {"7.2", "7.2,4.5,1", "x,4", "0,4", "-3,2", "7,0.5", "51,4", "7,inf", "7;4"})
        expectrefused(with(COMPARE, {"--plot", "f.pdf", "--figsize", bad}),
                      std::string("sotoc compare: --figsize: '") + bad + "' refused; " + sides);
    for (const char *bad : {"1", "1,1", "2,1", "0,nan", "a,b"})
        expectrefused(with(COMPARE, {"--plot", "f.pdf", "--time-range", bad}),
                      std::string("sotoc compare: --time-range: '") + bad + "' refused; accepts T0,T1 in seconds with T1 > T0");
    expectrefused({"plot", "r.jsonl", "--plot", "p.png", "--figsize", "100,100"},
                  "sotoc plot: --figsize: '100,100' refused; " + sides);
    expectrefused({"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "0:1:1", "--figsize", "0,0"},
                  "sotoc sweep: --figsize: '0,0' refused; " + sides);
    const RunOutcome map = runsotoc({"map", "--robot", "scara", "--motion", "horizontal", "--x", "ratio1=10:20:10",
                                     "--time-range", "0,1"});
    EXPECT_EQ(map.status, 2);
    EXPECT_NE(map.err.find("--time-range"), std::string::npos) << map.err;
    const std::string measures = "accepts error, designedTipError, endTipError, settlingTime, tf";
    const struct {
        Args args;
        const char *bad;
    } measured[] = {
        {{"plot", "r.jsonl", "--plot", "p.png"}, "positioning"},
        {{"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "0:1:1", "--plot", "p.png"}, "Error"},
        {{"map", "--robot", "scara", "--motion", "horizontal", "--x", "ratio1=10:20:10", "--plot", "p.png"},
         "runs.tocErr.tf"},
    };
    for (const auto &m : measured)
        expectrefused(with(m.args, {"--measure", m.bad}),
                      "sotoc " + m.args[0] + ": --measure: '" + m.bad + "' refused; " + measures);
    EXPECT_EQ(runsotoc(with(COMPARE, {"--measure", "tf"})).status, 2);  // a comparison's figure has no measure
}

// An empty value names no file, folder or word: refused by the option's name, never
// taken as the option left out (the built-in arm, standard output, no picture).
// A PNG page beyond 40 million pixels is refused before the work; SVG and PDF take it.
TEST(Refusals, EmptyValuesAndOversizedPngRefusedByName) {
    TempDir dir;
    const Args sweep = {"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "0:1:1"};
    const Args map = {"map", "--robot", "scara", "--motion", "horizontal", "--x", "error=0:1:1"};
    const std::string cases[][2] = {
        // the arguments' last value, the message after "sotoc SUBCOMMAND: "
        {"--robot-file", "--robot-file: '' refused; accepts"},
        {"--elbow", "--elbow: '' refused; accepts down or up"},
        {"--joint2-start", "--joint2-start: '' refused; accepts"},
        {"--design-search", "--design-search: '' refused; accepts"},
        {"--lang", "--lang: '' refused; accepts ja or en"},
        {"--log", "--log: '' refused; accepts a folder"},
        {"--plot", "--plot: '' refused; accepts a file name ending in .png, .svg or .pdf"},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runsotoc(with(COMPARE, {c[0], ""}));
        EXPECT_EQ(r.status, 2) << c[0];
        EXPECT_EQ(r.out, "") << c[0];
        EXPECT_EQ(r.err.rfind("sotoc compare: " + c[1], 0), 0u) << r.err;
    }
    expectrefused({"params", "--robot", "scara", "--motion", "horizontal", "--robot-file", ""},
                  "sotoc params: --robot-file: '' refused; accepts a readable robot file");
    expectrefused(with(sweep, {"--out", ""}), "sotoc sweep: --out: '' refused; accepts a file name");
    expectrefused(with(map, {"--out", ""}), "sotoc map: --out: '' refused; accepts a file name");
    expectrefused(with(map, {"--plot", ""}),
                  "sotoc map: --plot: '' refused; accepts a file name ending in .png, .svg or .pdf");

    expectrefused(with(COMPARE, {"--plot", dir.file("big.png"), "--figsize", "50,50"}),
                  "sotoc compare: --figsize: '50,50' refused; a PNG takes at most 40 million pixels (15000 x 15000 at "
                  "300 per inch): a smaller page, or .svg or .pdf");
    // 21.1 in is 1519 pt, 6329 pixels; 21 in, 6300 pixels, passes on to the folder's check.
    expectrefused(with(sweep, {"--plot", dir.file("big.png"), "--figsize", "21.1,21.1"}),
                  "sotoc sweep: --figsize: '21.1,21.1' refused; a PNG takes at most 40 million pixels (6329 x 6329 at "
                  "300 per inch): a smaller page, or .svg or .pdf");
    const std::string edge = dir.file("missing/edge.png");
    expectrefused(with(COMPARE, {"--plot", edge, "--figsize", "21,21"}),
                  "sotoc compare: --plot: '" + edge + "' refused; accepts a writable file (No such file or directory)");
    EXPECT_EQ(runsotoc(with(COMPARE, {"--plot", dir.file("big.svg"), "--figsize", "50,50"})).status, 0);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"big.svg"});
}
