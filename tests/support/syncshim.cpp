// Preloaded into a program under test (LD_PRELOAD): notes each fsync, fdatasync and
// rename it makes, in the order made, as lines "fsync PATH" (for either flush) or
// "rename FROM TO" (the
// path of a descriptor as /proc/self/fd shows it) appended to the file named by
// SYNCSHIM_LOG, then does what was asked. A test reads the order from the file.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Appends "WHAT A[ B]\n" to the log; one write, so lines of several processes stay whole.
void note(const char *what, const char *a, const char *b) {
    const char *log = getenv("SYNCSHIM_LOG");
    if (log == nullptr) return;
    char line[2 * PATH_MAX + 32];
    const int n = snprintf(line, sizeof line, "%s %s%s%s\n", what, a, b == nullptr ? "" : " ", b == nullptr ? "" : b);
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || n <= 0) return;
    const ssize_t written = write(fd, line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
    static_cast<void>(written);  // a lost line shows as a missing step
    close(fd);
}

void notedescriptor(const char *what, int fd) {
    char link[64], path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    path[n < 0 ? 0 : n] = '\0';
    note(what, path, nullptr);
}

template <class F>
F next(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    notedescriptor("fsync", fd);
    return next<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
    notedescriptor("fsync", fd);
    return next<int (*)(int)>("fdatasync")(fd);
}

extern "C" int rename(const char *from, const char *to) {
    note("rename", from, to);
    return next<int (*)(const char *, const char *)>("rename")(from, to);
}

extern "C" int renameat(int fromdir, const char *from, int todir, const char *to) {
    note("rename", from, to);
    return next<int (*)(int, const char *, int, const char *)>("renameat")(fromdir, from, todir, to);
}
