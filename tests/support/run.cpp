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

namespace {

// Runs argv with `input` as standard input and standard output to `outfd` (closed
// when -1); what it writes there is read back when `readout`.
RunOutcome runwith(const std::vector<std::string> &argv, const std::string &input, int outfd, bool readout) {
    RunOutcome r;
    const int in = tempfile(input), err = tempfile("");
    if (in < 0 || err < 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        dup2(in, STDIN_FILENO);
        if (outfd >= 0)
            dup2(outfd, STDOUT_FILENO);
        else
            close(STDOUT_FILENO);
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
    if (readout) r.out = readall(outfd);
    r.err = readall(err);
    return r;
}

}  // namespace

RunOutcome runprogram(const std::vector<std::string> &argv, const std::string &input) {
    const int out = tempfile("");
    if (out < 0) return RunOutcome{};
    return runwith(argv, input, out, true);
}

RunOutcome runsotoc(const std::vector<std::string> &args, const std::string &input) {
    std::vector<std::string> argv = {sotocbinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runprogram(argv, input);
}

RunOutcome runsotocinto(const std::string &out, const std::vector<std::string> &args) {
    std::vector<std::string> argv = {sotocbinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    const int fd = out.empty() ? -1 : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!out.empty() && fd < 0) return RunOutcome{};
    const RunOutcome r = runwith(argv, "", fd, false);
    if (fd >= 0) close(fd);
    return r;
}
