#include <gtest/gtest.h>

#include <cmath>

#include "design/matrix.h"

namespace {

// Determinant by cofactor expansion along the first row, independent of the LU path.
double cofactordet(int n, const double *a, int stride) {
    if (n == 1) return a[0];
    double minor[16];
    double det = 0.0;
    double sign = 1.0;
    for (int c = 0; c < n; ++c) {
        for (int i = 1; i < n; ++i)
            for (int j = 0, m = 0; j < n; ++j)
                if (j != c) minor[(i - 1) * (n - 1) + m++] = a[i * stride + j];
        det += sign * a[c] * cofactordet(n - 1, minor, n - 1);
        sign = -sign;
    }
    return det;
}

TEST(InvertMatrix, PivotsOnLargerRowAndInverts) {
    // The second row has the larger first entry, so it becomes the first pivot
    // row: one exchange, negative determinant.
    double a[4] = {4.0, 3.0, 6.0, 3.0};
    EXPECT_DOUBLE_EQ(invertmatrix(2, a, 2), -6.0);
    EXPECT_DOUBLE_EQ(a[0], -0.5);
    EXPECT_DOUBLE_EQ(a[1], 0.5);
    EXPECT_DOUBLE_EQ(a[2], 1.0);
    EXPECT_NEAR(a[3], -0.6667, 1e-4);
    EXPECT_DOUBLE_EQ(a[3], -4.0 / 6.0);
}

TEST(InvertMatrix, HonoursRowStrideAndLeavesPaddingAlone) {
    double a[6] = {4.0, 3.0, 99.0, 6.0, 3.0, -99.0};
    EXPECT_DOUBLE_EQ(invertmatrix(2, a, 3), -6.0);
    EXPECT_DOUBLE_EQ(a[0], -0.5);
    EXPECT_DOUBLE_EQ(a[1], 0.5);
    EXPECT_DOUBLE_EQ(a[3], 1.0);
    EXPECT_DOUBLE_EQ(a[4], -4.0 / 6.0);
    EXPECT_EQ(a[2], 99.0);
    EXPECT_EQ(a[5], -99.0);
}

TEST(InvertMatrix, SingularAndZeroPivotMatricesStayUnchanged) {
    double singular[4] = {1.0, 2.0, 2.0, 4.0};
    EXPECT_EQ(invertmatrix(2, singular, 2), 0.0);
    const double singularwas[4] = {1.0, 2.0, 2.0, 4.0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(singular[i], singularwas[i]);

    // The first column is zero: the pivot 0 is divided by and the determinant is not a number.
    double zeropivot[4] = {0.0, 1.0, 0.0, 1.0};
    EXPECT_TRUE(std::isnan(invertmatrix(2, zeropivot, 2)));
    const double zeropivotwas[4] = {0.0, 1.0, 0.0, 1.0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(zeropivot[i], zeropivotwas[i]);
}

TEST(InvertMatrix, DeterminantSignFollowsRowPermutationParity) {
    double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(invertmatrix(3, identity, 3), 1.0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(identity[i], i % 4 == 0 ? 1.0 : 0.0);

    // A cyclic shift of three rows is even, one exchange is odd; both inverses are the transposes.
    double cycle[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    EXPECT_EQ(invertmatrix(3, cycle, 3), 1.0);
    const double cycleinverse[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(cycle[i], cycleinverse[i]);

    double exchange[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(invertmatrix(3, exchange, 3), -1.0);
    const double exchangeinverse[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(exchange[i], exchangeinverse[i]);
}

TEST(InvertMatrix, FourByFourProductWithOriginalIsIdentity) {
    const double original[16] = {0.2, -1.5, 3.0, 0.7, 4.1, 0.3, -0.8, 2.2, -1.1, 2.6, 0.9, -3.3, 0.5, 0.4, -2.7, 1.8};
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = original[i];
    EXPECT_NEAR(invertmatrix(4, a, 4), cofactordet(4, original, 4), 1e-12);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) s += original[i * 4 + k] * a[k * 4 + j];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
        }
}

TEST(InvertMatrix, OneByOneInvertsOnlyAboveThreshold) {
    double a = 4.0;
    EXPECT_EQ(invertmatrix(1, &a, 1), 4.0);
    EXPECT_EQ(a, 0.25);
    double negative = -2e-6;
    EXPECT_EQ(invertmatrix(1, &negative, 1), -2e-6);
    EXPECT_DOUBLE_EQ(negative, -5e5);
    double atthreshold = 1e-6;
    EXPECT_EQ(invertmatrix(1, &atthreshold, 1), 1e-6);
    EXPECT_EQ(atthreshold, 1e-6);
}

TEST(InvertMatrix, OrdersOutsideTheScratchAreRefusedUntouched) {
    double a[MAXORDER + 1][MAXORDER + 1] = {};
    for (int i = 0; i <= MAXORDER; ++i) a[i][i] = 2.0;
    EXPECT_TRUE(std::isnan(invertmatrix(MAXORDER + 1, &a[0][0], MAXORDER + 1)));
    EXPECT_TRUE(std::isnan(invertmatrix(0, &a[0][0], MAXORDER + 1)));
    for (int i = 0; i <= MAXORDER; ++i) EXPECT_EQ(a[i][i], 2.0);
    // The largest order it takes is inverted.
    EXPECT_EQ(invertmatrix(MAXORDER, &a[0][0], MAXORDER + 1), 256.0);
    for (int i = 0; i < MAXORDER; ++i) EXPECT_EQ(a[i][i], 0.5);
}

}  // namespace
