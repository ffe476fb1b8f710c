// How code that may end the program ends, told apart in a forked child: an exit
// with status 0 would otherwise end a test program as if every test had passed.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "console/console.h"

// Exit codes of endinchild: THROWN plus the status thrown with InputEnded, or RETURNED.
constexpr int THROWN = 100;
constexpr int RETURNED = 99;

// Runs body with its output dropped and exits with how it ended; use as the
// statement of EXPECT_EXIT. An exit inside body keeps its own status.
template <class Body>
[[noreturn]] void endinchild(Body body) {
    dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
    try {
        body();
    } catch (const InputEnded &e) {
        std::exit(THROWN + e.status);
    }
    std::exit(RETURNED);
}
