// Robot files in JSON and URDF: the built-in arms restated give the built-in records
// to the bit, a changed URDF arm gives the values worked out by hand from its joints
// and links, and arms that are not a planar chain of two joints are refused at the
// line that is wrong, beside an arm that differs from them only there and is taken.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "records/parameters.h"
#include "records/records.h"
#include "settings/robotfile.h"
#include "study/comparison.h"
#include "study/params.h"
#include "tests/support/tempdir.h"

namespace {

// Reads `text` as robot file `name`; "" when taken, else the refusal after "PATH:"
// (status 2 checked).
std::string refusalof(const std::string &name, const std::string &text, RobotFile &file) {
    TempDir dir;
    const std::string path = dir.file(name);
    std::ofstream(path) << text;
    const Outcome read = readrobotfile(path, file);
    if (read.ok()) return "";
    EXPECT_EQ(read.status, 2) << read.message;
    EXPECT_EQ(read.message.rfind(path + ":", 0), 0u) << read.message;
    return read.message.substr(std::min(read.message.size(), path.size() + 1));
}

std::string refusalof(const std::string &name, const std::string &text) {
    RobotFile file{};
    return refusalof(name, text, file);
}

// `text` with each `from` replaced by its `to` (each must be there).
std::string edited(std::string text, const std::vector<std::pair<std::string, std::string>> &changes) {
    for (const auto &[from, to] : changes) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

// Every parameter of robot `type` in the records, by Parameter.
std::vector<double> parametersof(char type) {
    std::vector<double> values;
    for (int k = 0; k < PARAMETERS; ++k) {
        const Parameter p = static_cast<Parameter>(k);
        if (parameterof(p, type)) values.push_back(parameterrow(p).at(robotparams(type)));
    }
    return values;
}

TEST(RobotFormats, TheBuiltInArmsRestatedGiveTheBuiltInRecords) {
    const struct {
        const char *file;
        char type;
    } cases[] = {{"scara.urdf", ROBOTSCARA}, {"cylindrical.urdf", ROBOTCYL}, {"scara.json", ROBOTSCARA}};
    for (const auto &c : cases) {
        initialset();
        const std::vector<double> builtin = parametersof(c.type);
        RobotFile file{};
        const Outcome read = readrobotfile(std::string(SOTOC_EXAMPLES "/") + c.file, file);
        ASSERT_TRUE(read.ok()) << read.message;
        EXPECT_EQ(file.type, c.type);
        installrobot(file);
        EXPECT_EQ(parametersof(c.type), builtin) << c.file;
    }
}

// A SCARA whose frames are turned and offset, with a link fixed to each link:
//   L1 = |(0.36, 0.48)| = 0.6 (joint 2's height 0.1 along the axes does not count)
//   link 1: 2 kg at 0.3 m with izz 0.01, a 0.5 kg motor at 0.6 m:
//     m1Nom = 2.5, IJ1 = 0.01 + 2 0.3^2 + 0.5 0.6^2 = 0.37
//   link 2: 1 kg at 0.2 m, its inertial frame turned 90 degrees about x, so the
//     joint axis is its y axis: iyy = 0.02; a 0.5 kg tool at the tip (0.3, 0.4):
//     L2 = 0.5, mwNom = 1.5, IJ2 = 0.02 + 1 0.2^2 + 0.5 0.5^2 = 0.185
//   efforts 6 and 4 N m with u1 = 60, u2 = 20: TM1 = 6 / 60 = 0.1,
//     TM2 = 4 / (2 20) = 0.1, and the joint limits are the efforts again:
//     T1max = TM1 u1 = 6, T2max = 2 TM2 u2 = 4.
const char *const TURNEDSCARA = R"(<robot name="arm">
  <link name="base"/>
  <joint name="j1" type="continuous"><parent link="base"/><child link="a"/><origin xyz="0.1 0.2 0.3"/>
    <axis xyz="0 0 -1"/><limit effort="6" velocity="1"/></joint>
  <link name="a"><inertial><origin xyz="0.3 0 0"/><mass value="2"/>
    <inertia ixx="0.5" ixy="0" ixz="0" iyy="0.5" iyz="0" izz="0.01"/></inertial></link>
  <joint name="m" type="fixed"><parent link="a"/><child link="motor"/><origin xyz="0.6 0 0"/></joint>
  <link name="motor"><inertial><mass value="0.5"/>
    <inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="j2" type="revolute"><parent link="a"/><child link="b"/><origin xyz="0.36 0.48 0.1" rpy="0 0 0.5"/>
    <axis xyz="0 0 1"/><limit lower="-3" upper="3" effort="4" velocity="1"/></joint>
  <link name="b"><inertial><origin xyz="0.2 0 0" rpy="1.5707963267948966 0 0"/><mass value="1"/>
    <inertia ixx="0.04" ixy="0" ixz="0" iyy="0.02" iyz="0" izz="0.03"/></inertial></link>
  <joint name="tip" type="fixed"><parent link="b"/><child link="tool"/><origin xyz="0.3 0.4 0"/></joint>
  <link name="tool"><inertial><mass value="0.5"/>
    <inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <sotoc model="points" u1="60" u2="20 rad/rad"/>
</robot>)";

TEST(RobotFormats, AUrdfScaraGivesItsLengthsMassesInertiasAndLimits) {
    RobotFile file{};
    ASSERT_EQ(refusalof("arm.urdf", TURNEDSCARA, file), "");
    EXPECT_EQ(file.type, ROBOTSCARA);
    installrobot(file);
    const RobotParams &p = scara;
    const double tol = 1e-12;
    EXPECT_NEAR(p.L1, 0.6, tol);
    EXPECT_NEAR(p.L2, 0.5, tol);
    EXPECT_NEAR(p.m1Nom, 2.5, tol);
    EXPECT_NEAR(p.IJ1, 0.37, tol);
    EXPECT_NEAR(task.mwNom, 1.5, tol);
    EXPECT_NEAR(p.IJ2, 0.185, tol);
    EXPECT_EQ(p.u1, 60.0);
    EXPECT_EQ(p.u2, 20.0);
    EXPECT_NEAR(p.TM1, 0.1, tol);
    EXPECT_NEAR(p.TM2, 0.1, tol);
    EXPECT_NEAR(p.T1max, 6.0, tol);
    EXPECT_NEAR(p.T2max, 4.0, tol);
}

// A cylindrical arm whose slide starts 0.2 m out and whose tip is 0.1 m beyond the
// slide's frame: L = 0.2 + 0.9 + 0.1 = 1.2 at the upper limit 0.9; the workpiece is
// link 2's 2 kg; TM1 = 3 / 30, TM2 = 0.6 / 30 with the built-in ratios.
TEST(RobotFormats, AUrdfCylinderGivesItsLengthAndWorkpiece) {
    const std::string urdf = R"(<robot name="arm">
  <link name="base"/>
  <joint name="turn" type="revolute"><parent link="base"/><child link="column"/><axis xyz="0 0 1"/>
    <limit lower="-3" upper="3" effort="3" velocity="1"/></joint>
  <link name="column"/>
  <joint name="reach" type="prismatic"><parent link="column"/><child link="arm"/><origin xyz="0.2 0 0.5"/>
    <axis xyz="1 0 0"/><limit lower="0" upper="0.9" effort="0.6" velocity="1"/></joint>
  <link name="arm"><inertial><mass value="2"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="tip" type="fixed"><parent link="arm"/><child link="tool"/><origin xyz="0.1 0 0"/></joint>
  <link name="tool"/>
  <sotoc model="points"/>
</robot>)";
    RobotFile file{};
    ASSERT_EQ(refusalof("arm.urdf", urdf, file), "");
    EXPECT_EQ(file.type, ROBOTCYL);
    installrobot(file);
    EXPECT_NEAR(cyl.L, 1.2, 1e-12);
    EXPECT_EQ(task.mwNom, 2.0);
    EXPECT_NEAR(cyl.TM1, 0.1, 1e-15);
    EXPECT_NEAR(cyl.TM2, 0.02, 1e-15);
    EXPECT_NEAR(cyl.T2max, 0.6, 1e-15);
}

