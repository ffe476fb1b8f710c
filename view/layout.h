// Fixed positions of the window's parts and the drawn robot dimensions.
#pragma once

// A point in window units (or metres before towin), x to the right, y up.
struct Point2 {
    double x, y;
};

struct ViewLayout {
    Point2 base;          // robot base (joint-1 axis) before zoom [window units]
    Point2 graphPos;      // origin of the joint-displacement graph; graphPos.x - 0.05 is the mask's left edge
    Point2 torque1Pos;    // zero-line origin of the joint-1 torque graph
    Point2 torque2Pos;    // zero-line origin of the joint-2 torque graph
    double graphW;        // length of each graph's time axis
    double torque1Half;   // half height of the joint-1 torque graph (the +-limit level)
    double torque2Half;   // half height of the joint-2 torque graph
    double handLen;       // hand length from the end of the arm or link to the tip [m]
    double armLen;        // cyl: drawn prismatic arm bar, L - handLen [m]
    double armWidth;      // cyl: width of the arm bar, armLen / 20 [m]
    double columnLen;     // cyl: length of the rotary column box [m]
    double columnWidth;   // cyl: width of the rotary column box [m]
    double jointR1;       // radius of the joint-1 disc [m]
    double jointR2;       // radius of the joint-2 disc [m]
    double linkLen1;      // scara: drawn link 1, L1 [m]
    double linkLen2;      // scara: drawn link 2, L2 - handLen [m]
    double linkWidth1;    // scara: width of link 1 [m]
    double linkWidth2;    // scara: width of link 2 [m]
    double wristLen;      // length of the wrist box [m]
    double wristWidth;    // width of the wrist box [m]
    double workLen;       // workpiece box length, 0.1 * mw^(1/3) [m]
    double workWidth;     // workpiece box width, 1.2 * workLen [m]
};

extern ViewLayout layout;

// Installs the layout from the robots' lengths and the workpiece mass in use.
void installlayout();
