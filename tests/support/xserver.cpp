#include "tests/support/xserver.h"

#include "app/xvfb.h"

namespace {

// Screen of the tests' server [pixels]: room for the 800 x 800 window.
constexpr int SCREENW = 1280;
constexpr int SCREENH = 1024;

}  // namespace

bool xstart(XServer &x) {
    x.pid = xvfbstart(SCREENW, SCREENH, x.display, false);
    return x.pid > 0;
}

void xstop(XServer &x) {
    xvfbstop(x.pid);
    x.pid = -1;
}
