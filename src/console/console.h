// Folder console/: console, dialog, conditions report (the only terminal code); uses records/, design/, study/.
// The console: Japanese text out, whole keys and number lines in. The only unit
// that touches the terminal; it puts the terminal back on every way out and while
// the program is stopped.
#pragma once

#include <cstddef>

// Exit status when the console closes while an answer is awaited.
constexpr int EXIT_INPUTENDED = 2;

// What readkey gives for a key of several bytes (an arrow or function key's escape
// sequence, Esc alone, Alt with a key, a UTF-8 character) and for a NUL byte. No
// question takes it as an answer.
constexpr char NOTAKEY = '\0';

// Thrown instead of ending the program while keys come from consolefeed: when its
// bytes run out, and by consolequit.
struct InputEnded {
    int status;  // exit status the program would have ended with
};

// Remembers the terminal's settings and restores them at exit, on SIGINT, SIGTERM,
// SIGHUP and SIGQUIT, and while stopped by SIGTSTP; on SIGCONT a key read in
// progress takes its raw mode again and its question is printed again. Call once
// before the first key is read.
void consoleinit();

// Keys and number lines come from these n bytes from now on (as if piped), and
// their end throws InputEnded; data nullptr: from the standard input again.
void consolefeed(const unsigned char *data, size_t n);

// Ends the program with `status` (the terminal put back); while keys come from
// consolefeed, throws InputEnded{status} instead.
[[noreturn]] void consolequit(int status);

// Formatted output (printf format), flushed at once.
void consoleprint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The same on the error stream: what went wrong.
void consoleerror(const char *format, ...) __attribute__((format(printf, 1, 2)));

// One whole key without echo and without Enter (raw mode only while waiting; keys
// typed ahead are kept): its byte, or NOTAKEY for a key of several bytes. End of
// input (Ctrl-D at a terminal) ends the program.
char readkey();

// Prints the prompt and reads keys until one of the two accepted keys is typed,
// printing the prompt again after any other key.
char askkey(const char *prompt, char first, char second);

// Prints the prompt and reads one key: the answer to a question that takes any
// single-byte key. A key of several bytes is no answer: the prompt is printed again.
char askanykey(const char *prompt);

// Drops whatever is waiting in the console input (keys typed while the window was
// in front), so that a dialog started from the window asks afresh.
void discardinput();

// Reads one whole line and parses exactly n finite numbers from it into v. Returns
// false, leaving v untouched, when the line holds anything else. End of input ends
// the program.
bool readnumbers(int n, double *v);

// Seconds between the progress lines logprogress asks for [s]: a line in a batch
// job's log now and then, not one per point.
constexpr double PROGRESSPERIOD = 30.0;

// Rewrites the one progress line of a long run on standard error: `done` of `total`
// results and the time left [s] (negative while unknown); done 0 starts a run. Prints
// nothing when standard error is not a terminal, unless logprogress was called.
void progressline(int done, int total, double secondsleft);

// From now on progressline also prints, on a standard error that is not a terminal
// (a batch job's log), a whole line "COMMAND: DONE/TOTAL done, M:SS left" once
// PROGRESSPERIOD seconds have passed since the run started or since its last such
// line, and when its last result is done.
void logprogress(const char *command);

// Clears the progress line when standard error is a terminal.
void progressend();
