#include "planning/kinematics.h"

#include <cmath>

#include "app/console.h"
#include "app/state.h"

namespace {

// Tells the user the SCARA target is out of reach and waits for a key.
void reportunreachable(double x, double y) {
    consoleprint("\n!!! 逆運動学の解なし．始めからやり直し．");
    consoleprint("\n    アーム長1,2=(%6.3f %6.3f) 位置(x,y)=(%6.3f %6.3f)", scara.L1, scara.L2, x, y);
    readkey();
}

// SCARA inverse kinematics of one elbow branch: sign +1 bends the elbow down
// (phi2 >= 0), -1 bends it up (phi2 <= 0). An unreachable point is reported and
// still computed, so its joint values come out not-a-number.
void scaraik(double x, double y, const double ref[2], double out[2], double sign) {
    const double L1 = scara.L1;
    const double L2 = scara.L2;
    const double r = std::sqrt(x * x + y * y);
    // Cosine of the interior angle at the elbow.
    const double c = (L1 * L1 + L2 * L2 - r * r) / (2.0 * L1 * L2);
    if (std::fabs(c) > 1.0) reportunreachable(x, y);
    const double gamma = std::acos(c);
    const double phi = std::atan2(y, x);
    // Angle between link 1 and the line from the base to the tip.
    const double alpha = std::acos((L1 * L1 + r * r - L2 * L2) / (2.0 * L1 * r));
    const double theta[2] = {phi - sign * alpha, sign * (PI - gamma)};
    unwrapangles(ref, theta, out);
}

}  // namespace

void cylinderik(double x, double y, double out[2]) {
    out[0] = std::atan2(y, x);
    out[1] = std::sqrt(x * x + y * y);
}

void scaraikdown(double x, double y, const double ref[2], double out[2]) { scaraik(x, y, ref, out, 1.0); }

void scaraikup(double x, double y, const double ref[2], double out[2]) { scaraik(x, y, ref, out, -1.0); }

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
