// Folder processes/: worker processes, runs of result lines and the stop signals; uses records/.
// Runs that write one result line after another (sweeps, batches), report a failed
// write once, and end between whole lines on Ctrl-C or SIGTERM.
#pragma once

#include <signal.h>

#include <cstddef>
#include <string>

#include "records/outcome.h"

// Installs handlers for SIGINT and SIGTERM that only note the signal: the run asks
// stoprequested() before it starts the next result and then ends with stopstatus().
void catchstopsignals();

// Blocks the n signals; returns the mask that, set again with sigprocmask, lifts
// the block.
sigset_t blocksignals(const int *signals, size_t n);

// The signal that asked the run to stop, 0 while none has.
int stoprequested();

// Exit status of a stopped run: 128 + the signal (130 for SIGINT, 143 for SIGTERM).
int stopstatus();

// Writes `line` (a whole line ending in '\n') to the file descriptor with one
// write(2); a write cut short by a signal or a full pipe is continued, so a reader
// never sees half a line from us. Returns false on a write error.
bool writewhole(int fd, const std::string &line);

// The same for n bytes.
bool writewhole(int fd, const void *bytes, size_t n);

// Writes result text (whole lines) to the file descriptor as writewhole does; fails
// with "cannot write the results: <reason>" when it could not be written.
Outcome writeresults(int fd, const std::string &text);

// Whether fd is open for writing; fails with "cannot write the results: <reason>".
Outcome writableoutput(int fd);
