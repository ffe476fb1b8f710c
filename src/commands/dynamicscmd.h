// sotoc dynamics: the equations of motion of a robot at one state, term by term.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 printed, 2 refused options, 1 when standard output could not be written.
int dynamicscommand(int argc, char **argv);
