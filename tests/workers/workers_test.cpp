// Work in forked worker processes: lines in item order, records left alone,
// failed workers reported, no new items after a stop.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <string>
#include <vector>

#include "workers/workers.h"
#include "core/records.h"

namespace {

struct Delivery {
    int item;
    std::string line;
    bool ok;
};

std::vector<Delivery> run(int count, int jobs, const std::function<std::string(int)> &item,
                          const std::function<bool()> &stop = [] { return false; }) {
    std::vector<Delivery> got;
    const int n = runinworkers(
        count, jobs, item, [&](int i, const WorkerRun &r) { got.push_back({i, r.line, r.ok}); }, stop);
    EXPECT_EQ(n, static_cast<int>(got.size()));
    return got;
}

// Later items finish first; they still come out in item order.
TEST(Workers, LinesInItemOrderWhateverFinishesFirst) {
    const std::vector<Delivery> got = run(8, 3, [](int i) {
        usleep(static_cast<useconds_t>((8 - i) * 5000));
        return "item " + std::to_string(i);
    });
    ASSERT_EQ(got.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(got[i].item, i);
        EXPECT_EQ(got[i].line, "item " + std::to_string(i));
        EXPECT_TRUE(got[i].ok);
    }
}

// A worker sees the records as they were when it was forked; what it changes stays
// in its own process.
TEST(Workers, EachWorkerHasItsOwnRecords) {
    resetrecords();
    task.mwNom = 5.0;
    const std::vector<Delivery> got = run(4, 2, [](int i) {
        const double seen = task.mwNom;
        task.mwNom = 100.0 + i;
        return std::to_string(seen);
    });
    ASSERT_EQ(got.size(), 4u);
    for (const Delivery &d : got) EXPECT_EQ(d.line, std::to_string(5.0));
    EXPECT_EQ(task.mwNom, 5.0);
}

TEST(Workers, WorkerWithoutItsLineReported) {
    const std::vector<Delivery> got = run(3, 2, [](int i) -> std::string {
        if (i == 1) _exit(0);
        if (i == 2) std::abort();
        return "fine";
    });
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(got[0].ok);
    EXPECT_FALSE(got[1].ok);
    EXPECT_NE(got[1].line.find("ended without a result"), std::string::npos);
    EXPECT_FALSE(got[2].ok);
    EXPECT_NE(got[2].line.find("signal"), std::string::npos);
}

// After the stop no item starts; the ones already running are delivered.
TEST(Workers, NoNewItemsAfterStop) {
    int asked = 0;
    const std::vector<Delivery> got = run(100, 2, [](int i) { return std::to_string(i); },
                                          [&asked] { return ++asked > 5; });
    EXPECT_GE(got.size(), 1u);
    EXPECT_LE(got.size(), 5u);
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].item, static_cast<int>(i));
    EXPECT_GE(cores(), 1);
    EXPECT_EQ(run(0, 2, [](int) { return std::string("x"); }).size(), 0u);
}

// A wait that gives the run up stops the running workers at once: nothing more is
// delivered and no process is left, not even a zombie. Workers left running would
// hold the test for a minute.
TEST(Workers, AbandonedRunLeavesNoWorker) {
    std::vector<std::string> got;
    const int n = runinworkers(
        6, 3,
        [](int i) {
            if (i > 0) sleep(60);
            return std::to_string(i);
        },
        [&got](int, const WorkerRun &r) { got.push_back(r.line); }, [] { return false; }, nullptr,
        [&got](std::vector<pollfd> &fds) { return got.empty() && waitforready(fds); });
    EXPECT_EQ(1, n);
    EXPECT_EQ(std::vector<std::string>{"0"}, got);
    errno = 0;
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

}  // namespace
