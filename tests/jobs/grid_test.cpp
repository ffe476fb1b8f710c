// Grids of one setting and the shards of a run's points.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "jobs/grid.h"
#include "jobs/mapgrid.h"
#include "settings/request.h"

namespace {

std::vector<double> points(const std::string &text) {
    Grid g{};
    const Outcome parsed = parsegrid(text, errorrange(), g);
    EXPECT_TRUE(parsed.ok()) << text << ": " << parsed.message;
    std::vector<double> v;
    for (int i = 0; i < g.count; ++i) v.push_back(gridpoint(g, i));
    return v;
}

// The points of a map axis NAME=FROM:TO:STEP, as the program prints them.
std::string axispoints(const std::string &text) {
    MapAxis axis{};
    const Outcome parsed = parseaxis(text, axis);
    if (!parsed.ok()) return "refused: " + parsed.message;
    std::vector<double> v;
    for (int i = 0; i < axis.grid.count; ++i) v.push_back(gridpoint(axis.grid, i));
    return numberlist(v);
}

std::vector<int> listed(const ShardPoints &s) {
    std::vector<int> v;
    for (size_t k = 0; k < s.size(); ++k) v.push_back(s[k]);
    return v;
}

// The refusal message of a grid, "" when it is accepted.
std::string refusal(const std::string &text) {
    Grid g{};
    const Outcome parsed = parsegrid(text, errorrange(), g);
    EXPECT_EQ(parsed.ok() ? 0 : REFUSEDSTATUS, parsed.status);
    return parsed.message;
}

// Whether parseshard took `text` into s; `message` its refusal.
bool shardtaken(const std::string &text, Shard &s, std::string &message) {
    const Outcome parsed = parseshard(text, s);
    EXPECT_EQ(parsed.ok() ? 0 : REFUSEDSTATUS, parsed.status);
    message = parsed.message;
    return parsed.ok();
}

TEST(Grid, BothEndsIncludedWhenOnTheGrid) {
    const std::vector<double> v = points("-50:50:1");
    ASSERT_EQ(v.size(), 101u);
    EXPECT_EQ(v.front(), -50.0);
    EXPECT_EQ(v[50], 0.0);
    EXPECT_EQ(v.back(), 50.0);
    EXPECT_EQ(points("-10:10:2.5"), (std::vector<double>{-10, -7.5, -5, -2.5, 0, 2.5, 5, 7.5, 10}));
    EXPECT_EQ(points("5:5:1"), std::vector<double>{5.0});
}

// Text without ':' is a list of the points themselves, each the double its digits
// read as (not a decimal sum); each above the one before, each in the range.
TEST(Grid, ListsAreTheirValues) {
    EXPECT_EQ(points("-50,0.1,2.5e1,99.5"), (std::vector<double>{-50, 0.1, 25, 99.5}));
    EXPECT_EQ(points("7"), std::vector<double>{7.0});
    EXPECT_EQ(points("-0.30000000000000004,0.1"), (std::vector<double>{-0.30000000000000004, 0.1}));
    EXPECT_EQ(axispoints("ratios=20,25,200"), "20,25,200");
    EXPECT_EQ(refusal("1,1"), "the grid point 1 % (point 1) does not lie above the one before, 1 %");
    EXPECT_EQ(refusal("0,5,-5"), "the grid point -5 % (point 2) does not lie above the one before, 5 %");
    EXPECT_EQ(refusal("0,100"),
              "the grid point 100 % (point 1) lies outside the mass errors -100 % < error < 100 %");
    for (const char *text : {"", "1,", ",1", "1,x", "nan", "1,inf"})
        EXPECT_EQ(refusal(text),
                  "expected FROM:TO:STEP or values V1,V2,... [%] (for example -50:50:1), got \"" + std::string(text) +
                      "\"")
            << text;
    EXPECT_EQ(axispoints("end-x=0,11"),
              "refused: the grid point 11 m (point 1) lies outside the coordinates -10 m <= end-x <= 10 m");
}

// 0.1 is not exact in binary: (TO - FROM) / STEP lands just below or above 10.
TEST(Grid, DecimalStepsKeepTheirEnd) {
    EXPECT_EQ(points("0:1:0.1").size(), 11u);
    EXPECT_EQ(points("-0.3:0.3:0.1").size(), 7u);
    EXPECT_EQ(points("0:0.7:0.07").size(), 11u);
    EXPECT_EQ(points("0:3:0.3").size(), 11u);
}

// Points are the decimal values a person types for them, not FROM + i STEP in
// binary (7 * 0.1 is 0.7000000000000001, -0.9 + 0.3 is -0.6000000000000001).
TEST(Grid, PointsAreTheDecimalValuesTyped) {
    EXPECT_EQ(points("0:1:0.1"), (std::vector<double>{0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1}));
    EXPECT_EQ(points("-0.35:-0.05:0.15"), (std::vector<double>{-0.35, -0.2, -0.05}));
    EXPECT_EQ(axispoints("end-x=-0.9:0.9:0.3"), "-0.9,-0.6,-0.3,0,0.3,0.6,0.9");
    EXPECT_EQ(axispoints("start-y=1.2e-1:0.1875:3.75e-2"), "0.12,0.1575");  // 0.195 lies beyond TO
    EXPECT_EQ(axispoints("ratios=1e2:3E2:+1e2"), "100,200,300");
    // A Python float's shortest text, 17 digits: 2 x 0.30000000000000004 is the
    // decimal 0.60000000000000008, nearest the double printed 0.6000000000000001.
    EXPECT_EQ(axispoints("end-y=0:0.7:0.30000000000000004"), "0,0.30000000000000004,0.6000000000000001");
    EXPECT_EQ(axispoints("end-y=1e-30:3e-30:1e-30"), "1e-30,2e-30,3e-30");
}

// The last point of a decimal grid is TO itself, within the range when TO is.
TEST(Grid, LastPointAtTheRangesEdgeAccepted) {
    const std::string ratios = axispoints("ratios=100:999.9:0.1");
    EXPECT_EQ(ratios.substr(0, 12), "100,100.1,10") << ratios.substr(0, 80);
    EXPECT_EQ(ratios.substr(ratios.size() - 12), ",999.8,999.9") << ratios.substr(ratios.size() - 80);
    const std::string x = axispoints("start-x=-9.9:10:0.1");
    EXPECT_EQ(x.substr(0, 14), "-9.9,-9.8,-9.7") << x.substr(0, 80);
    EXPECT_EQ(x.substr(x.size() - 11), ",9.8,9.9,10") << x.substr(x.size() - 80);
    EXPECT_EQ(points("-99.9:99.9:0.1").back(), 99.9);
}

// Values of more digits than a grid counts exactly are refused by what they lack.
TEST(Grid, ValuesOfTooManyDigitsRefused) {
    const std::string why = "FROM, TO and STEP take at most 36 digits from the first digit of a value to the last "
                            "decimal place typed";
    EXPECT_EQ(refusal("0:1e-34:1e-35"), "");
    EXPECT_EQ(refusal("0:1:1e-36"), why);
    EXPECT_EQ(refusal("0:1:0.1234567890123456789012345678901234567"), why);
    EXPECT_EQ(refusal("0.000000000000000000000000000000000000001:0.000000000000000000000000000000000000003:"
                      "0.000000000000000000000000000000000000001"),
              "");
}

TEST(Grid, EndOffTheGridIsLeftOut) {
    EXPECT_EQ(points("0:10:3"), (std::vector<double>{0, 3, 6, 9}));
    EXPECT_EQ(points("0:0.99:0.1").size(), 10u);
}

TEST(Grid, StepsAndOrderAcceptedOrRefused) {
    EXPECT_EQ(refusal("-1:1:0.5"), "");
    EXPECT_NE(refusal("-1:1:0").find("step must be positive"), std::string::npos);
    EXPECT_NE(refusal("-1:1:-0.5").find("step must be positive"), std::string::npos);
    EXPECT_NE(refusal("1:-1:0.5").find("lies above"), std::string::npos);
    EXPECT_NE(refusal("0:99:1e-5").find("million"), std::string::npos);
}

TEST(Grid, MalformedTextRefused) {
    for (const char *bad : {"", "1:2", "1:2:3:4", "a:2:1", "1::1", "1:2:x", "1:2:1 ", "nan:1:1", "1:inf:1"})
        EXPECT_NE(refusal(bad).find("FROM:TO:STEP"), std::string::npos) << '"' << bad << '"';
}

// Numbers of a grid are read strictly: each refused text next to one taken.
TEST(Grid, NumbersReadStrictly) {
    const struct {
        const char *taken, *refused;
    } pairs[] = {
        {"1:2:1", " 1:2:1"},    {"1:2:1", "1:2 :1"},   {"16:20:1", "0x10:20:1"}, {"-1e1:1e1:5", "-1e400:1e1:5"},
        {"+1:2:1", "+-1:2:1"},  {"1:2:1", "1:2:1:"},   {"0:1:0.5", "0:1:.5."},
    };
    for (const auto &p : pairs) {
        EXPECT_EQ(refusal(p.taken), "") << p.taken;
        EXPECT_NE(refusal(p.refused).find(std::string("got \"") + p.refused + "\""), std::string::npos) << p.refused;
    }
    EXPECT_NE(refusal(std::string(400, '1') + ":1:1").find("FROM:TO:STEP"), std::string::npos) << "not inf";
}

// Every digit of the point is named, and a TO that counts as the last point
// although it differs from it is named beside it.
TEST(Grid, RefusalNamesThePointAsTyped) {
    EXPECT_NE(refusal("-100.00000000001:0:1").find("grid point -100.00000000001 % (point 0)"), std::string::npos)
        << refusal("-100.00000000001:0:1");
    EXPECT_EQ(refusal("-99.99999999999:0:1"), "");
    const std::string snapped = refusal("-99.9999999:99.9999999:1");
    EXPECT_NE(snapped.find("grid point 100.0000001 % (point 200; TO 99.9999999 % counts as this point)"),
              std::string::npos)
        << snapped;
    EXPECT_EQ(refusal("-99.9999999:99.9:1"), "") << "TO off the grid: the last point is 99.0000001";
}

// The message names the point that breaks the bound, also when only the grid
// (not FROM or TO as typed) reaches it.
TEST(Grid, PointOnOrBeyondHundredPercentRefusedByName) {
    EXPECT_EQ(refusal("-99:99:1"), "");
    EXPECT_EQ(refusal("-99.9:99.9:0.1"), "");
    EXPECT_NE(refusal("-100:0:10").find("grid point -100 %"), std::string::npos);
    EXPECT_NE(refusal("0:100:10").find("grid point 100 %"), std::string::npos);
    EXPECT_NE(refusal("-150:0:10").find("grid point -150 %"), std::string::npos);
    EXPECT_NE(refusal("0:100.5:25").find("grid point 100 % (point 4)"), std::string::npos);
    EXPECT_EQ(refusal("0:100.5:30"), "");  // ends at 90 %
}

// --errors as typed: the refusal names the option and quotes a long value shortened.
TEST(Grid, OptionRefusalQuotesTheValueShortened) {
    Grid g{};
    EXPECT_TRUE(readgrid("-2:2:1", g).ok());
    EXPECT_EQ(5, g.count);
    EXPECT_EQ("--errors: '0:1:0' refused; the step must be positive, got 0 %", readgrid("0:1:0", g).message);
    const Outcome read = readgrid(std::string(5000, '1') + ":1:1", g);
    EXPECT_EQ(REFUSEDSTATUS, read.status);
    const std::string refused = read.message;
    EXPECT_EQ(0u, refused.find("--errors: '1111")) << refused;
    EXPECT_LT(refused.size(), 300u) << refused;
    EXPECT_EQ(5, g.count);  // refusals leave the grid as it was
}

TEST(Shard, PointsInterleaveAndCoverTheGrid) {
    EXPECT_EQ(listed(shardpoints(11, Shard{0, 3})), (std::vector<int>{0, 3, 6, 9}));
    EXPECT_EQ(listed(shardpoints(11, Shard{2, 3})), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(listed(shardpoints(11, Shard{0, 1})), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(shardpoints(11, Shard{11, 20}).size(), 0u);
}

// N up to the largest int: every point a shard names lies on the grid, and a shard
// beyond the points is empty.
TEST(Shard, LargeNumbersOfShardsStayOnTheGrid) {
    EXPECT_EQ(listed(shardpoints(11, Shard{2, INT_MAX})), std::vector<int>{2});
    EXPECT_EQ(shardpoints(11, Shard{11, INT_MAX}).size(), 0u);
    EXPECT_EQ(shardpoints(11, Shard{INT_MAX - 1, INT_MAX}).size(), 0u);
    EXPECT_EQ(listed(shardpoints(1000000, Shard{999999, INT_MAX})), std::vector<int>{999999});
    EXPECT_EQ(listed(shardpoints(1000000, Shard{5, 999994})), (std::vector<int>{5, 999999}));
    EXPECT_EQ(listed(shardpoints(1000000, Shard{1, INT_MAX / 2})), std::vector<int>{1});
    Shard s{};
    std::string message;
    EXPECT_TRUE(shardtaken("2/2147483647", s, message)) << message;
    EXPECT_EQ(s.k, 2);
    EXPECT_EQ(s.n, INT_MAX);
    EXPECT_TRUE(shardtaken("2147483646/2147483647", s, message)) << message;
    EXPECT_FALSE(shardtaken("2/2147483648", s, message));
    EXPECT_EQ(message, "expected K/N (for example 0/3), got \"2/2147483648\"");
}

TEST(Shard, IndexInsideZeroToNMinusOneAcceptedOtherwiseRefused) {
    Shard s{};
    std::string message;
    EXPECT_TRUE(shardtaken("0/3", s, message));
    EXPECT_TRUE(shardtaken("2/3", s, message));
    EXPECT_EQ(s.k, 2);
    EXPECT_EQ(s.n, 3);
    EXPECT_FALSE(shardtaken("3/3", s, message));
    EXPECT_NE(message.find("0..2"), std::string::npos);
    EXPECT_FALSE(shardtaken("-1/3", s, message));
    EXPECT_NE(message.find("0..2"), std::string::npos);
    EXPECT_FALSE(shardtaken("0/0", s, message));
    EXPECT_NE(message.find("at least 1"), std::string::npos);
    for (const char *bad : {"", "1", "1/", "/3", "a/3", "1/3x", "1.5/3", " 1/3", "1/ 3", "0x1/3", "1/3/", "0/4294967297"}) {
        EXPECT_FALSE(shardtaken(bad, s, message)) << bad;
        EXPECT_NE(message.find("K/N"), std::string::npos) << bad;
    }
    EXPECT_EQ(s.k, 2);  // refusals leave the shard as it was
}

}  // namespace
