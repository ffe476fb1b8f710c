// sotoc render: the window's pictures of one comparison pass as PNG or GIF files.
#pragma once

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit
// status: 0 written, 1 not written, REFUSEDSTATUS, EXIT_NOSOLUTION, EXIT_DIVERGED.
int rendercommand(int argc, char **argv);
