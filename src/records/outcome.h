// How a routine that can fail says so, in every folder: it returns an Outcome, and
// hands back a value through a reference argument beside it. The status is the exit
// status the failure calls for: 0 when the routine did its job (succeeded()), 1 for
// a failure (failure(): a file not written, a worker lost), 2 for a refusal of bad
// input (refused(): an option, a value, a line or a file the command does not take).
// The message is what is to be said on standard error (after "sotoc COMMAND: "),
// empty when there is nothing to say or the routine said it already as it went; a
// routine that reads one part of a value (a grid of an option) refuses with why, and
// its caller names the option. No exception crosses a folder: a folder that throws
// catches its own and returns the Outcome. The simulation's and design's own steps,
// and the interactive program's, keep their 1/0 flags.
#pragma once

#include <string>
#include <utility>

// What came of a routine that can fail.
struct Outcome {
    int status;           // exit status: 0 done, otherwise what the command ends with
    std::string message;  // why it failed, not yet said; empty when done or already said

    bool ok() const { return status == 0; }
};

// Status of a failure with no status of its own: a file not written, a worker lost.
constexpr int FAILURESTATUS = 1;

// Status of a refusal of bad input: an option, a value, a line or a file not taken.
constexpr int REFUSEDSTATUS = 2;

// The routine did its job.
inline Outcome succeeded() { return Outcome{0, std::string()}; }

// The routine failed: `message` to be said, the command to end with `status`.
inline Outcome failure(std::string message, int status = FAILURESTATUS) { return Outcome{status, std::move(message)}; }

// The routine refused its input: `message` says what and why, the command ends with REFUSEDSTATUS.
inline Outcome refused(std::string message) { return Outcome{REFUSEDSTATUS, std::move(message)}; }
