// The picture of a Monte Carlo study: tornado bars on the side of their
// correlation's sign, and no file without a sample compared.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "atomicwrite/outfile.h"
#include "plots/studyplot.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"

namespace {

// Pixels of TOC's orange (the bars' and curves' cores) in columns [from, to) of the picture.
long orange(const RgbImage &pic, int from, int to) {
    long n = 0;
    for (int y = 0; y < pic.h; ++y)
        for (int x = from; x < to; ++x) {
            const unsigned char *c = &pic.rgb[3 * (static_cast<size_t>(y) * pic.w + x)];
            n += c[0] > 210 && c[1] > 140 && c[1] < 180 && c[2] < 30;
        }
    return n;
}

StudyPicture study(double tocCorrelation) {
    const IntervalValue none{NAN, NAN, NAN};
    return StudyPicture{"a study", {0.1, 0.2, 0.4}, {0.01, 0.02, 50}, {"positioning"}, {{0.6, 0.2, 0.9}},
                        {{"error", {tocCorrelation, tocCorrelation - 0.1, tocCorrelation + 0.1}, none}}};
}

// TOC's bar lies right of the tornado's zero (the middle of its panel, from 69 %
// to 98 % of the page's width) for a positive correlation, left for a negative one;
// nothing else right of 69 % is orange.
TEST(StudyPlot, TornadoBarsOnTheSideOfTheirSign) {
    TempDir dir;
    for (double r : {0.8, -0.8}) {
        const std::string path = dir.file("study.png");
        OutputFile out;
        ASSERT_TRUE(beginoutput(path, out).ok());
        ASSERT_TRUE(drawstudy(out, study(r), FigureOptions{}).ok());
        RgbImage pic;
        ASSERT_TRUE(readpng(path, pic));
        const int left = static_cast<int>(0.69 * pic.w), zero = static_cast<int>(0.835 * pic.w);
        EXPECT_GT(orange(pic, 0, left), 0);  // the distribution function and the legend
        EXPECT_GT(orange(pic, r > 0 ? zero + 2 : left, r > 0 ? pic.w : zero - 2), 1000) << r;
        EXPECT_EQ(orange(pic, r > 0 ? left : zero + 2, r > 0 ? zero - 2 : pic.w), 0) << r;
    }
}

TEST(StudyPlot, NothingComparedDrawsNoFile) {
    TempDir dir;
    StudyPicture empty = study(0.5);
    empty.tocErrors.clear();
    empty.sotocErrors.clear();
    OutputFile out;
    ASSERT_TRUE(beginoutput(dir.file("none.png"), out).ok());
    const Outcome drawn = drawstudy(out, empty, FigureOptions{});
    EXPECT_EQ(drawn.status, 1);
    EXPECT_NE(drawn.message.find("no sample was compared"), std::string::npos);
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
