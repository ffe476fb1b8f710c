#include "core/records.h"

AppState app;
TaskParams task;
RobotParams cyl;
RobotParams scara;
ControlTables cylTables;
ControlTables scaraTables;
SotocBook sotoc;
TrajectoryLog trajlog;
DesignResults designs;
ViewLayout layout;

void resetrecords() {
    app = AppState{ROBOTSCARA, MOTIONHORIZONTAL, CTRLTOC, DESIGNNOMINAL, ELBOWUP, '0', 0, 1.0, false};
    task = TaskParams{};
    cyl = RobotParams{};
    scara = RobotParams{};
    cylTables = ControlTables{};
    scaraTables = ControlTables{};
    sotoc = SotocBook{};
    trajlog = TrajectoryLog{};
    designs = DesignResults{};
    layout = ViewLayout{};
}

RobotParams &robotparams(char type) { return type == ROBOTSCARA ? scara : cyl; }
ControlTables &controltables(char type) { return type == ROBOTSCARA ? scaraTables : cylTables; }
RobotRuns &robotruns(char type) { return type == ROBOTSCARA ? trajlog.scara : trajlog.cyl; }
