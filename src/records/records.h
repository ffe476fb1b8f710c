// Program-wide records. Every record is a single instance that lives as long as
// the process; each says who writes it and who reads it. Fields carry their units.
#pragma once

#include <vector>

// The program's value of pi (15 significant digits). Joint end points, sizing and
// kinematics are computed with exactly this value, so it is not M_PI.
constexpr double PI = 3.14159265358979;

// Gravitational acceleration [m/s^2], the literal of every gravity term.
constexpr double GRAVITY = 9.8;

// Rows of every logged run; rows 0..nStep are used, so nStep may be at most 499.
constexpr int MAXSAMPLES = 500;

// Selection codes: single characters, stored as typed and compared by value.
constexpr char ROBOTCYL = 'a';          // cylindrical-coordinate robot (rotary joint 1, prismatic joint 2)
constexpr char ROBOTSCARA = 'b';        // SCARA robot (two rotary joints)
constexpr char MOTIONVERTICAL = 'g';    // vertical motion: gravity acts
constexpr char MOTIONHORIZONTAL = 'h';  // horizontal motion: no gravity
constexpr char CTRLTOC = 'T';           // clock-driven time-optimal control
constexpr char CTRLSOTOC = 'S';         // state-observed time-optimal control
constexpr char DESIGNNOMINAL = 'n';     // design with the nominal masses, cold start
constexpr char DESIGNERROR = 'm';       // design with the erroneous masses, warm start
constexpr char ELBOWDOWN = '1';         // SCARA elbow bent down (phi2 >= 0)
constexpr char ELBOWUP = '2';           // SCARA elbow bent up (phi2 <= 0)
constexpr char JOINT2SHORTER = 's';     // design: run both starting signs of joint 2, keep the shorter final time
constexpr char JOINT2NEGATIVE = '-';    // design: only the trial with joint 2 starting negative
constexpr char JOINT2POSITIVE = '+';    // design: only the trial with joint 2 starting positive
constexpr char SEARCHSTANDARD = 'n';    // design: each trial from its standard starting guess only
constexpr char SEARCHWIDE = 'w';        // design: further starting guesses when the standard ones find nothing
constexpr char ANTIWINDUPOFF = 'n';     // servo: its integrals grow whatever the torque
constexpr char ANTIWINDUPON = 'y';      // servo: conditional integration, no growth while the torque saturates
constexpr char REFERENCENONE = 'n';     // comparison: no reference motion
constexpr char REFERENCEOPTIMAL = 'o';  // comparison: the minimum-time motion of the move as its reference

// Joints are numbered 1 and 2 in the control law's arguments; every per-joint table
// holds joint 1 in column 0 and joint 2 in column 1.

// Selections and view state. Written by start-up, the dialog, the comparison pass
// (ctrlType, designErr), the window keys and the playback timer; read by every unit
// that treats one robot.
struct AppState {
    char type;       // robot shown and computed: ROBOTCYL or ROBOTSCARA
    char sgnG;       // MOTIONVERTICAL or MOTIONHORIZONTAL
    char ctrlType;   // controller of the next simulation: CTRLTOC or CTRLSOTOC
    char designErr;  // next design: DESIGNNOMINAL or DESIGNERROR
    char elbow;      // SCARA elbow branch: ELBOWDOWN or ELBOWUP
    char lastKey;    // last key typed in the window; picks the dialog's entry
    int frame;       // animation frame (log row shown), 0..nStep
    double scale;    // zoom of the robot picture [-]
    bool playing;    // the window advances frame one row per sample period
    char joint2Start;   // trials of a design: JOINT2SHORTER, JOINT2NEGATIVE or JOINT2POSITIVE
    char designSearch;  // starting guesses of a design: SEARCHSTANDARD or SEARCHWIDE
};

