// Entry: start-up in the console, then the window's event loop.
#include <cstdio>
#include <cstring>

#include "app/console.h"
#include "app/dialog.h"
#include "app/params.h"
#include "app/report.h"
#include "core/records.h"
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

// The provisional conditions of both robots as start-up installs them (horizontal
// motion); the SCARA robot is left selected.
void printprovisional() {
    const struct {
        char type;
        const char *heading;
    } robots[] = {{ROBOTCYL, "\n\ninitialset() 仮の設定  円筒座標ロボットの場合"},
                  {ROBOTSCARA, "\ninitialset() 仮の設定  SCARAロボットの場合"}};
    for (const auto &r : robots) {
        consoleprint("%s", r.heading);
        app.type = r.type;
        derivesettings();
        printconditions();
    }
}

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
    consoleprint("\n\nロボットの最短時間制御(TOC)シミュレーション");
    consoleprint("\n通常の最短時間制御(TOC)と状態観測最短時間制御(SOTOC)との位置決め誤差比較");
    initialset();
    printprovisional();
    app.type = askkey("\nロボットの選択   a:円筒座標ロボット　b:SCARAロボット　type=", ROBOTCYL, ROBOTSCARA);
    app.sgnG = askkey("\n重力考慮？　　yes ; g    no : h   sgnG=", MOTIONVERTICAL, MOTIONHORIZONTAL);
    app.ctrlType = CTRLTOC;
    app.lastKey = '0';
    settingsdialog();
    openwindow(&argc, argv, windowdialog);  // the event loop never returns
    return 0;
}
