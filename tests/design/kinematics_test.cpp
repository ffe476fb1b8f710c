// Inverse kinematics of both robots and the choice of the 2*pi branch.
#include <gtest/gtest.h>

#include <cmath>

#include "study/params.h"
#include "records/records.h"
#include "design/kinematics.h"

namespace {

void defaults() {
    testing::internal::CaptureStdout();
    initialset();
    testing::internal::GetCapturedStdout();
}

// Forward relation of the SCARA arm, to check an inverse solution independently.
void scaratip(const double q[2], double &x, double &y) {
    x = scara.L1 * std::cos(q[0]) + scara.L2 * std::cos(q[0] + q[1]);
    y = scara.L1 * std::sin(q[0]) + scara.L2 * std::sin(q[0] + q[1]);
}

TEST(Cylinder, DefaultTaskAndBasePoint) {
    double q[2];
    cylinderik(0.7, 0.0, q);
    EXPECT_EQ(0.0, q[0]);
    EXPECT_DOUBLE_EQ(0.7, q[1]);
    cylinderik(-0.3, 0.4, q);
    EXPECT_NEAR(2.2143, q[0], 5e-5);
    EXPECT_DOUBLE_EQ(0.5, q[1]);
    cylinderik(0.0, 0.0, q);
    EXPECT_EQ(0.0, q[0]);
    EXPECT_EQ(0.0, q[1]);
}

TEST(Scara, DefaultTaskBothElbowsAndReferences) {
    defaults();
    const double refs[2][2] = {{1.0, -1.0}, {0.0, 0.0}};
    for (const auto &ref : refs) {
        double s[2], e[2];
        scaraikup(0.7, 0.0, ref, s);
        scaraikup(-0.3, 0.4, ref, e);
        EXPECT_NEAR(0.5942, s[0], 5e-5);
        EXPECT_NEAR(-1.3694, s[1], 5e-5);
        EXPECT_NEAR(3.0373, e[0], 5e-5);
        EXPECT_NEAR(-1.9823, e[1], 5e-5);
    }
    double s[2], e[2];
    const double ref[2] = {0.0, 0.0};
    scaraikdown(0.7, 0.0, ref, s);
    scaraikdown(-0.3, 0.4, ref, e);
    EXPECT_NEAR(-0.5942, s[0], 5e-5);
    EXPECT_NEAR(1.3694, s[1], 5e-5);
    EXPECT_NEAR(1.3913, e[0], 5e-5);
    EXPECT_NEAR(1.9823, e[1], 5e-5);
}

TEST(Scara, SolutionsReachTheTargetOnTheirBranch) {
    defaults();
    const double ref[2] = {0.0, 0.0};
    const double targets[][2] = {{0.7, 0.0}, {-0.3, 0.4}, {0.2, -0.6}, {-0.5, -0.5}, {0.15, 0.05}};
    for (const auto &t : targets) {
        double down[2], up[2], x, y;
        scaraikdown(t[0], t[1], ref, down);
        scaraikup(t[0], t[1], ref, up);
        scaratip(down, x, y);
        EXPECT_NEAR(t[0], x, 1e-12);
        EXPECT_NEAR(t[1], y, 1e-12);
        scaratip(up, x, y);
        EXPECT_NEAR(t[0], x, 1e-12);
        EXPECT_NEAR(t[1], y, 1e-12);
        EXPECT_GE(down[1], 0.0);
        EXPECT_LE(up[1], 0.0);
    }
}

TEST(Scara, FullyStretchedArmIsReachedWithoutMessage) {
    defaults();
    const double ref[2] = {0.0, 0.0};
    double q[2];
    testing::internal::CaptureStdout();
    scaraikup(0.9, 0.0, ref, q);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ("", out);
    // Zero up to the difference between the program's pi and the arccosine's.
    EXPECT_NEAR(0.0, q[0], 1e-7);
    EXPECT_NEAR(0.0, q[1], 1e-14);
}

// A point typed on the reach circle, 0.9 m / sqrt(2) in both coordinates, is
// reached with the arm stretched towards 45 degrees, although its distance and the
// elbow's cosine come out a unit or two in the last place beyond; a nanometre
// further out it is not.
TEST(Scara, PointOnTheReachCircleIsReachedStretched) {
    defaults();
    const double ref[2] = {0.0, 0.0};
    const double onx = 0.6363961030678928, beyond = 0.636396104;
    for (auto ik : {scaraikdown, scaraikup}) {
        double q[2];
        EXPECT_TRUE(ik(onx, onx, ref, q));
        EXPECT_NEAR(q[0], std::atan(1.0), 1e-7);
        EXPECT_NEAR(q[1], 0.0, 1e-7);
        EXPECT_FALSE(ik(beyond, beyond, ref, q));
        EXPECT_TRUE(std::isnan(q[1]));
    }
    EXPECT_TRUE(scarareachable(onx, -onx));
    EXPECT_TRUE(scarareachable(-0.070710678118654752, 0.070710678118654752));  // inner circle, 0.1 m
}

// Reach is |L1 - L2| <= r <= L1 + L2 (0.1 .. 0.9 m with the defaults); an unreachable
// point is said by the result alone (nothing printed, no key awaited) and its joint
// values come out not-a-number.
TEST(Scara, ReachIsReturnedNotPrinted) {
    defaults();
    const double ref[2] = {0.0, 0.0};
    const struct {
        double x, y;
        bool reachable;
    } cases[] = {{0.9, 0.0, true}, {0.0, -0.1, true}, {-0.3, 0.4, true},
                 {1.2, 0.0, false}, {0.05, 0.0, false}, {0.0, 0.0, false}, {0.0, 0.90001, false}};
    testing::internal::CaptureStdout();
    for (const auto &c : cases) {
        double down[2], up[2];
        EXPECT_EQ(scarareachable(c.x, c.y), c.reachable) << c.x << ", " << c.y;
        EXPECT_EQ(scaraikdown(c.x, c.y, ref, down), c.reachable);
        EXPECT_EQ(scaraikup(c.x, c.y, ref, up), c.reachable);
        if (!c.reachable && (c.x != 0.0 || c.y != 0.0)) {
            EXPECT_TRUE(std::isnan(down[1]) && std::isnan(up[1]));
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Unwrap, NearestBranchAndTies) {
    double out[2];
    const double ref1[2] = {3.0, 0.0};
    const double th1[2] = {-3.0, PI};
    unwrapangles(ref1, th1, out);
    EXPECT_NEAR(-3.0 + 2.0 * PI, out[0], 1e-15);
    // pi and pi - 2pi are equally far from 0: the earlier candidate stays.
    EXPECT_EQ(PI, out[1]);
    const double ref2[2] = {0.0, 7.0};
    const double th2[2] = {-PI, 0.5};
    unwrapangles(ref2, th2, out);
    EXPECT_EQ(-PI, out[0]);
    EXPECT_NEAR(0.5 + 2.0 * PI, out[1], 1e-15);
}

TEST(Unwrap, NeverMovesMoreThanFourPi) {
    double out[2];
    const double ref[2] = {0.0, 0.0};
    const double th[2] = {20.0, -20.0};
    unwrapangles(ref, th, out);
    EXPECT_NEAR(20.0 - 4.0 * PI, out[0], 1e-14);
    EXPECT_NEAR(-20.0 + 4.0 * PI, out[1], 1e-14);
}

}  // namespace
