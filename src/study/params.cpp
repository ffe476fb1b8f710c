#include "study/params.h"

#include <cmath>
#include <initializer_list>

#include "records/records.h"
#include "study/comparison.h"
#include "design/kinematics.h"
#include "records/layout.h"
#include "simulation/dynamics.h"

namespace {

// Each motor is impedance-matched to its load at this reduction ratio.
constexpr double MATCHRATIO = 50.0;
// Sizing stroke time: the torque limit moves the matched joint through its stroke
// in this time with a symmetric bang-bang acceleration [s].
constexpr double STROKETIME = 2.0;
// Only this share of the available acceleration is planned for the nominal PTP time,
// leaving a margin for the coupling terms.
constexpr double ACCELMARGIN = 0.9;
// Default reduction ratios of the two robots.
constexpr double CYLRATIO = 30.0;
constexpr double SCARARATIO = 40.0;

// Acceleration of a symmetric bang-bang move over `stroke` in STROKETIME.
double strokeaccel(double stroke) { return stroke / ((STROKETIME / 2.0) * (STROKETIME / 2.0)); }

// Cylindrical robot: motors sized at impedance match for (pi/2 rad, 1 m) in 2 s,
// from its arm and the workpiece mass in use; those `kept` stay as they are.
void sizecylinder(const bool kept[PARAMETERS]) {
    RobotParams &p = cyl;
    if (!kept[PARAMIJ1]) p.IJ1 = task.mw * p.L * p.L;
    if (!kept[PARAMIMM1]) p.IMm1 = p.IJ1 / (MATCHRATIO * MATCHRATIO);
    if (!kept[PARAMIMM2]) p.IMm2 = task.mw / (MATCHRATIO * MATCHRATIO);
    const double a1 = strokeaccel(PI / 2.0);
    const double a2 = strokeaccel(1.0);
    const double Jm1 = p.IMm1 * MATCHRATIO * MATCHRATIO + task.mw * p.L * p.L;
    const double Jm2 = p.IMm2 * MATCHRATIO * MATCHRATIO + task.mw;
    if (!kept[PARAMTM1]) p.TM1 = Jm1 * a1 / MATCHRATIO;
    if (!kept[PARAMTM2]) p.TM2 = Jm2 * a2 / MATCHRATIO;
}

// SCARA robot: motors sized at impedance match with the arm stretched for 90
// degrees on both joints in 2 s, from its links and the masses in use; those
// `kept` stay as they are.
void sizescara(const bool kept[PARAMETERS]) {
    RobotParams &p = scara;
    if (!kept[PARAMIJ1]) p.IJ1 = p.m1 * p.L1 * p.L1;
    if (!kept[PARAMIJ2]) p.IJ2 = task.mw * p.L2 * p.L2;
    if (!kept[PARAMIMM1]) p.IMm1 = p.IJ1 / (MATCHRATIO * MATCHRATIO);
    if (!kept[PARAMIMM2]) p.IMm2 = p.IJ2 / (MATCHRATIO * MATCHRATIO);
    const double a = strokeaccel(PI / 2.0);
    const double mw = task.mw;
    const double M11m = p.IMm1 * MATCHRATIO * MATCHRATIO + p.IJ1 + p.IJ2 + mw * p.L1 * (2.0 * p.L2 + p.L1);
    const double M12m = mw * p.L1 * p.L2 + p.IJ2;
    const double M22m = p.IMm2 * MATCHRATIO * MATCHRATIO + p.IJ2;
    const double T1 = M11m * a + M12m * a;
    // Joint 2 is sized with twice its matched torque.
    const double T2 = 2.0 * (M12m * a + M22m * a);
    if (!kept[PARAMTM1]) p.TM1 = T1 / MATCHRATIO;
    if (!kept[PARAMTM2]) p.TM2 = T2 / MATCHRATIO;
}

// The rigid arm's terms at joint displacements (q1, q2) with the payload in use and
// gravity acting or not.
RigidState rigidat(char type, double q1, double q2, bool gravity) {
    const RigidTerms t = rigidterms(armbodies(type), gravity);
    const double x[4] = {q1, q2, 0.0, 0.0};
    double trig[4] = {0.0, 0.0, 0.0, 0.0};
    rigidtrig(t, x, trig);
    RigidState s;
    rigidstate(t, x, trig, s);
    return s;
}

// The largest static gravity loads [N m, N / N m] of robot `type` over its postures
// (the cylindrical arm at radius L), which the planned move keeps free.
void staticloads(char type, const RobotParams &p, double G[2]) {
    if (p.rigid) {
        const RigidTerms t = rigidterms(armbodies(type), true);
        const double link2 = std::hypot(t.gc2, t.gs2);
        G[0] = type == ROBOTCYL ? std::hypot(t.gc1 + t.gM2 * p.L, t.gs1) : std::hypot(t.gc1, t.gs1) + link2;
        G[1] = type == ROBOTCYL ? t.gM2 : link2;
    } else if (type == ROBOTCYL) {
        G[0] = GRAVITY * task.mw * p.L;
        G[1] = GRAVITY * task.mw;
    } else {
        G[0] = (p.m1 * p.L1 + (p.L1 + p.L2) * task.mw) * GRAVITY;
        G[1] = GRAVITY * task.mw * p.L2;
    }
}

// An arm of rigid bodies: each motor impedance-matched to its joint's inertia with
// the arm stretched (the cylindrical arm at radius L), sized as the point-mass arms
// are for the same strokes and, as its limit is the joint's whole torque, for the
// largest gravity load on top at the ratios in use; those `kept` stay as they are.
void sizerigid(char type, const bool kept[PARAMETERS]) {
    RobotParams &p = robotparams(type);
    const bool scara = type == ROBOTSCARA;
    const RigidState s = rigidat(type, 0.0, scara ? 0.0 : p.L, false);
    if (!kept[PARAMIMM1]) p.IMm1 = s.M[0][0] / (MATCHRATIO * MATCHRATIO);
    if (!kept[PARAMIMM2]) p.IMm2 = s.M[1][1] / (MATCHRATIO * MATCHRATIO);
    const double a1 = strokeaccel(PI / 2.0), a2 = strokeaccel(scara ? PI / 2.0 : 1.0);
    const double M11m = p.IMm1 * MATCHRATIO * MATCHRATIO + s.M[0][0];
    const double M22m = p.IMm2 * MATCHRATIO * MATCHRATIO + s.M[1][1];
    // The SCARA's joint 2 is sized with twice its matched torque, as the built-in one.
    const double twice = scara ? 2.0 : 1.0;
    double G[2];
    staticloads(type, p, G);
    // The gravity share at the ratios in use, so that the joints hold the arm still.
    if (!kept[PARAMTM1]) p.TM1 = (M11m * a1 + s.M[0][1] * a2) / MATCHRATIO + G[0] / p.u1;
    if (!kept[PARAMTM2]) p.TM2 = twice * (s.M[0][1] * a1 + M22m * a2) / MATCHRATIO + G[1] / (twice * p.u2);
}

// The rigid arm's inertias at the larger joint-1 inertia of start and end, motors included.
void rigidmaxinertia(RobotParams &p) {
    const RigidState a = rigidat(app.type, p.phi0[0], p.phi0[1], false);
    const RigidState b = rigidat(app.type, p.phif[0], p.phif[1], false);
    const RigidState &big = a.M[0][0] >= b.M[0][0] ? a : b;
    if (app.type == ROBOTCYL) {
        p.J1max = big.M[0][0] + p.IM1;
        p.J2max = big.M[1][1] + p.IM2;
    } else {
        p.M11max = big.M[0][0] + p.IM1;
        p.M12max = big.M[0][1];
        p.M22max = big.M[1][1] + p.IM2;
    }
}

// The primary values of both robots.
void installrobots() {
    cyl.L = 1.0;
    cyl.u1 = cyl.u2 = CYLRATIO;
    scara.L1 = 0.5;
    scara.m1Nom = 1.0;
    scara.m1 = scara.m1Nom;
    scara.L2 = 0.4;
    scara.u1 = scara.u2 = SCARARATIO;
}

void installtask() {
    task.wn1 = task.wn2 = 10.0 * 2.0 * PI;
    task.zeta1 = task.zeta2 = 1.0;
    task.alpha1 = task.alpha2 = 0.5;
    task.x0 = 0.7;
    task.y0 = 0.0;
    task.xf = -0.3;
    task.yf = 0.4;
    app.elbow = ELBOWUP;
    task.errRatio = 0.01;
    task.dNear = DEFAULTNEAR;
    task.tFallback = NOFALLBACK;
    task.tolerance = DEFAULTTOLERANCE;
    task.controlPeriod = NOCONTROLPERIOD;
    task.encoderCounts[0] = task.encoderCounts[1] = NOENCODER;
    task.span = AUTOSPAN;
    seterrormasses();
}

// Rest-to-rest bang-bang time over distance d with acceleration a.
double bangbangtime(double d, double a) { return 2.0 * std::sqrt(std::fabs(d / a)); }

void cylinderptp() {
    const RobotParams &p = cyl;
    double A1, A2;
    if (app.sgnG == MOTIONVERTICAL) {
        double G[2];
        staticloads(app.type, p, G);
        A1 = (p.T1maxG - G[0]) / p.J1max;
        A2 = (p.T2maxG - G[1]) / p.J2max;
    } else {
        A1 = p.T1max / p.J1max;
        A2 = p.T2max / p.J2max;
    }
    A1 *= ACCELMARGIN;
    A2 *= ACCELMARGIN;
    const double d1 = p.phif[0] - p.phi0[0];
    const double d2 = p.phif[1] - p.phi0[1];
    const double r = std::fmax(p.phi0[1], p.phif[1]);
    const double t1 = bangbangtime(d1, A1);
    const double t2 = bangbangtime(d2, A2);
    double T = t1 >= t2 ? t1 : t2;
    // Centripetal check: the radial joint must hold the centrifugal load at the
    // peak rotary speed with the force its own acceleration leaves over (limit
    // without gravity). A move of zero length has no peak speed to check.
    if (T > 0.0) {
        const double b1 = 4.0 * d1 / (T * T);
        const double b2 = 4.0 * d2 / (T * T);
        const double w = (T / 2.0) * b1;
        const double F = p.T2max - std::fabs(b2) * p.J2max;
        const double wlim = std::sqrt(F / (std::fabs(r) * task.mw));
        if (F > 0.0 && std::fabs(w) > wlim) {
            const double tlim = 2.0 * std::fabs(d1) / wlim;
            T = std::fmax(T, tlim);
        }
    }
    task.tfNom = T;
}

void scaraptp() {
    const RobotParams &p = scara;
    double A1, A2;
    if (app.sgnG == MOTIONVERTICAL) {
        double G[2];
        staticloads(app.type, p, G);
        A1 = (p.T1maxG - G[0]) / p.M11max;
        A2 = (p.T2maxG - G[1]) / p.M22max;
    } else {
        A1 = p.T1max / p.M11max;
        A2 = p.T2max / p.M22max;
    }
    A1 *= ACCELMARGIN;  // joint 2 is planned with its full acceleration
    const double t1 = bangbangtime(p.phif[0] - p.phi0[0], A1);
    const double t2 = bangbangtime(p.phif[1] - p.phi0[1], A2);
    task.tfNom = t1 >= t2 ? t1 : t2;
}

// One joint's PID gains: (s + alpha)(s^2 + 2 zeta wn s + wn^2) scaled by its inertia J.
void jointgains(RobotParams &p, int j, double wn, double zeta, double alpha, double J) {
    p.Kp[j] = (2.0 * zeta * wn * alpha + wn * wn) * J;
    p.Kd[j] = (2.0 * zeta * wn + alpha) * J;
    p.Ki[j] = alpha * wn * wn * J;
}

// The selected robot's record, or null for a type that is neither robot.
RobotParams *selectedrobot() {
    if (app.type == ROBOTCYL) return &cyl;
    if (app.type == ROBOTSCARA) return &scara;
    return nullptr;
}

}  // namespace