// One element a line, as the refusals name them.
const char *const PLAINSCARA = R"(<robot name="arm">
  <link name="base"/>
  <joint name="j1" type="revolute"><parent link="base"/><child link="a"/><axis xyz="0 0 1"/><limit effort="2" velocity="1" lower="-3" upper="3"/></joint>
  <link name="a"><inertial><origin xyz="0.5 0 0"/><mass value="1"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="j2" type="revolute"><parent link="a"/><child link="b"/><origin xyz="0.5 0 0"/><axis xyz="0 0 1"/><limit effort="3" velocity="1" lower="-3" upper="3"/></joint>
  <link name="b"><inertial><origin xyz="0.4 0 0"/><mass value="1"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="tip" type="fixed"><parent link="b"/><child link="tool"/><origin xyz="0.4 0 0"/></joint>
  <link name="tool"/>
  <sotoc u1="40"/>
</robot>
)";

using Changes = std::vector<std::pair<std::string, std::string>>;

// The changes with one more.
Changes with(Changes changes, const std::pair<std::string, std::string> &more) {
    changes.push_back(more);
    return changes;
}

TEST(RobotFormats, UrdfRefusalsNameTheLineAndWhy) {
    const std::string j2 = R"(<joint name="j2" type="revolute">)";
    const std::string j2axis = R"(<origin xyz="0.5 0 0"/><axis xyz="0 0 1"/>)";
    const std::string linkb = R"(<link name="b"><inertial><origin xyz="0.4 0 0"/>)";
    const std::string tip = R"(<joint name="tip" type="fixed"><parent link="b"/>)";
    const std::string linka = R"(<link name="a"><inertial><origin xyz="0.5 0 0"/><mass value="1"/>)";
    const std::string massb = R"(<origin xyz="0.4 0 0"/><mass value="1"/><inertia )";
    const std::string inertiab = massb + R"(ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/>)";
    const std::string tool2kg = R"(<link name="tool"><inertial><mass value="2"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>)";
    const std::string j2limit = R"(effort="3" velocity="1" lower="-3" upper="3")";
    const Changes cylinder = {{j2, R"(<joint name="j2" type="prismatic">)"},
                              {linka, R"(<link name="a"><inertial><origin xyz="0.5 0 0"/><mass value="0"/>)"},
                              {j2axis, R"(<origin xyz="0.5 0 0"/><axis xyz="1 0 0"/>)"}};
    const struct {
        Changes taken, refused;
        const char *why;
    } cases[] = {
        {{{j2, R"(<joint name="j2" type="continuous">)"}}, {{j2, R"(<joint name="j2" type="floating">)"}},
         "5: joint 'j2' is floating; accepts revolute, continuous, prismatic and fixed joints"},
        {{}, {{tip, R"(<joint name="tip" type="revolute"><limit effort="1" velocity="1"/><parent link="b"/>)"}},
         "7: a third moving joint 'tip'; accepts an arm of two"},
        {{{j2axis, R"(<origin xyz="0.5 0 0"/><axis xyz="0 0 -1"/>)"}},
         {{j2axis, R"(<origin xyz="0.5 0 0"/><axis xyz="0 1 0"/>)"}},
         "5: the axis of joint 2 'j2' is not parallel to joint 1's"},
        {{{j2axis, R"(<origin xyz="0.5 0 0" rpy="0 0 1"/><axis xyz="0 0 1"/>)"}},
         {{j2axis, R"(<origin xyz="0.5 0 0" rpy="1 0 0"/><axis xyz="0 0 1"/>)"}},
         "5: the axis of joint 2 'j2' is not parallel to joint 1's"},
        {{{R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}}, {{R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}, {linkb, R"(<link name="b"><inertial_no><origin xyz="0.4 0 0"/>)"}, {"</inertial></link>\n  <joint name=\"tip\"", "</inertial_no></link>\n  <joint name=\"tip\""}},
         "6: link 'b' has no <inertial>"},
        {{}, {{R"(<joint name="j1" type="revolute">)", R"(<joint name="j1" type="prismatic">)"}},
         "3: joint 1 'j1' is prismatic"},
        {{}, {{tip, R"(<joint name="tip" type="fixed"><parent link="a"/>)"}}, "6: link 2 'b' has 0 fixed joints"},
        {{{R"(<sotoc u1="40"/>)", R"(<sotoc x0="0.7 m" u1="40"/>)"}}, {{R"(<sotoc u1="40"/>)", R"(<sotoc L1="0.5"/>)"}},
         "9: 'L1' refused; the URDF's joints and links give it"},
        {{}, {{R"(<sotoc u1="40"/>)", R"(<sotoc TM1="0.05"/>)"}}, "9: 'TM1' refused"},
        {{{R"(<sotoc u1="40"/>)", R"(<sotoc u1="40 rad/rad"/>)"}}, {{R"(<sotoc u1="40"/>)", R"(<sotoc u1="40 rad/m"/>)"}},
         "9: u1: unit 'rad/m' refused; accepts rad/rad"},
        {{}, {{R"(<sotoc u1="40"/>)", R"(<sotoc u1="40"/><sotoc/>)"}}, "9: a second <sotoc>"},
        {{}, {{R"(<limit effort="2" velocity="1" lower="-3" upper="3"/>)", ""}, {R"(type="revolute")", R"(type="continuous")"}},
         "3: joint 'j1' has no <limit effort=...>"},
        {{}, {{R"(effort="2")", R"(effort="0")"}}, "3: TM1 (from the effort of joint 'j1' over u1): 0 refused; accepts a number from 1e-09 to 1e+09 in N m"},
        {{}, {{j2axis, R"(<origin xyz="0 0 0.2"/><axis xyz="0 0 1"/>)"}},
         "5: L1 (from the origin of joint 'j2'): 0 refused; accepts a number from 1e-09 to 1e+09 in m"},
        // The SCARA reaches 0.6 m with links of 0.2 m and 0.4 m, not the start 0.7 m out.
        {{{j2axis, R"(<origin xyz="0.3 0 0"/><axis xyz="0 0 1"/>)"}}, {{j2axis, R"(<origin xyz="0.2 0 0"/><axis xyz="0 0 1"/>)"}},
         "5: the start point (0.7, 0) m is out of the SCARA's reach"},
        {{{R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}, {linka, R"(<link name="a"><inertial><origin xyz="0.5 0 0"/><mass value="2"/>)"}},
         {{R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}, {linka, R"(<link name="a"><inertial><origin xyz="0.5 0 0"/><mass value="0"/>)"}},
         "4: m1Nom (from the inertial of link 'a'): 0 refused"},
        // The cylindrical arm: joint 2 a slide along link 1's radius, link 1 without mass.
        {with(cylinder, {R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}), {cylinder[0], cylinder[2], {R"(<sotoc u1="40"/>)", R"(<sotoc model="points" u1="40"/>)"}},
         "4: link 1 'a' carries 1 kg; the cylindrical arm turns the workpiece alone"},
        {cylinder, with(cylinder, {tip, R"(<joint name="tip" type="fixed"><origin xyz="0 0.1 0"/><parent link="b"/>)"}),
         "5: joint 2 'j2' slides the tip past joint 1's axis, not along a radius"},
        {cylinder, {{j2, R"(<joint name="j2" type="prismatic">)"}, cylinder[1]},
         "5: joint 2 'j2' does not slide across joint 1's axis"},
        // Links not in a chain: a link reached twice, a link below itself.
        {{}, {{"<link name=\"tool\"/>", "<link name=\"tool\"/><joint name=\"again\" type=\"fixed\"><parent link=\"base\"/><child link=\"b\"/></joint>"}},
         "8: link 'b' is reached twice, by joints 'again' and 'j2'; not a chain"},
        {{{"<link name=\"tool\"/>", "<link name=\"tool\"/><link name=\"x\"/><joint name=\"loop\" type=\"fixed\"><parent link=\"tool\"/><child link=\"x\"/></joint>"}},
         {{"<link name=\"tool\"/>", "<link name=\"tool\"/><link name=\"x\"/><joint name=\"loop\" type=\"fixed\"><parent link=\"x\"/><child link=\"x\"/></joint>"}},
         "8: link 'x' lies below itself; not a chain"},
        // Inertias no body has: a negative moment, one above the sum of the other two
        // (on the axes, or in the principal axes of a tensor with products; a flat
        // tensor whose product makes a moment negative), beside a thin rod written to
        // six digits, a flat plate and tensors on the bound.
        {{{inertiab, massb + R"(ixx="0" ixy="0" ixz="0" iyy="0.0833333" iyz="0" izz="0.083333"/>)"}},
         {{inertiab, massb + R"(ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="-0.1"/>)"}}, "6: link 'b' has an inertia no body has"},
        {{{inertiab, massb + R"(ixx="0.1" ixy="0" ixz="0" iyy="0.1" iyz="0" izz="0.2"/>)"}},
         {{inertiab, massb + R"(ixx="0.1" ixy="0" ixz="0" iyy="0.1" iyz="0" izz="0.3"/>)"}}, "6: link 'b' has an inertia no body has"},
        {{{inertiab, massb + R"(ixx="1" ixy="0.5" ixz="0" iyy="1" iyz="0" izz="1"/>)"}},
         {{inertiab, massb + R"(ixx="1" ixy="0.6" ixz="0" iyy="1" iyz="0" izz="1"/>)"}}, "6: link 'b' has an inertia no body has"},
        {{{inertiab, massb + R"(ixx="1" ixy="-1" ixz="0" iyy="1" iyz="0" izz="2"/>)"}},
         {{inertiab, massb + R"(ixx="1" ixy="-2" ixz="0" iyy="1" iyz="0" izz="2"/>)"}}, "6: link 'b' has an inertia no body has"},
        {{}, {{linkb + R"(<mass value="1"/>)", linkb + R"(<mass value="-1"/>)"}, {"<link name=\"tool\"/>", tool2kg}},
         "6: link 'b' has the mass -1 kg; accepts a mass >= 0"},
        {{}, {{j2, j2 + "<mimic joint=\"j1\"/>"}}, "5: joint 'j2' mimics 'j1'"},
        // The slide of the cylindrical arm: its upper limit at least 0 and the lower one.
        {with(cylinder, {j2limit, R"(effort="3" velocity="1" lower="0" upper="0")"}),
         with(cylinder, {j2limit, R"(effort="3" velocity="1" lower="-3" upper="-0.1")"}),
         "5: joint 'j2' has the limits -3 m to -0.1 m; accepts an upper limit >= 0 and >= the lower one"},
        {with(cylinder, {j2limit, R"(effort="3" velocity="1" lower="0.2" upper="0.2")"}),
         with(cylinder, {j2limit, R"(effort="3" velocity="1" lower="0.5" upper="0.2")"}), "5: joint 'j2' has the limits 0.5 m to 0.2 m"},
        {{}, {{"</robot>", "</robt>"}}, "10: not XML"},
        {{}, {{R"(<robot name="arm">)", "<robot>"}}, "1: not a URDF the parser takes: "},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(refusalof("arm.urdf", edited(PLAINSCARA, c.taken)), "") << edited(PLAINSCARA, c.taken);
        const std::string why = refusalof("arm.urdf", edited(PLAINSCARA, c.refused));
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.why << "\n" << why;
    }
}

