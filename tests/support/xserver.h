// A private virtual X server for tests that open a window.
#pragma once

#include <sys/types.h>

#include <string>

struct XServer {
    pid_t pid = -1;       // the Xvfb process
    std::string display;  // its display name, ":N"
};

// Starts Xvfb on a free display (1280x1024, 24 bits) and waits until it accepts
// clients. Returns false when Xvfb is missing or does not start.
bool xstart(XServer &x);

// Stops the server.
void xstop(XServer &x);
