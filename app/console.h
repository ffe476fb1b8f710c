// The console: Japanese text out, single keys and number lines in. The only unit
// that touches the terminal; it puts the terminal back on every way out.
#pragma once

// Exit status when the console closes while an answer is awaited.
constexpr int EXIT_INPUTENDED = 2;

// Remembers the terminal's settings and restores them at exit and on SIGINT,
// SIGTERM and SIGHUP. Call once before the first key is read.
void consoleinit();

// Formatted output (printf format), flushed at once.
void consoleprint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// One keystroke without echo and without Enter (raw mode only while waiting; keys
// typed ahead are kept). Not a terminal: one byte. End of input ends the program.
char readkey();

// Prints the prompt and reads keys until one of the two accepted keys is typed,
// printing the prompt again after any other key.
char askkey(const char *prompt, char first, char second);

// Prints the prompt and reads one key: the answer to a question that takes any key.
char askanykey(const char *prompt);

// Drops whatever is waiting in the console input (keys typed while the window was
// in front), so that a dialog started from the window asks afresh.
void discardinput();

// Reads one whole line and parses exactly n finite numbers from it into v. Returns
// false, leaving v untouched, when the line holds anything else. End of input ends
// the program.
bool readnumbers(int n, double *v);

// Rewrites the one progress line of a long run on standard error: `done` of `total`
// results and the time left [s] (negative while unknown). Prints nothing when
// standard error is not a terminal.
void progressline(int done, int total, double secondsleft);

// Clears the progress line when standard error is a terminal.
void progressend();
