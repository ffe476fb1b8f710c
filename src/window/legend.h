// Title line, legend block and the digit texts of the numbers shown in the window.
#pragma once

// Longest text writedigits produces: a sign and WHOLEDIGITSMAX digits.
constexpr int WHOLEDIGITSMAX = 9;
constexpr int WHOLETEXTMAX = WHOLEDIGITSMAX + 1;

// Writes the whole number n with the ten-character digit table into out: a '-' first
// when n is negative, then at least `width` digits with leading zeros. |n| beyond
// WHOLEDIGITSMAX digits is written as all nines. No terminator; returns the length.
int writedigits(char *out, long n, int width);

// "(u1,u2)\n" with the reduction ratios truncated to whole numbers of at least three
// digits, e.g. "(030,030)\n"; in the rendered picture (layout.rendered) of their own
// digits, "(30, 30)\n". The text stays valid until the next call.
const char *ratiotext(double u1, double u2);

// "NN%\n\n" with the mass error ratio (0.29 is 29 %) rounded to the nearest whole
// percent, at least two digits, a '-' for a negative error; in the rendered picture
// "N %\n\n". Valid until the next call.
const char *percenttext(double errRatio);

// The title line at the top left; in the rendered picture in the largest font that
// fits the window's width.
void drawtitle();

// Robot, motion, reduction ratios, mass error, colour meanings and grid size of
// the robot `type` ('a' cylindrical, 'b' SCARA).
void drawlegend(char type);
