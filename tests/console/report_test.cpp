// The printed conditions of both robots, with and without gravity.
#include <gtest/gtest.h>

#include <string>

#include "study/params.h"
#include "console/report.h"
#include "records/records.h"

namespace {

std::string report(char type, char gravity) {
    testing::internal::CaptureStdout();
    initialset();
    app.type = type;
    app.sgnG = gravity;
    derivesettings();
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    printconditions();
    return testing::internal::GetCapturedStdout();
}

const char *const CYLINDERHEAD =
    "\n\n/********* 円筒座標ロボットの設定した最短時間制御の条件 *******************/"
    "\n・アーム先端集中質量（ワーク質量）mw=  1.0[kg]"
    "\n・アーム慣性1       IJ1= 1.000[kg･m^2]    2 IJ2= 1.000[kg]"
    "\n・Ｊ換算モータ慣性1 IM1= 0.360[kg･m^2]    2 mM2= 0.360[kg]"
    "\n・減速比（変更可)   u1 =  30.0[rad/rad]     u2 =  30.0[rad/m]";

const char *const CYLINDERTAIL =
    "\n・PTP始点 (x0,y0)=( 0.7000     0.0000)[m] 終点(xf,yf)=(-0.3000     0.4000)[m]"
    "\n　関節変位   Φ0 =( 0.0000rad  0.7000m)          Φf =( 2.2143rad  0.5000m)"
    "\n・質量誤差Δm/m= 1.00[%]  mw= 1.000[kg],  mw(err)= 1.010[kg]"
    "\n/********** 円筒座標ロボットの条件設定終わり ******************************/\n";

const char *const SCARAHEAD =
    "\n\n/********* SCARAロボットの設定した最短時間制御の条件 **********************/"
    "\n・アーム先端集中質量 m1=   1.0[kg]        m2=mw=   1.0[kg]"
    "\n・J回りアーム慣性1  IJ1= 0.250[kg･m^2]    2 IJ2= 0.160[kg･m^2]"
    "\n　J換算モータ慣性1  IM1= 0.160[kg･m^2]    2 IM2= 0.102[kg･m^2]"
    "\n・減速比(変更可)    u1 =  40.0[rad/rad]     u2 =  40.0[rad/rad]";

const char *const SCARATAIL =
    "\n・PTP始点 (x0,y0)=( 0.7000  0.0000)[m] 終点(xf,yf)=(-0.3000  0.4000)[m]"
    "\n　関節変位    Φ0=( 0.5942 -1.3694)[rad]       Φf=( 3.0373 -1.9823)[rad]"
    "\n・質量誤差Δm/m= 1.00[%]  (m1, mw)=( 1.000  1.000),  (m1,mw)err=( 1.010  1.010)"
    "\n/********** SCARAロボットの条件設定終わり **********************************/\n";

TEST(Conditions, CylinderWithoutGravity) {
    EXPECT_EQ(std::string(CYLINDERHEAD) +
                  "\n・重力なし"
                  "\n・Imp.Matchのときに(π/2，1)を2[s]で位置決めするトルク・力に設定"
                  "\n　最大トルク     τ1max= 1.885[Nm]       τ2max= 1.200[N])" +
                  CYLINDERTAIL,
              report('a', 'h'));
}

TEST(Conditions, CylinderWithGravity) {
    EXPECT_EQ(std::string(CYLINDERHEAD) +
                  "\n・重力考慮"
                  "\n・最大慣性のときに(π/2，1)を2[s]で位置決めするトルク・力に設定"
                  "\n　最大トルク     τ1max=11.685[Nm]       τ2max=11.000[N])" +
                  CYLINDERTAIL,
              report('a', 'g'));
}

TEST(Conditions, ScaraWithoutGravity) {
    EXPECT_EQ(std::string(SCARAHEAD) +
                  "\n・重力なし"
                  "\n・最大慣性のときに上記加速度を出せるトルクに設定"
                  "\n　最大トルク     τ1max= 2.099[Nm]       τ2max= 3.418[Nm]" +
                  SCARATAIL,
              report('b', 'h'));
}

TEST(Conditions, ScaraWithGravity) {
    EXPECT_EQ(std::string(SCARAHEAD) +
                  "\n・重力考慮"
                  "\n・Imp.Matchのときに90°を2[s]で位置決めする加速度を出せるトルクに設定"
                  "\n　最大トルク     τ1max=15.819[Nm]       τ2max= 7.338[Nm]" +
                  SCARATAIL,
              report('b', 'g'));
}

TEST(Conditions, MassesInUseAndOtherTypes) {
    std::string out = report('b', 'h');
    task.mw = 2.0;
    scara.m1 = 3.0;
    testing::internal::CaptureStdout();
    printconditions();
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("m1=   3.0[kg]        m2=mw=   2.0[kg]"));
    app.type = 'x';
    testing::internal::CaptureStdout();
    printconditions();
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

}  // namespace