// What both robots share. Written by initialset, the dialog and the comparison pass;
// read by the derivations, the design, the control law, the simulation and the display.
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
    double dNear;      // SOTOC ends a phase only within this phase-plane distance of its switching state [rad, m, added]
    double tFallback;  // SOTOC ends a phase at the latest this long after its designed instant [s]; infinity: never
    double tolerance;  // distance of the tip from the goal within which a run counts as settled [m]
    // What the controller sees (all off by default: it reads the exact state at every stage).
    double controlPeriod;     // the controller reads and sets the torque at multiples of it [s]; infinity: continuously
    double encoderCounts[2];  // encoder counts per motor revolution of joints 1, 2 [-]; infinity: exact positions
    double noiseSd[4];        // standard deviations of the noise on the readings of q1, q2 [rad, m] and q1', q2' [rad/s, m/s]
    double seed;              // seed of the reading noise, a whole number [-]
    double delay;             // the controller reads the state of this long ago [s]
    bool antiwindup;          // the servo's integrals stop growing while its torque saturates
    double span;              // simulated span [s]; infinity: 4 s, or 8 s after a nominal move longer than 4 s
};

// One instance per robot. Written by initialset, the derivations and the dialog (u1,
// u2); read by the dynamics, the control law, the design, the report and the display.
// Units are given as cylindrical / SCARA; the prismatic joint 2 of the cylindrical
// robot counts inertia in kg, force in N, ratio in rad/m.
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
    // The arm as rigid bodies with the workpiece as a payload at the tip, in the link
    // frames of simulation/rigidbody.h; a robot file asks for it, the built-in robots
    // keep the point masses above.
    bool rigid;               // the rigid-body model is used (else the point masses)
    double mL[2];             // rigid: masses of link 1 and link 2 [kg]
    double cL[2][2];          // rigid: centre of mass (x, y) of link j in its frame [m]
    double IL[2];             // rigid: inertia of link j about its centre of mass, about the joint axes [kg m^2]
};

// Control tables, one set per robot. ts and sgn written by the switching-time design,
// swRefPos and swRefVel by the comparison pass; read by the control law and the graphs.
struct ControlTables {
    double ts[4];           // switching times [s]; phase k lasts until ts[k]; ts[3] is the final time
    double sgn[4][2];       // torque sign of joint j in phase k, -1.0 or +1.0
    double swRefPos[4][2];  // designed joint displacement at the end of phase k; row 3 is the goal
    double swRefVel[4][2];  // designed joint velocity at the end of phase k; row 3 is zero
};

// SOTOC bookkeeping, persistent across calls and runs; arrays indexed by robotindex().
// Written by the control law (and phase by simulate); read by the comparison pass (tfsotoc).
struct SotocBook {
    int phase;           // switching states passed, 0..4; one counter for both joints and robots
    double dprev[2];     // distance at the previous joint-1 evaluation, per robot
    double tprev;        // time of the previous joint-1 evaluation [s], both robots
    double tfsotoc[2];   // time at which phase reached 4 in the current run [s]; 0 while it has not
    double tEnd[2][4];       // per robot: time at which phase k ended in the current run [s]; 0 while it has not
    bool byFallback[2][4];   // per robot: phase k ended by the fallback instant, not by the state
    int instant[2][4];       // per robot: control instant (multiple of the control period) that ended phase k; 0 while it has not
};

// One run's sampled histories; row i is sample i at time i * dt, rows 0..nStep used.
struct RunLog {
    double fi[MAXSAMPLES][2];   // joint displacements (cyl: theta [rad], r [m]; SCARA: [rad], [rad])
    double P[MAXSAMPLES][2];    // tip position x, y relative to the base [m]
    double tau[MAXSAMPLES][2];  // joint torques [N m] (cyl joint 2: force [N])
    double xDesigned[4];  // q1, q2, q1', q2' at the designed final time ts[3], integrated to it from the last step before it
    bool designedInSpan;  // the designed final time lies within the run (xDesigned holds)
    double xLast[4];      // q1, q2, q1', q2' at the last row
};

// The four slots of one robot.
struct RobotRuns {
    RunLog work;      // run in progress or last run
    RunLog tocFree;   // TOC designed and run with the nominal masses
    RunLog tocErr;    // TOC designed with the erroneous masses, run on the nominal plant
    RunLog sotocErr;  // SOTOC with the same erroneous design, run on the nominal plant
};

// Trajectory log. work written by simulate, the other slots by the comparison pass;
// read by the result figures, the display and the subcommands' files.
struct TrajectoryLog {
    RobotRuns cyl;    // runs of the cylindrical robot, type ROBOTCYL
    RobotRuns scara;  // runs of the SCARA robot, type ROBOTSCARA
};

