// Entry: a subcommand, or start-up in the console and then the window's event loop.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/batchcmd.h"
#include "app/comparecmd.h"
#include "app/plotcmd.h"
#include "app/sweepcmd.h"
#include "app/console.h"
#include "app/dialog.h"
#include "app/options.h"
#include "app/params.h"
#include "app/render.h"
#include "app/rendercmd.h"
#include "view/window.h"

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
    "Keys in the window:\n"
    "  a, b    choose the cylindrical-coordinate or SCARA robot (then the console dialog)\n"
    "  u       change the reduction ratios        g, h  vertical or horizontal motion\n"
    "  k       change the start and end points    m     change the mass error\n"
    "  s       advance the animation one sample   0     back to the start of the motion\n"
    "  space   play the motion at its real speed, or pause it (from the start at the end)\n"
    "  p       save the picture shown as sotoc-<robot>-<motion>-frame<NNN>.png here\n"
    "  w, W    shrink or enlarge the robot picture\n"
    "  Esc     quit\n"
    "\n"
    "Other arguments are handed to the window system (for example -display :1).\n";

// Subcommands: the first argument names one, the rest are its own.
const struct {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *summary;
} SUBCOMMANDS[] = {
    {"compare", comparecommand, "one comparison pass from options: result lines or JSON"},
    {"batch", batchcommand, "comparisons from JSON Lines, one JSON result line each"},
    {"sweep", sweepcommand, "comparisons over a grid of mass errors: JSON Lines and a plot"},
    {"plot", plotcommand, "the plot of a sweep from its result files"},
    {"render", rendercommand, "the window's picture of one comparison as PNG or animated GIF"},
};

void printusage() {
    std::fputs(USAGE, stdout);
    std::printf("\nSubcommands:\n");
    for (const auto &sub : SUBCOMMANDS) std::printf("  %-9s %s\n", sub.name, sub.summary);
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
// start with one dash; an argument starting with two is refused. Returns false then.
bool windowsystemarguments(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) != 0) continue;
        std::string names;
        for (const auto &sub : SUBCOMMANDS) names += (names.empty() ? "" : ", ") + std::string(sub.name);
        std::fprintf(stderr,
                     "sotoc: '%s' refused; accepts --help, --version, a subcommand (%s) or window-system "
                     "options such as -display :1\n",
                     argv[i], names.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
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
    if (!windowsystemarguments(argc, argv)) return EXIT_REFUSED;
    if (!displayreachable(argc, argv)) {
        consoleerror("画面（X ディスプレイ）に接続できないため、ウィンドウを開けません。"
                     "画面なしで使えるのは sotoc compare と sotoc render です。\n");
        consoleerror("Cannot connect to an X display for the window. "
                     "Without a screen, use sotoc compare or sotoc render.\n");
        return 1;
    }
    consoleinit();
    initialset();
    startupdialog();
    openwindow(&argc, argv, windowdialog, savesnapshot);  // the event loop never returns
    return 0;
}
