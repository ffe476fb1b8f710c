#include "design/kinematics.h"

#include <cfloat>
#include <cmath>

#include "records/records.h"

namespace {

// How far the cosines of the SCARA's inverse kinematics may come out beyond +-1 by
// rounding alone: a point typed on the reach circle (0.9 m / sqrt(2) in both
// coordinates) gives -1 - 2 DBL_EPSILON; twice that is still far below any point
// truly out of reach worth telling apart.
constexpr double COSINEROUNDING = 4.0 * DBL_EPSILON;

// acos of a cosine that may lie beyond +-1 by rounding: taken as +-1 there;
// untouched inside, and beyond (an unreachable point's not-a-number).
double roundedacos(double c) {
    const bool rounded = std::fabs(c) > 1.0 && std::fabs(c) <= 1.0 + COSINEROUNDING;
    return std::acos(rounded ? std::copysign(1.0, c) : c);
}

// Cosine of the interior angle at the SCARA elbow for a tip at distance r from the base.
double elbowcosine(double r) {
    const double L1 = scara.L1;
    const double L2 = scara.L2;
    return (L1 * L1 + L2 * L2 - r * r) / (2.0 * L1 * L2);
}

// SCARA inverse kinematics of one elbow branch: sign +1 bends the elbow down
// (phi2 >= 0), -1 bends it up (phi2 <= 0). An unreachable point is still computed,
// so its joint values come out not-a-number.
void scaraik(double x, double y, const double ref[2], double out[2], double sign) {
    const double L1 = scara.L1;
    const double L2 = scara.L2;
    const double r = std::sqrt(x * x + y * y);
    const double gamma = roundedacos(elbowcosine(r));
    const double phi = std::atan2(y, x);
    // Angle between link 1 and the line from the base to the tip.
    const double alpha = roundedacos((L1 * L1 + r * r - L2 * L2) / (2.0 * L1 * r));
    const double theta[2] = {phi - sign * alpha, sign * (PI - gamma)};
    unwrapangles(ref, theta, out);
}

}  // namespace

void cylinderik(double x, double y, double out[2]) {
    out[0] = std::atan2(y, x);
    out[1] = std::sqrt(x * x + y * y);
}

bool scarareachable(double x, double y) {
    return !(std::fabs(elbowcosine(std::sqrt(x * x + y * y))) > 1.0 + COSINEROUNDING);
}

bool scaraikdown(double x, double y, const double ref[2], double out[2]) {
    scaraik(x, y, ref, out, 1.0);
    return scarareachable(x, y);
}

bool scaraikup(double x, double y, const double ref[2], double out[2]) {
    scaraik(x, y, ref, out, -1.0);
    return scarareachable(x, y);
}

void unwrapangles(const double ref[2], const double theta[2], double out[2]) {
    const double twopi = 2.0 * PI;
    const double fourpi = 4.0 * PI;
    for (int i = 0; i < 2; ++i) {
        const double p = ref[i];
        const double th = theta[i];
        double q = std::fabs(th - p) > std::fabs(th - p + twopi) ? th + twopi : th;
        if (std::fabs(q - p) > std::fabs(th - p - twopi)) q = th - twopi;
        if (std::fabs(q - p) > std::fabs(th - p + fourpi)) q = th + fourpi;
        if (std::fabs(q - p) > std::fabs(th - p - fourpi)) q = th - fourpi;
        out[i] = q;
    }
}
