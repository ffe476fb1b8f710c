// Runs that write one result line after another (sweeps, batches), report a failed
// write once, and end between whole lines on Ctrl-C or SIGTERM.
#pragma once

#include <string>

// Installs handlers for SIGINT and SIGTERM that only note the signal: the run asks
// stoprequested() before it starts the next result and then ends with stopstatus().
void catchstopsignals();

// The signal that asked the run to stop, 0 while none has.
int stoprequested();

// Exit status of a stopped run: 128 + the signal (130 for SIGINT, 143 for SIGTERM).
int stopstatus();

// Writes `line` (a whole line ending in '\n') to the file descriptor with one
// write(2); a write cut short by a signal or a full pipe is continued, so a reader
// never sees half a line from us. Returns false on a write error.
bool writewhole(int fd, const std::string &line);

// Writes `lines` with writewhole; when that fails, says so on standard error as
// "<command>: cannot write the results: <reason>" and returns false.
bool writeresults(int fd, const std::string &lines, const char *command);

// Whether fd is open for writing; when not, says so as writeresults does.
bool outputopen(int fd, const char *command);
