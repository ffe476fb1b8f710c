// Dense matrix inversion for the design's Newton step.
#pragma once

// Inverts the n x n row-major matrix a (row stride `stride` doubles) in place by LU
// decomposition with partial pivoting and returns its determinant. a is replaced by
// its inverse only when |det| > 1e-6 and left unchanged otherwise. Ends the program
// with status 1 when its scratch storage cannot be allocated.
double invertmatrix(int n, double *a, int stride);
