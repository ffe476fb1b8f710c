#include "tests/install/installed.h"

#include <gtest/gtest.h>


#include "tests/support/pty.h"

RunOutcome runtool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {"/usr/bin/env"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runprogram(argv);
}

void expectsameprogram(const std::string &binary) {
    const std::vector<std::string> cases[] = {
        {"--version"},
        {"compare", "--robot", "scara", "--motion", "vertical", "--error", "-20", "--json"},
        {"compare", "--robot", "cylindrical", "--motion", "vertical", "--ratios", "500,500", "--start=-0.5,0.2",
         "--json"},
    };
    for (const auto &args : cases) {
        std::vector<std::string> built = {sotocbinary()}, installed = {binary};
        built.insert(built.end(), args.begin(), args.end());
        installed.insert(installed.end(), args.begin(), args.end());
        const RunOutcome want = runprogram(built), got = runprogram(installed);
        ASSERT_EQ(0, want.status) << args[0] << ": " << want.err;
        EXPECT_EQ(0, got.status) << args[0] << ": " << got.err;
        EXPECT_FALSE(want.out.empty()) << args[0];
        EXPECT_EQ(want.out, got.out) << args[0];
    }
}
