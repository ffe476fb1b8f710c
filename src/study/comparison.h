// Folder study/: parameter sets and the comparison pass; prints nothing; uses records/, simulation/, design/, optimal/.
// One comparison pass as a function: derivations, both switching-time designs, the
// three simulations on the nominal plant and the result figures. Prints nothing,
// reads nothing, never exits; works on the program-wide records.
#pragma once

#include <limits>
#include <utility>
#include <vector>

#include "optimal/optimal.h"
#include "records/parameters.h"
#include "records/records.h"

// Accepted ranges of the settings a user types.
// Largest reduction ratio the window's three-digit legend can show.
constexpr double MAXRATIO = 999.9;
// The mass error in percent stays strictly inside this bound on both sides, so that
// the erroneous mass stays positive and the legend's two digits suffice.
constexpr double MAXERRORPERCENT = 100.0;
// Largest |coordinate| of a start or end point [m]: the arms reach about 1 m; far
// points are still worth trying (no solution), but beyond this the figures no longer
// fit their printed widths and squares of the coordinates lose all precision.
constexpr double MAXCOORDINATE = 10.0;

// SOTOC's switching bound by default: a phase ends only within this phase-plane
// distance of its switching state [rad, m, added as the distance adds them].
constexpr double DEFAULTNEAR = 0.2;
// Largest switching bound: ten times the joints' strokes, beyond which every closest
// approach is accepted anyway [rad, m].
constexpr double MAXNEAR = 10.0;
// No fallback: a SOTOC phase ends by the state alone [s].
constexpr double NOFALLBACK = std::numeric_limits<double>::infinity();
// Largest fallback delay: beyond the longest simulated span (8 s) it never acts [s].
constexpr double MAXFALLBACK = 10.0;
// Tip tolerance of the settling time by default: one millimetre [m].
constexpr double DEFAULTTOLERANCE = 0.001;
// Largest tolerance: the size of the workspace the points may lie in [m].
constexpr double MAXTOLERANCE = 10.0;

// Bounds of a positive value of the robot model given by the user (a mass, length,
// inertia, frequency, damping, motor constant or limit), in its SI unit: arms from a
// watch's to a crane's lie well within them, and the derived values, products of a
// few of them (a gain is a frequency cubed times an inertia), stay finite numbers.
constexpr double MINMODELVALUE = 1e-9, MAXMODELVALUE = 1e9;

// What the controller sees. No control period: the controller reads the state at
// every stage of the integration [s].
constexpr double NOCONTROLPERIOD = std::numeric_limits<double>::infinity();
// Shortest control period: 100 microseconds, a fast drive's position loop; shorter
// periods only multiply the steps of a run [s].
constexpr double MINCONTROLPERIOD = 0.0001;
// Longest control period and sensor delay: beyond a second the controller no longer
// acts within a move of a few seconds [s].
constexpr double MAXCONTROLPERIOD = 1.0;
constexpr double MAXDELAY = 1.0;
// No encoder: positions are read exactly [counts per revolution].
constexpr double NOENCODER = std::numeric_limits<double>::infinity();
// Coarsest encoder: one count per motor revolution; finest: 10^15 counts, beyond
// which a count at the joint lies below the rounding of a position [counts per revolution].
constexpr double MINENCODERCOUNTS = 1.0;
constexpr double MAXENCODERCOUNTS = 1e15;
// Largest standard deviation of the reading noise: a radian (metre) or a radian
// (metre) per second, far beyond any sensor worth studying [rad, m, rad/s, m/s].
constexpr double MAXNOISE = 10.0;
// Largest seed: every whole number up to it is a double exactly.
constexpr double MAXSEED = 9007199254740992.0;  // 2^53
// No span given: 4 s, or 8 s after a nominal move longer than 4 s [s].
constexpr double AUTOSPAN = std::numeric_limits<double>::infinity();
// Longest span: its integration steps (a two-thousandth of it) stay within a tenth
// of the stability bound of the Runge-Kutta step for the servo's poles [s].
constexpr double MAXSPAN = 20.0;

bool ratioaccepted(double u);               // 0 < u <= MAXRATIO
bool modelvalueaccepted(double v);          // MINMODELVALUE <= v <= MAXMODELVALUE
bool errorpercentaccepted(double percent);  // -MAXERRORPERCENT < percent < MAXERRORPERCENT
bool coordinateaccepted(double c);          // -MAXCOORDINATE <= c <= MAXCOORDINATE

