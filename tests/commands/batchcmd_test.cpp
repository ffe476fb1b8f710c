// sotoc batch: one result line per input line in input order, whatever the number
// of workers; bad lines in between, however hostile; results as compare gives them;
// the input read linearly into lines; failures of the input, the output and the
// workers reported once.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jobs/batchinput.h"
#include "study/params.h"
#include "settings/usertext.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::ordered_json;

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    size_t from = 0, end;
    while ((end = text.find('\n', from)) != std::string::npos) {
        out.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    EXPECT_EQ(from, text.size()) << "the output ends with a line end";
    return out;
}

std::string line(const char *robot, const char *motion, double error) {
    return json{{"robot", robot}, {"motion", motion}, {"error", error}}.dump() + "\n";
}

// Slow vertical comparisons first, quick horizontal ones after: with several
// workers the later lines finish first.
std::string mixedinput() {
    std::string in;
    for (double error : {-9.0, 4.0}) in += line("scara", "vertical", error);
    for (double error : {-3.0, 2.0, 5.0, 7.0}) in += line("scara", "horizontal", error);
    return in;
}

TEST(Batch, OrderKeptAndOutputTheSameForEveryNumberOfJobs) {
    const std::string in = mixedinput();
    const RunOutcome one = runsotoc({"batch", "--jobs", "1"}, in);
    EXPECT_EQ(0, one.status) << one.err;
    EXPECT_EQ("", one.err);
    const std::vector<std::string> inputs = lines(in);
    const std::vector<std::string> outputs = lines(one.out);
    ASSERT_EQ(inputs.size(), outputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        const json q = json::parse(inputs[i]), r = json::parse(outputs[i]);
        EXPECT_EQ(q["motion"], r["settings"]["motion"]) << i;
        EXPECT_EQ(q["error"], r["settings"]["error"]) << i;
    }
    for (const char *jobs : {"2", "3"}) {
        const RunOutcome many = runsotoc({"batch", "--jobs", jobs}, in);
        EXPECT_EQ(0, many.status);
        EXPECT_EQ(one.out, many.out) << "--jobs " << jobs;
    }
}

// Each line stands alone: its result is what compare --json gives for it.
TEST(Batch, LinesGiveWhatCompareGives) {
    const RunOutcome batch = runsotoc({"batch", "--jobs", "2"}, mixedinput());
    const std::vector<std::string> outputs = lines(batch.out);
    ASSERT_EQ(6u, outputs.size());
    const RunOutcome last = runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", "--error", "7", "--json"});
    EXPECT_EQ(last.out, outputs.back() + "\n");
    const RunOutcome first = runsotoc({"compare", "--robot", "scara", "--motion", "vertical", "--error", "-9", "--json"});
    EXPECT_EQ(first.out, outputs.front() + "\n");
}

