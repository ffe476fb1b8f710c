// The dynamics of arms from robot files against Orocos KDL: chains built from the
// numbers written in the files (not from the records the files set up) agree with
// the model's joint accelerations, for changed lengths, masses and motors of both
// robots, with gravity and without; the inertias a URDF's turned inertials give about
// the joints are KDL's.
#include <gtest/gtest.h>

#include <kdl/frames.hpp>
#include <kdl/rigidbodyinertia.hpp>

#include <cmath>
#include <cstdio>
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
  <sotoc model="points" IMm1="2e-4" IMm2="5e-5" u1="50" u2="25"/>
</robot>)";
    const ChainArm arm{0.55, 0.35, 2.0, 0.8, IMM1 * U1 * U1, IMM2 * U2 * U2};
    for (char gravity : {'h', 'g'}) {
        install("arm.urdf", urdf, 'b', gravity);
        EXPECT_LT(worstdifference('b', scarachain(arm, 0.03, 0.01)), AGREEMENT) << gravity;
        EXPECT_GT(worstdifference('b', scarachain(arm, 0.0, 0.0)), 1e-3) << "the links' own inertias matter";
    }
}

// An inertial of a URDF: its origin's position and roll, pitch, yaw, its mass and
// its inertia tensor about its centre [m, rad, kg, kg m^2].
struct Inertial {
    double xyz[3], rpy[3], m;
    double ixx, iyy, izz, ixy, ixz, iyz;
};

std::string numbers(const double (&v)[3]) {
    return std::to_string(v[0]) + " " + std::to_string(v[1]) + " " + std::to_string(v[2]);
}

std::string inertialxml(const Inertial &i) {
    return "<inertial><origin xyz=\"" + numbers(i.xyz) + "\" rpy=\"" + numbers(i.rpy) + "\"/><mass value=\"" +
           std::to_string(i.m) + "\"/><inertia ixx=\"" + std::to_string(i.ixx) + "\" iyy=\"" + std::to_string(i.iyy) +
           "\" izz=\"" + std::to_string(i.izz) + "\" ixy=\"" + std::to_string(i.ixy) + "\" ixz=\"" +
           std::to_string(i.ixz) + "\" iyz=\"" + std::to_string(i.iyz) + "\"/></inertial>";
}

KDL::Frame kdlframe(const double (&xyz)[3], const double (&rpy)[3]) {
    return KDL::Frame(KDL::Rotation::RPY(rpy[0], rpy[1], rpy[2]), KDL::Vector(xyz[0], xyz[1], xyz[2]));
}

// KDL's inertia of the inertial in the frame of its link, about that frame's origin.
KDL::RigidBodyInertia kdlbody(const Inertial &i) {
    return kdlframe(i.xyz, i.rpy) *
           KDL::RigidBodyInertia(i.m, KDL::Vector::Zero(),
                                 KDL::RotationalInertia(i.ixx, i.iyy, i.izz, i.ixy, i.ixz, i.iyz));
}

// The inertia of a body about the z axis through its reference point [kg m^2].
double aboutz(const KDL::RigidBodyInertia &body) { return (body.getRotationalInertia() * KDL::Vector(0, 0, 1)).z(); }

