#include "commands/batchcmd.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "workers/interrupt.h"
#include "commands/options.h"
#include "study/params.h"
#include "formats/resultjson.h"
#include "workers/workers.h"

namespace {

using json = nlohmann::ordered_json;

const char *const ABOUT =
    "Runs one comparison pass per line of JSON Lines read from FILE or standard input and writes one\n"
    "JSON result line per input line to standard output, in input order, each as soon as the lines\n"
    "before it are done. A line holds one object with the fields robot, motion (both required),\n"
    "ratios, start, end, elbow and error, with the values and defaults of the options of\n"
    "sotoc compare, e.g. {\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":-20}. A line that cannot\n"
    "run gives {\"line\":N,\"error\":\"...\"}. Exit status: 0 when every line ran, 1 otherwise.";

// Bytes read from the input at once.
constexpr size_t READCHUNK = 65536;

// The input read so far.
struct BatchInput {
    int fd;               // file descriptor read from
    std::string pending;  // bytes read that no line has taken yet
    bool ended;           // the end of the input was read
    int lines;            // lines taken so far
};

// One input line on its way to the output.
struct BatchLine {
    int number;     // line number, from 1
    WorkerRun run;  // its comparison; not ok: why the line did not run
};

// Takes the next complete line of the input (the rest after the end of input).
bool takeline(BatchInput &in, std::string &line) {
    const size_t end = in.pending.find('\n');
    if (end == std::string::npos && !(in.ended && !in.pending.empty())) return false;
    const size_t cut = end == std::string::npos ? in.pending.size() : end + 1;
    line = in.pending.substr(0, end == std::string::npos ? cut : end);
    in.pending.erase(0, cut);
    ++in.lines;
    return true;
}

void readinput(BatchInput &in) {
    char buf[READCHUNK];
    const ssize_t n = read(in.fd, buf, sizeof buf);
    if (n > 0)
        in.pending.append(buf, static_cast<size_t>(n));
    else if (n == 0 || errno != EINTR)
        in.ended = true;
}

// The request of one input line; "" or why the line cannot run.
std::string requestfromline(const std::string &line, CompareRequest &r) {
    json j;
    try {
        j = json::parse(line);
    } catch (const json::parse_error &e) {
        const std::string what = e.what();  // "[json.exception.parse_error.N] parse error at ..."
        return "not JSON: " + what.substr(what.find("] ") + 2);
    }
    if (!j.is_object()) return "'" + j.dump() + "' refused; accepts one JSON object per line";
    return requestfromobject(j, r);
}

// Starts input line `number`: a worker for a line that can run, a failed run
// saying why for one that cannot.
BatchLine startline(int number, const std::string &line) {
    CompareRequest r;
    const std::string refused = requestfromline(line, r);
    if (!refused.empty()) return BatchLine{number, failedrun(refused)};
    return BatchLine{number, startworker([r] { return resultjson(r, standalonepass(r)).dump(); })};
}

// Writes the finished lines at the front, in input order; false when one of them
// did not run.
bool writefinished(std::deque<BatchLine> &lines, int out) {
    bool allran = true;
    while (!lines.empty() && lines.front().run.done) {
        const BatchLine &b = lines.front();
        allran = allran && b.run.ok;
        writewhole(out, (b.run.ok ? b.run.line : json{{"line", b.number}, {"error", b.run.line}}.dump()) + "\n");
        lines.pop_front();
    }
    return allran;
}

}  // namespace

int runbatch(int in, int out, int jobs) {
    BatchInput input = {in, "", false, 0};
    std::deque<BatchLine> lines;  // started lines not yet written, in input order
    int running = 0;
    bool allran = true;
    for (;;) {
        std::string line;
        while (running < jobs && takeline(input, line)) {
            lines.push_back(startline(input.lines, line));
            if (lines.back().run.fd >= 0) ++running;
        }
        allran = writefinished(lines, out) && allran;
        if (input.ended && input.pending.empty() && lines.empty()) break;
        // Wait for more input while a worker is free, and for the running workers.
        std::vector<pollfd> fds;
        const bool wantinput = running < jobs && !input.ended;
        if (wantinput) fds.push_back({in, POLLIN, 0});
        for (const BatchLine &b : lines)
            if (b.run.fd >= 0) fds.push_back({b.run.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) continue;
        size_t k = 0;
        if (wantinput && fds[k++].revents != 0) readinput(input);
        for (BatchLine &b : lines) {
            if (b.run.fd < 0) continue;
            if (fds[k++].revents == 0) continue;
            collectworker(b.run);
            if (b.run.fd < 0) --running;
        }
    }
    return allran ? 0 : 1;
}

int batchcommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc batch"};
    std::string file;
    int jobs;
    cmd.add_option("FILE", file, "JSON Lines to read; standard input when omitted or -.")->type_name("");
    addjobsoption(cmd, jobs);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    const bool fromfile = !file.empty() && file != "-";
    const int in = fromfile ? open(file.c_str(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    if (in < 0) {
        reportproblem(cmd, "FILE: '" + file + "' refused; accepts a readable file (" + std::strerror(errno) + ")");
        return EXIT_REFUSED;
    }
    status = runbatch(in, STDOUT_FILENO, jobs);
    if (fromfile) close(in);
    return status;
}