void initialset() {
    resetrecords();
    task.dt = 0.02;
    task.nStep = 200;
    task.mwNom = 1.0;
    task.mw = task.mwNom;
    installrobots();
    const bool computed[PARAMETERS] = {};
    fixatstart(ROBOTCYL, computed);
    fixatstart(ROBOTSCARA, computed);
    installtask();
    settlestart();
}

void fixatstart(char type, const bool kept[PARAMETERS]) {
    if ((type == ROBOTCYL || type == ROBOTSCARA) && robotparams(type).rigid)
        sizerigid(type, kept);
    else if (type == ROBOTCYL)
        sizecylinder(kept);
    else if (type == ROBOTSCARA)
        sizescara(kept);
}

void settlestart() {
    task.mw = task.mwNom;
    scara.m1 = scara.m1Nom;
    seterrormasses();
    // The drawn arm lengths and workpiece size follow the values installed.
    installlayout();
    app.sgnG = MOTIONHORIZONTAL;
    for (char type : {ROBOTCYL, ROBOTSCARA}) {
        app.type = type;
        derivesettings();
    }
}

void setjointends() {
    const double ref[2] = {0.0, 0.0};
    if (app.elbow == ELBOWDOWN) {
        scaraikdown(task.x0, task.y0, ref, scara.phi0);
        scaraikdown(task.xf, task.yf, ref, scara.phif);
    } else if (app.elbow == ELBOWUP) {
        scaraikup(task.x0, task.y0, ref, scara.phi0);
        scaraikup(task.xf, task.yf, ref, scara.phif);
    }
    cylinderik(task.x0, task.y0, cyl.phi0);
    cylinderik(task.xf, task.yf, cyl.phif);
}

