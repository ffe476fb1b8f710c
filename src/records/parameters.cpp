#include "records/parameters.h"

namespace {

// By Parameter.
const ParameterRow PARAMETERROWS[PARAMETERS] = {
    {"mwNom", {"kg", "kg"}, PRIMARYVALUE, true, RANGEPOSITIVE, "nominal workpiece mass",
     [](RobotParams &) -> double & { return task.mwNom; }},
    {"mw", {"kg", "kg"}, DERIVEDVALUE, false, RANGENONE, "workpiece mass in use",
     [](RobotParams &) -> double & { return task.mw; }},
    {"mwErr", {"kg", "kg"}, DERIVEDVALUE, false, RANGENONE, "workpiece mass of the design with mass error",
     [](RobotParams &) -> double & { return task.mwErr; }},
    {"errRatio", {"-", "-"}, PRIMARYVALUE, false, RANGENONE, "mass error ratio of the design (the error setting)",
     [](RobotParams &) -> double & { return task.errRatio; }},
    {"x0", {"m", "m"}, PRIMARYVALUE, true, RANGECOORDINATE, "start point x",
     [](RobotParams &) -> double & { return task.x0; }},
    {"y0", {"m", "m"}, PRIMARYVALUE, true, RANGECOORDINATE, "start point y",
     [](RobotParams &) -> double & { return task.y0; }},
    {"xf", {"m", "m"}, PRIMARYVALUE, true, RANGECOORDINATE, "end point x",
     [](RobotParams &) -> double & { return task.xf; }},
    {"yf", {"m", "m"}, PRIMARYVALUE, true, RANGECOORDINATE, "end point y",
     [](RobotParams &) -> double & { return task.yf; }},
    {"wn1", {"rad/s", "rad/s"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo natural angular frequency, joint 1",
     [](RobotParams &) -> double & { return task.wn1; }},
    {"wn2", {"rad/s", "rad/s"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo natural angular frequency, joint 2",
     [](RobotParams &) -> double & { return task.wn2; }},
    {"zeta1", {"-", "-"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo damping ratio, joint 1",
     [](RobotParams &) -> double & { return task.zeta1; }},
    {"zeta2", {"-", "-"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo damping ratio, joint 2",
     [](RobotParams &) -> double & { return task.zeta2; }},
    {"alpha1", {"1/s", "1/s"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo integral pole, joint 1",
     [](RobotParams &) -> double & { return task.alpha1; }},
    {"alpha2", {"1/s", "1/s"}, PRIMARYVALUE, true, RANGEPOSITIVE, "servo integral pole, joint 2",
     [](RobotParams &) -> double & { return task.alpha2; }},
    {"dt", {"s", "s"}, DERIVEDVALUE, false, RANGENONE, "logged sample period of the runs",
     [](RobotParams &) -> double & { return task.dt; }},
    {"tfNom", {"s", "s"}, DERIVEDVALUE, false, RANGENONE, "nominal bang-bang time of the move",
     [](RobotParams &) -> double & { return task.tfNom; }},
    {"L", {"m", nullptr}, PRIMARYVALUE, true, RANGEPOSITIVE, "arm length (workpiece radius for sizing and gravity)",
     [](RobotParams &p) -> double & { return p.L; }},
    {"L1", {nullptr, "m"}, PRIMARYVALUE, true, RANGEPOSITIVE, "length of link 1",
     [](RobotParams &p) -> double & { return p.L1; }},
    {"L2", {nullptr, "m"}, PRIMARYVALUE, true, RANGEPOSITIVE, "length of link 2",
     [](RobotParams &p) -> double & { return p.L2; }},
    {"m1Nom", {nullptr, "kg"}, PRIMARYVALUE, true, RANGEPOSITIVE, "nominal mass at the end of link 1",
     [](RobotParams &p) -> double & { return p.m1Nom; }, POINTMODEL},
    {"m1", {nullptr, "kg"}, DERIVEDVALUE, false, RANGENONE, "mass at the end of link 1 in use",
     [](RobotParams &p) -> double & { return p.m1; }, POINTMODEL},
    {"m1Err", {nullptr, "kg"}, DERIVEDVALUE, false, RANGENONE, "link-1 mass of the design with mass error",
     [](RobotParams &p) -> double & { return p.m1Err; }, POINTMODEL},
    {"IJ1", {"kg m^2", "kg m^2"}, FIXEDATSTART, true, RANGEPOSITIVE, "arm inertia about joint 1 (cylindrical: sizes motor 1, not in the motion)",
     [](RobotParams &p) -> double & { return p.IJ1; }, POINTMODEL},
    {"IJ2", {nullptr, "kg m^2"}, FIXEDATSTART, true, RANGEPOSITIVE, "arm inertia about joint 2",
     [](RobotParams &p) -> double & { return p.IJ2; }, POINTMODEL},
    {"IMm1", {"kg m^2", "kg m^2"}, FIXEDATSTART, true, RANGEPOSITIVE, "rotor inertia of motor 1, motor side",
     [](RobotParams &p) -> double & { return p.IMm1; }},
    {"IMm2", {"kg m^2", "kg m^2"}, FIXEDATSTART, true, RANGEPOSITIVE, "rotor inertia of motor 2, motor side",
     [](RobotParams &p) -> double & { return p.IMm2; }},
    // The prismatic joint 2 of the cylindrical robot turns its motor per metre.
    {"u1", {"rad/rad", "rad/rad"}, PRIMARYVALUE, true, RANGERATIO, "reduction ratio, joint 1",
     [](RobotParams &p) -> double & { return p.u1; }},
    {"u2", {"rad/m", "rad/rad"}, PRIMARYVALUE, true, RANGERATIO, "reduction ratio, joint 2",
     [](RobotParams &p) -> double & { return p.u2; }},
    {"TM1", {"N m", "N m"}, FIXEDATSTART, true, RANGEPOSITIVE, "torque limit of motor 1, motor side",
     [](RobotParams &p) -> double & { return p.TM1; }},
    {"TM2", {"N m", "N m"}, FIXEDATSTART, true, RANGEPOSITIVE, "torque limit of motor 2, motor side",
     [](RobotParams &p) -> double & { return p.TM2; }},
    {"IM1", {"kg m^2", "kg m^2"}, DERIVEDVALUE, false, RANGENONE, "motor 1 inertia referred to joint 1",
     [](RobotParams &p) -> double & { return p.IM1; }},
    {"IM2", {"kg", "kg m^2"}, DERIVEDVALUE, false, RANGENONE, "motor 2 inertia referred to joint 2",
     [](RobotParams &p) -> double & { return p.IM2; }},
    {"J1max", {"kg m^2", nullptr}, DERIVEDVALUE, false, RANGENONE, "largest inertia about joint 1",
     [](RobotParams &p) -> double & { return p.J1max; }},
    {"J2max", {"kg", nullptr}, DERIVEDVALUE, false, RANGENONE, "mass moved by joint 2",
     [](RobotParams &p) -> double & { return p.J2max; }},
    {"M11max", {nullptr, "kg m^2"}, DERIVEDVALUE, false, RANGENONE, "inertia matrix 11 at the larger cos(phi2)",
     [](RobotParams &p) -> double & { return p.M11max; }},
    {"M12max", {nullptr, "kg m^2"}, DERIVEDVALUE, false, RANGENONE, "inertia matrix 12 at the larger cos(phi2)",
     [](RobotParams &p) -> double & { return p.M12max; }},
    {"M22max", {nullptr, "kg m^2"}, DERIVEDVALUE, false, RANGENONE, "inertia matrix 22 at the larger cos(phi2)",
     [](RobotParams &p) -> double & { return p.M22max; }},
    {"T1max", {"N m", "N m"}, DERIVEDVALUE, false, RANGENONE, "joint 1 torque limit without gravity",
     [](RobotParams &p) -> double & { return p.T1max; }},
    {"T2max", {"N", "N m"}, DERIVEDVALUE, false, RANGENONE, "joint 2 torque limit without gravity",
     [](RobotParams &p) -> double & { return p.T2max; }},
    {"T1maxG", {"N m", "N m"}, DERIVEDVALUE, false, RANGENONE, "joint 1 torque limit with the gravity load",
     [](RobotParams &p) -> double & { return p.T1maxG; }},
    {"T2maxG", {"N", "N m"}, DERIVEDVALUE, false, RANGENONE, "joint 2 torque limit with the gravity load",
     [](RobotParams &p) -> double & { return p.T2maxG; }},
    {"phi01", {"rad", "rad"}, DERIVEDVALUE, false, RANGENONE, "joint 1 at the start",
     [](RobotParams &p) -> double & { return p.phi0[0]; }},
    {"phi02", {"m", "rad"}, DERIVEDVALUE, false, RANGENONE, "joint 2 at the start",
     [](RobotParams &p) -> double & { return p.phi0[1]; }},
    {"phif1", {"rad", "rad"}, DERIVEDVALUE, false, RANGENONE, "joint 1 at the end",
     [](RobotParams &p) -> double & { return p.phif[0]; }},
    {"phif2", {"m", "rad"}, DERIVEDVALUE, false, RANGENONE, "joint 2 at the end",
     [](RobotParams &p) -> double & { return p.phif[1]; }},
    {"Kp1", {"N m/rad", "N m/rad"}, DERIVEDVALUE, false, RANGENONE, "servo proportional gain, joint 1",
     [](RobotParams &p) -> double & { return p.Kp[0]; }},
    {"Kp2", {"N/m", "N m/rad"}, DERIVEDVALUE, false, RANGENONE, "servo proportional gain, joint 2",
     [](RobotParams &p) -> double & { return p.Kp[1]; }},
    {"Kd1", {"N m s/rad", "N m s/rad"}, DERIVEDVALUE, false, RANGENONE, "servo derivative gain, joint 1",
     [](RobotParams &p) -> double & { return p.Kd[0]; }},
    {"Kd2", {"N s/m", "N m s/rad"}, DERIVEDVALUE, false, RANGENONE, "servo derivative gain, joint 2",
     [](RobotParams &p) -> double & { return p.Kd[1]; }},
    {"Ki1", {"N m/(rad s)", "N m/(rad s)"}, DERIVEDVALUE, false, RANGENONE, "servo integral gain, joint 1",
     [](RobotParams &p) -> double & { return p.Ki[0]; }},
    {"Ki2", {"N/(m s)", "N m/(rad s)"}, DERIVEDVALUE, false, RANGENONE, "servo integral gain, joint 2",
     [](RobotParams &p) -> double & { return p.Ki[1]; }},
    // Link frames as the equations of motion (simulation/rigidbody.h) have them.
    {"ml1", {"kg", "kg"}, PRIMARYVALUE, true, RANGENONNEGATIVE, "mass of link 1",
     [](RobotParams &p) -> double & { return p.mL[0]; }, RIGIDMODEL},
    {"ml2", {"kg", "kg"}, PRIMARYVALUE, true, RANGENONNEGATIVE, "mass of link 2",
     [](RobotParams &p) -> double & { return p.mL[1]; }, RIGIDMODEL},
    {"c1x", {"m", "m"}, PRIMARYVALUE, true, RANGEOFFSET, "centre of mass of link 1, along the link",
     [](RobotParams &p) -> double & { return p.cL[0][0]; }, RIGIDMODEL},
    {"c1y", {"m", "m"}, PRIMARYVALUE, true, RANGEOFFSET, "centre of mass of link 1, across the link",
     [](RobotParams &p) -> double & { return p.cL[0][1]; }, RIGIDMODEL},
    {"c2x", {"m", "m"}, PRIMARYVALUE, true, RANGEOFFSET, "centre of mass of link 2, along the link (cyl: from the tip)",
     [](RobotParams &p) -> double & { return p.cL[1][0]; }, RIGIDMODEL},
    {"c2y", {"m", "m"}, PRIMARYVALUE, true, RANGEOFFSET, "centre of mass of link 2, across the link",
     [](RobotParams &p) -> double & { return p.cL[1][1]; }, RIGIDMODEL},
    {"Ic1", {"kg m^2", "kg m^2"}, PRIMARYVALUE, true, RANGENONNEGATIVE, "inertia of link 1 about its centre of mass",
     [](RobotParams &p) -> double & { return p.IL[0]; }, RIGIDMODEL},
    {"Ic2", {"kg m^2", "kg m^2"}, PRIMARYVALUE, true, RANGENONNEGATIVE, "inertia of link 2 about its centre of mass",
     [](RobotParams &p) -> double & { return p.IL[1]; }, RIGIDMODEL},
};
}  // namespace

const ParameterRow &parameterrow(Parameter k) { return PARAMETERROWS[k]; }

Parameter parameternamed(const std::string &name) {
    int k = 0;
    while (k < PARAMETERS && name != PARAMETERROWS[k].name) ++k;
    return static_cast<Parameter>(k);
}

const char *kindword(ParameterKind kind) {
    switch (kind) {
        case PRIMARYVALUE: return "primary";
        case FIXEDATSTART: return "fixed at start";
        case DERIVEDVALUE: return "derived";
    }
    return "?";
}

bool parameterof(Parameter k, char type) { return parameterin(k, type, robotparams(type).rigid); }

bool parameterin(Parameter k, char type, bool rigid) {
    const ParameterModel model = PARAMETERROWS[k].model;
    return parameterunit(k, type) != nullptr && model != (rigid ? POINTMODEL : RIGIDMODEL);
}

const char *parameterunit(Parameter k, char type) { return PARAMETERROWS[k].unit[robotindex(type)]; }
