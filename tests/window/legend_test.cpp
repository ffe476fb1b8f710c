#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "records/records.h"
#include "window/legend.h"

namespace {

std::string digitsof(long n, int width) {
    char out[WHOLETEXTMAX];
    return std::string(out, writedigits(out, n, width));
}

}  // namespace

TEST(DigitText, ReductionRatiosShowHundredsTensAndUnits) {
    EXPECT_STREQ(ratiotext(30.0, 30.0), "(030,030)\n");
    EXPECT_STREQ(ratiotext(40.0, 40.0), "(040,040)\n");
    EXPECT_STREQ(ratiotext(999.9, 100.0), "(999,100)\n");
    EXPECT_STREQ(ratiotext(123.4, 7.99), "(123,007)\n");
}

TEST(DigitText, RatiosBeyondThreeDigitsKeepAllTheirDigits) {
    EXPECT_STREQ(ratiotext(1500.0, 0.0), "(1500,000)\n");
    EXPECT_STREQ(ratiotext(-3.5, NAN), "(-003,000)\n");
    EXPECT_STREQ(ratiotext(1e300, -1e300), "(999999999,-999999999)\n");
    EXPECT_STREQ(ratiotext(-1e300, -1e300), "(-999999999,-999999999)\n");
}

TEST(DigitText, MassErrorIsRoundedToWholePercent) {
    EXPECT_STREQ(percenttext(0.0), "00%\n\n");
    EXPECT_STREQ(percenttext(0.01), "01%\n\n");
    EXPECT_STREQ(percenttext(0.15), "15%\n\n");
    // 100 * 0.29 lies just below 29; truncation would show 28.
    EXPECT_STREQ(percenttext(0.29), "29%\n\n");
    EXPECT_STREQ(percenttext(0.994), "99%\n\n");
    EXPECT_STREQ(percenttext(0.999), "100%\n\n");
    EXPECT_STREQ(percenttext(-0.001), "00%\n\n");
}

TEST(DigitText, NegativeMassErrorShowsItsSign) {
    EXPECT_STREQ(percenttext(-0.05), "-05%\n\n");
    EXPECT_STREQ(percenttext(-0.29), "-29%\n\n");
    EXPECT_STREQ(percenttext(-0.999), "-100%\n\n");
}

TEST(DigitText, WholeNumbersTakeAsManyDigitsAsTheyNeed) {
    EXPECT_EQ(digitsof(4, 1), "4");
    EXPECT_EQ(digitsof(0, 1), "0");
    EXPECT_EQ(digitsof(12, 1), "12");
    EXPECT_EQ(digitsof(1234567, 3), "1234567");
    EXPECT_EQ(digitsof(-42, 3), "-042");
    EXPECT_EQ(digitsof(5, 20), "000000005");
    EXPECT_EQ(digitsof(LONG_MAX, 1), "999999999");
    EXPECT_EQ(digitsof(LONG_MIN, 1), "-999999999");
}

// The rendered picture's numbers as a reader writes them: only their own digits, a
// space after the comma and before the percent sign; the interactive window's texts
// come back when the mode is off.
TEST(DigitText, RenderedPictureWritesPlainNumbers) {
    struct Ratios {
        double u1, u2;
        const char *text;
    };
    struct Percent {
        double errRatio;
        const char *text;
    };
    const Ratios ratios[] = {{40.0, 40.0, "(40, 40)\n"}, {123.4, 7.99, "(123, 7)\n"}, {-3.5, NAN, "(-3, 0)\n"},
                             {1e300, -1e300, "(999999999, -999999999)\n"}};
    const Percent percents[] = {{0.01, "1 %\n\n"},   {0.0, "0 %\n\n"},    {0.29, "29 %\n\n"},
                                {-0.05, "-5 %\n\n"}, {0.999, "100 %\n\n"}, {-0.999, "-100 %\n\n"}};
    layout.rendered = true;
    for (const Ratios &r : ratios) EXPECT_STREQ(ratiotext(r.u1, r.u2), r.text);
    for (const Percent &p : percents) EXPECT_STREQ(percenttext(p.errRatio), p.text);
    layout.rendered = false;
    EXPECT_STREQ(ratiotext(40.0, 40.0), "(040,040)\n");
    EXPECT_STREQ(percenttext(0.01), "01%\n\n");
}
