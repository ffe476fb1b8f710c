#include "tests/support/run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/pty.h"

namespace {

// An unlinked temporary file holding `text`, positioned at its start; closed in the
// program run, which gets it only as its standard input, output or error.
int tempfile(const std::string &text) {
    char name[] = "/tmp/sotoc-run-XXXXXX";
    const int fd = mkostemp(name, O_CLOEXEC);
    if (fd < 0) return -1;
    unlink(name);
    if (!text.empty() && write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        close(fd);
        return -1;
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

std::string readall(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

}  // namespace

RunOutcome runprogram(const std::vector<std::string> &argv, const std::string &input) {
    RunOutcome r;
    const int in = tempfile(input), out = tempfile(""), err = tempfile("");
    if (in < 0 || out < 0 || err < 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in);
    int st = 0;
    if (pid > 0 && waitpid(pid, &st, 0) == pid)
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? 128 + WTERMSIG(st) : -1;
    r.out = readall(out);
    r.err = readall(err);
    return r;
}

RunOutcome runsotoc(const std::vector<std::string> &args, const std::string &input) {
    std::vector<std::string> argv = {sotocbinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runprogram(argv, input);
}
