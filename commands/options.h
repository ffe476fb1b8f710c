// The command line of the subcommands: the options of one comparison with their
// help, --jobs, the parse, and the one-line report of a refusal.
#pragma once

#include <string>

#include "study/request.h"

namespace CLI {
class App;
}

// Exit statuses of the subcommands beside 0 (done).
constexpr int EXIT_REFUSED = 2;     // an option or a value was refused
constexpr int EXIT_NOSOLUTION = 3;  // the switching-time design has no solution

// Adds --robot, --motion, --ratios, --start, --end, --elbow and --error to `cmd`,
// each with its units, accepted values and default in the help. Reads the defaults
// from the records, so initialset must have run.
void addcompareoptions(CLI::App &cmd, CompareOptionValues &v);

// Adds --jobs N (1..MAXJOBS comparisons at once in worker processes) to `cmd` and
// sets `jobs` to its default, the number of cores.
void addjobsoption(CLI::App &cmd, int &jobs);

// Parses the arguments of subcommand `cmd` (argv[0] is its name). Returns true to go
// on; false with `status` set after the help was printed (0) or an argument was
// refused (EXIT_REFUSED, one line on standard error, nothing on standard output).
bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status);

// Prints `message` of subcommand `cmd` (a refusal or why it failed) as one line on
// standard error.
void reportproblem(const CLI::App &cmd, const std::string &message);
