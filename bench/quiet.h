// The simulator's console text kept out of the benchmark table.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Runs body with the standard output sent to /dev/null. Output written before (the
// table so far) is shown first; what body leaves buffered is dropped with it.
template <class Body>
void quietly(Body body) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    body();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(null);
    close(saved);
}
