// Folder commands/: entry (main.cpp), subcommands, their options and grids; uses every folder.
// sotoc batch: comparisons from JSON Lines, one result line each, in input order.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 when every line ran, 1 otherwise, EXIT_REFUSED for refused arguments.
int batchcommand(int argc, char **argv);

// Reads JSON Lines from file descriptor `in` until its end and writes one result
// line per input line that is not blank to `out`, running up to `jobs` comparisons
// at once in worker processes; a line that cannot run is answered with its line
// number (blank lines counted) and why. Each line is written as soon as it and the
// lines before it are done. A worker that cannot start is started once another
// ends. When the output cannot be written, the input cannot be read or not even one
// worker starts, says so once on standard error and takes no further line. Needs
// the records as initialset leaves them. Returns 0 when every line ran and was
// written, 1 otherwise.
int runbatch(int in, int out, int jobs);
