// Runs the program under test as a script would: no terminal, input from a string,
// standard output and standard error captured apart.
#pragma once

#include <string>
#include <vector>

struct RunOutcome {
    int status = -1;  // exit status, 128 + signal when killed by one
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs argv[0] with its arguments in a new session (no controlling terminal) with
// `input` as standard input; waits for it to end.
RunOutcome runprogram(const std::vector<std::string> &argv, const std::string &input = "");

// Runs the program under test with the given arguments.
RunOutcome runsotoc(const std::vector<std::string> &args, const std::string &input = "");

// Runs the program under test with its standard output going to the file `out`
// (opened for writing, a device too), or closed when `out` is empty; the outcome's
// `out` stays empty.
RunOutcome runsotocinto(const std::string &out, const std::vector<std::string> &args);
