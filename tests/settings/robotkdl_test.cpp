// The dynamics of arms from robot files against Orocos KDL: chains built from the
// numbers written in the files (not from the records the files set up) agree with
// the model's joint accelerations, for changed lengths, masses and motors of both
// robots, with gravity and without.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "settings/robotfile.h"
#include "tests/simulation/kdlchains.h"
#include "tests/support/tempdir.h"

namespace {

// The arm `text` of a file named `name` installed, robot `type` selected for `gravity`.
void install(const std::string &name, const std::string &text, char type, char gravity) {
    TempDir dir;
    const std::string path = dir.file(name);
    std::ofstream(path) << text;
    RobotFile file{};
    const Outcome read = readrobotfile(path, file);
    ASSERT_TRUE(read.ok()) << read.message;
    installrobot(file);
    app.type = type;
    app.sgnG = gravity;
}

// Motor inertias referred to the joints: IMm u^2 [kg m^2, kg for a slide].
constexpr double IMM1 = 2e-4, IMM2 = 5e-5, U1 = 50.0, U2 = 25.0;

TEST(RobotFileKdl, ChangedScaraFromTomlAndJson) {
    const ChainArm arm{0.6, 0.3, 2.5, 1.5, IMM1 * U1 * U1, IMM2 * U2 * U2};
    const std::string toml = "kind = \"scara\"\nL1 = 0.6\nL2 = 0.3\nm1Nom = 2.5\nmwNom = 1.5\nIMm1 = 2e-4\n"
                             "IMm2 = 5e-5\nu1 = 50\nu2 = 25\nx0 = 0.8\nxf = -0.3\n";
    const std::string json = "{\"kind\": \"scara\", \"L1\": 0.6, \"L2\": \"0.3 m\", \"m1Nom\": 2.5, \"mwNom\": 1.5,"
                             " \"IMm1\": 2e-4, \"IMm2\": 5e-5, \"u1\": 50, \"u2\": 25, \"x0\": 0.8, \"xf\": -0.3}";
    for (char gravity : {'h', 'g'}) {
        install("arm.toml", toml, 'b', gravity);
        EXPECT_LT(worstdifference('b', scarachain(arm, 0.0, 0.0)), AGREEMENT) << gravity;
        install("arm.json", json, 'b', gravity);
        EXPECT_LT(worstdifference('b', scarachain(arm, 0.0, 0.0)), AGREEMENT) << gravity;
    }
}

TEST(RobotFileKdl, ChangedCylinderFromToml) {
    const ChainArm arm{0.0, 0.0, 0.0, 3.0, IMM1 * U1 * U1, IMM2 * U2 * U2};
    for (char gravity : {'h', 'g'}) {
        install("arm.toml", "kind = \"cylindrical\"\nL = 1.2\nmwNom = 3\nIMm1 = 2e-4\nIMm2 = 5e-5\nu1 = 50\nu2 = 25\n", 'a',
                gravity);
        EXPECT_LT(worstdifference('a', cylinderchain(arm)), AGREEMENT) << gravity;
    }
}

// A URDF SCARA with links 0.55 m and 0.35 m, 2 kg at the elbow and 0.8 kg at the tip,
// each link also turning a body of its own inertia (0.03 and 0.01 kg m^2 about its
// centre, flat plates in the plane of the arm): the chain carries these as inertias
// of zero mass at the link ends.
TEST(RobotFileKdl, ChangedScaraFromUrdf) {
    const std::string urdf = R"(<robot name="arm">
  <link name="base"/>
  <joint name="j1" type="revolute"><parent link="base"/><child link="a"/><axis xyz="0 0 1"/>
    <limit lower="-3" upper="3" effort="4" velocity="1"/></joint>
  <link name="a"><inertial><origin xyz="0.55 0 0"/><mass value="2"/>
    <inertia ixx="0.015" ixy="0" ixz="0" iyy="0.015" iyz="0" izz="0.03"/></inertial></link>
  <joint name="j2" type="revolute"><parent link="a"/><child link="b"/><origin xyz="0.55 0 0"/><axis xyz="0 0 1"/>
    <limit lower="-3" upper="3" effort="2" velocity="1"/></joint>
  <link name="b"><inertial><origin xyz="0.35 0 0"/><mass value="0.8"/>
    <inertia ixx="0.005" ixy="0" ixz="0" iyy="0.005" iyz="0" izz="0.01"/></inertial></link>
  <joint name="tip" type="fixed"><parent link="b"/><child link="tool"/><origin xyz="0.35 0 0"/></joint>
  <link name="tool"/>
  <sotoc IMm1="2e-4" IMm2="5e-5" u1="50" u2="25"/>
</robot>)";
    const ChainArm arm{0.55, 0.35, 2.0, 0.8, IMM1 * U1 * U1, IMM2 * U2 * U2};
    for (char gravity : {'h', 'g'}) {
        install("arm.urdf", urdf, 'b', gravity);
        EXPECT_LT(worstdifference('b', scarachain(arm, 0.03, 0.01)), AGREEMENT) << gravity;
        EXPECT_GT(worstdifference('b', scarachain(arm, 0.0, 0.0)), 1e-3) << "the links' own inertias matter";
    }
}

}  // namespace
