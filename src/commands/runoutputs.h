// What sweeps and maps share on the command line: the options, --shard, --out,
// --plot and --jobs, their checks, the output files begun before any work and kept
// after it, and the picture of the lines written.
#pragma once

#include <functional>
#include <string>

#include "jobs/grid.h"
#include "records/outcome.h"
#include "settings/request.h"

struct OutputFile;
struct FigureOptions;

namespace CLI {
class App;
}

// A sweep or a map on the command line. Written by its subcommand; read by gridcommand.
struct GridCommand {
    const char *about;  // what --help says of it
    const char *name;   // "sotoc sweep", "sotoc map"
    const char *what;   // what --plot draws: "sweep", "map"
    std::function<void(CLI::App &)> addoptions;  // adds the command's own options
    // Takes its own options and the comparison options given; refuses either.
    std::function<Outcome(const CompareOptionValues &)> takeoptions;
    // Writes its lines to fd (the result file or standard output), handing each to
    // `written` once written; fails (status 1, or the stop status) having said why.
    std::function<Outcome(int fd, const std::function<void(const std::string &)> &written)> run;
    const RobotFile *robotfile = nullptr;  // the robot file of the options takeoptions took; null for none
    // Draws --plot into the begun picture after a run that ended well, in place of
    // the picture of the lines; empty for that picture.
    std::function<Outcome(OutputFile &picture, const FigureOptions &o)> draw = nullptr;
};

// Runs a sweep or a map with its arguments (argv[0] is its name) on the records as
// initialset leaves them: the comparison options, the command's own, --shard K/N
// (into `shard`), --out FILE, --plot FILE and --jobs N (into `jobs`). A refused
// option ends it with REFUSEDSTATUS before any work, as do --out and --plot naming
// one file or a file that cannot be made in its folder. Stop signals are caught
// (catchstopsignals) before the run. The result file is kept after a run that
// ended or was stopped, dropped after a failure; the picture is drawn from the
// lines only after a run that ended well, read as they were written (only what the
// picture needs of each is kept, and nothing without --plot). Returns the exit status.
int gridcommand(int argc, char **argv, const GridCommand &command, Shard &shard, int &jobs);
