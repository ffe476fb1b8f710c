#include "console/report.h"

#include "console/console.h"
#include "records/records.h"

namespace {

double percent() { return 100.0 * task.errRatio; }

void cylinderconditions() {
    const RobotParams &p = cyl;
    consoleprint("\n\n/********* 円筒座標ロボットの設定した最短時間制御の条件 *******************/");
    consoleprint("\n・アーム先端集中質量（ワーク質量）mw=%5.1f[kg]", task.mw);
    // The mass moved by the prismatic joint stands in the place of a second inertia.
    consoleprint("\n・アーム慣性1       IJ1=%6.3f[kg･m^2]    2 IJ2=%6.3f[kg]", p.IJ1, task.mw);
    consoleprint("\n・Ｊ換算モータ慣性1 IM1=%6.3f[kg･m^2]    2 mM2=%6.3f[kg]", p.IM1, p.IM2);
    consoleprint("\n・減速比（変更可)   u1 =%6.1f[rad/rad]     u2 =%6.1f[rad/m]", p.u1, p.u2);
    if (app.sgnG == MOTIONVERTICAL) {
        consoleprint("\n・重力考慮");
        consoleprint("\n・最大慣性のときに(π/2，1)を2[s]で位置決めするトルク・力に設定");
        consoleprint("\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[N])", p.T1maxG, p.T2maxG);
    } else {
        consoleprint("\n・重力なし");
        consoleprint("\n・Imp.Matchのときに(π/2，1)を2[s]で位置決めするトルク・力に設定");
        consoleprint("\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[N])", p.T1max, p.T2max);
    }
    consoleprint("\n・PTP始点 (x0,y0)=(%7.4f    %7.4f)[m] 終点(xf,yf)=(%7.4f    %7.4f)[m]", task.x0, task.y0,
                 task.xf, task.yf);
    consoleprint("\n　関節変位   Φ0 =(%7.4frad %7.4fm)          Φf =(%7.4frad %7.4fm)", p.phi0[0], p.phi0[1],
                 p.phif[0], p.phif[1]);
    consoleprint("\n・質量誤差Δm/m=%5.2f[%%]  mw=%6.3f[kg],  mw(err)=%6.3f[kg]", percent(), task.mwNom, task.mwErr);
    consoleprint("\n/********** 円筒座標ロボットの条件設定終わり ******************************/\n");
}

void scaraconditions() {
    const RobotParams &p = scara;
    consoleprint("\n\n/********* SCARAロボットの設定した最短時間制御の条件 **********************/");
    consoleprint("\n・アーム先端集中質量 m1=%6.1f[kg]        m2=mw=%6.1f[kg]", p.m1, task.mw);
    consoleprint("\n・J回りアーム慣性1  IJ1=%6.3f[kg･m^2]    2 IJ2=%6.3f[kg･m^2]", p.IJ1, p.IJ2);
    consoleprint("\n　J換算モータ慣性1  IM1=%6.3f[kg･m^2]    2 IM2=%6.3f[kg･m^2]", p.IM1, p.IM2);
    consoleprint("\n・減速比(変更可)    u1 =%6.1f[rad/rad]     u2 =%6.1f[rad/rad]", p.u1, p.u2);
    if (app.sgnG == MOTIONVERTICAL) {
        consoleprint("\n・重力考慮");
        consoleprint("\n・Imp.Matchのときに90°を2[s]で位置決めする加速度を出せるトルクに設定");
        consoleprint("\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[Nm]", p.T1maxG, p.T2maxG);
    } else {
        consoleprint("\n・重力なし");
        consoleprint("\n・最大慣性のときに上記加速度を出せるトルクに設定");
        consoleprint("\n　最大トルク     τ1max=%6.3f[Nm]       τ2max=%6.3f[Nm]", p.T1max, p.T2max);
    }
    consoleprint("\n・PTP始点 (x0,y0)=(%7.4f %7.4f)[m] 終点(xf,yf)=(%7.4f %7.4f)[m]", task.x0, task.y0, task.xf,
                 task.yf);
    consoleprint("\n　関節変位    Φ0=(%7.4f %7.4f)[rad]       Φf=(%7.4f %7.4f)[rad]", p.phi0[0], p.phi0[1], p.phif[0],
                 p.phif[1]);
    consoleprint("\n・質量誤差Δm/m=%5.2f[%%]  (m1, mw)=(%6.3f %6.3f),  (m1,mw)err=(%6.3f %6.3f)", percent(), p.m1Nom,
                 task.mwNom, p.m1Err, task.mwErr);
    consoleprint("\n/********** SCARAロボットの条件設定終わり **********************************/\n");
}

}  // namespace

void printconditions() {
    if (app.type == ROBOTCYL)
        cylinderconditions();
    else if (app.type == ROBOTSCARA)
        scaraconditions();
}
