// Folder commands/: entry (main.cpp), the subcommands and their command-line options; uses every folder.
// sotoc batch: comparisons from JSON Lines, one result line each, in input order.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 when every line ran, 1 otherwise, REFUSEDSTATUS for refused arguments.
int batchcommand(int argc, char **argv);