TEST(Batch, BadLinesGiveAnErrorObjectAndTheBatchGoesOn) {
    const std::string good = line("scara", "horizontal", 3);
    const struct {
        std::string text;
        std::string error;
    } bad[] = {
        {"{\"robot\":\"scara\"", "not JSON: "},
        {"[1,2]", "'[1,2]' refused; accepts one JSON object per line"},
        {"{\"motion\":\"vertical\"}", "robot: missing; accepts cylindrical or scara"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"mass\":2}",
         "'mass' refused; accepts the fields robot, motion, ratios, start, end, elbow, error"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"ratios\":\"5,5\"}",
         "ratios: '\"5,5\"' refused; accepts two numbers U1,U2 with 0 < U <= 999.9"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"ratios\":[5,\"5\"]}", "ratios: '[5,\"5\"]' refused"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"ratios\":[0,5]}", "ratios: '0,5' refused"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"end\":[2,0]}", "end: '2,0' refused; accepts a point the SCARA reaches"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":-100}", "error: '-100' refused"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":\"5\"}", "error: '\"5\"' refused"},
        {"{\"robot\":7,\"motion\":\"vertical\"}", "robot: '7' refused; accepts cylindrical or scara"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"elbow\":\"\"}", "elbow: '\"\"' refused; accepts down or up"},
    };
    std::string in = good;
    for (const auto &b : bad) in += b.text + "\n" + good;
    const RunOutcome r = runsotoc({"batch", "--jobs", "2"}, in);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.err);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(2 * std::size(bad) + 1, out.size());
    for (size_t i = 0; i < out.size(); i += 2) EXPECT_EQ("compared", json::parse(out[i])["outcome"]) << i + 1;
    for (size_t k = 0; k < std::size(bad); ++k) {
        const json e = json::parse(out[2 * k + 1]);
        EXPECT_EQ(static_cast<int>(2 * k + 2), e["line"].get<int>());
        EXPECT_EQ(0u, e["error"].get<std::string>().find(bad[k].error)) << e["error"];
    }
    // The same lines that all run: status 0; an input without a last line end still counts.
    const RunOutcome allran = runsotoc({"batch", "--jobs", "2"}, good + good.substr(0, good.size() - 1));
    EXPECT_EQ(0, allran.status);
    EXPECT_EQ(2u, lines(allran.out).size());
}

TEST(Batch, ReadsAFileAndRefusesAMissingOne) {
    char path[] = "/tmp/sotoc-batch-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string in = line("scara", "horizontal", 0);
    ASSERT_EQ(static_cast<ssize_t>(in.size()), write(fd, in.data(), in.size()));
    close(fd);
    const RunOutcome fromfile = runsotoc({"batch", path});
    const RunOutcome fromstdin = runsotoc({"batch", "-"}, in);
    unlink(path);
    EXPECT_EQ(0, fromfile.status);
    EXPECT_EQ(fromstdin.out, fromfile.out);
    EXPECT_EQ(1u, lines(fromfile.out).size());
    const RunOutcome missing = runsotoc({"batch", path});
    EXPECT_EQ(2, missing.status);
    EXPECT_EQ("", missing.out);
    EXPECT_EQ(0u, missing.err.find(std::string("sotoc batch: FILE: '") + path + "' refused; accepts a readable file"));
    for (const char *jobs : {"0", "many", "0x10", " 2"}) {
        const RunOutcome refused = runsotoc({"batch", "--jobs", jobs});
        EXPECT_EQ(2, refused.status) << jobs;
        EXPECT_EQ(0u, refused.err.find("sotoc batch: --jobs: ")) << refused.err;
        EXPECT_NE(std::string::npos, refused.err.find(jobs)) << refused.err;
    }
}

