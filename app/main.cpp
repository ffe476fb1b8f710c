// Entry: start-up in the console, then the window's event loop.
#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    (void)argc;
    (void)argv;
    std::puts("under construction");
    return 0;
}
