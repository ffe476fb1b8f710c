#include "jobs/batch.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "formats/resultjson.h"
#include "jobs/batchinput.h"
#include "study/usertext.h"

namespace {

// Bytes read from the input at once.
constexpr size_t READCHUNK = 65536;

// Where a batch's items come from.
struct ItemSource {
    int fd;                                 // polled for input while a worker is free; -1 for none
    std::function<bool(BatchItem &)> take;  // the next complete item; false while there is none
    std::function<bool()> ended;            // the input has ended: no item follows those it holds
    std::function<std::string()> read;      // reads what arrived at fd: "" or why it could not
};

// One item on its way to the output.
struct BatchLine {
    int number;              // place in the input, from 1
    CompareRequest request;  // what it runs
    bool waiting;            // no worker could be started for it yet
    WorkerRun run;           // its comparison; not ok: why the item did not run
};

// A batch under way. Written by the steps of runitems.
struct Batch {
    const ItemSource &source;
    const BatchOutput &out;
    const WorkerWait &wait;
    int jobs;                     // workers at most
    std::deque<BatchLine> lines;  // items taken and not yet answered, in input order
    int running;                  // workers running
    bool allran;                  // every item answered so far ran
    bool stopped;                 // no further item is taken: the output, the input or the
                                  // workers failed (reported), or the wait abandoned the batch
    bool answering;               // every answer so far was taken by the output
};

// Whether the last item taken waits for a worker: no further item is taken then.
bool linewaits(const Batch &b) { return !b.lines.empty() && b.lines.back().waiting; }

// Stops the batch for `why`, reported once.
void stopbatch(Batch &b, const std::string &why) {
    b.out.report(why);
    b.stopped = true;
}

// Starts the worker of the last item when it waits for one. A worker that cannot
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

// Takes items while a worker is free: refused ones are answered, the others started.
void takeitems(Batch &b) {
    startwaiting(b);
    BatchItem item;
    while (!b.stopped && b.running < b.jobs && !linewaits(b) && b.source.take(item)) {
        b.lines.push_back({item.number, item.request, item.runs,
                           item.runs ? WorkerRun{-1, -1, "", false, false} : failedrun(item.why)});
        startwaiting(b);
    }
}

// Answers the finished items at the front, in input order.
void answerfinished(Batch &b) {
    while (!b.lines.empty() && b.lines.front().run.done) {
        const BatchLine &l = b.lines.front();
        b.allran = b.allran && l.run.ok;
        const std::string text = l.run.ok ? l.run.line : errorline(l.number, l.run.line);
        const std::string problem = b.answering ? b.out.answer(text) : "";
        if (!problem.empty()) {
            b.answering = false;
            stopbatch(b, problem);
        }
        b.lines.pop_front();
    }
}

// Ends every running worker: the wait gave the batch up.
void abandon(Batch &b) {
    for (BatchLine &l : b.lines) stopworker(l.run);
    b.lines.clear();
    b.stopped = true;
    b.allran = false;
}

// Waits for input while a worker is free, and for the running workers; takes what
// arrived.
void waitforwork(Batch &b) {
    std::vector<pollfd> fds;
    const bool wantinput = b.source.fd >= 0 && !b.stopped && !b.source.ended() && b.running < b.jobs && !linewaits(b);
    if (wantinput) fds.push_back({b.source.fd, POLLIN, 0});
    for (const BatchLine &l : b.lines)
        if (l.run.fd >= 0) fds.push_back({l.run.fd, POLLIN, 0});
    if (!b.wait(fds)) {
        abandon(b);
        return;
    }
    size_t k = 0;
    if (wantinput && fds[k++].revents != 0) {
        const std::string problem = b.source.read();
        if (!problem.empty()) stopbatch(b, problem);
    }
    for (BatchLine &l : b.lines) {
        if (l.run.fd < 0 || fds[k++].revents == 0) continue;
        collectworker(l.run);
        if (l.run.fd < 0) --b.running;
    }
}

int runitems(const ItemSource &source, const BatchOutput &out, int jobs, const WorkerWait &wait) {
    Batch b{source, out, wait, jobs < 1 ? 1 : jobs, {}, 0, true, false, true};
    for (;;) {
        takeitems(b);
        answerfinished(b);
        if (b.lines.empty() && (b.stopped || b.source.ended())) break;
        waitforwork(b);
    }
    return b.allran && !b.stopped ? 0 : 1;
}

// The next line of the input that is not blank, read into an item.
bool takeline(LineReader &reader, BatchItem &item) {
    std::string line;
    while (takeline(reader, line)) {
        item = BatchItem{reader.number, false, {}, ""};
        const LineKind kind = readbatchline(line, item.request, item.why);
        if (kind == LINEBLANK) continue;
        item.runs = kind == LINEREQUEST;
        return true;
    }
    return false;
}

// Reads what arrived at `in` into the reader: "" or why it could not.
std::string readinput(int in, LineReader &reader) {
    char buf[READCHUNK];
    const ssize_t n = read(in, buf, sizeof buf);
    if (n > 0)
        feedinput(reader, buf, static_cast<size_t>(n));
    else if (n == 0)
        reader.ended = true;
    else if (errno != EINTR && errno != EAGAIN)
        return std::string("cannot read the input: ") + std::strerror(errno);
    return "";
}

}  // namespace

int runbatch(int in, const BatchOutput &out, int jobs) {
    LineReader reader{};
    const ItemSource source{in, [&reader](BatchItem &item) { return takeline(reader, item); },
                            [&reader] { return reader.ended; },
                            [in, &reader] { return readinput(in, reader); }};
    return runitems(source, out, jobs, waitforready);
}

int runbatch(const std::vector<BatchItem> &items, const BatchOutput &out, int jobs, const WorkerWait &wait) {
    size_t next = 0;
    const ItemSource source{-1,
                            [&](BatchItem &item) {
                                if (next == items.size()) return false;
                                item = items[next++];
                                return true;
                            },
                            [] { return true; }, [] { return std::string(); }};
    return runitems(source, out, jobs, wait);
}

std::string readjobs(const std::string &text, int &jobs) {
    int n = 0;
    if (!readnumber(text, n) || n < 1 || n > MAXJOBS) return jobsrefusal(text);
    jobs = n;
    return "";
}

std::string jobsrefusal(const std::string &text) {
    return "--jobs: '" + excerpt(text) + "' refused; accepts a whole number from 1 to " + std::to_string(MAXJOBS);
}
