// Shared set-up of the model tests: every record at its start-up value.
#pragma once

#include "app/params.h"
#include "core/records.h"
#include "model/control.h"
#include "model/simulation.h"

// Puts the program state back to what start-up leaves (both robots derived for
// horizontal motion) and clears the control tables, the SOTOC bookkeeping and
// the trajectory log, so that no test sees what another one left. The start-up
// values are taken once and copied back afterwards.
inline void installdefaults(char type) {
    static struct Snapshot {
        AppState app;
        TaskParams task;
        RobotParams cyl, scara;
    } start = [] {
        initialset();
        return Snapshot{app, task, cyl, scara};
    }();
    app = start.app;
    task = start.task;
    cyl = start.cyl;
    scara = start.scara;
    cylTables = ControlTables{};
    scaraTables = ControlTables{};
    sotoc = SotocBook{};
    trajlog = TrajectoryLog{};
    app.type = type;
    app.sgnG = 'h';
}
