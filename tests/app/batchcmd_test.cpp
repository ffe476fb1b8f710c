// sotoc batch: one result line per input line in input order, whatever the number
// of workers; bad lines in between; results as compare gives them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/run.h"

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
    for (const char *jobs : {"0", "many"}) {
        const RunOutcome refused = runsotoc({"batch", "--jobs", jobs});
        EXPECT_EQ(2, refused.status) << jobs;
        EXPECT_EQ(0u, refused.err.find(std::string("sotoc batch: --jobs: Value ") + jobs + " not in range 1 to"))
            << refused.err;
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

}  // namespace
