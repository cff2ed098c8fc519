// The worker thread on its own: hand-over of one key at a time, the drop
// rule, and the end of the worker while a key action runs.
#include <gtest/gtest.h>

#include "windowtesting.h"

namespace {

bool waitidle(CalculatorWorker& worker)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!worker.isidle()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(Worker, RunsOneKeyAtATimeOnTheEngine)
{
    CalculatorWorker worker;
    ASSERT_TRUE(worker.isidle());
    // The engine's state after a key is seen by this thread once the worker
    // is idle again.
    for (int code : {key::digit1, key::divide, key::digit7, key::equals}) {
        ASSERT_TRUE(worker.postkey(code));
        ASSERT_TRUE(waitidle(worker));
    }
    EXPECT_EQ(worker.calculator().display(), "0,1428571428571428571428571428571428571429");
}

TEST(Worker, DropsAKeyWhileBusy)
{
    slowaction slow;
    CalculatorWorker worker(slow.action());
    ASSERT_TRUE(worker.postkey(key::factorial));
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    EXPECT_FALSE(worker.isidle());
    EXPECT_FALSE(worker.postkey(key::digit5));
    slow.release();
    ASSERT_TRUE(waitidle(worker));
    ASSERT_TRUE(worker.postkey(key::digit7));
    ASSERT_TRUE(waitidle(worker));
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::factorial, key::digit7}));
    EXPECT_EQ(worker.calculator().display(), "7");
}

TEST(Worker, StopCancelsTheRunningActionAndJoins)
{
    const struct {
        const char* what;
        bool busy;
    } cases[] = {{"idle", false}, {"busy", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slowaction slow;
        CalculatorWorker worker(slow.action());
        ASSERT_TRUE(worker.isrunning());
        if (c.busy) {
            ASSERT_TRUE(worker.postkey(key::factorial));
            ASSERT_TRUE(waitfor([&] { return slow.running(); }));
        }
        worker.stop();
        EXPECT_FALSE(worker.isrunning());
        EXPECT_TRUE(worker.isidle());
        EXPECT_EQ(slow.cancelled(), c.busy);
        EXPECT_FALSE(worker.postkey(key::digit1));
    }
}

TEST(Worker, StopRightAfterAHandOverEndsPromptly)
{
    // Whether the key has started or not when stop() comes, the worker ends
    // without running a long action to its end.
    for (int i = 0; i < 20; ++i) {
        slowaction slow;
        CalculatorWorker worker(slow.action());
        ASSERT_TRUE(worker.postkey(key::factorial));
        const auto start = std::chrono::steady_clock::now();
        worker.stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_FALSE(worker.isrunning());
    }
}

}  // namespace
