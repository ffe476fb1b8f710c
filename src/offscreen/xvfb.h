// A private X server (Xvfb) for drawing on a machine without a screen.
#pragma once

#include <sys/types.h>

#include <string>

// Starts Xvfb on a free display with one screen of w x h pixels at 24 bits, in a
// process group of its own (a Ctrl-C at the terminal reaches only this program), and
// waits until it accepts clients. The server gets SIGTERM when this program dies.
// A `guarded` server (one at a time) is also stopped by SIGINT, SIGTERM, SIGHUP and
// SIGQUIT, which then take their earlier course. Returns its process id and sets
// `display` (":N"); -1 when Xvfb is missing or does not start.
pid_t xvfbstart(int w, int h, std::string &display, bool guarded);

// Stops the server (lifting its guard) and waits for it to end.
void xvfbstop(pid_t pid);
