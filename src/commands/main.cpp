// Entry: a subcommand, or start-up in the console and then the window's event loop.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/batchcmd.h"
#include "commands/comparecmd.h"
#include "commands/mapcmd.h"
#include "commands/options.h"
#include "commands/dynamicscmd.h"
#include "commands/optimalcmd.h"
#include "commands/paramscmd.h"
#include "commands/plotcmd.h"
#include "commands/rendercmd.h"
#include "commands/settingscmd.h"
#include "commands/montecarlocmd.h"
#include "commands/sweepcmd.h"
#include "console/console.h"
#include "console/dialog.h"
#include "records/keys.h"
#include "offscreen/render.h"
#include "study/params.h"
#include "settings/usertext.h"
#include "window/window.h"

// The commit the program is built from, or "unknown" (defined by the build).
extern const char SOTOC_COMMIT[];

namespace {

const char *const USAGE =
    "usage: sotoc [--help | --version | window-system options]\n"
    "       sotoc SUBCOMMAND [options]   (sotoc SUBCOMMAND --help lists them)\n"
    "\n"
    "Simulates a two-axis robot arm (cylindrical-coordinate or SCARA) moving point to\n"
    "point in minimum time, and compares how far normal time-optimal control (TOC) and\n"
    "state-observed TOC (SOTOC) miss the goal when the switching times were designed with\n"
    "a wrong workpiece mass. The conditions are set in a Japanese console dialog; a window\n"
    "then animates both controllers' arms and plots joint displacements and torques.\n"
    "\n"
    "Keys in the window:\n";

const char *const WINDOWSYSTEM = "\nOther arguments are handed to the window system (for example -display :1).\n";

// Subcommands: the first argument names one, the rest are its own.
const struct {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *summary;
} SUBCOMMANDS[] = {
    {"compare", comparecommand, "one comparison pass from options: result lines or JSON"},
    {"batch", batchcommand, "comparisons from JSON Lines, one JSON result line each"},
    {"sweep", sweepcommand, "comparisons over a grid of mass errors: JSON Lines and a plot"},
    {"map", mapcommand, "comparisons over a grid of one or two settings: JSON Lines and a picture"},
    {"montecarlo", montecarlocommand, "comparisons over samples of uncertain settings: JSON Lines and a summary"},
    {"summary", summarycommand, "the summary of a Monte Carlo study from its sample files"},
    {"plot", plotcommand, "the picture of a sweep or a map from its result files"},
    {"render", rendercommand, "the window's picture of one comparison as PNG or animated GIF"},
    {"params", paramscommand, "every parameter of the robot model, with its unit: a table or JSON"},
    {"dynamics", dynamicscommand, "the equations of motion of a robot at one state, term by term"},
    {"optimal", optimalcommand, "the minimum-time motion of a move by direct collocation, beside the design's"},
    {"settings", settingscommand, "the settings of a comparison: units, ranges, defaults, map axes"},
};

// Edits of a typed word beyond which no subcommand is suggested for it: a slip of
// the fingers (a letter missing, extra, wrong or swapped with its neighbour) or two.
constexpr size_t MAXSUGGESTEDEDITS = 2;

// The window's keys, two short ones to a line.
void printkeys() {
    for (int i = 0; i < WINDOWKEYCOUNT; ++i) {
        const WindowKey &k = WINDOWKEYS[i];
        if (k.help == nullptr) continue;
        const std::string names = windowkeynames(i, false);
        if (k.place == HELPLEFT)
            std::printf("  %-8s%-35s", names.c_str(), k.help);
        else if (k.place == HELPRIGHT)
            std::printf("%-6s%s\n", names.c_str(), k.help);
        else
            std::printf("  %-8s%s\n", names.c_str(), k.help);
    }
}

void printusage() {
    std::fputs(USAGE, stdout);
    printkeys();
    std::fputs(WINDOWSYSTEM, stdout);
    std::printf("\nSubcommands:\n");
    for (const auto &sub : SUBCOMMANDS) std::printf("  %-9s %s\n", sub.name, sub.summary);
}

// The subcommands' names, with `separator` between them and `last` before the last.
std::string subcommandnames(const char *separator, const char *last) {
    std::string names;
    const size_t n = sizeof SUBCOMMANDS / sizeof SUBCOMMANDS[0];
    for (size_t k = 0; k < n; ++k) names += (k == 0 ? "" : k + 1 < n ? separator : last) + std::string(SUBCOMMANDS[k].name);
    return names;
}

// The fewest edits that turn `a` into `b`: a byte inserted, removed or replaced, or two
// neighbouring bytes swapped (the optimal string alignment distance).
size_t editdistance(const std::string &a, const std::string &b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// " (did you mean NAME?)" for the subcommand closest to `word`, "" when none is
// within MAXSUGGESTEDEDITS of it.
std::string suggestion(const std::string &word) {
    const char *closest = nullptr;
    size_t fewest = MAXSUGGESTEDEDITS + 1;
    for (const auto &sub : SUBCOMMANDS) {
        const size_t edits = editdistance(word, sub.name);
        if (edits < fewest) {
            fewest = edits;
            closest = sub.name;
        }
    }
    return closest == nullptr ? "" : std::string(" (did you mean ") + closest + "?)";
}

// What the program accepts, said after a refused argument.
std::string accepted() {
    return "accepts --help, --version, a subcommand (" + subcommandnames(", ", ", ") +
           ") or window-system options such as -display :1";
}

// `status`, or 1 when standard output could not all be written (said on standard error).
int endoutput(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    std::fputs("sotoc: standard output could not be written\n", stderr);
    return status == 0 ? 1 : status;
}

// A dialog asked for by a settings key in the window starts from an empty console input.
void windowdialog() {
    discardinput();
    settingsdialog();
}

// The interactive program hands its arguments to the window system, whose options
// start with one dash: a first argument without one names no subcommand (a typing
// slip, which would otherwise start the window) and an argument starting with two
// dashes is none of them. Either is refused.
Outcome checkwindowarguments(int argc, char **argv) {
    if (argc >= 2 && argv[1][0] != '-')
        return refused("'" + excerpt(argv[1]) + "' refused: no such subcommand" + suggestion(argv[1]) + "; " +
                       accepted());
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) == 0) return refused("'" + excerpt(argv[i]) + "' refused; " + accepted());
    return succeeded();
}

