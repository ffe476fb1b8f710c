// Entry: start-up in the console, then the window's event loop.
#include <cstdio>
#include <cstring>

#include "app/console.h"
#include "app/dialog.h"
#include "app/params.h"
#include "view/window.h"

namespace {

const char *const USAGE =
    "usage: sotoc [--help | --version | window-system options]\n"
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
    "  w, W    shrink or enlarge the robot picture\n"
    "  Esc     quit\n"
    "\n"
    "Other arguments are handed to the window system (for example -display :1).\n";

// A dialog asked for by a settings key in the window starts from an empty console input.
void windowdialog() {
    discardinput();
    settingsdialog();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("sotoc %s\n", SOTOC_VERSION);
        return 0;
    }
    consoleinit();
    initialset();
    startupdialog();
    openwindow(&argc, argv, windowdialog);  // the event loop never returns
    return 0;
}
