#include "commands/batchcmd.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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
    "before it are done. A line holds one object with the fields robot, motion (both required;\n"
    "robotfile may name the robot), ratios, start, end, elbow, error and robotfile, with the values\n"
    "and defaults of the options of sotoc compare, e.g. {\"robot\":\"scara\",\"motion\":\"vertical\",\n"
    "\"error\":-20}. A line that cannot run gives {\"line\":N,\"error\":\"...\"}; blank lines are\n"
    "skipped (N counts them). Exit status: 0 when every line ran and was written, 1 otherwise.";

// Opens the input file; -1 with the refusal when it cannot be read or is a folder.
int openinput(const std::string &file, std::string &refused) {
    const int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    const bool folder = in >= 0 && fstat(in, &st) == 0 && S_ISDIR(st.st_mode);
    if (in >= 0 && !folder) return in;
    refused = "FILE: '" + excerpt(file) + "' refused; accepts a readable file (" +
              (folder ? "it is a folder" : std::strerror(errno)) + ")";
    if (in >= 0) close(in);
    return -1;
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
    std::string refused;
    const bool fromfile = !file.empty() && file != "-";
    const int in = fromfile ? openinput(file, refused) : STDIN_FILENO;
    if (in < 0) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }
    const BatchOutput out{[](const std::string &answer) { return writeresults(STDOUT_FILENO, answer + "\n"); },
                          [&cmd](const std::string &problem) { reportproblem(cmd, problem); }};
    status = runbatch(in, out, jobs).status;
    if (fromfile) close(in);
    return status;
}