TEST(RobotFormats, JsonRefusalsNameTheLineOfTheirName) {
    const struct {
        const char *taken, *refused, *why;
    } cases[] = {
        {"{\"kind\": \"scara\",\n \"L1\": 0.5}", "{\"kind\": \"scara\",\n \"L1x\": 0.5}", "2: 'L1x' refused; a scara robot file accepts kind, "},
        {"{\"kind\": \"scara\",\n \"L1\": \"0.5 m\"}", "{\"kind\": \"scara\",\n \"L1\": \"0.5 mm\"}", "2: L1: unit 'mm' refused; accepts m"},
        {"{\"kind\": \"scara\",\n\n \"m1Nom\": 2}", "{\"kind\": \"scara\",\n\n \"m1Nom\": -2}", "3: m1Nom: -2 refused; accepts a number from 1e-09 to 1e+09 in kg"},
        {"{\"kind\": \"scara\",\n \"L1\": 0.5}", "{\"kind\": \"scara\",\n \"L1\": true}", "2: L1: not a number"},
        {"{\"kind\": \"scara\",\n \"L1\": 0.5,\n \"L2\": 0.4}", "{\"kind\": \"scara\",\n \"L1\": 0.5,\n \"L1\": 0.4}", "3: 'L1' given twice"},
        {"{\"kind\": \"scara\",\n \"L1\": 0.5\n}", "{\"kind\": \"scara\",\n \"L1\": 0.5,\n}", "3: not JSON: "},
        {"{\"kind\": \"scara\"}", "[\"kind\", \"scara\"]", "1: not a JSON object"},
        {"{\"kind\": \"scara\"}", "{\"L1\": 0.5}", "1: kind missing"},
        {"{\n\"kind\": \"scara\"}", "{\n\"kind\": 3}", "2: kind: '' refused; accepts cylindrical or scara"},
        {"{\"kind\": \"cylindrical\",\n \"L\": 0.5}", "{\"kind\": \"cylindrical\",\n \"L1\": 0.5}", "2: 'L1' refused"},
        {"{\"kind\": \"scara\",\n \"mwNom\": 1e0}", "{\"kind\": \"scara\",\n \"mwNom\": 1e400}",
         "2: number overflow parsing '1e400' refused"},
        {"{\"kind\": \"scara\",\n \"mwNom\": 1}", "{\"kind\": \"scara\",\n \"mwNom\\u0000x\": 1}", "1: 'mwNom\\x00x' refused"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(refusalof("arm.json", c.taken), "") << c.taken;
        const std::string why = refusalof("arm.json", c.refused);
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.refused << "\n" << why;
    }
}

// The format follows the extension, in either case; any other name is read as TOML.
TEST(RobotFormats, TheExtensionChoosesTheReader) {
    EXPECT_EQ(refusalof("arm.JSON", "{\"kind\": \"scara\"}"), "");
    EXPECT_EQ(refusalof("arm.Urdf", PLAINSCARA), "");
    EXPECT_EQ(refusalof("arm", "kind = \"scara\"\n"), "");
    EXPECT_EQ(refusalof("arm.json", "kind = \"scara\"\n").rfind("1: not JSON", 0), 0u);
    EXPECT_EQ(refusalof("arm.toml", "{\"kind\": \"scara\"}").rfind("1: not TOML", 0), 0u);
}

// The digest is of the file's bytes whatever its format: two files that differ by a
// comment alone give the same arm and different digests.
TEST(RobotFormats, TheDigestIsOfTheBytes) {
    RobotFile plain{}, commented{};
    ASSERT_EQ(refusalof("arm.urdf", PLAINSCARA, plain), "");
    ASSERT_EQ(refusalof("arm.urdf", std::string("<!-- mine -->\n") + PLAINSCARA, commented), "");
    EXPECT_EQ(plain.values, commented.values);
    EXPECT_NE(plain.sha256, commented.sha256);
    EXPECT_EQ(plain.sha256.size(), 64u);
}

}  // namespace