// Why a Newton trial of the design was accepted or rejected.
enum TrialVerdict {
    TRIALACCEPTED,      // converged with its instants in order
    TRIALNOTCONVERGED,  // the residual did not fall below the tolerance within the iteration limit
    TRIALNOTANUMBER,    // the residual became not-a-number
    TRIALNEGATIVETIME,  // a switching instant is negative
    TRIALORDER,         // the second joint-2 switch lies after the final time
    TRIALNOTRUN,        // not run: the design was held to the other starting sign of joint 2
};

// The outcome of one trial of the latest design.
struct TrialOutcome {
    double x[4];          // design vector at the end: joint-2 switch, joint-1 switch, joint-2 switch, tf [s]
    double tf;            // final time, or the rejection value when rejected [s]
    int iterations;       // Newton updates made
    TrialVerdict verdict;
    double residual;      // sum of |end-state errors| of the last shot [rad, m and their rates per s]
    int guess;            // starting guess the outcome is of: 0 the standard one, 1.. the wide search's
};

// Results of the switching-time designs. segpos, segvel, chosen and trial written by
// designswitching; tsFree and tsErr by the comparison pass; read by the pass, the
// control tables' SOTOC rows and the graphs' final-time marks.
struct DesignResults {
    double segpos[4][2];   // designed joint displacements at the ends of the four segments of the latest success
    double segvel[4][2];   // designed joint velocities at the same instants
    int chosen;            // trial of the latest design: 0 (joint 2 starts negative), 1 (positive), -1 none
    TrialOutcome trial[2];  // both trials of the latest design, solved or not
    bool wide;             // the latest design was solved only by the wide search's further guesses
    double tsFree[2][4];   // per robot (robotindex): times of the error-free design; [3] is its final time [s]
    double tsErr[2][4];    // per robot: times of the design with mass error [s]
};

// A point in window units (or metres before towin), x to the right, y up.
struct Point2 {
    double x, y;
};

// One picture as drawn: rows from the top, three bytes (red, green, blue) a pixel.
// Written by the view's read-back; read by the image files.
struct RgbImage {
    int w, h;                        // width and height [pixels]
    std::vector<unsigned char> rgb;  // w * h * 3 bytes
};

// Fixed positions of the window's parts and the drawn robot dimensions. Written by
// installlayout (start-up); read by the drawing.
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
    // The picture of sotoc render (false in the interactive window, whose texts and
    // places stay as they are): the title whole and on top, the ratios and the error
    // as plain numbers ("40, 40", "1 %"), one colour per controller's error in both
    // legends, and the base where the figures lie whole within the left edge.
    bool rendered;
};

extern AppState app;
extern TaskParams task;
extern RobotParams cyl;            // cylindrical-coordinate robot, type ROBOTCYL
extern RobotParams scara;          // SCARA robot, type ROBOTSCARA
extern ControlTables cylTables;    // cylindrical robot, type ROBOTCYL
extern ControlTables scaraTables;  // SCARA robot, type ROBOTSCARA
extern SotocBook sotoc;
extern TrajectoryLog trajlog;
extern DesignResults designs;
extern ViewLayout layout;

// Puts every record in its start state: zeros, and the selections start-up begins
// with (SCARA, horizontal, TOC, nominal design, elbow up, no key, frame 0, scale 1,
// not playing).
// The defaults of the robots are installed by initialset on top of it.
void resetrecords();

// Every record at once, to come back to: a map keeps the records each shared
// error-free half leaves. Written by keeprecords; read by putrecords.
struct RecordsCopy {
    AppState app;
    TaskParams task;
    RobotParams cyl, scara;
    ControlTables cylTables, scaraTables;
    SotocBook sotoc;
    TrajectoryLog trajlog;
    DesignResults designs;
    ViewLayout layout;
};

// Copies every record into `copy`, and back.
void keeprecords(RecordsCopy &copy);
void putrecords(const RecordsCopy &copy);

// Index of a robot type in per-robot tables: 1 for ROBOTSCARA, 0 otherwise.
inline int robotindex(char type) { return type == ROBOTSCARA ? 1 : 0; }

// The records of a robot type: ROBOTSCARA the SCARA robot's, every other value the
// cylindrical robot's (the convention of the dynamics, control law and log).
RobotParams &robotparams(char type);
ControlTables &controltables(char type);
RobotRuns &robotruns(char type);
