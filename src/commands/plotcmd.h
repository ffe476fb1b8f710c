// sotoc plot: the picture of a sweep or a map from its result files (for example
// the outputs of its shards, in any order).
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int plotcommand(int argc, char **argv);