namespace {

// Rigid arms by name in TOML and JSON, and the URDF's payload: what is taken, and what
// is refused at its line.
TEST(RobotFormats, RigidArmsByNameAndTheUrdfPayload) {
    const std::string toml = "kind = \"scara\"\nmodel = \"rigid\"\nml1 = 2\nc1x = 0.25\nc1y = 0.02\nIc1 = 0.04\n"
                             "ml2 = 1\nc2x = 0.2\nc2y = -0.01\nIc2 = 0.01\nmwNom = \"0.5 kg\"\n";
    RobotFile file{};
    ASSERT_EQ(refusalof("arm.toml", toml, file), "");
    installrobot(file);
    EXPECT_TRUE(scara.rigid);
    EXPECT_FALSE(cyl.rigid);
    EXPECT_EQ(scara.mL[0], 2.0);
    EXPECT_EQ(scara.cL[1][1], -0.01);
    EXPECT_EQ(task.mwNom, 0.5);
    // The limits are the joints' whole torques, with gravity as without.
    EXPECT_EQ(scara.T1maxG, scara.T1max);
    RobotFile json{};
    ASSERT_EQ(refusalof("arm.json", R"({"kind": "cylindrical", "model": "rigid", "ml2": 3, "c2x": "-0.4 m"})", json), "");
    installrobot(json);
    EXPECT_TRUE(cyl.rigid);
    EXPECT_EQ(cyl.cL[1][0], -0.4);

    const struct {
        const char *name, *text, *why;
    } refused[] = {
        {"arm.toml", "kind = \"scara\"\nmodel = \"wobbly\"\n", "2: model: 'wobbly' refused; accepts rigid or points"},
        {"arm.toml", "kind = \"scara\"\nmodel = \"rigid\"\nIJ1 = 0.3\n", "3: 'IJ1' refused; a scara rigid-body robot file accepts"},
        {"arm.toml", "kind = \"scara\"\nml1 = 1\n", "2: 'ml1' refused; a scara robot file accepts"},
        {"arm.toml", "kind = \"scara\"\nmodel = \"rigid\"\nml1 = -1\n", "3: ml1: -1 refused; accepts 0 or a number from 1e-09 to 1e+09 in kg"},
        {"arm.json", "{\"kind\": \"cylindrical\", \"model\": \"rigid\",\n \"c1y\": 11}", "2: c1y: 11 refused"},
    };
    for (const auto &r : refused) EXPECT_EQ(refusalof(r.name, r.text).rfind(r.why, 0), 0u) << r.why << "\n" << refusalof(r.name, r.text);

    // The URDF's payload: a mass, or a link fixed below the tip joint; given once.
    const std::string companion = R"(<sotoc u1="40"/>)";
    RobotFile urdf{};
    ASSERT_EQ(refusalof("arm.urdf", edited(PLAINSCARA, {{companion, R"(<sotoc u1="40" payload="0.25 kg"/>)"}}), urdf), "");
    installrobot(urdf);
    EXPECT_TRUE(scara.rigid);
    EXPECT_EQ(task.mwNom, 0.25);
    EXPECT_NEAR(scara.cL[0][0], 0.5, 1e-15);
    EXPECT_NEAR(scara.cL[1][0], 0.4, 1e-15);
    const std::string tool = R"(<link name="tool"/>)";
    const std::string heavytool =
        R"(<link name="tool"><inertial><mass value="0.7"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>)";
    ASSERT_EQ(refusalof("arm.urdf", edited(PLAINSCARA, {{tool, heavytool}, {companion, R"(<sotoc payload="tool"/>)"}}), urdf), "");
    installrobot(urdf);
    EXPECT_EQ(task.mwNom, 0.7);
    EXPECT_NEAR(scara.mL[1], 1.0, 1e-15) << "the payload is not link 2's";
    const struct {
        const char *companion, *why;
    } payloads[] = {
        {R"(<sotoc payload="nowhere"/>)", "9: payload 'nowhere' names no link"},
        {R"(<sotoc payload="b"/>)", "9: payload 'b' is not fixed to the tip"},
        {R"(<sotoc payload="a"/>)", "9: payload 'a' is not fixed to the tip"},
        {R"(<sotoc payload="0.5 kg" mwNom="0.5"/>)", "9: 'mwNom' refused; the URDF's joints and links give it"},
    };
    for (const auto &p : payloads) {
        const std::string why = refusalof("arm.urdf", edited(PLAINSCARA, {{companion, p.companion}}));
        EXPECT_EQ(why.rfind(p.why, 0), 0u) << p.why << "\n" << why;
    }
}

}  // namespace

