#include "jobs/batch.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/resultjson.h"
#include "jobs/batchinput.h"
#include "settings/usertext.h"

namespace {

// Bytes read from the input at once.
constexpr size_t READCHUNK = 65536;

// Where a batch's items come from.
struct ItemSource {
    int fd;                                 // polled for input while a worker is free; -1 for none
    std::function<bool(BatchItem &)> take;  // the next complete item; false while there is none
    std::function<bool()> ended;            // the input has ended: no item follows those it holds
    std::function<Outcome()> read;          // reads what arrived at fd; fails with why it could not
};

// A batch under way: what its answers have done so far. Written by answer and
// stopbatch.
struct Batch {
    const BatchOutput &out;
    bool allran;     // every item answered so far ran
    bool stopped;    // no further item is taken: the output, the input or the workers
                     // failed (reported once each)
    bool answering;  // every answer so far was taken by the output
};

// Stops the batch for `why`, reported once.
void stopbatch(Batch &b, const std::string &why) {
    b.out.report(why);
    b.stopped = true;
}

// Answers item `number`, in input order: its result object or why it did not run.
void answer(Batch &b, int number, const WorkerRun &run) {
    b.allran = b.allran && run.ok;
    const std::string text = run.ok ? run.line : errorline(number, run.line);
    const Outcome taken = b.answering ? b.out.answer(text) : succeeded();
    if (!taken.ok()) {
        b.answering = false;
        stopbatch(b, taken.message);
    }
}

// The item of the batch's scheduler: the comparison of a line that runs, the
// refusal of one that does not; numbered as the line.
WorkerItem workeritem(const BatchItem &item) {
    if (!item.runs) return WorkerItem{item.number, nullptr, nullptr, item.why};
    const CompareRequest r = item.request;
    return WorkerItem{item.number, nullptr, [r] { return resultjson(r, standalonepass(r)).dump(); }, ""};
}

Outcome runitems(const ItemSource &source, const BatchOutput &out, int jobs, const WorkerWait &wait) {
    Batch b{out, true, false, true};
    const WorkerPlan plan{jobs,
                          [&source](WorkerItem &w) {
                              BatchItem item;
                              if (!source.take(item)) return false;
                              w = workeritem(item);
                              return true;
                          },
                          source.ended,
                          source.fd,
                          [&b, &source] {
                              const Outcome read = source.read();
                              if (!read.ok()) stopbatch(b, read.message);
                          },
                          [&b](int number, const WorkerRun &run) { answer(b, number, run); },
                          [&b] { return b.stopped; },
                          wait};
    const WorkersEnd end = runworkers(plan);
    if (end.unstarted >= 0) stopbatch(b, unstartedtext("line " + std::to_string(end.unstarted), end.why, "lines"));
    return b.allran && !b.stopped && !end.abandoned ? succeeded() : failure("");
}

// The next line of the input that is not blank, read into an item, the notices of
// its robot file handed to `out`.
bool takeline(LineReader &reader, const BatchOutput &out, BatchItem &item) {
    std::string line;
    while (takeline(reader, line)) {
        item = BatchItem{reader.number, false, CompareRequest{}, ""};
        if (blankline(line)) continue;
        const Outcome read = readbatchline(line, item.request);
        item.runs = read.ok();
        item.why = read.message;
        if (read.ok() && out.note)
            for (const std::string &notice : item.request.robotfile.notices) out.note(notice);
        return true;
    }
    return false;
}

// Reads what arrived at `in` into the reader; fails with why it could not.
Outcome readinput(int in, LineReader &reader) {
    char buf[READCHUNK];
    const ssize_t n = read(in, buf, sizeof buf);
    if (n > 0)
        feedinput(reader, buf, static_cast<size_t>(n));
    else if (n == 0)
        reader.ended = true;
    else if (errno != EINTR && errno != EAGAIN)
        return failure(std::string("cannot read the input: ") + std::strerror(errno));
    return succeeded();
}

}  // namespace

Outcome runbatch(int in, const BatchOutput &out, int jobs) {
    LineReader reader{};
    const ItemSource source{in, [&reader, &out](BatchItem &item) { return takeline(reader, out, item); },
                            [&reader] { return reader.ended; },
                            [in, &reader] { return readinput(in, reader); }};
    return runitems(source, out, jobs, waitforready);
}

Outcome runbatch(const std::vector<BatchItem> &items, const BatchOutput &out, int jobs, const WorkerWait &wait) {
    size_t next = 0;
    const ItemSource source{-1,
                            [&](BatchItem &item) {
                                if (next == items.size()) return false;
                                item = items[next++];
                                return true;
                            },
                            [] { return true; }, [] { return succeeded(); }};
    return runitems(source, out, jobs, wait);
}

Outcome readjobs(const std::string &text, int &jobs) {
    int n = 0;
    if (!readnumber(text, n) || n < 1 || n > MAXJOBS) return refused(jobsrefusal(text));
    jobs = n;
    return succeeded();
}

std::string jobsrefusal(const std::string &text) {
    return "--jobs: '" + excerpt(text) + "' refused; accepts a whole number from 1 to " + std::to_string(MAXJOBS);
}