// A write to a pipe whose reader has gone, or beyond the file-size limit, fails with
// EPIPE or EFBIG as any failed write (status 1, temporaries removed) instead of ending
// the program by a signal.
void failwritesinsteadofsignals() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

int main(int argc, char **argv) {
    failwritesinsteadofsignals();
    for (const auto &sub : SUBCOMMANDS)
        if (argc >= 2 && std::strcmp(argv[1], sub.name) == 0)
            return endoutput(sub.run(argc - 1, argv + 1));
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        printusage();
        return endoutput(0);
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("sotoc %s (commit %s)\n", SOTOC_VERSION, SOTOC_COMMIT);
        return endoutput(0);
    }
    const Outcome arguments = checkwindowarguments(argc, argv);
    if (!arguments.ok()) {
        std::fprintf(stderr, "sotoc: %s\n", arguments.message.c_str());
        return arguments.status;
    }
    if (!displayreachable(argc, argv)) {
        // Every subcommand works without a screen.
        consoleerror("画面（X ディスプレイ）に接続できないため、ウィンドウを開けません。"
                     "画面なしで使えるのは sotoc %s です。\n",
                     subcommandnames("、", "、").c_str());
        consoleerror("Cannot connect to an X display for the window. Without a screen, use sotoc %s.\n",
                     subcommandnames(", ", " or ").c_str());
        return 1;
    }
    consoleinit();
    initialset();
    startupdialog();
    openwindow(&argc, argv, windowdialog, savesnapshot);  // the event loop never returns
    return 0;
}
