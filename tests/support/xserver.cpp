#include "tests/support/xserver.h"

#include "offscreen/xvfb.h"

#include <cstdio>
#include <string>

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

std::vector<std::string> windowprogramenv() {
    std::vector<std::string> env;
#if defined(__SANITIZE_ADDRESS__)
    // The suppressions name Mesa's GLX library, which only full stacks reach. Full
    // stacks deadlock in the unwinder while llvmpipe compiles its code, so the program
    // draws with Mesa's other software renderer here.
    const std::string here = __FILE__;
    const std::string tests = here.substr(0, here.rfind("/support/"));
    env.push_back("LSAN_OPTIONS=suppressions=" + tests + "/window/mesa-leaks.supp:print_suppressions=0");
    env.push_back("ASAN_OPTIONS=fast_unwind_on_malloc=0");
    env.push_back("GALLIUM_DRIVER=softpipe");
#endif
    return env;
}

std::string xcommand(const XServer &x, const std::string &command) {
    const std::string line = "DISPLAY=" + x.display + " LC_ALL=C.UTF-8 " + command + " 2>/dev/null";
    std::string out;
    FILE *f = popen(line.c_str(), "r");
    if (f == nullptr) return out;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
    return out;
}
