// Drives a process through a pseudo-terminal, as a user at a terminal would.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

struct PtyProcess {
    int fd = -1;         // master side of the pseudo-terminal
    pid_t pid = -1;      // child process
    std::string output;  // everything the child has written so far
    size_t mark = 0;     // output position after the last successful expect
    int status = -1;     // wait status once the child has ended
    pid_t job = -1;      // with ptyjob: the job the child runs as its shell
};

// Starts argv[0] with its arguments on a new pseudo-terminal; extra "NAME=value"
// entries are added to its environment. Returns false when it cannot start.
bool ptystart(PtyProcess &p, const std::vector<std::string> &argv,
              const std::vector<std::string> &env = {});

// Runs body() in a forked child on a new pseudo-terminal; its return value is the
// child's exit status.
bool ptyfork(PtyProcess &p, const std::function<int()> &body);

// Runs body() as a job under a shell with job control on a new pseudo-terminal: in
// a process group of its own, in the foreground, so that Ctrl-Z stops it and the
// shell (p.pid) waits while it is stopped. The shell's exit status is the job's.
bool ptyjob(PtyProcess &p, const std::function<int()> &body);

// Waits until the job of ptyjob is stopped.
bool ptyjobstopped(const PtyProcess &p, double seconds = 20.0);

// Types text into the terminal.
void ptysend(PtyProcess &p, const std::string &text);

// Waits until text appears in the output after the mark; moves the mark past it.
bool ptyexpect(PtyProcess &p, const std::string &text, double seconds = 20.0);

// Reads whatever arrives within the given time.
void ptydrain(PtyProcess &p, double seconds);

// Waits for the child to end; returns its exit status, 128 + signal when killed by
// a signal, or -1 (after killing it) when it does not end in time.
int ptywait(PtyProcess &p, double seconds = 20.0);

// The terminal settings of the pseudo-terminal as the child left them.
bool ptyattr(const PtyProcess &p, termios &t);

// Waits until the child has switched the terminal to raw mode to read a key. A key
// typed before that is echoed by the terminal, and Ctrl-D is taken as a line end.
bool ptywaitraw(const PtyProcess &p, double seconds = 20.0);

// Closes the master side and reaps the child if it still runs.
void ptyclose(PtyProcess &p);

// Path of the program under test.
std::string sotocbinary();
