#include "app/state.h"

AppState app = {'b', 'h', 'T', 'n', '2', '0', 0, 1.0};
TaskParams task = {};
RobotParams cyl = {};
RobotParams scara = {};

RobotParams &robotparams(char type) { return type == 'b' ? scara : cyl; }
