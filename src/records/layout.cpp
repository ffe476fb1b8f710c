#include "records/layout.h"

#include <cmath>

#include "records/records.h"

void installlayout() {
    ViewLayout &v = layout;
    v.base = {-0.5, -0.5};
    v.graphPos = {0.4, 0.5};
    v.torque1Pos = {0.4, 0.1};
    v.torque2Pos = {0.4, -0.6};
    v.graphW = 0.5;
    v.torque1Half = 0.25;
    v.torque2Half = 0.25;
    v.handLen = 0.12;
    v.armLen = cyl.L - v.handLen;
    v.armWidth = v.armLen / 20.0;
    v.columnLen = 0.2;
    v.columnWidth = 0.15;
    v.jointR1 = 0.06;
    v.jointR2 = 0.06;
    v.linkLen1 = scara.L1;
    v.linkLen2 = scara.L2 - v.handLen;
    v.linkWidth1 = 0.04;
    v.linkWidth2 = 0.04;
    v.wristLen = 0.03;
    v.wristWidth = 0.06;
    // The workpiece box grows with the cube root of its mass (uniform density).
    v.workLen = 0.1 * std::pow(task.mw, 1.0 / 3.0);
    v.workWidth = 1.2 * v.workLen;
    v.rendered = false;
}
