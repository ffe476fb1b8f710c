// sotoc compare: one comparison pass from options, without questions or window.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 compared, REFUSEDSTATUS, EXIT_NOSOLUTION, EXIT_DIVERGED, 1 when the results or a log
// file could not be written.
int comparecommand(int argc, char **argv);
