#include "plots/plot.h"

const char *const AXISNAMES[AXISNONE] = {"error",   "ratio1",  "ratio2", "ratios",
                                         "start-x", "start-y", "end-x",  "end-y"};

double axisvalue(PlotAxis a, const CompareRequest &r) {
    switch (a) {
        case AXISERROR: return r.errorPercent;
        case AXISRATIO1:
        case AXISRATIOS: return r.u[0];
        case AXISRATIO2: return r.u[1];
        case AXISSTARTX: return r.start[0];
        case AXISSTARTY: return r.start[1];
        case AXISENDX: return r.end[0];
        case AXISENDY: return r.end[1];
        case AXISNONE: break;
    }
    return 0.0;
}

std::string axislabel(PlotAxis a, char type) {
    // Joint 2 of the cylindrical robot is prismatic: its ratio turns the motor per metre.
    const char *ratio2unit = type == ROBOTSCARA ? "[rad/rad]" : "[rad/m]";
    switch (a) {
        case AXISERROR: return "mass error of the design [%]";
        case AXISRATIO1: return "reduction ratio u1 [rad/rad]";
        case AXISRATIO2: return std::string("reduction ratio u2 ") + ratio2unit;
        case AXISRATIOS:
            return type == ROBOTSCARA ? "reduction ratios u1 = u2 [rad/rad]"
                                      : "reduction ratios u1 [rad/rad] = u2 [rad/m]";
        case AXISSTARTX: return "start point x [m]";
        case AXISSTARTY: return "start point y [m]";
        case AXISENDX: return "end point x [m]";
        case AXISENDY: return "end point y [m]";
        case AXISNONE: break;
    }
    return "";
}
