// The worker thread on its own: hand-over of one job at a time, the drop
// rule, the snapshot it publishes, the paste loop, and the end of the worker
// while a key action runs.
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
    EXPECT_EQ(worker.snapshot().display, "0,1428571428571428571428571428571428571429");
}

// Whatever a job changes of what the window shows, the snapshot holds once
// the worker is idle: the same as the engine's own accessors.
// The history's recall and clearing are jobs like keys; the snapshot shares
// the engine's list, read here while the worker records the next entries.
TEST(Worker, RecallsAndClearsTheHistory)
{
    CalculatorWorker worker;
    for (int code : {key::digit1, key::divide, key::digit7, key::equals, key::digit2, key::add,
                     key::digit2, key::equals}) {
        ASSERT_TRUE(worker.postkey(code));
        ASSERT_TRUE(waitidle(worker));
    }
    const enginesnapshot first = worker.snapshot();
    ASSERT_EQ(first.history->size(), 2u);
    EXPECT_EQ(first.display, "4");
    ASSERT_TRUE(worker.postrecall(first.history->front()->serial));
    ASSERT_TRUE(waitidle(worker));
    EXPECT_EQ(worker.snapshot().display, first.history->front()->result);
    ASSERT_TRUE(worker.postclearhistory());
    ASSERT_TRUE(waitidle(worker));
    EXPECT_TRUE(worker.snapshot().history->empty());
    EXPECT_EQ(first.history->size(), 2u);
    EXPECT_EQ(first.history->back()->expression, "2 + 2 =");
}

TEST(Worker, TheSnapshotFollowsEveryJob)
{
    const struct {
        const char* what;
        std::vector<int> keys;
        int precision;  // a precision job after the keys; 0 for none
    } cases[] = {
        {"start", {}, 0},
        {"an entry", {key::digit1, key::point, key::digit5}, 0},
        {"memory", {key::digit5, key::memorystore}, 0},
        {"open parentheses", {key::openparen, key::openparen, key::digit2}, 0},
        {"inv and hyp", {key::inv, key::hyp}, 0},
        {"grouping", {key::grouping, key::digit1, key::digit2, key::digit3, key::digit4}, 0},
        {"hex and word", {key::hex, key::word, key::digitF}, 0},
        {"radians", {key::radians}, 0},
        {"error", {key::digit1, key::divide, key::digit0, key::equals}, 0},
        {"precision redraws", {key::digit1, key::divide, key::digit3, key::equals}, 7},
        {"precision clears an error", {key::digit1, key::divide, key::digit0, key::equals}, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CalculatorWorker worker;
        Calculator reference;
        for (const int code : c.keys) {
            ASSERT_TRUE(worker.postkey(code));
            ASSERT_TRUE(waitidle(worker));
            reference.presskey(code);
        }
        if (c.precision != 0) {
            ASSERT_TRUE(worker.postprecision(c.precision));
            ASSERT_TRUE(waitidle(worker));
            reference.setprecision(c.precision);
        }
        const enginesnapshot shown = worker.snapshot();
        EXPECT_EQ(shown.display, reference.display());
        EXPECT_EQ(shown.parens, reference.parens());
        EXPECT_EQ(shown.memory, reference.memorynonzero());
        EXPECT_EQ(shown.inv, reference.inv());
        EXPECT_EQ(shown.hyp, reference.hyp());
        EXPECT_EQ(shown.grouping, reference.grouping());
        EXPECT_EQ(shown.error, reference.error());
        EXPECT_EQ(shown.radix, reference.radix());
        EXPECT_EQ(shown.angle, reference.angle());
        EXPECT_EQ(shown.size, reference.wordsize());
        EXPECT_EQ(shown.precision, reference.precision());
    }
}

// A paste is the engine's paste: the step before each key sees the display
// the keys before it left, also as the window takes it; a cancel between
// two keys ends the paste there; a refusal types nothing.
TEST(Worker, APasteRunsItsKeysUntilTheLastOrACancel)
{
    const struct {
        const char* what;
        const char* text;
        std::size_t cancelat;             // the step that cancels; -1 for none
        std::vector<std::string> before;  // the display each step found
        std::string display;              // at the end
    } cases[] = {
        {"whole", "12+3=", std::size_t(-1), {"0", "1", "12", "12", "3"}, "15"},
        {"cancelled before the fourth key", "12+3=", 3, {"0", "1", "12", "12"}, "12"},
        {"cancelled before the first key", "12+3=", 0, {"0"}, "0"},
        {"refused", "1,2,3", std::size_t(-1), {}, "Cannot read pasted number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> before;
        std::vector<std::string> taken;  // what the window could take at each step
        CalculatorWorker* self = nullptr;
        CalculatorWorker worker({}, {}, [&](Calculator& engine, std::size_t pressed) {
            EXPECT_EQ(pressed, before.size());
            before.push_back(engine.display());
            std::string text;
            if (self->takedisplay(text))
                taken.push_back(text);
            if (pressed == c.cancelat)
                self->cancel();
        });
        self = &worker;
        ASSERT_TRUE(worker.postpaste(c.text));
        ASSERT_TRUE(waitidle(worker));
        EXPECT_EQ(before, c.before);
        // The first step has nothing new to show.
        if (!before.empty()) {
            EXPECT_EQ(taken, std::vector<std::string>(c.before.begin() + 1, c.before.end()));
        }
        EXPECT_EQ(worker.snapshot().display, c.display);
        std::string stale;
        EXPECT_FALSE(worker.takedisplay(stale));  // the snapshot supersedes it
    }
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
    EXPECT_EQ(worker.snapshot().display, "7");
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
