#include "tests/support/jobs.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/pty.h"

namespace {

// How long waitforline waits for the first line [ms], in steps of WAITSTEPMS.
constexpr int WAITLINEMS = 60000;
constexpr int WAITSTEPMS = 10;

}  // namespace

pid_t startjob(const std::vector<std::string> &args) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<std::string> all = {sotocbinary()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &a : all) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int finishjob(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

bool waitforline(const TempDir &dir, const std::string &name) {
    for (int waited = 0; waited < WAITLINEMS; waited += WAITSTEPMS) {
        const std::string temporary = dir.temporaryof(name);
        if (!temporary.empty() && content(temporary).find('\n') != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(WAITSTEPMS));
    }
    return false;
}

std::string content(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) v.push_back(line);
    return v;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

bool runthroughparallel(const TempDir &dir, const std::string &run) {
    if (std::system((run + " > " + dir.file("single.jsonl")).c_str()) != 0) return false;
    std::ofstream(dir.file("hosts.txt")) << ":\n";
    const std::string command = "parallel --will-cite --sshloginfile " + dir.file("hosts.txt") + " --jobs 3 " + run +
                                " --shard {}/3 ::: 0 1 2 > " + dir.file("merged.jsonl");
    return std::system(command.c_str()) == 0;
}