// A result is written as soon as its line is done, while the input stays open.
TEST(Batch, WritesEachResultBeforeTheInputEnds) {
    int in[2], out[2];
    ASSERT_EQ(0, pipe(in));
    ASSERT_EQ(0, pipe(out));
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[1]);
        close(out[0]);
        execl(sotocbinary().c_str(), "sotoc", "batch", "--jobs", "2", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string got;
    for (double error : {1.0, 2.0}) {
        const std::string l = line("scara", "horizontal", error);
        ASSERT_EQ(static_cast<ssize_t>(l.size()), write(in[1], l.data(), l.size()));
        pollfd p = {out[0], POLLIN, 0};
        while (got.find('\n') == std::string::npos && poll(&p, 1, 120000) > 0) {
            char buf[4096];
            const ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        ASSERT_NE(std::string::npos, got.find('\n')) << "no result while the input is open";
        EXPECT_EQ(error, json::parse(got.substr(0, got.find('\n')))["settings"]["error"].get<double>());
        got.erase(0, got.find('\n') + 1);
    }
    close(in[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(0, WEXITSTATUS(status));
    char rest;
    EXPECT_EQ(0, read(out[0], &rest, 1)) << "nothing after the last result";
    close(out[0]);
}

// Runs `script` with /bin/sh, the program as "$0" and `arg` as "$1".
RunOutcome runshell(const std::string &script, const std::string &arg, const std::string &input) {
    return runprogram({"/bin/sh", "-c", script, sotocbinary(), arg}, input);
}

// The error object of an output line, checked to be one.
json errorobject(const std::string &text) {
    const json e = json::parse(text);
    EXPECT_TRUE(e.contains("line") && e.contains("error")) << text;
    return e;
}

// Lines that made the program abort before, or read what they should not: each gets
// its error object, the good lines before and after run (read from a pipe), and the
// status is 1. Next to each, the same line without its fault, which runs.
TEST(Batch, HostileLinesAreAnsweredAndTheBatchGoesOn) {
    const std::string good = line("scara", "horizontal", 3);
    const std::string nested = "{\"robot\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    const std::string digits(400, '7');
    const struct {
        std::string bad, said, runs;
    } cases[] = {
        {"{\"robot\xff\":1}", "ill-formed UTF-8 byte; last read: '\"robot\\xFF'", "{\"robot\":\"scara\",\"motion\":\"vertical\"}"},
        {"{\"robot\":\"sc\xe1ra\",\"motion\":\"vertical\"}", "\\xE1", "{\"robot\":\"scara\",\"motion\":\"vertical\"}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":1e999}", "out of range: number overflow parsing '1e999'",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":1e1}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"ratios\":[1e400,1]}", "out of range: number overflow parsing '1e400'",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"ratios\":[1e2,1]}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":" + digits + "}", "out of range: number overflow",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":" + digits.substr(0, 1) + "}"},
        {nested, "nested more than 4 levels deep", "{\"robot\":\"scara\",\"motion\":\"vertical\"}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\"}" + std::string(1, '\0') + "garbage",
         "a zero byte at column 38 refused; accepts one JSON object per line",
         "{\"robot\":\"scara\",\"motion\":\"vertical\"} \t\r"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\"} {}", "not JSON: parse error at line 1, column 39",
         "{\"robot\":\"scara\",\"motion\":\"vertical\"}"},
        // A robot file that would read the batch's own input (a pipe here).
        {"{\"motion\":\"vertical\",\"robotfile\":\"/dev/stdin\"}", "/dev/stdin:1: not a regular file",
         "{\"motion\":\"vertical\",\"robotfile\":\"" SOTOC_EXAMPLES "/scara.toml\"}"},
        // A name given twice in one object; the same name in two objects is taken.
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":1,\"error\":50}", "'error' given twice",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":1}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"designerrors\":{\"L2\":1,\"L2\":5}}", "'L2' given twice",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"designerrors\":{\"L2\":1},\"params\":{\"L2\":0.5}}"},
        // A name with a zero byte names no parameter, and is shown escaped.
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"designerrors\":{\"mwNom\\u0000x\":10}}",
         "designerrors: 'mwNom\\x00x=10' refused", "{\"robot\":\"scara\",\"motion\":\"vertical\",\"designerrors\":{\"mwNom\":10}}"},
        {"{\"robot\":\"scara\",\"motion\":\"vertical\",\"params\":{\"mwNom\\u0000x\":1}}", "params: 'mwNom\\x00x=1' refused",
         "{\"robot\":\"scara\",\"motion\":\"vertical\",\"params\":{\"mwNom\":1}}"},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runshell("cat | \"$0\" batch --jobs 2", "", good + good + good + c.bad + "\n" + good);
        EXPECT_EQ(1, r.status) << c.said;
        EXPECT_EQ("", r.err);
        const std::vector<std::string> out = lines(r.out);
        ASSERT_EQ(5u, out.size()) << c.said;
        for (size_t i : {0, 1, 2, 4}) EXPECT_EQ("compared", json::parse(out[i])["outcome"]) << c.said;
        const json e = errorobject(out[3]);
        EXPECT_EQ(4, e["line"]);
        EXPECT_NE(std::string::npos, e["error"].get<std::string>().find(c.said)) << e["error"];
        EXPECT_LT(out[3].size(), 600u) << c.said;
        const RunOutcome fixed = runsotoc({"batch"}, c.runs + "\n");
        EXPECT_EQ(0, fixed.status) << c.runs << ": " << fixed.out;
    }
}

