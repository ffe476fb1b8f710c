// Folder jobs/: comparisons run in worker processes for the front ends (batches, sweeps, maps, Monte Carlo studies) and their inputs (batch lines, grids, the axes of maps, a study's samples and summary, the number of workers); uses records/, sampling/, processes/, study/, settings/, formats/.
// Batches: comparisons in input order, each in its own worker process, answered in
// input order as soon as an item and the items before it are done.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/outcome.h"
#include "settings/request.h"
#include "processes/workers.h"

// One item of a batch. Written by the front end that reads it; read by runbatch.
struct BatchItem {
    int number;              // place in the input, from 1 (a line's number, blank lines counted)
    bool runs;               // `request` is to run; otherwise `why` says why it cannot
    CompareRequest request;  // the comparison of an item that runs
    std::string why;         // the refusal of an item that cannot run
};

// Where a batch's answers and problems go.
struct BatchOutput {
    // Takes one answer (a result object or {"line":N,"error":"..."}, without a line
    // end); fails with why it could not be taken, which stops the batch.
    std::function<Outcome(const std::string &answer)> answer;
    // Takes a problem that stops the batch: the answers, the input or the workers
    // failed. Said once for each.
    std::function<void(const std::string &problem)> report;
    // Takes a notice of what the robot file of a line gives that the model ignores
    // (robotfile.h), for each line read from the input; none taken when empty.
    std::function<void(const std::string &notice)> note = nullptr;
};

// Reads JSON Lines from file descriptor `in` until its end and answers each line
// that is not blank, running up to `jobs` comparisons at once in worker processes;
// a line that cannot run is answered with its line number (blank lines counted) and
// why. A worker that cannot start is started once another ends. When an answer
// cannot be taken, the input cannot be read or not even one worker starts, reports
// it and takes no further line. Needs the records as initialset leaves them.
// Done when every line ran and was answered; otherwise fails with status 1, the
// problems reported already.
Outcome runbatch(int in, const BatchOutput &out, int jobs);

// The same for items already read; `wait` waits for the workers and may abandon
// the batch, which then stops its workers and answers no further item (and fails).
Outcome runbatch(const std::vector<BatchItem> &items, const BatchOutput &out, int jobs, const WorkerWait &wait);

// Reads the number of workers at once, as typed (a whole number, 1..MAXJOBS) into
// `jobs`; refuses with jobsrefusal.
Outcome readjobs(const std::string &text, int &jobs);

// The refusal of `text` as the number of workers: "--jobs: 'TEXT' refused; accepts ...".
std::string jobsrefusal(const std::string &text);
