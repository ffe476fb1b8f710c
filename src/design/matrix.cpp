#include "design/matrix.h"

#include <cmath>

namespace {

// Smallest |determinant| at which the matrix is still inverted; below it the
// Newton step would amplify the forward-difference noise of the Jacobian.
constexpr double MINDET = 1e-6;

// Scratch storage of one inversion, zero-initialised.
struct InverseScratch {
    double W[MAXORDER * MAXORDER];  // LU factors, row stride n; row k of the factorisation is row ip[k]
    int ip[MAXORDER];  // row permutation: rows are never moved, only entries of ip exchanged
    int P[MAXORDER];   // copy of ip, reduced to the identity while counting exchanges
    int Q[MAXORDER];   // inverse of P
};

// LU factorisation of W in place with partial pivoting over the permutation ip.
// On equal magnitudes the row earlier in the current order stays the pivot. A zero
// pivot is divided by as it is: the determinant then comes out infinite or not a
// number and the inversion is skipped.
void factorise(int n, double *W, int *ip) {
    for (int k = 0; k < n; ++k) {
        int p = k;
        double m = std::fabs(W[ip[k] * n + k]);
        for (int i = k + 1; i < n; ++i) {
            const double v = std::fabs(W[ip[i] * n + k]);
            if (v > m) {
                p = i;
                m = v;
            }
        }
        const int swap = ip[k];
        ip[k] = ip[p];
        ip[p] = swap;
        const double *pivotrow = W + ip[k] * n;
        const double w = pivotrow[k];
        for (int i = k + 1; i < n; ++i) {
            double *row = W + ip[i] * n;
            const double f = row[k] / w;
            row[k] = f;
            for (int j = k + 1; j < n; ++j) row[j] = row[j] - f * pivotrow[j];
        }
    }
}

// Determinant from the factors: the parity of the row permutation (counted by
// undoing it one transposition at a time) times the product of the pivots.
double determinant(int n, const double *W, const int *ip, int *P, int *Q) {
    for (int i = 0; i < n; ++i) P[i] = ip[i];
    for (int i = 0; i < n; ++i) Q[P[i]] = i;
    double det = 1.0;
    for (int i = 0; i < n - 1; ++i) {
        const int j = P[i];
        if (j != i) {
            P[Q[i]] = j;
            Q[j] = Q[i];
            det = -det;
        }
    }
    for (int i = 0; i < n; ++i) det = det * W[ip[i] * n + i];
    return det;
}

// Writes the inverse into a column by column: forward substitution through the
// unit lower factor with the permuted unit vector, then back substitution.
void solveinverse(int n, const double *W, const int *ip, double *a, int stride) {
    for (int k = 0; k < n; ++k) {
        for (int i = 0; i < n; ++i) {
            const double *row = W + ip[i] * n;
            double t = ip[i] == k ? 1.0 : 0.0;
            for (int j = 0; j < i; ++j) t = t - row[j] * a[j * stride + k];
            a[i * stride + k] = t;
        }
        for (int i = n - 1; i >= 0; --i) {
            const double *row = W + ip[i] * n;
            double t = a[i * stride + k];
            for (int j = i + 1; j < n; ++j) t = t - row[j] * a[j * stride + k];
            a[i * stride + k] = t / row[i];
        }
    }
}

}  // namespace

double invertmatrix(int n, double *a, int stride) {
    if (n < 1 || n > MAXORDER) return std::nan("");
    InverseScratch s = {};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) s.W[i * n + j] = a[i * stride + j];
    for (int k = 0; k < n; ++k) s.ip[k] = k;
    factorise(n, s.W, s.ip);
    const double det = determinant(n, s.W, s.ip, s.P, s.Q);
    if (std::fabs(det) > MINDET) solveinverse(n, s.W, s.ip, a, stride);
    return det;
}
