// Stand-ins for the trajectory log, the control tables and the settings dialog the
// window draws and calls, until those units are part of the build.
#include "tests/view/scene.h"

TrajectoryLog trajlog;
ControlTables cylTables;
ControlTables scaraTables;

RobotRuns &robotruns(char type) { return type == 'b' ? trajlog.scara : trajlog.cyl; }
ControlTables &controltables(char type) { return type == 'b' ? scaraTables : cylTables; }

std::vector<DialogEntry> dialogentries;
std::function<void()> ondialog;

void settingsdialog() {
    dialogentries.push_back({app.lastKey, app.frame, app.type, app.sgnG});
    if (ondialog) ondialog();
}
