// Robot files read strictly, refused at the line that is wrong, and the records set
// up with them: the values fixed at start follow the file's values by the sizing
// rule unless the file gives them, and the derivation follows. Expected values are
// worked out by hand from the model's formulas in the comments.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <string>

#include "records/records.h"
#include "settings/robotfile.h"
#include "study/params.h"
#include "tests/support/tempdir.h"

namespace {

// The program's pi and the default servo frequency 2 pi 10 Hz [rad/s].
constexpr double P = 3.14159265358979;
constexpr double WN = 20.0 * P;

std::string written(const TempDir &dir, const std::string &name, const std::string &text) {
    const std::string path = dir.file(name);
    std::ofstream(path) << text;
    return path;
}

// Reads `text` as a robot file; "" when taken, else the refusal (status 2 checked).
std::string refusalof(const std::string &text, RobotFile &file) {
    TempDir dir;
    const Outcome read = readrobotfile(written(dir, "arm.toml", text), file);
    if (read.ok()) return "";
    EXPECT_EQ(read.status, 2) << read.message;
    const std::string prefix = dir.file("arm.toml") + ":";
    EXPECT_EQ(read.message.rfind(prefix, 0), 0u) << read.message;
    return read.message.substr(prefix.size());
}

std::string refusalof(const std::string &text) {
    RobotFile file{};
    return refusalof(text, file);
}

// A SCARA with a longer link 2, L2 = 0.5 m, everything else the built-in robot's:
// the sizing, the limits, the inertias and the gains follow, by hand:
//   IJ1 = m1 L1^2 = 0.25, IJ2 = mw L2^2 = 0.25, IMm1 = IMm2 = 0.25 / 50^2 = 1e-4
//   stroke acceleration a = (pi/2) / 1^2 = pi/2
//   M11m = 1e-4 50^2 + 0.25 + 0.25 + 1 0.5 (2 0.5 + 0.5) = 1.5, M12m = 0.5 0.5 + 0.25 = 0.5,
//   M22m = 1e-4 50^2 + 0.25 = 0.5
//   TM1 = (M11m + M12m) a / 50 = pi/50, TM2 = 2 (M12m + M22m) a / 50 = pi/50
//   T1max = 40 TM1 = 0.8 pi, T2max = 2 40 TM2 = 1.6 pi
//   T1maxG = (m1 L1 + (L1 + L2) mw) 9.8 + T1max = 14.7 + 0.8 pi, T2maxG = 9.8 0.5 + 1.6 pi
//   IM1 = IM2 = 1e-4 40^2 = 0.16
//   start (0.7, 0): cos phi2 = (0.49 - 0.25 - 0.25) / (2 0.25) = -0.02; end (-0.3, 0.4):
//   r^2 = 0.25, cos phi2 = (0.25 - 0.5) / 0.5 = -0.5; elbow up: phi2 = -acos(...)
//   c = max(-0.02, -0.5) = -0.02
//   M22max = mw L2^2 + IM2 = 0.41, M12max = 0.25 + 0.25 (-0.02) = 0.245,
//   M11max = 0.25 + 0.16 + 0.25 + 0.5 (2 0.5 (-0.02) + 0.5) = 0.9
//   Kp2 = (2 zeta wn alpha + wn^2) M22max, Kd2 = (2 zeta wn + alpha) M22max, Ki2 = alpha wn^2 M22max
TEST(RobotFile, ALongerLinkGivesTheDerivedValuesOfTheFormulas) {
    RobotFile file{};
    ASSERT_EQ(refusalof("kind = \"scara\"\nL2 = \"0.5 m\"\n", file), "");
    installrobot(file);
    const RobotParams &p = scara;
    const double tol = 1e-12;
    EXPECT_EQ(app.type, ROBOTSCARA);
    EXPECT_EQ(p.L2, 0.5);
    EXPECT_NEAR(p.IJ2, 0.25, tol);
    EXPECT_NEAR(p.IMm2, 1e-4, tol);
    EXPECT_NEAR(p.TM1, P / 50.0, tol);
    EXPECT_NEAR(p.TM2, P / 50.0, tol);
    EXPECT_NEAR(p.T1max, 0.8 * P, tol);
    EXPECT_NEAR(p.T2max, 1.6 * P, tol);
    EXPECT_NEAR(p.T1maxG, 14.7 + 0.8 * P, tol);
    EXPECT_NEAR(p.T2maxG, 4.9 + 1.6 * P, tol);
    EXPECT_NEAR(p.IM2, 0.16, tol);
    EXPECT_NEAR(p.phi0[1], -std::acos(-0.02), tol);
    EXPECT_NEAR(p.phif[1], -2.0 * P / 3.0, 1e-9);
    EXPECT_NEAR(p.M22max, 0.41, tol);
    EXPECT_NEAR(p.M12max, 0.245, tol);
    EXPECT_NEAR(p.M11max, 0.9, tol);
    EXPECT_NEAR(p.Kp[1], (WN + WN * WN) * 0.41, 1e-9);
    EXPECT_NEAR(p.Kd[1], (2.0 * WN + 0.5) * 0.41, 1e-9);
    EXPECT_NEAR(p.Ki[1], 0.5 * WN * WN * 0.41, 1e-9);
    // The drawn link follows; the cylindrical robot keeps its own.
    EXPECT_EQ(cyl.L, 1.0);
    EXPECT_NEAR(cyl.TM1, P / 50.0, tol);
}

// A value fixed at start that the file gives is kept and enters the later ones:
// IJ1 = 0.5 kg m^2 makes IMm1 = 0.5 / 50^2 = 2e-4 and
// M11m = 2e-4 50^2 + 0.5 + 0.16 + 0.65 = 1.81, TM1 = (1.81 + 0.36) (pi/2) / 50;
// IMm2 given leaves IJ2 computed (0.16) and TM2 from the given value:
// M22m = 1e-3 50^2 + 0.16 = 2.66, TM2 = 2 (0.36 + 2.66) (pi/2) / 50.
TEST(RobotFile, FixedValuesGivenAreKeptAndTheRestFollowThem) {
    RobotFile file{};
    ASSERT_EQ(refusalof("kind = \"scara\"\nIJ1 = 0.5\nIMm2 = \"0.001 kg m^2\"\n", file), "");
    installrobot(file);
    EXPECT_EQ(scara.IJ1, 0.5);
    EXPECT_NEAR(scara.IMm1, 2e-4, 1e-15);
    EXPECT_NEAR(scara.TM1, 2.17 * (P / 2.0) / 50.0, 1e-12);
    EXPECT_EQ(scara.IMm2, 0.001);
    EXPECT_NEAR(scara.IJ2, 0.16, 1e-15);
    EXPECT_NEAR(scara.TM2, 2.0 * 3.02 * (P / 2.0) / 50.0, 1e-12);
}

// The nominal workpiece mass of a file is the mass in use after it, and the error
// mass follows it: mwErr = (1 + 0.01) 2 = 2.02. The cylindrical sizing by hand with
// mw = 2, L = 1: IJ1 = 2, IMm1 = 2/50^2, IMm2 = 2/50^2, TM1 = (2 + 2)(pi/2)/50,
// TM2 = (2 + 2) 1 / 50.
TEST(RobotFile, AWorkpieceMassResizesTheCylindricalDrives) {
    RobotFile file{};
    ASSERT_EQ(refusalof("kind = \"cylindrical\"\nmwNom = \"2 kg\"\n", file), "");
    installrobot(file);
    EXPECT_EQ(task.mw, 2.0);
    EXPECT_NEAR(task.mwErr, 2.02, 1e-15);
    EXPECT_NEAR(cyl.IJ1, 2.0, 1e-15);
    EXPECT_NEAR(cyl.IMm2, 2.0 / 2500.0, 1e-18);
    EXPECT_NEAR(cyl.TM1, 4.0 * (P / 2.0) / 50.0, 1e-12);
    EXPECT_NEAR(cyl.TM2, 0.08, 1e-15);
}

// The digest is SHA-256 of the file's bytes (sha256sum of the same two lines), and
// the file's own path is kept as given.
TEST(RobotFile, PathAndDigestOfTheBytes) {
    TempDir dir;
    const std::string path = written(dir, "arm.toml", "kind = \"scara\"\nL2 = 0.5\n");
    RobotFile file{};
    ASSERT_TRUE(readrobotfile(path, file).ok());
    EXPECT_EQ(file.path, path);
    EXPECT_EQ(file.sha256, "e2908fb6cc764e715dd3ddc07cdce9e1f056397b38f69cbfdc8f093037aaf00d");
    EXPECT_EQ(file.type, ROBOTSCARA);
}

// Each refusal beside a file that differs from it only in what is refused: the
// first is taken, the second refused at the line that is wrong.
TEST(RobotFile, RefusalsNameTheLine) {
    const struct {
        const char *taken, *refused, *why;
    } cases[] = {
        {"kind = \"scara\"\n", "L2 = 0.5\n", "1: kind missing"},
        {"kind = \"scara\"\n", "kind = \"delta\"\n", "1: kind: 'delta' refused; accepts cylindrical or scara"},
        {"kind = \"scara\"\n\nL1 = 0.5\n", "kind = \"scara\"\n\nL = 0.5\n",
         "3: 'L' refused; a scara robot file accepts kind, "},
        {"kind = \"scara\"\nL1 = 0.5\n", "kind = \"scara\"\nL1x = 0.5\n", "2: 'L1x' refused"},
        {"kind = \"cylindrical\"\nL = 0.5\n", "kind = \"cylindrical\"\nL1 = 0.5\n", "2: 'L1' refused"},
        {"kind = \"scara\"\nL1 = \"0.5 m\"\n", "kind = \"scara\"\nL1 = \"0.5 mm\"\n",
         "2: L1: unit 'mm' refused; accepts m"},
        {"kind = \"cylindrical\"\nu2 = \"30 rad/m\"\n", "kind = \"cylindrical\"\nu2 = \"30 rad/rad\"\n",
         "2: u2: unit 'rad/rad' refused; accepts rad/m"},
        {"kind = \"scara\"\nm1Nom = 2\n", "kind = \"scara\"\nm1Nom = -2\n", "2: m1Nom: -2 refused; accepts a number from 1e-09 to 1e+09 in kg"},
        {"kind = \"scara\"\nmwNom = 0.1\n", "kind = \"scara\"\nmwNom = 0\n", "2: mwNom: 0 refused"},
        {"kind = \"scara\"\nL1 = 0.5\n", "kind = \"scara\"\nL1 = true\n", "2: L1: not a number"},
        {"kind = \"scara\"\nL1 = 0.5\n", "kind = \"scara\"\nL1 = \"half\"\n", "2: L1: 'half' refused"},
        {"kind = \"scara\"\nu1 = 999\n", "kind = \"scara\"\nu1 = 1000\n", "2: u1: 1000 refused"},
        {"kind = \"scara\"\nzeta1 = 0.7\n", "kind = \"scara\"\nzeta1 = nan\n", "2: zeta1: nan refused"},
        {"kind = \"scara\"\n\nxf = -0.3\n", "kind = \"scara\"\nL1 = 0.5\nL1 = 0.6\n", "3: not TOML"},
        // The move must be one the SCARA reaches with the file's links: the default end
        // point is 0.5 m from the base, nearer than 0.65 - 0.1 m (the start, 0.7 m, is
        // within 0.75 m).
        {"kind = \"scara\"\nL1 = 0.65\nL2 = 0.2\n", "kind = \"scara\"\nL1 = 0.65\nL2 = 0.1\n",
         "2: the end point (-0.3, 0.4) m is out of the SCARA's reach; accepts points 0.55 m to 0.75 m from the base"},
        {"kind = \"scara\"\n", "kind = \"scara\"\nerrRatio = 0.1\n", "2: 'errRatio' refused"},
        {"kind = \"scara\"\n", "kind = \"scara\"\nT1max = 3\n", "2: 'T1max' refused"},
        {"kind = \"scara\"\nmwNom = 1\n", "kind = \"scara\"\n\"mwNom\\u0000x\" = 1\n", "2: 'mwNom\\x00x' refused"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(refusalof(c.taken), "") << c.taken;
        const std::string why = refusalof(c.refused);
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.refused << "\n" << why;
    }
}

// A file that cannot be read, is no regular file (read without waiting for a pipe's
// writer) or is too long is refused at line 1 and read no further.
TEST(RobotFile, UnreadableIrregularAndLongFilesAreRefused) {
    TempDir dir;
    const std::string fifo = dir.file("arm.toml"), longer = dir.file("long.toml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(longer) << "kind = \"scara\"\n" << std::string(MAXROBOTFILEBYTES, '#') << "\n";
    const struct {
        std::string path, why;
    } cases[] = {
        {"/nonexistent/arm.toml", "cannot be read"},
        {"/dev/zero", "not a regular file"},
        {fifo, "not a regular file"},
        {dir.path, "not a regular file"},
        {longer, "longer than 65536 bytes; accepts a short robot file"},
    };
    for (const auto &c : cases) {
        RobotFile file{};
        const Outcome read = readrobotfile(c.path, file);
        EXPECT_EQ(read.status, 2);
        EXPECT_EQ(read.message, c.path + ":1: " + c.why);
    }
}

// Without a file the records are those of initialset.
TEST(RobotFile, NoFileIsTheBuiltInRobots) {
    RobotFile longer{};
    ASSERT_EQ(refusalof("kind = \"scara\"\nL2 = 0.5\n", longer), "");
    installrobot(longer);
    installrobot(RobotFile{});
    EXPECT_EQ(scara.L2, 0.4);
    EXPECT_EQ(scara.IJ2, 1.0 * 0.4 * 0.4);
}

}  // namespace
