// sotoc optimal: the minimum-time motion of one move, solved independently of the design.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 solved, 1 output or log not written, 2 refused options, 3 no
// minimum-time motion found.
int optimalcommand(int argc, char **argv);
