#include "simulation/dynamics.h"

#include "records/records.h"

// Every factor is grouped as the equations group it from the left: D11 =
// ((IJ1 + IM1) + IJ2) + (mw L1)(L1 + (2 L2) c2), h2 = (((mw L1) L2) s2) q1' q1',
// G2 = ((9.8 mw) L2) cos(q1 + q2), G1 = (((m1 + mw) 9.8) L1) cos q1 + G2;
// cylindrical 2 mw r q1' q2' = (((2 mw) r) q1') q2', G1 = ((9.8 mw) r) cos q1.
void motionterms(char robot, MotionTerms &m) {
    const RobotParams &p = robotparams(robot);
    const double mw = task.mw;
    m.rigid = p.rigid;
    if (m.rigid) m.body = rigidterms(armbodies(robot), app.sgnG == MOTIONVERTICAL);
    m.scara = robot == ROBOTSCARA;
    m.gravity = app.sgnG == MOTIONVERTICAL;
    m.T1 = jointlimit(robot, app.sgnG, 0);
    m.T2 = jointlimit(robot, app.sgnG, 1);
    m.D11c = p.IJ1 + p.IM1 + p.IJ2;
    m.mwL1 = mw * p.L1;
    m.L1 = p.L1;
    m.twoL2 = 2.0 * p.L2;
    m.IJ2 = p.IJ2;
    m.mwL1L2 = m.mwL1 * p.L2;
    m.D22 = p.IJ2 + p.IM2;
    m.g1 = (p.m1 + mw) * GRAVITY * p.L1;
    m.g2 = GRAVITY * mw * p.L2;
    m.mw = mw;
    m.twomw = 2.0 * mw;
    m.gmw = GRAVITY * mw;
    m.IM1 = p.IM1;
    m.J2 = mw + p.IM2;
}

ArmBodies armbodies(char robot) {
    const RobotParams &p = robotparams(robot);
    const double mw = task.mw;
    if (p.rigid)
        return {robot == ROBOTSCARA, p.L1, p.L2, {p.mL[0], p.mL[1]},
                {{p.cL[0][0], p.cL[0][1]}, {p.cL[1][0], p.cL[1][1]}}, {p.IL[0], p.IL[1]}, mw, {p.IM1, p.IM2}};
    if (robot != ROBOTSCARA) return {false, 0.0, 0.0, {0.0, 0.0}, {{0.0, 0.0}, {0.0, 0.0}}, {0.0, 0.0}, mw, {p.IM1, p.IM2}};
    return {true, p.L1, p.L2, {p.m1, 0.0}, {{p.L1, 0.0}, {0.0, 0.0}},
            {p.IJ1 - p.m1 * p.L1 * p.L1, p.IJ2 - mw * p.L2 * p.L2}, mw, {p.IM1, p.IM2}};
}

double jointlimit(char robot, char gravity, int j) {
    const RobotParams &p = robotparams(robot);
    if (gravity == MOTIONVERTICAL) return j == 0 ? p.T1maxG : p.T2maxG;
    return j == 0 ? p.T1max : p.T2max;
}
