// Program-wide records: the selections and view state, the task shared by both
// robots and the parameter set of each robot. Every record is a single instance
// that lives as long as the process.
#pragma once

// The program's value of pi (15 significant digits). Joint end points, sizing and
// kinematics are computed with exactly this value, so it is not M_PI.
constexpr double PI = 3.14159265358979;

// Gravitational acceleration [m/s^2], the literal of every gravity term.
constexpr double GRAVITY = 9.8;

// Rows of every logged run; rows 0..nStep are used, so nStep may be at most 499.
constexpr int MAXSAMPLES = 500;

struct AppState {
    char type;       // robot shown and computed: 'a' cylindrical-coordinate, 'b' SCARA
    char sgnG;       // 'g' vertical motion (gravity acts), 'h' horizontal motion
    char ctrlType;   // controller of the next simulation: 'T' TOC, 'S' SOTOC
    char designErr;  // next design: 'n' nominal masses (cold start), 'm' erroneous masses (warm start)
    char elbow;      // SCARA elbow branch: '1' bent down, '2' bent up
    char lastKey;    // last key typed in the window; picks the dialog's entry
    int frame;       // animation frame (log row shown), 0..nStep
    double scale;    // zoom of the robot picture [-]
};

struct TaskParams {
    double mwNom;     // nominal workpiece (arm-tip) mass [kg]
    double mw;        // workpiece mass in use by derivations, design and plant [kg]
    double mwErr;     // erroneous workpiece mass (1 + errRatio) * mwNom [kg]
    double errRatio;  // mass error ratio dm/m [-] (0.01 is 1 %)
    double x0, y0;    // PTP start point [m]
    double xf, yf;    // PTP end point [m]
    int nStep;        // logged sample intervals of a run (logs have nStep + 1 rows)
    double dt;        // logged sample period [s]
    double tfNom;     // nominal bang-bang PTP time of the robot derived last [s]
    double wn1, wn2;        // servo natural angular frequencies of joints 1, 2 [rad/s]
    double zeta1, zeta2;    // servo damping ratios of joints 1, 2 [-]
    double alpha1, alpha2;  // servo integral poles of joints 1, 2 [1/s]
};

// One instance per robot. Units are given as cylindrical / SCARA; the prismatic
// joint 2 of the cylindrical robot counts inertia in kg, force in N, ratio in rad/m.
struct RobotParams {
    double L;                 // cyl: arm length, radius of the workpiece for sizing and gravity lever [m]
    double L1, L2;            // scara: lengths of link 1 and link 2 [m]
    double m1Nom, m1, m1Err;  // scara: mass at the end of link 1, nominal / in use / erroneous [kg]
    double IJ1;               // arm inertia about joint 1, fixed at start [kg m^2]
    double IJ2;               // scara: arm inertia about joint 2, fixed at start [kg m^2]
    double IMm1, IMm2;        // motor rotor inertias on the motor side [kg m^2]
    double u1, u2;            // reduction ratios [rad/rad], [rad/m] / [rad/rad]
    double IM1, IM2;          // motor inertias referred to the joints [kg m^2], [kg] / [kg m^2]
    double J1max, J2max;      // cyl: largest inertia about joint 1 [kg m^2], mass moved by joint 2 [kg]
    double M11max, M12max, M22max;  // scara: inertia matrix at the larger cos(phi2) of start and end [kg m^2]
    double TM1, TM2;          // motor-side torque limits, fixed at start [N m]
    double T1max, T2max;      // joint torque limits without gravity load [N m], [N] / [N m]
    double T1maxG, T2maxG;    // joint torque limits including the static gravity load [N m], [N] / [N m]
    double phi0[2];           // joint displacements at the PTP start [rad, m] / [rad, rad]
    double phif[2];           // joint displacements at the PTP end [rad, m] / [rad, rad]
    double Kp[2], Kd[2], Ki[2];  // PID servo gains of joints 1 and 2
};

extern AppState app;
extern TaskParams task;
extern RobotParams cyl;    // cylindrical-coordinate robot, type 'a'
extern RobotParams scara;  // SCARA robot, type 'b'

// The parameter set of a robot type: 'b' is the SCARA robot, every other value
// the cylindrical robot (the convention of the dynamics, control law and log).
RobotParams &robotparams(char type);

// Index of a robot type in per-robot tables: 1 for 'b', 0 otherwise.
inline int robotindex(char type) { return type == 'b' ? 1 : 0; }