void seterrormasses() {
    task.mwErr = (1.0 + task.errRatio) * task.mwNom;
    scara.m1Err = (1.0 + task.errRatio) * scara.m1Nom;
}

void derivesettings() {
    setjointends();
    settorquelimits();
    setmaxinertia();
    setnominalptp();
    setservogains();
}

void settorquelimits() {
    RobotParams *p = selectedrobot();
    if (!p) return;
    p->T1max = p->TM1 * p->u1;
    if (p->rigid) {
        // A rigid arm's limits are the joints' whole torques: gravity is not added.
        p->T2max = (app.type == ROBOTCYL ? 1.0 : 2.0) * p->TM2 * p->u2;
        p->T1maxG = p->T1max;
        p->T2maxG = p->T2max;
    } else if (app.type == ROBOTCYL) {
        p->T2max = p->TM2 * p->u2;
        p->T1maxG = GRAVITY * task.mwNom * p->L + p->T1max;
        p->T2maxG = GRAVITY * task.mwNom + p->T2max;
    } else {
        // A second factor 2 on the SCARA joint 2, beside the one in its sizing.
        p->T2max = 2.0 * p->TM2 * p->u2;
        p->T1maxG = (p->m1Nom * p->L1 + (p->L1 + p->L2) * task.mwNom) * GRAVITY + p->T1max;
        p->T2maxG = GRAVITY * task.mwNom * p->L2 + p->T2max;
    }
}

