// sotoc optimal: the block against the design of sotoc compare and the solution's own
// log file, the text lines against the JSON, and refused or unwritable options.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::json;
using Args = std::vector<std::string>;

// Rows of a CSV file as numbers, the header left out.
std::vector<std::vector<double>> csvrows(const std::string &file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    return rows;
}

// For each motion of both robots: the designed final time is the one sotoc compare
// designs, the gap is it over t*, the log holds 2N + 1 samples from the start at rest
// to the goal at rest at t*, and the text lines say what the JSON says.
TEST(OptimalCommand, BlockAgreesWithTheDesignAndTheLog) {
    TempDir dir;
    const Args moves[] = {{"--robot", "scara", "--motion", "vertical"},
                          {"--robot", "scara", "--motion", "horizontal"},
                          {"--robot", "cylindrical", "--motion", "vertical"}};
    for (const Args &move : moves) {
        const std::string log = dir.path + "/nodes.csv";
        Args args = {"optimal", "--json", "--log", log};
        args.insert(args.end(), move.begin(), move.end());
        const RunOutcome r = runsotoc(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const json b = json::parse(r.out)["optimal"];
        Args compare = {"compare", "--json"};
        compare.insert(compare.end(), move.begin(), move.end());
        const json designed = json::parse(runsotoc(compare).out)["designs"]["free"]["ts"][3];
        SCOPED_TRACE(move[1] + " " + move[3]);
        EXPECT_EQ(b["designedTf"], designed);
        EXPECT_DOUBLE_EQ(b["gap"].get<double>(), designed.get<double>() / b["tf"].get<double>());
        EXPECT_TRUE(b["solved"].get<bool>());
        const std::vector<std::vector<double>> rows = csvrows(log);
        ASSERT_EQ(rows.size(), 2 * b["intervals"].get<size_t>() + 1);
        EXPECT_EQ(rows.front()[0], 0.0);
        EXPECT_DOUBLE_EQ(rows.back()[0], b["tf"].get<double>());
        for (const auto *row : {&rows.front(), &rows.back()})
            for (int i = 3; i <= 4; ++i) EXPECT_EQ((*row)[i], 0.0) << "at rest, column " << i;
        args.erase(args.begin() + 1, args.begin() + 4);
        const RunOutcome text = runsotoc(args);
        EXPECT_NE(text.out.find(b["tf"].dump()), std::string::npos) << text.out;
        EXPECT_NE(text.out.find(b["designStructure"].get<bool>() ? "structure       yes" : "structure       no"),
                  std::string::npos);
    }
}

// Refused options, a log that cannot be made among them, end with status 2 before
// any work and leave no file.
TEST(OptimalCommand, RefusedAndUnwritable) {
    TempDir dir;
    const struct {
        Args args;
        int status;
    } cases[] = {
        {{"optimal", "--robot", "delta"}, 2},
        {{"optimal", "--robot", "scara", "--log", ""}, 2},
        {{"optimal", "--robot", "scara", "--log", dir.path + "/missing/nodes.csv"}, 2},
        {{"optimal", "--robot", "scara", "--log", dir.path}, 2},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runsotoc(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find("sotoc optimal"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
