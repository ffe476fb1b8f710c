// sotoc montecarlo: the comparison for each of N samples of uncertain inputs (or of
// one shard of them), as JSON Lines in sample order, then their summary; and sotoc
// summary, the same summary from the sample files of every shard.
#pragma once

// Run the subcommands with their arguments (argv[0] is the name); return the exit status.
int montecarlocommand(int argc, char **argv);
int summarycommand(int argc, char **argv);
