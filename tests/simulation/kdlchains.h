// Chains of Orocos KDL built from the parameters of an arm, and the largest
// difference between the model's joint accelerations and KDL's over random states.
#pragma once

#include <Eigen/LU>
#include <kdl/chain.hpp>
#include <kdl/chaindynparam.hpp>

#include <cmath>
#include <random>

#include "records/records.h"
#include "simulation/dynamics.h"
#include "simulation/rigidbody.h"
#include "tests/simulation/reference.h"

// The values a chain is built from: link lengths, point masses at the elbow and
// the tip, motor inertias referred to the joints [m, kg, kg m^2].
struct ChainArm {
    double L1, L2, m1, mw, IM1, IM2;
};

// The arm of the records: the selected robot's values and the workpiece mass in use.
inline ChainArm recordsarm(char type) {
    const RobotParams &p = robotparams(type);
    return {p.L1, p.L2, p.m1, task.mw, p.IM1, p.IM2};
}


// Random states per case, and agreement relative to the size of the acceleration.
constexpr int STATES = 1000;
constexpr double AGREEMENT = 1e-12;
// Ranges of the random states: radius of the cylindrical robot [m], joint velocities [rad/s, m/s].
constexpr double RMIN = 0.05, RMAX = 1.2;
constexpr double VMAX = 10.0;

// Every joint axis along the base z axis; the arm moves in the base x-y plane with
// x along joint angle 0. Motor inertias referred to the joints are KDL joint inertias.
inline KDL::Chain cylinderchain(const ChainArm &a) {
    KDL::Chain chain;
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, a.IM1)));
    // The radial joint's value is the radius of the workpiece, a point mass at its tip.
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::TransX, 1, 0, a.IM2), KDL::Frame::Identity(),
                                  KDL::RigidBodyInertia(a.mw)));
    return chain;
}

// Point masses m1 at the elbow and mw at the tip; extra1, extra2 are inertias of
// zero mass turning with link 1 and link 2 [kg m^2].
inline KDL::Chain scarachain(const ChainArm &a, double extra1, double extra2) {
    KDL::Chain chain;
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, a.IM1), KDL::Frame(KDL::Vector(a.L1, 0, 0)),
                                  KDL::RigidBodyInertia(a.m1, KDL::Vector::Zero(),
                                                        KDL::RotationalInertia(0, 0, extra1))));
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, a.IM2), KDL::Frame(KDL::Vector(a.L2, 0, 0)),
                                  KDL::RigidBodyInertia(a.mw, KDL::Vector::Zero(),
                                                        KDL::RotationalInertia(0, 0, extra2))));
    return chain;
}

// A chain of the rigid bodies `b` (link frames of simulation/rigidbody.h): KDL holds
// each segment's inertia in the segment's tip frame, so the centres of mass are
// moved there; the payload is a point mass at the tip of the last segment.
inline KDL::Chain rigidchain(const ArmBodies &b) {
    auto link = [&b](int j, double length) {
        const KDL::Vector c(b.c[j][0] - length, b.c[j][1], 0.0);
        return KDL::RigidBodyInertia(b.m[j], c, KDL::RotationalInertia(0.0, 0.0, b.I[j]));
    };
    KDL::Chain chain;
    if (b.scara) {
        chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, b.IM[0]), KDL::Frame(KDL::Vector(b.L1, 0, 0)),
                                      link(0, b.L1)));
        chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, b.IM[1]), KDL::Frame(KDL::Vector(b.L2, 0, 0)),
                                      link(1, b.L2) + KDL::RigidBodyInertia(b.mw)));
    } else {
        chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ, 1, 0, b.IM[0]), KDL::Frame::Identity(), link(0, 0.0)));
        chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::TransX, 1, 0, b.IM[1]), KDL::Frame::Identity(),
                                      link(1, 0.0) + KDL::RigidBodyInertia(b.mw)));
    }
    return chain;
}

