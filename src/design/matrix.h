// Dense matrix inversion for the design's Newton step.
#pragma once

// Largest order invertmatrix takes; its scratch storage lives on the stack.
constexpr int MAXORDER = 8;

// Inverts the n x n row-major matrix a (row stride `stride` doubles) in place by LU
// decomposition with partial pivoting and returns its determinant. a is replaced by
// its inverse only when |det| > 1e-6 and left unchanged otherwise. An order outside
// 1..MAXORDER leaves a unchanged and returns not-a-number.
double invertmatrix(int n, double *a, int stride);