// The mass error ratio of a typed percentage: percent / 100, a typed -0 kept as 0
// (no error either), so that it prints without a sign.
double errorratio(double percent);

// A design error stays strictly above -100 % (the design's value keeps its sign) and
// at most this: a design value ten times the true one is far beyond any model error
// worth studying, and larger ones are mistyped [%].
constexpr double MAXDESIGNERRORPERCENT = 900.0;
bool designerroraccepted(double percent);  // -100 < percent <= MAXDESIGNERRORPERCENT

// Errors of the design model in primary values: each parameter with the ratio of its
// error [-] (0.1: the design uses 1.1 times the true value), in the order given.
using DesignErrors = std::vector<std::pair<Parameter, double>>;

// What a user can change for one pass.
struct ComparisonSettings {
    char type;          // ROBOTCYL or ROBOTSCARA
    char sgnG;          // MOTIONVERTICAL or MOTIONHORIZONTAL
    double u1, u2;      // reduction ratios of the selected robot [rad/rad], [rad/m] / [rad/rad]
    double x0, y0;      // PTP start point [m]
    double xf, yf;      // PTP end point [m]
    char elbow;         // SCARA elbow branch: ELBOWDOWN or ELBOWUP
    double errRatio;    // mass error ratio of the design [-] (0.01 is 1 %)
    double tfNomBasis;  // nominal PTP time of the previous derivation [s]; picks dt
    double dNear = DEFAULTNEAR;           // SOTOC's switching bound [rad, m, added]
    double tFallback = NOFALLBACK;        // SOTOC's fallback after a designed instant [s]; NOFALLBACK: none
    double tolerance = DEFAULTTOLERANCE;  // tip tolerance of the settling time [m]
    char joint2Start = JOINT2SHORTER;    // trials of both designs: JOINT2SHORTER, JOINT2NEGATIVE or JOINT2POSITIVE
    char designSearch = SEARCHSTANDARD;  // starting guesses of both designs: SEARCHSTANDARD or SEARCHWIDE
    DesignErrors designErrors = {};      // errors of the design with the error in primary values; none by default
    double controlPeriod = NOCONTROLPERIOD;          // sampling period of the controller [s]; NOCONTROLPERIOD: none
    double encoderCounts[2] = {NOENCODER, NOENCODER};  // counts per motor revolution of joints 1, 2; NOENCODER: exact
    double noiseSd[4] = {0.0, 0.0, 0.0, 0.0};        // reading noise of q1, q2 [rad, m], q1', q2' [rad/s, m/s]
    double seed = 0.0;                               // seed of the reading noise, a whole number
    double delay = 0.0;                              // age of the state the controller reads [s]
    bool antiwindup = false;                         // conditional integration of the servo
    double span = AUTOSPAN;                          // simulated span [s]; AUTOSPAN: by the nominal time
    char reference = REFERENCENONE;                  // REFERENCEOPTIMAL: the minimum-time motion is solved too
};

// How a pass ended.
enum ComparisonOutcome {
    COMPARED,        // both designs solved, three runs simulated
    NOFREESOLUTION,  // the error-free design has no solution
    NOERRSOLUTION,   // the design with mass error has no solution
    DIVERGED,        // a derived value or a figure of the runs is no finite number: the model overflowed
};

// One design of the pass: its switching times and both trials.
struct DesignSummary {
    int solved;             // 1 solved, 0 no solution
    double ts[4];           // three switching instants and the final time [s] (when solved)
    int chosen;             // chosen trial (0: joint 2 starts negative, 1: positive), -1 none
    TrialOutcome trial[2];  // both trials, with iterations and verdict
    bool wide;              // solved only by the wide search's further guesses
};

// The figures of one run at its final time.
struct RunFigures {
    double tf;          // final time: designed (TOC), or reached by SOTOC (nStep * dt when it never was) [s]
    int row;            // log row the figures are read at, 1..nStep
    double P[2];        // tip position at that row [m]
    double error;       // positioning error with the velocity term [m]
    double ratio;       // error over the stroke [%] (0 for a zero-length stroke)
    bool ratioexists;   // the stroke has a length; without one the ratio is no figure (JSON null)
    bool pastspan;      // the final time lies beyond the simulated span; figures are at row nStep
    // Measures against the goal point (xf, yf) of the tip, from the exact joint state:
    bool designedInSpan;    // the designed final time lies within the run; the next two exist
    double designedTipError;  // tip distance from the goal at the designed final time [m]
    double designedTipSpeed;  // tip speed at the designed final time [m/s]
    double endTipError;     // tip distance from the goal at the end of the run [m]
    double endTipSpeed;     // tip speed at the end of the run [m/s]
    bool settled;           // the tip stays within the tolerance from some row on
    double settlingTime;    // the time of the first such row [s] (when settled)
};