// A blank line (a trailing one, one of white space) gets no answer; the line
// numbers of the answers stay those of the input file.
TEST(Batch, BlankLinesSkippedAndCounted) {
    const std::string good = line("scara", "horizontal", 3);
    const RunOutcome r = runsotoc({"batch", "--jobs", "2"}, "\n" + good + "  \t\r\n{\"robot\":1}\n\n" + good + "\n");
    EXPECT_EQ(1, r.status);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(3u, out.size());
    EXPECT_EQ("compared", json::parse(out[0])["outcome"]);
    EXPECT_EQ(4, errorobject(out[1])["line"]);
    EXPECT_EQ("compared", json::parse(out[2])["outcome"]);
    const RunOutcome blanksonly = runsotoc({"batch"}, good + "\n \n");
    EXPECT_EQ(0, blanksonly.status);
    EXPECT_EQ(1u, lines(blanksonly.out).size());
}

// A 20 MB line is read whole (the reading is linear) and its refusal repeats a
// bounded piece of it; the lines after it run.
TEST(Batch, LongLinesRefusedWithAShortQuote) {
    const std::string huge(20000000, 'a');
    const std::string in = "{\"robot\":\"" + huge + "\",\"motion\":\"vertical\"}\n{\"robot\":\"" + huge + "\n" +
                           line("scara", "horizontal", 3);
    const RunOutcome r = runsotoc({"batch"}, in);
    EXPECT_EQ(1, r.status);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(3u, out.size());
    const std::string quoted = "robot: '" + std::string(QUOTEBYTES, 'a') + "\u2026' refused; accepts cylindrical or scara";
    EXPECT_EQ(quoted, json::parse(out[0])["error"].get<std::string>());
    const std::string unended = errorobject(out[1])["error"];
    EXPECT_EQ(0u, unended.find("not JSON: ")) << unended;
    EXPECT_LE(unended.size(), MESSAGEBYTES + 3);
    EXPECT_EQ("compared", json::parse(out[2])["outcome"]);
}

// The reader cuts lines however the bytes arrive, each byte looked at once.
TEST(BatchInput, LinesTakenWhateverPiecesTheBytesArriveIn) {
    const std::string in = "{\"a\":1}\n\nsecond\r\n" + std::string(1000, 'x') + "\nlast";
    for (size_t piece : {1, 2, 7, 4096}) {
        LineReader reader{};
        std::vector<std::string> got;
        std::string line;
        for (size_t at = 0; at < in.size(); at += piece) {
            feedinput(reader, in.data() + at, std::min(piece, in.size() - at));
            while (takeline(reader, line)) got.push_back(line);
        }
        EXPECT_EQ(got.size(), 4u) << "the last line waits for the end of the input";
        reader.ended = true;
        while (takeline(reader, line)) got.push_back(line);
        EXPECT_EQ(got, (std::vector<std::string>{"{\"a\":1}", "", "second\r", std::string(1000, 'x'), "last"})) << piece;
        EXPECT_EQ(5, reader.number);
    }
    LineReader ended{};
    ended.ended = true;
    std::string none;
    EXPECT_FALSE(takeline(ended, none)) << "an empty input has no line";
}