namespace {

// Both designs and the three runs on rigid arms: the error-free TOC run ends near
// the goal, as it does for the built-in arms (the cylindrical arm a quarter turn, as
// its default half turn has no solution).
TEST(RobotFormats, DesignsAndControllersRunOnRigidArms) {
    const struct {
        const char *name, *text;
        char type;
    } arms[] = {
        {"arm.toml", "kind = \"scara\"\nmodel = \"rigid\"\nml1 = 1.5\nc1x = 0.25\nc1y = 0.02\nIc1 = 0.03\n"
                     "ml2 = 0.8\nc2x = 0.2\nc2y = -0.01\nIc2 = 0.01\n", 'b'},
        {"arm.json", R"({"kind": "cylindrical", "model": "rigid", "ml1": 2, "c1x": 0.1, "Ic1": 0.05, "ml2": 1.5, "c2x": -0.4})", 'a'},
    };
    for (const auto &arm : arms)
        for (char gravity : {'h', 'g'}) {
            RobotFile file{};
            ASSERT_EQ(refusalof(arm.name, arm.text, file), "");
            installrobot(file);
            app.type = arm.type;
            ComparisonSettings s = currentsettings();
            s.sgnG = gravity;
            if (arm.type == 'a') {
                s.xf = 0.0;
                s.yf = 0.7;
            }
            s.tfNomBasis = standalonebasis(s);
            const ComparisonResult r = comparisonpass(s);
            ASSERT_EQ(r.outcome, COMPARED) << arm.name << gravity;
            EXPECT_LT(r.tocFree.endTipError, 0.01) << arm.name << gravity;
            EXPECT_GT(r.free.ts[3], 0.0) << arm.name << gravity;
        }
}

}  // namespace

