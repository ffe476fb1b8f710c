#include "records/records.h"

#include <tuple>

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

namespace {

// Every record, and every record of a copy, as one tuple of references.
auto liverecords() { return std::tie(app, task, cyl, scara, cylTables, scaraTables, sotoc, trajlog, designs, layout); }

template <class Copy>
auto copiedrecords(Copy &c) {
    return std::tie(c.app, c.task, c.cyl, c.scara, c.cylTables, c.scaraTables, c.sotoc, c.trajlog, c.designs,
                    c.layout);
}

}  // namespace

void resetrecords() {
    app = AppState{ROBOTSCARA, MOTIONHORIZONTAL, CTRLTOC, DESIGNNOMINAL, ELBOWUP, '0', 0, 1.0, false, JOINT2SHORTER, SEARCHSTANDARD};
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

void keeprecords(RecordsCopy &copy) { copiedrecords(copy) = liverecords(); }

void putrecords(const RecordsCopy &copy) { liverecords() = copiedrecords(copy); }

RobotParams &robotparams(char type) { return type == ROBOTSCARA ? scara : cyl; }
ControlTables &controltables(char type) { return type == ROBOTSCARA ? scaraTables : cylTables; }
RobotRuns &robotruns(char type) { return type == ROBOTSCARA ? trajlog.scara : trajlog.cyl; }