TEST(BatchInput, LinesReadAsBlankRequestOrRefused) {
    initialset();
    CompareRequest r;
    for (const char *blank : {"", " ", "\t\r"}) EXPECT_TRUE(blankline(blank)) << blank;
    const std::string request = "{\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":-20}\r";
    EXPECT_FALSE(blankline(request));
    EXPECT_TRUE(readbatchline(request, r).ok());
    EXPECT_EQ(-20.0, r.errorPercent);
    // Four levels of brackets are read (and refused for their type); five are not.
    Outcome read = readbatchline("{\"robot\":[[[1]]]}", r);
    EXPECT_EQ(REFUSEDSTATUS, read.status);
    EXPECT_EQ(0u, read.message.find("robot: '[[[1]]]' refused")) << read.message;
    read = readbatchline("{\"robot\":[[[[1]]]]}", r);
    EXPECT_EQ(REFUSEDSTATUS, read.status);
    EXPECT_NE(std::string::npos, read.message.find("nested more than 4 levels deep")) << read.message;
    // An error line is JSON whatever the reason holds.
    const json e = json::parse(errorline(7, "bad \xff\xfe byte"));
    EXPECT_EQ(json({{"line", 7}, {"error", "bad \\xFF\\xFE byte"}}), e);
}

// The full disk is a device node with the numbers of /dev/full in a scratch folder.
TEST(Batch, OutputThatCannotBeWrittenFailsWithOneMessage) {
    TempDir dir;
    const std::string in = line("scara", "horizontal", 1) + line("scara", "horizontal", 2) + line("scara", "horizontal", 3);
    const RunOutcome tofile = runshell("exec \"$0\" batch --jobs 2 > \"$1\"", dir.file("out.jsonl"), in);
    EXPECT_EQ(0, tofile.status) << tofile.err;
    if (mknod(dir.file("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod needs root";
    const RunOutcome full = runshell("exec \"$0\" batch --jobs 2 > \"$1\"", dir.file("full"), in);
    EXPECT_EQ(1, full.status);
    EXPECT_EQ("sotoc batch: cannot write the results: No space left on device\n", full.err);
    const RunOutcome closed = runshell("exec \"$0\" batch --jobs 2 >&-", "", in);
    EXPECT_EQ(1, closed.status);
    EXPECT_EQ("sotoc batch: cannot write the results: Bad file descriptor\n", closed.err);
}

// With few file descriptors not every worker starts: the batch waits for a free
// one and gives the same output.
TEST(Batch, WaitsForAFreeWorker) {
    std::string in;
    for (int error = 1; error <= 12; ++error) in += line("scara", "horizontal", error);
    const RunOutcome all = runsotoc({"batch", "--jobs", "1"}, in);
    const RunOutcome few = runshell("ulimit -n 12 && exec \"$0\" batch --jobs 16", "", in);
    EXPECT_EQ(0, few.status) << few.err;
    EXPECT_EQ("", few.err);
    EXPECT_EQ(all.out, few.out);
}

// With no file descriptor to spare for a single worker the batch says so once,
// after answering the lines before, and fails.
TEST(Batch, FailsOnceWhenNoWorkerStarts) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers' checks need file descriptors of their own";
#endif
    // Four: standard input, output, error and one to load the program with.
    const RunOutcome none = runshell("exec 3>&- && ulimit -n 4 && exec \"$0\" batch --jobs 16", "",
                                     "{}\n" + line("scara", "horizontal", 1) + line("scara", "horizontal", 2));
    EXPECT_EQ(1, none.status) << none.err;
    const std::vector<std::string> out = lines(none.out);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(1, errorobject(out[0])["line"]);
    EXPECT_EQ("sotoc batch: cannot start a worker for line 2 (no pipe for a worker: Too many open files); it and the "
              "lines after it did not run\n",
              none.err);
}

TEST(Batch, AFolderAsInputIsRefused) {
    TempDir dir;
    const RunOutcome named = runsotoc({"batch", dir.path});
    EXPECT_EQ(2, named.status);
    EXPECT_EQ("", named.out);
    EXPECT_EQ("sotoc batch: FILE: '" + dir.path + "' refused; accepts a readable file (it is a folder)\n", named.err);
    const RunOutcome piped = runshell("exec \"$0\" batch < \"$1\"", dir.path, "");
    EXPECT_EQ(1, piped.status);
    EXPECT_EQ("sotoc batch: cannot read the input: Is a directory\n", piped.err);
}

}  // namespace
