// sotoc params: every parameter of the robot model for a robot and task, with its unit.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 printed, EXIT_REFUSED, 1 when standard output could not be written.
int paramscommand(int argc, char **argv);
