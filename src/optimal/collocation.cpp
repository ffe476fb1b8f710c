#include "optimal/collocation.h"

#include <algorithm>

#include <IpIpoptApplication.hpp>
#include <IpSolveStatistics.hpp>
#include <IpTNLP.hpp>
#include <Eigen/Core>
#include <unsupported/Eigen/AutoDiff>

namespace {

// Unknowns one interval's defects depend on: the state and torques at both ends,
// the midpoint torques, the final time.
constexpr int LOCALS = 15;
// Forward-mode scalars: first derivatives by the locals (the Jacobian), and
// derivatives of those (the Hessian of the Lagrangian).
using Dual = Eigen::AutoDiffScalar<Eigen::Matrix<double, LOCALS, 1>>;
using Dual2 = Eigen::AutoDiffScalar<Eigen::Matrix<Dual, LOCALS, 1>>;

// The largest final time the solver may try, as a multiple of the first guess: far
// beyond any motion the torque limits allow, a bound only to keep tf finite.
constexpr double TFMAXFACTOR = 100.0;
// The smallest final time [s]: keeps the interval length positive.
constexpr double TFMIN = 1e-4;

// State derivative f = (q1', q2', q1'', q2'') of the plant at state x under torques u.
template <class S>
void plantrate(const MotionTerms &m, const S x[4], const S u[2], S f[4]) {
    S trig[4] = {S(0.0), S(0.0), S(0.0), S(0.0)};
    motiontrig(m, x, trig);
    S acc[2];
    accelerations(m, u[0], u[1], x, trig, acc);
    f[0] = x[2];
    f[1] = x[3];
    f[2] = acc[0];
    f[3] = acc[1];
}

// Hermite-Simpson defects d of one interval of length tf / N from its locals v: xk
// (0..3), uk (4, 5), midpoint torques (6, 7), xk+1 (8..11), uk+1 (12, 13), tf (14).
// xm = (xk + xk+1) / 2 + h (fk - fk+1) / 8, d = xk+1 - xk - h (fk + 4 fm + fk+1) / 6.
// The end rates fk, fk1 and the midpoint state xm of an interval of length h from
// the locals v laid out as hermitesimpson's.
template <class S>
void midpointof(const MotionTerms &m, const S &h, const S *v, S fk[4], S fk1[4], S xm[4]) {
    plantrate(m, v, v + 4, fk);
    plantrate(m, v + 8, v + 12, fk1);
    for (int i = 0; i < 4; ++i) xm[i] = 0.5 * (v[i] + v[8 + i]) + h * (fk[i] - fk1[i]) / 8.0;
}

template <class S>
void hermitesimpson(const MotionTerms &m, int N, const S v[LOCALS], S d[4]) {
    const S h = v[14] / static_cast<double>(N);
    S fk[4], fk1[4], fm[4], xm[4];
    midpointof(m, h, v, fk, fk1, xm);
    plantrate(m, xm, v + 6, fm);
    for (int i = 0; i < 4; ++i) d[i] = v[8 + i] - v[i] - h * (fk[i] + 4.0 * fm[i] + fk1[i]) / 6.0;
}

// Entries of the lower triangle of one interval's Hessian block.
constexpr int HESSIANBLOCK = LOCALS * (LOCALS + 1) / 2;

// Index in z of local i of interval k.
int localindex(int N, int k, int i) {
    if (i < 6) return 6 * k + i;
    if (i < 8) return 6 * (N + 1) + 2 * k + (i - 6);
    if (i < 14) return 6 * (k + 1) + (i - 8);
    return collocationsize(N) - 1;
}

class Transcription : public Ipopt::TNLP {
public:
    Transcription(const OptimalProblem &p, int N, std::vector<double> &z) : p_(p), N_(N), z_(z) {}

    bool get_nlp_info(Ipopt::Index &n, Ipopt::Index &m, Ipopt::Index &nnzjac, Ipopt::Index &nnzh,
                      IndexStyleEnum &style) override {
        n = collocationsize(N_);
        m = 4 * N_;
        nnzjac = 4 * LOCALS * N_;
        nnzh = HESSIANBLOCK * N_;
        style = C_STYLE;
        return true;
    }

    bool get_bounds_info(Ipopt::Index n, Ipopt::Number *zl, Ipopt::Number *zu, Ipopt::Index m, Ipopt::Number *gl,
                         Ipopt::Number *gu) override {
        const double T[2] = {p_.m.T1, p_.m.T2};
        for (int i = 0; i < n; ++i) {
            zl[i] = -2e19;
            zu[i] = 2e19;
        }
        for (int k = 0; k <= N_; ++k) {
            for (int j = 0; j < 2; ++j) {
                zl[6 * k + 4 + j] = -T[j];
                zu[6 * k + 4 + j] = T[j];
            }
        }
        for (int k = 0; k < N_; ++k) {
            for (int j = 0; j < 2; ++j) {
                zl[6 * (N_ + 1) + 2 * k + j] = -T[j];
                zu[6 * (N_ + 1) + 2 * k + j] = T[j];
            }
        }
        for (int i = 0; i < 4; ++i) {
            zl[i] = zu[i] = p_.x0[i];
            zl[6 * N_ + i] = zu[6 * N_ + i] = p_.xf[i];
        }
        zl[n - 1] = TFMIN;
        zu[n - 1] = TFMAXFACTOR * p_.tfGuess;
        for (int r = 0; r < m; ++r) gl[r] = gu[r] = 0.0;
        return true;
    }

    bool get_starting_point(Ipopt::Index n, bool, Ipopt::Number *z, bool, Ipopt::Number *, Ipopt::Number *,
                            Ipopt::Index, bool, Ipopt::Number *) override {
        for (int i = 0; i < n; ++i) z[i] = z_[i];
        return true;
    }