namespace {

// What a file gives that the model ignores is noticed at its line: each moving
// joint's velocity limit in its unit, and the payload of the point masses (whose
// workpiece is link 2's mass); TOML and JSON files give nothing of the kind.
TEST(RobotFormats, WhatTheModelIgnoresIsNoticedAtItsLine) {
    const std::string companion = R"(<sotoc u1="40"/>)";
    const std::string j2 = R"(<joint name="j2" type="revolute">)";
    const std::string ignoredj1 = "3: joint 'j1': velocity limit 1 rad/s ignored; the model limits the joints' efforts only";
    const std::string ignoredj2 = "5: joint 'j2': velocity limit 2.5 m/s ignored; the model limits the joints' efforts only";
    const std::string j2fast = R"(effort="3" velocity="2.5" lower="-3" upper="3")";
    const Changes slide = {{j2, R"(<joint name="j2" type="prismatic">)"},
                           {R"(<origin xyz="0.5 0 0"/><axis xyz="0 0 1"/>)", R"(<origin xyz="0.5 0 0"/><axis xyz="1 0 0"/>)"},
                           {R"(effort="3" velocity="1" lower="-3" upper="3")", j2fast},
                           {R"(<mass value="1"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="j2")", R"(<mass value="0"/><inertia ixx="0" ixy="0" ixz="0" iyy="0" iyz="0" izz="0"/></inertial></link>
  <joint name="j2")"}};
    const struct {
        const char *name;
        std::string text;
        std::vector<std::string> notices;
    } cases[] = {
        {"arm.urdf", PLAINSCARA, {ignoredj1, "5: joint 'j2': velocity limit 1 rad/s ignored; the model limits the joints' efforts only"}},
        {"arm.urdf", edited(PLAINSCARA, slide), {ignoredj1, ignoredj2}},
        {"arm.urdf", edited(PLAINSCARA, with(slide, {companion, R"(<sotoc model="points"/>)"})), {ignoredj1, ignoredj2}},
        {"arm.urdf", edited(PLAINSCARA, {{companion, R"(<sotoc payload="0.5 kg"/>)"}}),
         {ignoredj1, "5: joint 'j2': velocity limit 1 rad/s ignored; the model limits the joints' efforts only"}},
        {"arm.urdf", edited(PLAINSCARA, with(slide, {companion, "<sotoc model=\"points\"\n payload=\"0.5 kg\"/>"})),
         {ignoredj1, ignoredj2, "10: payload '0.5 kg' ignored; the point masses take link 2's mass as the workpiece"}},
        {"arm.toml", "kind = \"scara\"\nmodel = \"rigid\"\nml1 = 2\n", {}},
        {"arm.json", R"({"kind": "scara", "L2": 0.45})", {}},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const std::string path = dir.file(c.name);
        std::ofstream(path) << c.text;
        RobotFile file{};
        const Outcome read = readrobotfile(path, file);
        ASSERT_TRUE(read.ok()) << read.message;
        std::vector<std::string> expected;
        for (const std::string &n : c.notices) expected.push_back(path + ":" + n);
        EXPECT_EQ(file.notices, expected) << c.text;
    }
}

}  // namespace
