// The axes of a map: the settings each puts into a point, and which axes and
// options go together.
#include <gtest/gtest.h>

#include <string>

#include "jobs/mapgrid.h"
#include "study/params.h"

namespace {

MapGrid gridof(const std::string &x, const std::string &y = "") {
    MapGrid g{};
    g.y = MapAxis{AXISNONE, Grid{}};
    const Outcome xparsed = parseaxis(x, g.x);
    EXPECT_TRUE(xparsed.ok()) << x << ": " << xparsed.message;
    if (!y.empty()) {
        const Outcome yparsed = parseaxis(y, g.y);
        EXPECT_TRUE(yparsed.ok()) << y << ": " << yparsed.message;
    }
    return g;
}

// The refusal of the axes with the options given, "" when they may run.
std::string refusal(const std::string &x, const std::string &y, const CompareOptionValues &given = {}) {
    const std::string typed[2] = {x, y};
    const Outcome checked = checkaxes(gridof(x, y), typed, given);
    EXPECT_EQ(checked.ok() ? 0 : REFUSEDSTATUS, checked.status);
    return checked.message;
}

TEST(MapGrid, PointsTakeTheAxesValuesAndKeepTheRest) {
    initialset();
    CompareRequest base{};
    base.u[0] = 40.0;
    base.u[1] = 70.0;
    base.end[0] = -0.3;
    base.end[1] = 0.4;
    base.errorPercent = 1.0;
    CompareRequest r = mappoint(gridof("ratios=10:30:10", "end-x=-0.5:0.5:0.25"), base, 2, 3);
    EXPECT_EQ(r.u[0], 30.0);
    EXPECT_EQ(r.u[1], 30.0);
    EXPECT_EQ(r.end[0], 0.25);
    EXPECT_EQ(r.end[1], 0.4);
    r = mappoint(gridof("ratio2=10:30:10", "error=-5:5:0.1"), base, 1, 7);
    EXPECT_EQ(r.u[0], 40.0);
    EXPECT_EQ(r.u[1], 20.0);
    EXPECT_EQ(r.errorPercent, -4.3);  // FROM + j STEP in decimal, as the sweep's points
    EXPECT_EQ(mapcount(gridof("start-x=0:1:0.1", "start-y=0:1:0.5")), 33);
    EXPECT_EQ(mapcount(gridof("start-x=0:1:0.1")), 11);
}

TEST(MapGrid, AxesThatVaryOneValueRefusedOthersAccepted) {
    EXPECT_EQ(refusal("start-x=0:1:1", "end-x=0:1:1"), "");
    EXPECT_EQ(refusal("ratio1=10:20:10", "ratio2=10:20:10"), "");
    EXPECT_NE(refusal("ratio1=10:20:10", "ratios=10:20:10").find("--x ratio1 already varies ratios"),
              std::string::npos);
    EXPECT_NE(refusal("end-y=0:1:1", "end-y=0:1:1").find("the same axis"), std::string::npos);
}

// An option is refused only when the axes leave none of its values in use.
TEST(MapGrid, OptionsTheAxesReplaceRefusedPartlyReplacedAccepted) {
    CompareOptionValues given;
    given.numbers[SETTINGEND] = {0.1, 0.5};
    given.numbers[SETTINGRATIOS] = {30, 50};
    given.numbers[SETTINGSTART] = {0.7, 0.0};
    EXPECT_EQ(refusal("end-x=0:1:1", "ratio1=10:20:10", given), "");
    EXPECT_EQ(refusal("start-y=0:1:1", "ratio2=10:20:10", given), "");
    EXPECT_EQ(refusal("end-x=0:1:1", "end-y=0:1:1", given),
              "--end: '0.1,0.5' refused; --x end-x and --y end-y set it in every point of the map");
    EXPECT_NE(refusal("ratio2=10:20:10", "ratio1=10:20:10", given).find("--ratios: '30,50' refused"),
              std::string::npos);
    EXPECT_NE(refusal("ratios=10:20:10", "", given).find("--ratios"), std::string::npos);
    given.numbers[SETTINGERROR] = {5};
    EXPECT_NE(refusal("end-x=0:1:1", "error=0:1:1", given).find("--error: '5' refused; --y error"),
              std::string::npos);
    EXPECT_EQ(refusal("end-x=0:1:1", "", given), "");
}

}  // namespace
