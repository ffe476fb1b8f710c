// Joint accelerations of both robots against Orocos KDL's inertia matrix, Coriolis
// and gravity terms for chains of point masses built from the same parameters.
#include <gtest/gtest.h>

#include "defaults.h"
#include "tests/simulation/kdlchains.h"

namespace {

TEST(Kdl, BothRobotsWithNominalMassesWithAndWithoutGravity) {
    for (char type : {'a', 'b'})
        for (char gravity : {'h', 'g'}) {
            installdefaults(type);
            app.sgnG = gravity;
            const KDL::Chain chain = type == 'a' ? cylinderchain(recordsarm(type)) : scarachain(recordsarm(type), 0.0, 0.0);
            EXPECT_LT(worstdifference(type, chain), AGREEMENT) << type << gravity;
        }
}

// Runs with a mass error keep the arm inertias fixed at start (the SCARA's IJ1, IJ2
// at the nominal masses); the cylindrical robot has no such term.
TEST(Kdl, ErroneousMassesWithTheFixedArmInertiasAccountedFor) {
    for (double error : {0.2, -0.3})
        for (char gravity : {'h', 'g'}) {
            installdefaults('a');
            app.sgnG = gravity;
            task.mw = (1.0 + error) * task.mwNom;
            EXPECT_LT(worstdifference('a', cylinderchain(recordsarm('a'))), AGREEMENT) << error << gravity;

            installdefaults('b');
            app.sgnG = gravity;
            task.mw = (1.0 + error) * task.mwNom;
            scara.m1 = (1.0 + error) * scara.m1Nom;
            // What the fixed inertias hold beyond the point masses now in use.
            const double extra1 = scara.IJ1 - scara.m1 * scara.L1 * scara.L1;
            const double extra2 = scara.IJ2 - task.mw * scara.L2 * scara.L2;
            EXPECT_LT(worstdifference('b', scarachain(recordsarm('b'), extra1, extra2)), AGREEMENT) << error << gravity;
            EXPECT_GT(worstdifference('b', scarachain(recordsarm('b'), 0.0, 0.0)), 1e-3) << "the fixed inertias matter " << error;
        }
}

}  // namespace
