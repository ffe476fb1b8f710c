// The program under test run as a shell runs a job, to be sent signals, and the
// lines of the files it writes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/tempdir.h"

// Starts the program with `args` in a process group of its own, as a shell starts
// a job, standard input and output from and to /dev/null; returns its process id.
pid_t startjob(const std::vector<std::string> &args);

// Waits for the job; its exit status, 128 + signal when a signal ended it.
int finishjob(pid_t pid);

// Waits until the temporary written for file `name` of the folder holds at least
// one whole line.
bool waitforline(const TempDir &dir, const std::string &name);

// The bytes of a file ("" when it cannot be read).
std::string content(const std::string &path);

// The lines of a text, without their ends.
std::vector<std::string> lines(const std::string &text);

// The lines in byte order, as sort(1) with LC_ALL=C gives them.
std::vector<std::string> sorted(std::vector<std::string> v);

// Runs the shell command `run` (the program with its options, writing its lines to
// standard output) once whole into single.jsonl of the folder, and as three shards
// through GNU parallel as the guide spreads them over hosts (` --shard {}/3`, this
// machine ":" as the only ssh login, three job slots) into merged.jsonl; parallel
// prints each shard's output whole. False when a run fails.
bool runthroughparallel(const TempDir &dir, const std::string &run);