void setmaxinertia() {
    RobotParams *p = selectedrobot();
    if (!p) return;
    p->IM1 = p->IMm1 * p->u1 * p->u1;
    p->IM2 = p->IMm2 * p->u2 * p->u2;
    const double mw = task.mw;
    if (p->rigid) {
        rigidmaxinertia(*p);
    } else if (app.type == ROBOTCYL) {
        const double rmax = std::fmax(std::fabs(p->phi0[1]), std::fabs(p->phif[1]));
        p->J1max = mw * rmax * rmax + p->IM1;
        p->J2max = mw + p->IM2;
    } else {
        const double c = std::fmax(std::cos(p->phi0[1]), std::cos(p->phif[1]));
        p->M22max = mw * p->L2 * p->L2 + p->IM2;
        p->M12max = mw * p->L2 * p->L2 + mw * p->L1 * p->L2 * c;
        p->M11max = p->IJ1 + p->IM1 + p->IJ2 + mw * p->L1 * (2.0 * p->L2 * c + p->L1);
    }
}

void setnominalptp() {
    if (app.type == ROBOTCYL)
        cylinderptp();
    else if (app.type == ROBOTSCARA)
        scaraptp();
}

void setservogains() {
    RobotParams *p = selectedrobot();
    if (!p) return;
    const double J1 = app.type == ROBOTCYL ? p->J1max : p->M11max;
    const double J2 = app.type == ROBOTCYL ? p->J2max : p->M22max;
    jointgains(*p, 0, task.wn1, task.zeta1, task.alpha1, J1);
    jointgains(*p, 1, task.wn2, task.zeta2, task.alpha2, J2);
}
