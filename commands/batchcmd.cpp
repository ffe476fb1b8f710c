#include "commands/batchcmd.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "workers/interrupt.h"
#include "commands/options.h"
#include "study/params.h"
#include "formats/resultjson.h"
#include "workers/workers.h"
#include "commands/batchinput.h"
#include "study/usertext.h"

namespace {

const char *const COMMAND = "sotoc batch";

const char *const ABOUT =
    "Runs one comparison pass per line of JSON Lines read from FILE or standard input and writes one\n"
    "JSON result line per input line to standard output, in input order, each as soon as the lines\n"
    "before it are done. A line holds one object with the fields robot, motion (both required),\n"
    "ratios, start, end, elbow and error, with the values and defaults of the options of\n"
    "sotoc compare, e.g. {\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":-20}. A line that cannot\n"
    "run gives {\"line\":N,\"error\":\"...\"}; blank lines are skipped (N counts them). Exit status: 0\n"
    "when every line ran and was written, 1 otherwise.";

// Bytes read from the input at once.
constexpr size_t READCHUNK = 65536;

// One input line on its way to the output.
struct BatchLine {
    int number;              // line number in the input, from 1
    CompareRequest request;  // what it runs
    bool waiting;            // no worker could be started for it yet
    WorkerRun run;           // its comparison; not ok: why the line did not run
};

// A batch under way. Written by the steps of runbatch.
struct Batch {
    int in, out, jobs;             // input and output file descriptors, workers at most
    LineReader reader;             // input not yet taken as lines
    std::deque<BatchLine> lines;   // lines taken and not yet written, in input order
    int running;                   // workers running
    bool allran;                   // every line written so far ran
    bool stopped;                  // no further line is taken: the output, the input or the
                                   // workers failed, as said on standard error
    bool writable;                 // every line written so far was taken by the output
};

// Whether the last line taken waits for a worker: no further line is taken then.
bool linewaits(const Batch &b) { return !b.lines.empty() && b.lines.back().waiting; }

// Stops the batch for `why`, said once on standard error.
void stopbatch(Batch &b, const std::string &why) {
    std::fprintf(stderr, "%s: %s\n", COMMAND, why.c_str());
    b.stopped = true;
}

// Starts the worker of the last line when it waits for one. A worker that cannot
// start (no file descriptor or process to spare) is tried again once a running
// one ends; when none runs, the batch stops.
void startwaiting(Batch &b) {
    if (!linewaits(b)) return;
    BatchLine &l = b.lines.back();
    const CompareRequest r = l.request;
    WorkerRun run = startworker([r] { return resultjson(r, standalonepass(r)).dump(); });
    if (run.fd >= 0) {
        l.run = run;
        l.waiting = false;
        ++b.running;
    } else if (b.running == 0) {
        stopbatch(b, "cannot start a worker for line " + std::to_string(l.number) + " (" + run.line +
                         "); it and the lines after it did not run");
        b.lines.pop_back();
    }
}

// Takes input lines while a worker is free: blank ones are skipped, refused ones
// answered, the others started.
void takelines(Batch &b) {
    startwaiting(b);
    std::string line;
    while (!b.stopped && b.running < b.jobs && !linewaits(b) && takeline(b.reader, line)) {
        BatchLine l{b.reader.number, {}, false, WorkerRun{-1, -1, "", false, false}};
        std::string why;
        const LineKind kind = readbatchline(line, l.request, why);
        if (kind == LINEBLANK) continue;
        l.waiting = kind == LINEREQUEST;
        if (kind == LINEREFUSED) l.run = failedrun(why);
        b.lines.push_back(l);
        startwaiting(b);
    }
}

// Writes the finished lines at the front, in input order.
void writefinished(Batch &b) {
    while (!b.lines.empty() && b.lines.front().run.done) {
        const BatchLine &l = b.lines.front();
        b.allran = b.allran && l.run.ok;
        const std::string text = l.run.ok ? l.run.line : errorline(l.number, l.run.line);
        const std::string problem = b.writable ? writeresults(b.out, text + "\n") : "";
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", COMMAND, problem.c_str());
            b.writable = false;
            b.stopped = true;
        }
        b.lines.pop_front();
    }
}

void readinput(Batch &b) {
    char buf[READCHUNK];
    const ssize_t n = read(b.in, buf, sizeof buf);
    if (n > 0)
        feedinput(b.reader, buf, static_cast<size_t>(n));
    else if (n == 0)
        b.reader.ended = true;
    else if (errno != EINTR && errno != EAGAIN)
        stopbatch(b, std::string("cannot read the input: ") + std::strerror(errno));
}

// Waits for input while a worker is free, and for the running workers; takes what
// arrived.
void waitforwork(Batch &b) {
    std::vector<pollfd> fds;
    const bool wantinput = !b.stopped && !b.reader.ended && b.running < b.jobs && !linewaits(b);
    if (wantinput) fds.push_back({b.in, POLLIN, 0});
    for (const BatchLine &l : b.lines)
        if (l.run.fd >= 0) fds.push_back({l.run.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) return;
    size_t k = 0;
    if (wantinput && fds[k++].revents != 0) readinput(b);
    for (BatchLine &l : b.lines) {
        if (l.run.fd < 0 || fds[k++].revents == 0) continue;
        collectworker(l.run);
        if (l.run.fd < 0) --b.running;
    }
}

// Opens the input file; -1 with the refusal when it cannot be read or is a folder.
int openinput(const std::string &file, std::string &refused) {
    const int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    const bool folder = in >= 0 && fstat(in, &st) == 0 && S_ISDIR(st.st_mode);
    if (in >= 0 && !folder) return in;
    refused = "FILE: '" + excerpt(file) + "' refused; accepts a readable file (" +
              (folder ? "it is a folder" : std::strerror(errno)) + ")";
    if (in >= 0) close(in);
    return -1;
}

}  // namespace

int runbatch(int in, int out, int jobs) {
    Batch b{in, out, jobs, LineReader{}, {}, 0, true, false, true};
    for (;;) {
        takelines(b);
        writefinished(b);
        if (b.lines.empty() && (b.stopped || b.reader.ended)) break;
        waitforwork(b);
    }
    return b.allran && !b.stopped ? 0 : 1;
}

int batchcommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, COMMAND};
    std::string file;
    int jobs;
    cmd.add_option("FILE", file, "JSON Lines to read; standard input when omitted or -.")->type_name("");
    addjobsoption(cmd, jobs);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    const std::string unwritable = unwritableoutput(STDOUT_FILENO);
    if (!unwritable.empty()) {
        reportproblem(cmd, unwritable);
        return 1;
    }
    std::string refused;
    const bool fromfile = !file.empty() && file != "-";
    const int in = fromfile ? openinput(file, refused) : STDIN_FILENO;
    if (in < 0) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }
    status = runbatch(in, STDOUT_FILENO, jobs);
    if (fromfile) close(in);
    return status;
}
