// sotoc dynamics: the terms of the built-in arms at states worked by hand, the
// accelerations only with torques, and refused states.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tests/support/run.h"

namespace {

using json = nlohmann::json;
using Args = std::vector<std::string>;

void expectpair(const json &got, double a, double b, const std::string &what) {
    ASSERT_TRUE(got.is_array() && got.size() == 2) << what << " " << got.dump();
    EXPECT_NEAR(got[0].get<double>(), a, 1e-12 * (1.0 + std::fabs(a))) << what;
    EXPECT_NEAR(got[1].get<double>(), b, 1e-12 * (1.0 + std::fabs(b))) << what;
}

// Defaults: SCARA m1 = mw = 1 kg, L1 = 0.5 m, L2 = 0.4 m, IJ1 = m1 L1^2, IJ2 = mw L2^2,
// motors IMm = IJ / 50^2 at u = 40; cylindrical mw = 1 kg, L = 1 m, u = 30.
TEST(DynamicsCommand, TermsOfTheBuiltInArmsWorkedByHand) {
    const struct {
        Args args;
        double M[2][2], IM[2], C[2], G[2];
    } cases[] = {
        // Stretched along x, at rest: G1 = g ((m1 + mw) L1 + mw L2), G2 = g mw L2.
        {{"--robot", "scara", "--motion", "vertical", "--q", "0,0"},
         {{1.06, 0.36}, {0.36, 0.16}}, {0.16, 0.1024}, {0.0, 0.0}, {9.8 * 1.4, 9.8 * 0.4}},
        // Elbow at a right angle, joint 1 turning at 2 rad/s: C2 = mw L1 L2 q1'^2, C1 = 0.
        {{"--robot", "scara", "--motion", "horizontal", "--q", "0.3,1.5707963267948966", "--dq", "2,0"},
         {{0.66, 0.16}, {0.16, 0.16}}, {0.16, 0.1024}, {0.0, 0.8}, {0.0, 0.0}},
        // Cylindrical at r = 0.7 m turning and extending: C1 = 2 mw r q1' r', C2 = -mw r q1'^2;
        // pointing up, the slide carries the whole weight.
        {{"--robot", "cylindrical", "--motion", "vertical", "--q", "1.5707963267948966,0.7", "--dq", "2,0.5"},
         {{0.49, 0.0}, {0.0, 1.0}}, {1.0 / 2500.0 * 900.0, 1.0 / 2500.0 * 900.0}, {1.4, -2.8}, {0.0, 9.8}},
    };
    for (const auto &c : cases) {
        Args args = {"dynamics", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunOutcome r = runsotoc(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(r.out);
        const std::string what = c.args[1] + " " + c.args[5];
        expectpair(j["inertia"][0], c.M[0][0], c.M[0][1], what + " inertia");
        expectpair(j["inertia"][1], c.M[1][0], c.M[1][1], what + " inertia");
        expectpair(j["motorInertia"], c.IM[0], c.IM[1], what + " motors");
        expectpair(j["velocityTorques"], c.C[0], c.C[1], what + " velocity");
        EXPECT_NEAR(j["gravityTorques"][0].get<double>(), c.G[0], 1e-12 * (1.0 + c.G[0])) << what;
        EXPECT_NEAR(j["gravityTorques"][1].get<double>(), c.G[1], 1e-12 * (1.0 + c.G[1])) << what;
        EXPECT_FALSE(j.contains("accelerations")) << what;
    }
}

TEST(DynamicsCommand, AccelerationsWithTorquesAndRefusedStates) {
    // Cylindrical at rest, horizontal: each joint's torque over its inertia with the motor's.
    const RunOutcome r = runsotoc({"dynamics", "--robot", "cylindrical", "--motion", "horizontal", "--q", "0,0.7",
                                   "--torque", "1.88496,1.2", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectpair(json::parse(r.out)["accelerations"], 1.88496 / (0.49 + 0.36), 1.2 / (1.0 + 0.36), "accelerations");
    const RunOutcome text = runsotoc({"dynamics", "--robot", "scara", "--motion", "vertical", "--q", "0,0"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("gravityTorques   13.72"), std::string::npos) << text.out;
    for (const Args &bad : {Args{"--q", "1"}, Args{"--q", "1,x"}, Args{"--q", "0,0", "--dq", "1,2,3"},
                            Args{"--q", "0,0", "--torque", "nan,1"}, Args{}}) {
        Args args = {"dynamics", "--robot", "scara", "--motion", "vertical"};
        args.insert(args.end(), bad.begin(), bad.end());
        const RunOutcome refused = runsotoc(args);
        EXPECT_EQ(refused.status, 2) << refused.out;
        EXPECT_EQ(refused.out, "");
    }
}

}  // namespace
