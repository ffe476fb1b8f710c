#include "console/report.h"

#include "console/console.h"
#include "records/records.h"

namespace {

double percent() { return 100.0 * task.errRatio; }

// One robot's texts of the lines of the conditions report that print the same
// fields for both robots, each a printf format of the fields named.
struct ConditionsText {
    const char *head;
    // IJ1 and the second inertia; the cylinder prints there the mass moved by its
    // prismatic joint.
    const char *inertias;
    const char *motors;          // IM1, IM2
    const char *ratios;          // u1, u2
    const char *torquebasis[2];  // what the torques were set for: without, with gravity
    const char *torques;         // T1max, T2max; with gravity T1maxG, T2maxG
    const char *ends;            // x0, y0, xf, yf
    const char *joints;          // phi0, phif
    const char *tail;
};

const ConditionsText CYLINDERTEXT = {
    "\n\n/********* 円筒座標ロボットの設定した最短時間制御の条件 *******************/",
    "\n・アーム慣性1       IJ1=%6.3f[kg･m^2]    2 IJ2=%6.3f[kg]",
    "\n・Ｊ換算モータ慣性1 IM1=%6.3f[kg･m^2]    2 mM2=%6.3f[kg]",
    "\n・減速比（変更可)   u1 =%6.1f[rad/rad]     u2 =%6.1f[rad/m]",
    {"\n・Imp.Matchのときに(π/2，1)を2[s]で位置決めするトルク・力に設定",
     "\n・最大慣性のときに(π/2，1)を2[s]で位置決めするトルク・力に設定"},
    "\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[N])",
    "\n・PTP始点 (x0,y0)=(%7.4f    %7.4f)[m] 終点(xf,yf)=(%7.4f    %7.4f)[m]",
    "\n　関節変位   Φ0 =(%7.4frad %7.4fm)          Φf =(%7.4frad %7.4fm)",
    "\n/********** 円筒座標ロボットの条件設定終わり ******************************/\n",
};

const ConditionsText SCARATEXT = {
    "\n\n/********* SCARAロボットの設定した最短時間制御の条件 **********************/",
    "\n・J回りアーム慣性1  IJ1=%6.3f[kg･m^2]    2 IJ2=%6.3f[kg･m^2]",
    "\n　J換算モータ慣性1  IM1=%6.3f[kg･m^2]    2 IM2=%6.3f[kg･m^2]",
    "\n・減速比(変更可)    u1 =%6.1f[rad/rad]     u2 =%6.1f[rad/rad]",
    {"\n・最大慣性のときに上記加速度を出せるトルクに設定",
     "\n・Imp.Matchのときに90°を2[s]で位置決めする加速度を出せるトルクに設定"},
    "\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[Nm]",
    "\n・PTP始点 (x0,y0)=(%7.4f %7.4f)[m] 終点(xf,yf)=(%7.4f %7.4f)[m]",
    "\n　関節変位    Φ0=(%7.4f %7.4f)[rad]       Φf=(%7.4f %7.4f)[rad]",
    "\n/********** SCARAロボットの条件設定終わり **********************************/\n",
};

}  // namespace

void printconditions() {
    if (app.type != ROBOTCYL && app.type != ROBOTSCARA) return;
    const bool cylinder = app.type == ROBOTCYL, gravity = app.sgnG == MOTIONVERTICAL;
    const RobotParams &p = cylinder ? cyl : scara;
    const ConditionsText &t = cylinder ? CYLINDERTEXT : SCARATEXT;
    consoleprint("%s", t.head);
    if (cylinder)
        consoleprint("\n・アーム先端集中質量（ワーク質量）mw=%5.1f[kg]", task.mw);
    else
        consoleprint("\n・アーム先端集中質量 m1=%6.1f[kg]        m2=mw=%6.1f[kg]", p.m1, task.mw);
    consoleprint(t.inertias, p.IJ1, cylinder ? task.mw : p.IJ2);
    consoleprint(t.motors, p.IM1, p.IM2);
    consoleprint(t.ratios, p.u1, p.u2);
    consoleprint("%s", gravity ? "\n・重力考慮" : "\n・重力なし");
    consoleprint("%s", t.torquebasis[gravity]);
    consoleprint(t.torques, gravity ? p.T1maxG : p.T1max, gravity ? p.T2maxG : p.T2max);
    consoleprint(t.ends, task.x0, task.y0, task.xf, task.yf);
    consoleprint(t.joints, p.phi0[0], p.phi0[1], p.phif[0], p.phif[1]);
    if (cylinder)
        consoleprint("\n・質量誤差Δm/m=%5.2f[%%]  mw=%6.3f[kg],  mw(err)=%6.3f[kg]", percent(), task.mwNom,
                     task.mwErr);
    else
        consoleprint("\n・質量誤差Δm/m=%5.2f[%%]  (m1, mw)=(%6.3f %6.3f),  (m1,mw)err=(%6.3f %6.3f)", percent(),
                     p.m1Nom, task.mwNom, p.m1Err, task.mwErr);
    consoleprint("%s", t.tail);
}
