// A private virtual X server for tests that open a window.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct XServer {
    pid_t pid = -1;       // the Xvfb process
    std::string display;  // its display name, ":N"
};

// Starts Xvfb on a free display (1280x1024, 24 bits) and waits until it accepts
// clients. Returns false when Xvfb is missing or does not start.
bool xstart(XServer &x);

// Stops the server.
void xstop(XServer &x);

// Output of a shell command run against the server's display (xdotool, xprop).
std::string xcommand(const XServer &x, const std::string &command);

// Environment entries ("NAME=value") that the program under test needs to draw
// under the sanitizers; none in a plain build.
std::vector<std::string> windowprogramenv();
