#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "design/design.h"
#include "optimal/optimal.h"
#include "records/records.h"
#include "simulation/integrator.h"
#include "study/params.h"

namespace {

// Defaults of both robots, robot `type` in gravity mode `gravity` moving between
// the tip points (x0, y0) and (xf, yf) [m] (the defaults' where NaN).
void selectmove(char type, char gravity, const double points[4]) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    app.designErr = DESIGNNOMINAL;
    if (!std::isnan(points[0])) {
        task.x0 = points[0];
        task.y0 = points[1];
        task.xf = points[2];
        task.yf = points[3];
    }
    derivesettings();
}

const double DEFAULTMOVE[4] = {NAN, NAN, NAN, NAN};

// The final state of the plant driven from the start by the solution's torques
// through the simulation's Runge-Kutta-Gill step, `steps` steps over t*.
void replay(const OptimalProblem &p, const OptimalSolution &sol, int steps, double x[4]) {
    std::copy(p.x0, p.x0 + 4, x);
    const double h = sol.tf / steps;
    for (int n = 0; n < steps; ++n) {
        double xn[4];
        gillstep(
            [&](int i, double t, const double *y) {
                if (i < 2) return y[2 + i];
                double u[2], trig[4] = {0.0, 0.0, 0.0, 0.0}, acc[2];
                optimaltorque(sol, t, u);
                motiontrig(p.m, y, trig);
                accelerations(p.m, u[0], u[1], y, trig, acc);
                return acc[i - 2];
            },
            n * h, h, x, xn, 4);
        std::copy(xn, xn + 4, x);
    }
}

// Moves of the table: the defaults' and points of both arms' workspaces [m].
const double MOVES[3][4] = {{NAN, NAN, NAN, NAN}, {0.6, 0.2, 0.1, 0.5}, {0.3, -0.4, 0.5, 0.3}};
const char ROBOTS[2] = {ROBOTSCARA, ROBOTCYL};
const char MOTIONS[2] = {MOTIONHORIZONTAL, MOTIONVERTICAL};

// The solver's result for the selected move, from the design's motion when
// `warm` and the design has one.
OptimalSolution solvemove(bool warm, OptimalProblem &p, const OptimalSettings &s = OPTIMALDEFAULTS) {
    const bool designed = warm && designswitching() == 1;
    optimalproblem(app.type, designed, p);
    OptimalSolution sol;
    solveoptimal(p, s, sol);
    return sol;
}

// With the arm's own masses and inertias gone, each joint is a double integrator of
// its motor inertia: from rest to rest over dq at most |tau| <= T takes
// 2 sqrt(|dq| I / T), and t* is the longer of the two joints' times, reached by the
// slower joint's torque at one limit, then the other.
TEST(Optimal, DecoupledDoubleIntegratorsTakeTheirBangBangTime) {
    for (char r : ROBOTS)
        for (char g : MOTIONS)
            for (const double *move : MOVES) {
                selectmove(r, g, move);
                RobotParams &a = robotparams(r);
                a.IJ1 = a.IJ2 = a.m1 = 0.0;
                task.mw = 0.0;
                OptimalProblem p;
                const OptimalSolution sol = solvemove(false, p);
                const double I[2] = {a.IM1, a.IM2};
                const double T[2] = {g == MOTIONVERTICAL ? a.T1maxG : a.T1max, g == MOTIONVERTICAL ? a.T2maxG : a.T2max};
                double t[2];
                for (int j = 0; j < 2; ++j) t[j] = 2.0 * std::sqrt(std::fabs(a.phif[j] - a.phi0[j]) * I[j] / T[j]);
                const int slower = t[0] >= t[1] ? 0 : 1;
                SCOPED_TRACE(std::string(1, r) + g + " move " + std::to_string(move - MOVES[0]));
                ASSERT_TRUE(sol.solved);
                EXPECT_TRUE(sol.meshConverged);
                EXPECT_NEAR(sol.tf, t[slower], OPTIMALDEFAULTS.meshTol * t[slower]);
                EXPECT_EQ(sol.switches[slower], 1);
                EXPECT_EQ(sol.interiorArcs[slower], 0);
            }
}

// Wherever the design finds a motion, no motion of the plant is faster than t*, and
// t* does not depend on where the solver starts; the solution is a motion of the
// plant: its torques, applied from the start in the simulation's integrator, bring
// the arm to rest at the goal within 1e-3 [rad, m] and 2e-3 [rad/s, m/s].
TEST(Optimal, NeverSlowerThanTheDesignAndAMotionOfThePlant) {
    int designed = 0;
    for (char r : ROBOTS)
        for (char g : MOTIONS)
            for (const double *move : MOVES) {
                selectmove(r, g, move);
                SCOPED_TRACE(std::string(1, r) + g + " move " + std::to_string(move - MOVES[0]));
                OptimalProblem p, cold;
                const OptimalSolution sol = solvemove(true, p);
                ASSERT_TRUE(sol.solved);
                if (p.warm) {
                    ++designed;
                    EXPECT_LE(sol.tf, (1.0 + OPTIMALDEFAULTS.meshTol) * p.ts[3]);
                }
                EXPECT_NEAR(solvemove(false, cold).tf, sol.tf, OPTIMALDEFAULTS.meshTol * sol.tf);
                double x[4];
                replay(p, sol, 4000, x);
                for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i], p.xf[i], i < 2 ? 1e-3 : 2e-3) << "state " << i;
            }
    EXPECT_GE(designed, 8);
}

// t* on the solver's last mesh of N intervals and on one of 2N solved on its own
// differ by less than the mesh tolerance.
TEST(Optimal, FinerMeshKeepsTheMinimumTime) {
    for (char r : ROBOTS)
        for (char g : MOTIONS) {
            selectmove(r, g, MOVES[1]);
            OptimalProblem p;
            const OptimalSolution sol = solvemove(true, p);
            OptimalSettings fine = OPTIMALDEFAULTS;
            fine.N0 = fine.Nmax = 2 * sol.N;
            OptimalSolution finer;
            solveoptimal(p, fine, finer);
            SCOPED_TRACE(std::string(1, r) + g);
            ASSERT_TRUE(finer.solved);
            EXPECT_EQ(finer.N, 2 * sol.N);
            EXPECT_NEAR(finer.tf, sol.tf, OPTIMALDEFAULTS.meshTol * sol.tf);
        }
}

}  // namespace