// Vertical motion: gravity in the plane of motion, angles counted from the horizontal.
// Horizontal: along the joint axes, where it loads neither joint.
inline KDL::Vector gravityvector(char gravity) {
    return gravity == 'g' ? KDL::Vector(0, -GRAVITY, 0) : KDL::Vector(0, 0, -GRAVITY);
}

// KDL's inertia matrix (the joint inertias left out), velocity-product and gravity
// torques at (q, dq), for gravity mode `gravity`. False when KDL reports an error.
inline bool kdlterms(const KDL::Chain &chain, char gravity, const double q[2], const double dq[2], RigidState &s) {
    KDL::ChainDynParam dyn(chain, gravityvector(gravity));
    KDL::JntArray Q(2), DQ(2), C(2), G(2);
    KDL::JntSpaceInertiaMatrix M(2);
    for (int j = 0; j < 2; ++j) {
        Q(j) = q[j];
        DQ(j) = dq[j];
    }
    if (dyn.JntToMass(Q, M) != 0 || dyn.JntToCoriolis(Q, DQ, C) != 0 || dyn.JntToGravity(Q, G) != 0) return false;
    for (int j = 0; j < 2; ++j) {
        for (int k = 0; k < 2; ++k) s.M[j][k] = M(j, k);
        s.C[j] = C(j);
        s.G[j] = G(j);
        s.M[j][j] -= chain.getSegment(j).getJoint().getInertia();
    }
    return true;
}

// The largest difference of two sets of terms, each relative to the size of the
// other's matrix row or vector (at least 1e-6, below which rounding is all there is).
inline double termsdifference(const RigidState &a, const RigidState &b) {
    auto vector = [](const double *x, const double *y) {
        return std::hypot(x[0] - y[0], x[1] - y[1]) / std::fmax(std::hypot(y[0], y[1]), 1e-6);
    };
    const double Mdiff = std::fmax(vector(a.M[0], b.M[0]), vector(a.M[1], b.M[1]));
    return std::fmax(Mdiff, std::fmax(vector(a.C, b.C), vector(a.G, b.G)));
}

// KDL's joint accelerations: (M + joint inertias) q'' = tau - C - G, gravity as
// app.sgnG has it. False when KDL reports an error.
inline bool kdlaccel(const KDL::Chain &chain, const double q[2], const double dq[2], const double tau[2], double acc[2]) {
    RigidState s;
    if (!kdlterms(chain, app.sgnG, q, dq, s)) return false;
    Eigen::Matrix2d M;
    M << s.M[0][0] + chain.getSegment(0).getJoint().getInertia(), s.M[0][1], s.M[1][0],
        s.M[1][1] + chain.getSegment(1).getJoint().getInertia();
    const Eigen::Vector2d a = M.partialPivLu().solve(Eigen::Vector2d(tau[0] - s.C[0] - s.G[0], tau[1] - s.C[1] - s.G[1]));
    acc[0] = a(0);
    acc[1] = a(1);
    return true;
}

// Largest difference between the model's and KDL's accelerations over random
// states, relative to the size of KDL's acceleration (at least 1); infinite when
// KDL fails.
inline double worstdifference(char type, const KDL::Chain &chain) {
    std::mt19937_64 random(type == 'a' ? 11 : 12);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_real_distribution<double> radius(RMIN, RMAX);
    const double T1 = jointlimit(type, 'g', 0), T2 = jointlimit(type, 'g', 1);
    double worst = 0.0;
    for (int i = 0; i < STATES; ++i) {
        const double q[2] = {PI * unit(random), type == 'a' ? radius(random) : PI * unit(random)};
        const double dq[2] = {VMAX * unit(random), VMAX * unit(random)};
        const double tau[2] = {T1 * unit(random), T2 * unit(random)};
        double model[2], kdl[2];
        dynamics(type, tau[0], tau[1], q[0], q[1], dq[0], dq[1], model);
        if (!kdlaccel(chain, q, dq, tau, kdl)) return INFINITY;
        const double size = std::fmax(std::hypot(kdl[0], kdl[1]), 1.0);
        worst = std::fmax(worst, std::hypot(model[0] - kdl[0], model[1] - kdl[1]) / size);
    }
    return worst;
}