// A SCARA whose links' inertials are turned about several axes and have products of
// inertia, and link 1 carries a motor fixed to it by a turned joint, its inertial
// turned again: the arm inertias IJ1 and IJ2 about the joints (both along z) are those
// KDL's rigid-body algebra gives for the bodies moved into the joints' frames.
TEST(RobotFileKdl, TurnedUrdfInertialsGiveKdlsInertiasAboutTheJoints) {
    const struct {
        Inertial link1, motor, link2;
        double motorxyz[3], motorrpy[3];
    } cases[] = {
        // Turned about x and y, tensors diagonal: a rotation about one axis alone
        // cannot tell R from its inverse.
        {{{0.3, 0.0, 0.0}, {0.5, 0.7, 0.0}, 2.0, 0.04, 0.035, 0.03, 0.0, 0.0, 0.0},
         {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.5, 0.01, 0.008, 0.006, 0.0, 0.0, 0.0},
         {{0.2, 0.0, 0.0}, {0.5, 0.7, 0.0}, 1.0, 0.02, 0.016, 0.012, 0.0, 0.0, 0.0},
         {0.5, 0.0, 0.0},
         {0.0, 0.0, 0.0}},
        // Products of inertia under turns about all three axes, the motor's joint
        // turned and out of the plane.
        {{{0.25, 0.05, -0.02}, {-0.4, 0.6, 0.9}, 2.0, 0.04, 0.035, 0.03, 0.004, -0.003, 0.002},
         {{0.01, -0.02, 0.03}, {0.3, -0.5, 0.2}, 0.5, 0.01, 0.008, 0.006, 0.001, 0.0008, -0.0006},
         {{0.15, -0.03, 0.04}, {0.8, -0.3, 0.4}, 1.0, 0.02, 0.016, 0.012, -0.002, 0.0015, 0.001},
         {0.45, 0.08, 0.1},
         {0.6, 0.2, -0.7}},
    };
    for (const auto &c : cases) {
        const std::string urdf = R"(<robot name="arm">
  <link name="base"/>
  <joint name="j1" type="revolute"><parent link="base"/><child link="a"/><axis xyz="0 0 1"/>
    <limit lower="-3" upper="3" effort="4" velocity="1"/></joint>
  <link name="a">)" + inertialxml(c.link1) + R"(</link>
  <joint name="m" type="fixed"><parent link="a"/><child link="motor"/><origin xyz=")" +
                                 numbers(c.motorxyz) + "\" rpy=\"" + numbers(c.motorrpy) + R"("/></joint>
  <link name="motor">)" + inertialxml(c.motor) + R"(</link>
  <joint name="j2" type="revolute"><parent link="a"/><child link="b"/><origin xyz="0.5 0 0"/><axis xyz="0 0 1"/>
    <limit lower="-3" upper="3" effort="2" velocity="1"/></joint>
  <link name="b">)" + inertialxml(c.link2) + R"(</link>
  <joint name="tip" type="fixed"><parent link="b"/><child link="tool"/><origin xyz="0.4 0 0"/></joint>
  <link name="tool"/>
  <sotoc model="points"/>
</robot>)";
        SCOPED_TRACE(urdf);
        install("arm.urdf", urdf, 'b', 'h');
        const KDL::RigidBodyInertia link1 = kdlbody(c.link1) + kdlframe(c.motorxyz, c.motorrpy) * kdlbody(c.motor);
        EXPECT_NEAR(scara.m1Nom, link1.getMass(), 1e-12);
        EXPECT_NEAR(scara.IJ1, aboutz(link1), 1e-12);
        EXPECT_NEAR(scara.IJ2, aboutz(kdlbody(c.link2)), 1e-12);
    }
}


