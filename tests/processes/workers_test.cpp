// Work in forked worker processes: lines in item order, records left alone,
// failed workers reported, no new items after a stop; a work function that throws
// ends its worker; workers that cannot start wait for a free one; pipes that
// neither a program the caller starts nor another worker inherits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/records.h"
#include "tests/support/tempdir.h"
#include "processes/workers.h"

namespace {

struct Delivery {
    int item;
    std::string line;
    bool ok;
};

std::vector<Delivery> run(int count, int jobs, const std::function<std::string(int)> &item,
                          const std::function<bool()> &stop = [] { return false; }) {
    std::vector<Delivery> got;
    const WorkersEnd end = runinworkers(
        count, jobs, item, [&](int i, const WorkerRun &r) { got.push_back({i, r.line, r.ok}); }, stop);
    EXPECT_EQ(end.delivered, static_cast<int>(got.size()));
    EXPECT_EQ(-1, end.unstarted) << end.why;
    return got;
}

// Later items finish first; they still come out in item order.
TEST(Workers, LinesInItemOrderWhateverFinishesFirst) {
    const std::vector<Delivery> got = run(8, 3, [](int i) {
        usleep(static_cast<useconds_t>((8 - i) * 5000));
        return "item " + std::to_string(i);
    });
    ASSERT_EQ(got.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(got[i].item, i);
        EXPECT_EQ(got[i].line, "item " + std::to_string(i));
        EXPECT_TRUE(got[i].ok);
    }
}

// A worker sees the records as they were when it was forked; what it changes stays
// in its own process.
TEST(Workers, EachWorkerHasItsOwnRecords) {
    resetrecords();
    task.mwNom = 5.0;
    const std::vector<Delivery> got = run(4, 2, [](int i) {
        const double seen = task.mwNom;
        task.mwNom = 100.0 + i;
        return std::to_string(seen);
    });
    ASSERT_EQ(got.size(), 4u);
    for (const Delivery &d : got) EXPECT_EQ(d.line, std::to_string(5.0));
    EXPECT_EQ(task.mwNom, 5.0);
}

TEST(Workers, WorkerWithoutItsLineReported) {
    const std::vector<Delivery> got = run(3, 2, [](int i) -> std::string {
        if (i == 1) _exit(0);
        if (i == 2) std::abort();
        return "fine";
    });
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(got[0].ok);
    EXPECT_FALSE(got[1].ok);
    EXPECT_NE(got[1].line.find("ended without a result"), std::string::npos);
    EXPECT_FALSE(got[2].ok);
    EXPECT_NE(got[2].line.find("signal"), std::string::npos);
}

// After the stop no item starts; the ones already running are delivered.
TEST(Workers, NoNewItemsAfterStop) {
    int asked = 0;
    const std::vector<Delivery> got = run(100, 2, [](int i) { return std::to_string(i); },
                                          [&asked] { return ++asked > 5; });
    EXPECT_GE(got.size(), 1u);
    EXPECT_LE(got.size(), 5u);
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].item, static_cast<int>(i));
    EXPECT_EQ(run(0, 2, [](int) { return std::string("x"); }).size(), 0u);
}

// A wait that gives the run up stops the running workers at once: nothing more is
// delivered and no process is left, not even a zombie. Workers left running would
// hold the test for a minute.
TEST(Workers, AbandonedRunLeavesNoWorker) {
    std::vector<std::string> got;
    const WorkersEnd end = runinworkers(
        6, 3,
        [](int i) {
            if (i > 0) sleep(60);
            return std::to_string(i);
        },
        [&got](int, const WorkerRun &r) { got.push_back(r.line); }, [] { return false; }, nullptr,
        [&got](std::vector<pollfd> &fds) { return got.empty() && waitforready(fds); });
    EXPECT_EQ(1, end.delivered);
    EXPECT_TRUE(end.abandoned);
    EXPECT_EQ(std::vector<std::string>{"0"}, got);
    errno = 0;
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

// The number of processors listed in /proc/cpuinfo (the online ones), at most MAXJOBS.
int listedprocessors() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    int n = 0;
    for (std::string line; std::getline(cpuinfo, line);) n += line.rfind("processor", 0) == 0;
    return n < MAXJOBS ? n : MAXJOBS;
}

TEST(Workers, OneWorkerPerListedProcessorByDefault) { EXPECT_EQ(listedprocessors(), cores()); }

// Appends `text` to the file at `path`, opened anew: also a process that closed the
// descriptors it inherited can note what it does.
void note(const std::string &path, const std::string &text) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (write(fd, text.data(), text.size()) < 0) std::perror("note");
    close(fd);
}

