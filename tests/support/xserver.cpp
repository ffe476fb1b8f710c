#include "tests/support/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

bool xstart(XServer &x) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // The server ends with the test program, even when that one crashes or is killed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        // Its start-up chatter is not the test's output.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number once it is ready for clients.
    std::string number;
    pollfd pfd = {fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return false;
    }
    x.pid = pid;
    x.display = ":" + number;
    return true;
}

void xstop(XServer &x) {
    if (x.pid > 0) {
        kill(x.pid, SIGTERM);
        waitpid(x.pid, nullptr, 0);
    }
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
    env.push_back("LSAN_OPTIONS=suppressions=" + tests + "/view/mesa-leaks.supp");
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
