// Batches of items already read: answers in item order whatever the number of
// workers, each as its comparison gives it alone; refused items answered in place;
// a batch given up leaves no worker; the number of workers read strictly.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "formats/resultjson.h"
#include "jobs/batch.h"
#include "jobs/batchinput.h"
#include "study/params.h"

namespace {

BatchItem item(int number, const char *robot, const char *motion, double error) {
    CompareOptionValues v;
    v.words[SETTINGROBOT] = robot;
    v.words[SETTINGMOTION] = motion;
    v.numbers[SETTINGERROR] = {error};
    BatchItem i{number, true, {}, ""};
    EXPECT_EQ("", requestfromoptions(v, "", i.request).message);
    return i;
}

// A slow vertical comparison first, so that with two workers the later ones end first.
std::vector<BatchItem> items() {
    initialset();
    return {item(1, "scara", "vertical", -9.0), BatchItem{2, false, {}, "error: '-100' refused"},
            item(3, "scara", "horizontal", 7.0), item(5, "cylindrical", "vertical", 1.0)};
}

struct Answers {
    int status;
    std::vector<std::string> lines, problems;
};

Answers run(const std::vector<BatchItem> &batch, int jobs, const WorkerWait &wait = waitforready) {
    Answers a{};
    const BatchOutput out{[&a](const std::string &line) {
                              a.lines.push_back(line);
                              return succeeded();
                          },
                          [&a](const std::string &problem) { a.problems.push_back(problem); }};
    a.status = runbatch(batch, out, jobs, wait).status;
    return a;
}

TEST(BatchItems, AnsweredInOrderAsEachRunsAlone) {
    const std::vector<BatchItem> batch = items();
    for (int jobs : {1, 2}) {
        const Answers a = run(batch, jobs);
        EXPECT_EQ(1, a.status) << "an item was refused";
        EXPECT_TRUE(a.problems.empty());
        ASSERT_EQ(batch.size(), a.lines.size());
        for (size_t k = 0; k < batch.size(); ++k) {
            initialset();
            const std::string want = batch[k].runs ? resultjson(batch[k].request, standalonepass(batch[k].request)).dump()
                                                   : errorline(batch[k].number, batch[k].why);
            EXPECT_EQ(want, a.lines[k]) << "jobs " << jobs << ", item " << k;
        }
    }
    EXPECT_EQ(0, run({items()[0]}, 2).status);
    EXPECT_EQ(0, run({}, 2).lines.size());
}

// Given up after its first answer: the workers still running are stopped and
// collected, and nothing further is answered.
TEST(BatchItems, AbandonedBatchLeavesNoWorker) {
    const std::vector<BatchItem> batch(12, items()[0]);
    Answers got{};
    const BatchOutput out{[&got](const std::string &line) {
                              got.lines.push_back(line);
                              return succeeded();
                          },
                          [&got](const std::string &problem) { got.problems.push_back(problem); }};
    // Answers that finished early are held until those before them are in,
    // so the first delivery may hand over several; none may follow it.
    size_t whenabandoned = 0;
    const int status = runbatch(batch, out, 2, [&got, &whenabandoned](std::vector<pollfd> &fds) {
                           if (got.lines.empty()) return waitforready(fds);
                           whenabandoned = got.lines.size();
                           return false;
                       }).status;
    EXPECT_EQ(1, status);
    EXPECT_GE(got.lines.size(), 1u);
    EXPECT_LT(got.lines.size(), batch.size());
    EXPECT_EQ(whenabandoned, got.lines.size()) << "an answer came after the batch was given up";
    EXPECT_TRUE(got.problems.empty());
    errno = 0;
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

// An answer that cannot be taken stops the batch with one report.
TEST(BatchItems, RefusedAnswerStopsTheBatch) {
    std::vector<std::string> problems;
    int answers = 0;
    const BatchOutput out{[&answers](const std::string &) {
                              ++answers;
                              return failure("cannot write the results: No space left on device");
                          },
                          [&problems](const std::string &problem) { problems.push_back(problem); }};
    EXPECT_EQ(1, runbatch(items(), out, 2, waitforready).status);
    EXPECT_EQ(1, answers);
    EXPECT_EQ(std::vector<std::string>{"cannot write the results: No space left on device"}, problems);
}

// The worker processes a batch has run, as the kernel lists the children of this
// process while the batch waits for them.
std::set<std::string> workersseen(const std::vector<BatchItem> &batch, const BatchOutput &out, int jobs) {
    std::set<std::string> seen;
    runbatch(batch, out, jobs, [&seen](std::vector<pollfd> &fds) {
        std::ifstream list("/proc/self/task/" + std::to_string(gettid()) + "/children");
        for (std::string pid; list >> pid;) seen.insert(pid);
        return waitforready(fds);
    });
    return seen;
}

// Once an answer cannot be taken no further comparison starts: the first item is
// refused at once, its answer is refused while the two workers of the next items
// run, and none of the ten items after them runs.
TEST(BatchItems, RefusedAnswerStartsNoFurtherComparison) {
    std::vector<BatchItem> batch(12, items()[0]);
    batch[0] = items()[1];
    const BatchOutput out{[](const std::string &) { return failure("cannot write the results: Broken pipe"); },
                          [](const std::string &) {}};
    EXPECT_EQ(2u, workersseen(batch, out, 2).size());
}

TEST(Jobs, WholeNumbersFromOneToTheLimitAcceptedOthersRefused) {
    for (const std::string &text : std::vector<std::string>{"1", "2", std::to_string(MAXJOBS)}) {
        int jobs = 0;
        EXPECT_TRUE(readjobs(text, jobs).ok());
        EXPECT_EQ(std::stoi(text), jobs);
    }
    for (const std::string &text :
         std::vector<std::string>{"0", "-1", std::to_string(MAXJOBS + 1), "1.5", "x", " 2", "", "99999999999"}) {
        int jobs = 7;
        EXPECT_EQ("--jobs: '" + text + "' refused; accepts a whole number from 1 to " + std::to_string(MAXJOBS),
                  readjobs(text, jobs).message);
        EXPECT_EQ(7, jobs);
    }
}

}  // namespace