// Runs `body` in a child process of the test, as a program using the workers runs
// them, and gives what was noted in the file of `dir` it is given. Every process
// that leaves `body`, also by an exception, notes "after" and ends: once that is the
// child itself, more than once when a worker went on as a copy of it.
std::string inchild(const TempDir &dir, const std::function<void(const std::string &notes)> &body) {
    const std::string notes = dir.file("notes");
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            body(notes);
        } catch (...) {
        }
        note(notes, "after\n");
        _exit(0);
    }
    int status = -1;
    EXPECT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return readfile(notes);
}

// The deliveries of a run as notes, one a line: "I ok LINE" or "I failed WHY"; then
// "unstarted I: WHY" when a worker could not start.
struct Notes {
    std::string text;
    void deliver(int i, const WorkerRun &r) {
        text += std::to_string(i) + (r.ok ? " ok " : " failed ") + r.line + "\n";
    }
    void end(const WorkersEnd &e) {
        if (e.unstarted >= 0) text += "unstarted " + std::to_string(e.unstarted) + ": " + e.why + "\n";
    }
};

// A work function that throws, a standard exception or not, ends its worker with a
// failure: the worker goes on neither into the caller's code nor its handlers, and
// the other items are delivered.
TEST(Workers, ThrowingWorkEndsItsWorkerAlone) {
    TempDir dir;
    const std::string got = inchild(dir, [](const std::string &notes) {
        Notes n;
        n.end(runinworkers(
            4, 2,
            [](int i) -> std::string {
                if (i == 1) throw std::runtime_error("no memory");
                if (i == 2) throw 7;
                return "fine";
            },
            [&n](int i, const WorkerRun &r) { n.deliver(i, r); }, [] { return false; }));
        note(notes, n.text);
    });
    EXPECT_EQ("0 ok fine\n"
              "1 failed the comparison failed: an exception ended its worker\n"
              "2 failed the comparison failed: an exception ended its worker\n"
              "3 ok fine\n"
              "after\n",
              got);
}

// The child processes of this process as the kernel lists them, running or ended
// and not yet collected.
size_t children() {
    std::ifstream list("/proc/self/task/" + std::to_string(gettid()) + "/children");
    size_t n = 0;
    for (std::string pid; list >> pid;) ++n;
    return n;
}

// Runs `count` items, each giving its number, `jobs` at once: the notes of the run,
// then "at most N at once", N the most children this process had while it waited.
std::string numbered(int count, int jobs) {
    Notes n;
    size_t most = 0;
    n.end(runinworkers(
        count, jobs, [](int i) { return std::to_string(i); }, [&n](int i, const WorkerRun &r) { n.deliver(i, r); },
        [] { return false; }, nullptr,
        [&most](std::vector<pollfd> &fds) {
            most = std::max(most, children());
            return waitforready(fds);
        }));
    return n.text + "at most " + std::to_string(most) + " at once\n";
}

// The notes of `count` items each delivered with its number, `most` at once.
std::string allofthem(int count, int most) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(i) + " ok " + std::to_string(i) + "\n";
    return text + "at most " + std::to_string(most) + " at once\n";
}

TEST(Workers, AsManyWorkersAtOnceAsAskedFor) {
    EXPECT_EQ(allofthem(8, 3), numbered(8, 3));
    EXPECT_EQ(allofthem(3, 1), numbered(3, 1));
}

// numbered(count, 8) in a child process of the test that keeps only the standard
// file descriptors and has `limit` as its soft limit of `resource`; noted once the
// limit is lifted again.
std::string underlimit(int resource, rlim_t limit, int count) {
    TempDir dir;
    return inchild(dir, [=](const std::string &notes) {
        for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
            if (fcntl(fd, F_GETFD) < 0) open("/dev/null", O_RDWR);  // takes the free number fd
        close_range(STDERR_FILENO + 1, ~0U, 0);
        rlimit before;
        getrlimit(resource, &before);
        rlimit low = before;
        low.rlim_cur = limit;
        if (setrlimit(resource, &low) != 0) return note(notes, "no limit\n");
        const std::string text = numbered(count, 8);
        setrlimit(resource, &before);
        note(notes, text);
    });
}

// Descriptors 0 to 2 are taken; under a limit of 6 a pipe (two descriptors, the
// read end kept) is had for two workers at once (the sixth lists the children while
// the run waits), under 4 for none.
TEST(Workers, FewFileDescriptorsMakeItemsWaitForAFreeWorker) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers' checks need file descriptors of their own";
#endif
    EXPECT_EQ(allofthem(12, 2) + "after\n", underlimit(RLIMIT_NOFILE, 6, 12));
    EXPECT_EQ("unstarted 0: no pipe for a worker: Too many open files\nat most 0 at once\nafter\n",
              underlimit(RLIMIT_NOFILE, 4, 3));
}

