// How a routine that can fail says so, in every folder: it returns an Outcome. The
// status is the exit status the failure calls for (0 when the routine did its job),
// the message what is to be said on standard error (after "sotoc COMMAND: "), empty
// when there is nothing to say or the routine said it already as it went. A routine
// hands back a value through a reference argument beside it. Exceptions stay inside
// the folder that throws them: a folder catches its own and returns the Outcome.
// The interactive program's own steps keep their 1/0 flags.
#pragma once

#include <string>
#include <utility>

// What came of a routine that can fail.
struct Outcome {
    int status;           // exit status: 0 done, otherwise what the command ends with
    std::string message;  // why it failed, not yet said; empty when done or already said

    bool ok() const { return status == 0; }
};

// Status of a failure with no status of its own: a file not written, a bad input.
constexpr int FAILURESTATUS = 1;

// The routine did its job.
inline Outcome succeeded() { return Outcome{0, std::string()}; }

// The routine failed: `message` to be said, the command to end with `status`.
inline Outcome failure(std::string message, int status = FAILURESTATUS) { return Outcome{status, std::move(message)}; }