// Arms of rigid bodies from URDFs, against KDL chains built here from the numbers the
// files give: inertials moved off the links' lines and turned about two axes with
// off-diagonal terms, a link fixed to link 1, a payload. The inertia matrix,
// velocity-product and gravity torques agree at several states, both motions.
namespace rigid {

// An inertial as the URDF gives it, in its link's frame.
struct Inertial {
    double m, xyz[3], rpy[3], ixx, ixy, ixz, iyy, iyz, izz;
};

std::string urdfinertial(const Inertial &i) {
    char text[800];
    std::snprintf(text, sizeof text,
                  "<inertial><origin xyz=\"%.17g %.17g %.17g\" rpy=\"%.17g %.17g %.17g\"/><mass value=\"%.17g\"/>"
                  "<inertia ixx=\"%.17g\" ixy=\"%.17g\" ixz=\"%.17g\" iyy=\"%.17g\" iyz=\"%.17g\" izz=\"%.17g\"/></inertial>",
                  i.xyz[0], i.xyz[1], i.xyz[2], i.rpy[0], i.rpy[1], i.rpy[2], i.m, i.ixx, i.ixy, i.ixz, i.iyy, i.iyz, i.izz);
    return text;
}

// The inertial in a frame where its link's frame lies at `at`.
KDL::RigidBodyInertia kdlinertial(const Inertial &i, const KDL::Vector &at) {
    const KDL::Frame pose(KDL::Rotation::RPY(i.rpy[0], i.rpy[1], i.rpy[2]), KDL::Vector(i.xyz[0], i.xyz[1], i.xyz[2]));
    const KDL::RigidBodyInertia own(i.m, KDL::Vector::Zero(), KDL::RotationalInertia(i.ixx, i.iyy, i.izz, i.ixy, i.ixz, i.iyz));
    return KDL::Frame(at) * (pose * own);
}

const Inertial LINK1 = {2.0, {0.21, 0.04, 0.02}, {0.5, 0.7, 0.0}, 0.02, 0.004, -0.003, 0.05, 0.002, 0.06};
const Inertial LINK1FIXED = {0.4, {0.1, -0.02, 0.0}, {0.0, 0.0, 0.3}, 0.001, 0.0, 0.0, 0.002, 0.0, 0.003};
const Inertial LINK2 = {1.2, {0.12, -0.03, 0.01}, {-0.4, 0.2, 1.1}, 0.01, -0.002, 0.001, 0.03, 0.003, 0.025};
const Inertial TOOL = {0.6, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.001, 0.0, 0.0, 0.001, 0.0, 0.001};
constexpr double L1 = 0.45, L2 = 0.35, SLIDE0 = 0.1, TIP2 = 0.2, PAYLOAD = 0.5;
const std::string COMPANION = "<sotoc IMm1=\"2e-4\" IMm2=\"5e-5\" u1=\"50\" u2=\"25\"";

std::string scaraurdf() {
    return "<robot name=\"arm\"><link name=\"base\"/>"
           "<joint name=\"j1\" type=\"revolute\"><parent link=\"base\"/><child link=\"a\"/><axis xyz=\"0 0 1\"/>"
           "<limit lower=\"-3\" upper=\"3\" effort=\"30\" velocity=\"1\"/></joint>"
           "<link name=\"a\">" + urdfinertial(LINK1) + "</link>"
           "<joint name=\"fa\" type=\"fixed\"><parent link=\"a\"/><child link=\"cover\"/><origin xyz=\"0.1 0 0.05\"/></joint>"
           "<link name=\"cover\">" + urdfinertial(LINK1FIXED) + "</link>"
           "<joint name=\"j2\" type=\"revolute\"><parent link=\"a\"/><child link=\"b\"/><origin xyz=\"0.45 0 0\"/>"
           "<axis xyz=\"0 0 1\"/><limit lower=\"-3\" upper=\"3\" effort=\"8\" velocity=\"1\"/></joint>"
           "<link name=\"b\">" + urdfinertial(LINK2) + "</link>"
           "<joint name=\"tip\" type=\"fixed\"><parent link=\"b\"/><child link=\"tool\"/><origin xyz=\"0.35 0 0\"/></joint>"
           "<link name=\"tool\">" + urdfinertial(TOOL) + "</link>" + COMPANION + " payload=\"tool\" x0=\"0.6 m\"/></robot>";
}

std::string cylinderurdf() {
    return "<robot name=\"arm\"><link name=\"base\"/>"
           "<joint name=\"j1\" type=\"revolute\"><parent link=\"base\"/><child link=\"a\"/><axis xyz=\"0 0 1\"/>"
           "<limit lower=\"-3\" upper=\"3\" effort=\"30\" velocity=\"1\"/></joint>"
           "<link name=\"a\">" + urdfinertial(LINK1) + "</link>"
           "<joint name=\"j2\" type=\"prismatic\"><parent link=\"a\"/><child link=\"b\"/><origin xyz=\"0.1 0 0.3\"/>"
           "<axis xyz=\"1 0 0\"/><limit lower=\"0\" upper=\"0.9\" effort=\"80\" velocity=\"1\"/></joint>"
           "<link name=\"b\">" + urdfinertial(LINK2) + "</link>"
           "<joint name=\"tip\" type=\"fixed\"><parent link=\"b\"/><child link=\"tool\"/><origin xyz=\"0.2 0 0\"/></joint>"
           "<link name=\"tool\"/>" + COMPANION + " payload=\"0.5 kg\"/></robot>";
}

// The chains: SCARA segments end at the elbow and the tip; the cylindrical arm's
// slide counts the tip's radius, its link 2 lying TIP2 behind the tip.
KDL::Chain scarachainof() {
    KDL::Chain chain;
    const KDL::RigidBodyInertia link1 =
        kdlinertial(LINK1, KDL::Vector(-L1, 0, 0)) + kdlinertial(LINK1FIXED, KDL::Vector(0.1 - L1, 0, 0.05));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, IMM1 * U1 * U1), KDL::Frame(KDL::Vector(L1, 0, 0)), link1));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, IMM2 * U2 * U2), KDL::Frame(KDL::Vector(L2, 0, 0)),
                                  kdlinertial(LINK2, KDL::Vector(-L2, 0, 0)) + KDL::RigidBodyInertia(TOOL.m)));
    return chain;
}

