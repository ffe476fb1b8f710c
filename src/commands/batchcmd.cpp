#include "commands/batchcmd.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include "commands/options.h"
#include "jobs/batch.h"
#include "study/params.h"
#include "settings/usertext.h"
#include "processes/interrupt.h"

namespace {

const char *const COMMAND = "sotoc batch";

const char *const ABOUT =
    "Runs one comparison pass per line of JSON Lines read from FILE or standard input and writes one\n"
    "JSON result line per input line to standard output, in input order, each as soon as the lines\n"
    "before it are done. A line holds one object with the fields robot, motion (both required),\n"
    "ratios, start, end, elbow, error, robotfile, near, sotoc-fallback, tolerance, joint2-start,\n"
    "design-search, designerrors, params, control-period, encoder-counts, sensor-noise, seed,\n"
    "sensor-delay, servo-antiwindup, span and reference, with the values and defaults of the options of\n"
    "sotoc compare (the robot may be left out when robotfile names it; designerrors and params objects of\n"
    "NAME: NUMBER), e.g. {\"robot\":\"scara\",\"motion\":\"vertical\",\"error\":-20,\n"
    "\"designerrors\":{\"L2\":-10}}. A line that cannot run gives {\"line\":N,\"error\":\"...\"}; blank lines are\n"
    "skipped (N counts them). Exit status: 0 when every line ran and was written, 1 otherwise,\n"
    "2 refused options or input, 130 or 143 stopped by SIGINT or SIGTERM.";

// Opens the input file into `in`; refuses one that cannot be read or is a folder.
Outcome openinput(const std::string &file, int &in) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    const bool folder = fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (fd >= 0 && !folder) {
        in = fd;
        return succeeded();
    }
    const Outcome refusal = refused("FILE: '" + excerpt(file) + "' refused; accepts a readable file (" +
                                    (folder ? "it is a folder" : std::strerror(errno)) + ")");
    if (fd >= 0) close(fd);
    return refusal;
}

}  // namespace

int batchcommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, COMMAND};
    std::string file;
    int jobs;
    cmd.add_option("FILE", file, "JSON Lines to read; standard input when omitted or -.")->type_name("");
    addjobsoption(cmd, jobs);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    const Outcome writable = writableoutput(STDOUT_FILENO);
    if (!writable.ok()) {
        reportproblem(cmd, writable.message);
        return writable.status;
    }
    const bool fromfile = !file.empty() && file != "-";
    int in = STDIN_FILENO;
    const Outcome opened = fromfile ? openinput(file, in) : succeeded();
    if (!opened.ok()) {
        reportproblem(cmd, opened.message);
        return opened.status;
    }
    std::set<std::string> noted;  // each notice is said once, however many lines name its file
    const BatchOutput out{[](const std::string &answer) { return writeresults(STDOUT_FILENO, answer + "\n"); },
                          [&cmd](const std::string &problem) { reportproblem(cmd, problem); },
                          [&cmd, &noted](const std::string &notice) {
                              if (noted.insert(notice).second) reportproblem(cmd, notice);
                          }};
    status = runbatch(in, out, jobs).status;
    if (fromfile) close(in);
    return status;
}
