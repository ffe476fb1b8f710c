// What sweeps and maps share on the command line: --shard, --out and --plot, their
// checks, the output files begun before any work and kept after it, and the
// picture of the lines written.
#pragma once

#include <functional>
#include <string>

#include "commands/grid.h"

namespace CLI {
class App;
}

// The options. Written by the command-line parser; read by takerunoutputs and runwithoutputs.
struct RunOutputOptions {
    std::string shard;  // K/N, "" for the whole run
    std::string out;    // result file, "" or "-" for standard output
    std::string plot;   // picture file, "" for none
};

// Adds --shard, --out and --plot to `cmd`; `what` names the run in their help ("sweep", "map").
void addrunoutputoptions(CLI::App &cmd, RunOutputOptions &o, const std::string &what);

// Checks --shard into `shard` and the extension of --plot: "" or the refusal.
std::string takerunoutputs(const RunOutputOptions &o, Shard &shard);

// Runs a command whose options were taken: a refusal so far ends it with
// EXIT_REFUSED; then the outputs are begun (--out and --plot must be different
// files in folders that take them), stop signals are caught, and run(fd, written)
// writes its lines to fd (the result file or standard output) and keeps them in
// `written`. Its status decides: the result file is kept after a run that ended
// or was stopped, dropped after a failure; the picture is drawn from the lines
// only after a run that ended well. Returns the command's exit status.
int runwithoutputs(const CLI::App &cmd, const std::string &refused, const RunOutputOptions &o,
                   const std::function<int(int fd, std::string &written)> &run);