KDL::Chain cylinderchainof() {
    KDL::Chain chain;
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, IMM1 * U1 * U1), KDL::Frame::Identity(),
                                  kdlinertial(LINK1, KDL::Vector::Zero())));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::TransX, 1, 0, IMM2 * U2 * U2), KDL::Frame::Identity(),
                                  kdlinertial(LINK2, KDL::Vector(-TIP2, 0, 0)) + KDL::RigidBodyInertia(PAYLOAD)));
    return chain;
}

TEST(RobotFileKdl, RigidArmsFromUrdfAgreeWithKdl) {
    // States (q1, q2, q1', q2'); the cylindrical arm's q2 is the tip's radius.
    const double STATES[][4] = {{0.0, 0.4, 0.0, 0.0}, {0.7, -1.2, 2.0, -3.0}, {-2.5, 2.9, -4.0, 1.5}, {1.9, 0.9, 0.3, 5.0}};
    struct Case {
        const char *name;
        std::string urdf;
        char type;
        KDL::Chain chain;
    };
    const Case cases[] = {{"scara", scaraurdf(), 'b', scarachainof()}, {"cylinder", cylinderurdf(), 'a', cylinderchainof()}};
    for (const Case &c : cases)
        for (char gravity : {'h', 'g'}) {
            install("arm.urdf", c.urdf, c.type, gravity);
            ASSERT_TRUE(robotparams(c.type).rigid) << c.name;
            MotionTerms m;
            motionterms(c.type, m);
            for (const auto &x : STATES) {
                const double state[4] = {x[0], c.type == 'a' ? SLIDE0 + TIP2 + std::fabs(x[1]) : x[1], x[2], x[3]};
                double trig[4] = {0.0, 0.0, 0.0, 0.0};
                rigidtrig(m.body, state, trig);
                RigidState model, kdl;
                rigidstate(m.body, state, trig, model);
                ASSERT_TRUE(kdlterms(c.chain, gravity, state, state + 2, kdl));
                EXPECT_LT(termsdifference(model, kdl), 1e-9) << c.name << gravity << " q " << x[0] << " " << x[1];
                EXPECT_NEAR(m.body.IM1, IMM1 * U1 * U1, 1e-15) << c.name;
            }
            // The efforts are the whole limits, gravity or not.
            EXPECT_NEAR(jointlimit(c.type, gravity, 0), 30.0, 1e-12) << c.name;
            EXPECT_NEAR(jointlimit(c.type, gravity, 1), c.type == 'a' ? 80.0 : 8.0, 1e-12) << c.name;
        }
}

}  // namespace rigid

}  // namespace
