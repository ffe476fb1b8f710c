// What compare and render share on the command line: the comparison options beside
// their own, the parse, the request and the one pass.
#pragma once

#include <functional>
#include <string>

#include "records/outcome.h"
#include "settings/request.h"
#include "study/comparison.h"

namespace CLI {
class App;
}

// A subcommand of one comparison pass. Written by its subcommand; read by passcommand.
struct PassCommand {
    const char *about;  // what --help says of it
    const char *name;   // "sotoc compare", "sotoc render"
    std::function<void(CLI::App &)> addoptions;  // adds the command's own options
    // Takes its own options once the comparison options made a request; refuses
    // with whatever it prepared undone.
    std::function<Outcome()> takeoptions;
    // Writes what came of the pass and returns the exit status.
    std::function<int(const CLI::App &, const CompareRequest &, const ComparisonResult &)> finish;
};

// Runs a subcommand of one pass with its arguments (argv[0] is its name): the records
// set as initialset leaves them, the comparison options and the command's own parsed
// and taken, then the pass. A refused option ends it with REFUSEDSTATUS before any
// work. Returns the exit status.
int passcommand(int argc, char **argv, const PassCommand &command);