// A user of its own for the process limit, which binds every user but root: the
// test's child is its one process, so under a limit of 3 two workers run at once,
// under 1 none. The child keeps root as its saved user, to take up again once the
// run is over and note it.
TEST(Workers, AProcessLimitMakesItemsWaitForAFreeWorker) {
    if (geteuid() != 0) GTEST_SKIP() << "a user of its own needs root";
    // An unused user id.
    constexpr uid_t LONEUSER = 3999999;
    const auto asloneuser = [](rlim_t limit, int count) {
        TempDir dir;
        return inchild(dir, [=](const std::string &notes) {
            const rlimit low{limit, limit};
            if (setresuid(LONEUSER, LONEUSER, 0) != 0 || setrlimit(RLIMIT_NPROC, &low) != 0)
                return note(notes, "no user of its own\n");
            const std::string text = numbered(count, 8);
            if (seteuid(0) != 0) std::abort();
            note(notes, text);
        });
    };
    EXPECT_EQ(allofthem(12, 2) + "after\n", asloneuser(3, 12));
    EXPECT_EQ("unstarted 0: no worker process: Resource temporarily unavailable\nat most 0 at once\nafter\n",
              asloneuser(1, 3));
}

// The inode numbers of the pipes behind `fds`.
std::vector<std::string> pipesof(const std::vector<pollfd> &fds) {
    std::vector<std::string> pipes;
    for (const pollfd &p : fds) {
        struct stat st;
        if (fstat(p.fd, &st) == 0) pipes.push_back("pipe:[" + std::to_string(st.st_ino) + "]");
    }
    return pipes;
}

// What `ls -l /proc/self/fd` lists when the caller starts it, its output to `file`.
std::string listing(const std::string &file) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(127);
        execl("/bin/ls", "ls", "-l", "/proc/self/fd", static_cast<char *>(nullptr));
        _exit(127);
    }
    waitpid(pid, nullptr, 0);
    return readfile(file);
}

// A program the caller starts while workers run does not get their pipes, and no
// worker gets another's: each sees one pipe beside the standard descriptors.
TEST(Workers, PipesStayWithTheirWorker) {
    TempDir dir;
    std::vector<std::string> pipes;
    std::string listed;
    std::vector<std::string> seen;
    runinworkers(
        3, 3,
        [](int) {
            std::string targets;
            for (int fd = STDERR_FILENO + 1; fd < 64; ++fd) {
                char target[256];
                const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
                if (n > 0) targets += std::string(target, static_cast<size_t>(n)) + " ";
            }
            return targets;
        },
        [&seen](int, const WorkerRun &r) { seen.push_back(r.line); }, [] { return false; }, nullptr,
        [&](std::vector<pollfd> &fds) {
            if (listed.empty()) {
                pipes = pipesof(fds);
                listed = listing(dir.file("fd"));
            }
            return waitforready(fds);
        });
    ASSERT_EQ(3u, pipes.size());
    EXPECT_NE(std::string::npos, listed.find("-> " + dir.file("fd"))) << listed;
    for (const std::string &p : pipes) EXPECT_EQ(std::string::npos, listed.find(p)) << listed;
    ASSERT_EQ(3u, seen.size());
    for (const std::string &s : seen) {
        EXPECT_EQ(0u, s.find("pipe:[")) << s;
        EXPECT_EQ(s.size() - 1, s.find(' ')) << "one descriptor: " << s;
    }
}

volatile sig_atomic_t usr1count = 0;
void countusr1(int) { ++usr1count; }

// A signal that interrupts the wait for a worker's process (its pipe already
// closed) loses nothing: the worker's end by a signal is still reported.
TEST(Workers, SignalWhileCollectingAWorkerKeepsItsStatus) {
    struct sigaction count {}, before{};
    count.sa_handler = countusr1;
    sigemptyset(&count.sa_mask);
    count.sa_flags = 0;  // interrupted calls fail with EINTR
    sigaction(SIGUSR1, &count, &before);
    usr1count = 0;
    const std::vector<Delivery> got = run(1, 1, [](int) -> std::string {
        close_range(STDERR_FILENO + 1, ~0U, 0);  // the pipe ends: the caller waits for the process
        usleep(100000);
        kill(getppid(), SIGUSR1);
        usleep(100000);
        kill(getpid(), SIGKILL);
        return "never";
    });
    sigaction(SIGUSR1, &before, nullptr);
    EXPECT_EQ(1, usr1count);
    ASSERT_EQ(1u, got.size());
    EXPECT_FALSE(got[0].ok);
    EXPECT_EQ("the comparison ended by signal Killed", got[0].line);
}

}  // namespace