    bool eval_f(Ipopt::Index n, const Ipopt::Number *z, bool, Ipopt::Number &f) override {
        f = z[n - 1];
        return true;
    }

    bool eval_grad_f(Ipopt::Index n, const Ipopt::Number *, bool, Ipopt::Number *g) override {
        for (int i = 0; i < n; ++i) g[i] = 0.0;
        g[n - 1] = 1.0;
        return true;
    }

    bool eval_g(Ipopt::Index, const Ipopt::Number *z, bool, Ipopt::Index, Ipopt::Number *g) override {
        for (int k = 0; k < N_; ++k) {
            double v[LOCALS];
            for (int i = 0; i < LOCALS; ++i) v[i] = z[localindex(N_, k, i)];
            hermitesimpson(p_.m, N_, v, g + 4 * k);
        }
        return true;
    }

    bool eval_jac_g(Ipopt::Index, const Ipopt::Number *z, bool, Ipopt::Index, Ipopt::Index, Ipopt::Index *rows,
                    Ipopt::Index *cols, Ipopt::Number *values) override {
        int e = 0;
        for (int k = 0; k < N_; ++k) {
            if (values == nullptr) {
                for (int r = 0; r < 4; ++r) {
                    for (int i = 0; i < LOCALS; ++i, ++e) {
                        rows[e] = 4 * k + r;
                        cols[e] = localindex(N_, k, i);
                    }
                }
                continue;
            }
            Dual v[LOCALS], d[4];
            for (int i = 0; i < LOCALS; ++i) v[i] = Dual(z[localindex(N_, k, i)], LOCALS, i);
            hermitesimpson(p_.m, N_, v, d);
            for (int r = 0; r < 4; ++r)
                for (int i = 0; i < LOCALS; ++i, ++e) values[e] = d[r].derivatives()[i];
        }
        return true;
    }

    // The Hessian of the Lagrangian, the objective being linear: one dense block
    // per interval over its locals; blocks overlap at the shared nodes and the final
    // time, and IPOPT adds entries given more than once.
    bool eval_h(Ipopt::Index, const Ipopt::Number *z, bool, Ipopt::Number, Ipopt::Index, const Ipopt::Number *lambda,
                bool, Ipopt::Index, Ipopt::Index *rows, Ipopt::Index *cols, Ipopt::Number *values) override {
        int e = 0;
        for (int k = 0; k < N_; ++k) {
            if (values == nullptr) {
                for (int i = 0; i < LOCALS; ++i) {
                    for (int j = 0; j <= i; ++j, ++e) {
                        const int a = localindex(N_, k, i), b = localindex(N_, k, j);
                        rows[e] = std::max(a, b);
                        cols[e] = std::min(a, b);
                    }
                }
                continue;
            }
            Dual2 v[LOCALS], d[4];
            for (int i = 0; i < LOCALS; ++i) {
                v[i].value() = Dual(z[localindex(N_, k, i)], LOCALS, i);
                v[i].derivatives() = Eigen::Matrix<Dual, LOCALS, 1>::Zero();
                v[i].derivatives()[i] = Dual(1.0);
            }
            hermitesimpson(p_.m, N_, v, d);
            Eigen::Matrix<double, LOCALS, LOCALS> H = Eigen::Matrix<double, LOCALS, LOCALS>::Zero();
            for (int r = 0; r < 4; ++r)
                for (int i = 0; i < LOCALS; ++i) H.row(i) += lambda[4 * k + r] * d[r].derivatives()[i].derivatives().transpose();
            for (int i = 0; i < LOCALS; ++i)
                for (int j = 0; j <= i; ++j, ++e) values[e] = H(i, j);
        }
        return true;
    }

    void finalize_solution(Ipopt::SolverReturn, Ipopt::Index n, const Ipopt::Number *z, const Ipopt::Number *,
                           const Ipopt::Number *, Ipopt::Index, const Ipopt::Number *, const Ipopt::Number *,
                           Ipopt::Number, const Ipopt::IpoptData *, Ipopt::IpoptCalculatedQuantities *) override {
        for (int i = 0; i < n; ++i) z_[i] = z[i];
    }

private:
    const OptimalProblem &p_;
    int N_;
    std::vector<double> &z_;
};

}  // namespace

int solvecollocation(const OptimalProblem &p, const OptimalSettings &s, int N, std::vector<double> &z, int &iterations) {
    Ipopt::SmartPtr<Ipopt::IpoptApplication> app = IpoptApplicationFactory();
    app->Options()->SetStringValue("sb", "yes");
    app->Options()->SetIntegerValue("print_level", 0);
    app->Options()->SetNumericValue("tol", s.nlpTol);
    app->Options()->SetIntegerValue("max_iter", s.maxIter);
    if (app->Initialize() != Ipopt::Solve_Succeeded) return Ipopt::Internal_Error;
    Ipopt::SmartPtr<Ipopt::TNLP> nlp = new Transcription(p, N, z);
    const Ipopt::ApplicationReturnStatus status = app->OptimizeTNLP(nlp);
    Ipopt::SmartPtr<Ipopt::SolveStatistics> stats = app->Statistics();
    if (Ipopt::IsValid(stats)) iterations += stats->IterationCount();
    return status;
}

void midpointstate(const MotionTerms &m, int N, const std::vector<double> &z, int k, double xm[4]) {
    double v[LOCALS], fk[4], fk1[4];
    for (int i = 0; i < LOCALS; ++i) v[i] = z[localindex(N, k, i)];
    midpointof(m, v[14] / N, v, fk, fk1, xm);
}