// How the four phases of the SOTOC run ended.
struct SotocPhases {
    double tEnd[4];   // time the phase ended [s]; 0 when it never did
    bool fallback[4];  // ended by the fallback instant, not by the state
    int instant[4];    // control instant that ended it (its time over the control period); 0 when it never did
};

struct ComparisonResult {
    char type;             // robot of the pass: ROBOTCYL or ROBOTSCARA
    ComparisonOutcome outcome;
    int derivations;       // derivations of the robots made by the pass (1..3)
    double dt;             // sample period used [s]
    double tfNom;          // nominal PTP time of the nominal derivation [s]
    double T1max, T2max;   // torque limits without gravity of the selected robot [N m], [N] / [N m]
    double T1maxG, T2maxG; // torque limits with the gravity load [N m], [N] / [N m]
    DesignSummary free;    // error-free design
    DesignSummary err;     // design with mass error (not run after NOFREESOLUTION)
    RunFigures tocFree;    // error-free TOC (when COMPARED)
    RunFigures tocErr;     // TOC with the erroneous design
    RunFigures sotocErr;   // SOTOC with the erroneous design
    bool sotocFinished;    // SOTOC reached its last phase (tf reached); otherwise judged at row nStep
    SotocPhases phases;    // how the SOTOC run's phases ended
    bool referenced;       // the settings asked for the minimum-time reference; `optimal` holds it
    OptimalSolution optimal;  // the minimum-time motion of the nominal plant, from the error-free design's
};

// Whether the derived values and the figures of the three runs that exist are
// finite numbers; a pass that ran its three runs is DIVERGED when they are not.
bool finitefigures(const ComparisonResult &r);

// Whether the designs kept trials of the same starting sign of joint 2 (the same
// order of torque signs): false only when both were solved with different signs.
bool samestructure(const ComparisonResult &r);

// The settings now in the records (selected robot), with tfNomBasis = task.tfNom.
ComparisonSettings currentsettings();

// The nominal PTP time the settings derive to: the basis of a pass that stands
// alone, as if the same settings had run once before. Leaves the records derived.
double standalonebasis(const ComparisonSettings &s);

// The logged sample period of a pass whose previous derivation gave the nominal
// PTP time tfNomBasis: its simulated span over task.nStep [s].
double sampleperiod(double tfNomBasis);

// Runs one pass: installs the settings, derives, designs, simulates into the
// robot's trajectory log slots and computes the figures. The records are left as
// the dialog leaves them (nominal masses derived, logs filled, frame 0, scale 1).
ComparisonResult comparisonpass(const ComparisonSettings &s);

// The two halves of a pass, for passes that differ only in the mass error: the
// error-free half does not depend on errRatio, so it can run once and the error
// half after it for each mass error, each time on the records exactly as the
// error-free half left them (in a process forked after it, say).
// comparisonpass(s) is errorpass(errorfreepass(s), s.errRatio, s.designErrors), operation for operation.
// errorfreepass: derivation, error-free design, the minimum-time reference when the
// settings ask for it (warm-started from that design where it exists), and the
// error-free TOC run; outcome NOFREESOLUTION, or COMPARED meaning the error half may follow.
ComparisonResult errorfreepass(const ComparisonSettings &s);
// errorpass: design with the mass error ratio errRatio and the primary values of
// `designErrors` each times (1 + its ratio), set with the erroneous masses (derived
// from the design's nominal masses) before its derivation and restored with the
// nominal ones before the plant's; the two runs with it on the true values.
ComparisonResult errorpass(const ComparisonResult &freeHalf, double errRatio, const DesignErrors &designErrors);

// Tip positioning error [m] with the velocity term of `run` at row k (1..nStep) of
// the selected robot: against `reference` at the same row (cylindrical robot) or
// the designed end point phif (SCARA robot).
double tiperror(const RunLog &run, const RunLog &reference, int k);

// The settling time of `run` [s]: the time of the first row from which on every
// row's tip lies within `tolerance` [m] of the goal (xf, yf); false when the last
// row's does not.
bool settlingtime(const RunLog &run, double tolerance, double &t);
