// The feeder without a window: the order of the hand-over, keys that wait
// for a long action, C and CE that cancel it, keys decided by the radix,
// pastes, the wait pointer and the question, the Precision request, and the
// end. A fake window records what the feeder asks of it; the clock is the
// test's.
#include <QTimer>

#include <chrono>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ui/keyfeeder.h"
#include "windowtesting.h"

namespace {

class fakewindow : public KeyFeeder::Window {
public:
    int refreshes = 0;
    std::vector<std::string> shown;  // by showdisplay
    bool pointer = false;
    std::vector<int> waitingshown;  // by showwaiting
    int asked = 0;
    std::function<bool()> answer = [] { return true; };
    std::vector<std::pair<int, bool>> flashes;
    bool precisionoffered = true;
    std::vector<int> precisionasked;  // the digits each dialog opened on
    std::optional<int> precisionchosen;
    std::function<void()> onaskprecision = [] {};
    std::function<void(const enginesnapshot&)> onrefresh = [](const enginesnapshot&) {};
    int beeps = 0;
    int calls = 0;

    void refresh(const enginesnapshot& state) override
    {
        ++calls;
        ++refreshes;
        onrefresh(state);
    }
    void showdisplay(const std::string& text) override
    {
        ++calls;
        shown.push_back(text);
    }
    void showwaitpointer(bool on) override
    {
        ++calls;
        pointer = on;
    }
    void showwaiting(int count) override
    {
        ++calls;
        waitingshown.push_back(count);
    }
    bool askcontinue() override
    {
        ++calls;
        ++asked;
        return answer();
    }
    void flash(int code, bool down) override
    {
        ++calls;
        flashes.emplace_back(code, down);
    }
    void enableprecision(bool on) override
    {
        ++calls;
        precisionoffered = on;
    }
    std::optional<int> askprecision(int digits) override
    {
        ++calls;
        precisionasked.push_back(digits);
        onaskprecision();
        return precisionchosen;
    }
    void beep() override
    {
        ++calls;
        ++beeps;
    }
};

class KeyFeederTest : public ::testing::Test {
protected:
    std::time_t clock = 1000;
    fakewindow window;
    slowaction slow;  // outlives the feeder, whose worker runs it
    std::unique_ptr<KeyFeeder> feeder;

    void SetUp() override { make(slow); }

    void make(slowaction& action) { make(action.action(), action.pastestep()); }

    void make(CalculatorWorker::KeyAction action, CalculatorWorker::PasteStep pastestep = {})
    {
        feeder = std::make_unique<KeyFeeder>(
            window, [this] { return clock; }, std::move(action), std::move(pastestep));
    }

    // What the window is shown of the engine.
    enginesnapshot engine() { return feeder->worker().snapshot(); }

    // Every request handed over, the worker idle and its result shown.
    bool settled(int ms = 5000)
    {
        return waitfor(
            [&] {
                return !feeder->waiting() && feeder->worker().isidle() &&
                       feeder->busyinterval() == 0;
            },
            ms);
    }

    void startslow()
    {
        feeder->press(key::factorial, false);
        ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    }
};

// Keys sent faster than the worker runs them all arrive, in order, whatever
// sends them: a key waits behind the one before it.
TEST_F(KeyFeederTest, KeysArriveInTheOrderTheyCame)
{
    make([this](Calculator& calculator, int code) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        slow.action()(calculator, code);
    });
    feeder->press(key::digit1, false);
    feeder->hand(key::inv);
    feeder->paste(QStringLiteral("23"));
    feeder->press(key::digit4, true);
    feeder->hand(key::inv);
    ASSERT_TRUE(settled());
    // The pasted keys run in the engine's paste, between the two Inv.
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit1, key::inv, key::digit4, key::inv}));
    EXPECT_EQ(engine().display, "1234");
    EXPECT_FALSE(engine().inv);
    EXPECT_GE(window.refreshes, 1);
}

// A key pressed, clicked or handed while the worker is busy waits for it
// however long that takes: its button goes down only when its turn comes,
// and the window is told how many wait once a poll has found them waiting.
TEST_F(KeyFeederTest, KeysWaitForABusyWorkerHoweverLong)
{
    startslow();
    feeder->press(key::digit5, true);
    feeder->hand(key::inv);
    feeder->press(key::digit6, false);
    QTest::qWait(KeyFeeder::BUSY_FIRST * 3);
    EXPECT_TRUE(feeder->waiting());
    EXPECT_EQ(slow.keys(), std::vector<int>{key::factorial});
    EXPECT_TRUE(window.flashes.empty());
    EXPECT_TRUE(window.pointer);
    EXPECT_EQ(window.waitingshown, std::vector<int>{3});
    EXPECT_FALSE(window.precisionoffered);

    slow.release();
    ASSERT_TRUE(settled());
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::factorial, key::digit5, key::inv, key::digit6}));
    EXPECT_EQ(engine().display, "56");
    EXPECT_EQ(window.flashes,
              (std::vector<std::pair<int, bool>>{{key::digit5, true}, {key::digit5, false}}));
    EXPECT_EQ(window.waitingshown, (std::vector<int>{3, 0}));
    EXPECT_FALSE(window.pointer);
    EXPECT_TRUE(window.precisionoffered);
}

// C and CE while the worker is busy cancel the action at once and drop
// every request waiting: keys, pastes, the Precision request. Then they
// act themselves; the cancel is not shown before their result.
TEST_F(KeyFeederTest, ClearWhileBusyCancelsAndDropsWhatWaits)
{
    for (const int clear : {int{key::clearall}, int{key::clearentry}}) {
        SCOPED_TRACE(clear);
        slowaction held;
        window = fakewindow();
        make(held);
        feeder->press(key::digit2, false);
        feeder->press(key::factorial, false);
        ASSERT_TRUE(waitfor([&] { return held.running(); }));
        feeder->press(key::add, true);
        feeder->paste(QStringLiteral("12"));
        feeder->hand(key::inv);
        feeder->changeprecision();
        const int refreshes = window.refreshes;
        const auto start = std::chrono::steady_clock::now();
        feeder->press(clear, false);
        ASSERT_TRUE(settled(1000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_TRUE(held.cancelled());
        EXPECT_EQ(held.keys(), (std::vector<int>{key::digit2, key::factorial, clear}));
        EXPECT_EQ(engine().display, "0");
        EXPECT_EQ(window.refreshes, refreshes + 1);  // C's result, not the cancel first
        EXPECT_TRUE(window.flashes.empty());
        EXPECT_TRUE(window.precisionasked.empty());
        EXPECT_FALSE(feeder->pasting());
        feeder.reset();
    }
}

// C and CE with the worker idle cancel nothing and drop no key: they come
// in their turn.
TEST_F(KeyFeederTest, ClearWithAnIdleWorkerWaitsItsTurn)
{
    for (const int code : {key::digit1, key::digit2, key::add, key::digit3, key::clearentry,
                           key::digit4, key::equals})
        feeder->press(code, false);
    ASSERT_TRUE(settled());
    EXPECT_EQ(slow.keys(), (std::vector<int>{key::digit1, key::digit2, key::add, key::digit3,
                                             key::clearentry, key::digit4, key::equals}));
    EXPECT_EQ(engine().display, "16");
}

// A typed E and F2 to F4 mean what the radix in force at their turn makes
// of them, set by the keys before them, however quickly they follow.
TEST_F(KeyFeederTest, KeysByRadixFollowTheKeysBefore)
{
    const struct {
        const char* what;
        int radix;
        int typed;  // as the window took it, by the radix it showed
        int sent;
    } cases[] = {
        {"E in Dec", key::dec, key::digitE, key::exponent},
        {"E in Hex", key::hex, key::exponent, key::digitE},
        {"F2 in Dec", key::dec, key::dword, key::degrees},
        {"F2 in Hex", key::hex, key::degrees, key::dword},
        {"F3 in Oct", key::oct, key::radians, key::word},
        {"F4 in Bin", key::bin, key::grads, key::byte},
        {"F4 in Dec", key::dec, key::byte, key::grads},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slowaction recorder(0);
        make(recorder);
        if (c.radix != key::dec)
            feeder->hand(c.radix);
        feeder->hand(key::digit1);
        if (c.typed == key::exponent || c.typed == key::digitE)
            feeder->press(c.typed, true, true);
        else
            feeder->hand(c.typed, true);
        ASSERT_TRUE(settled());
        EXPECT_EQ(recorder.keys().back(), c.sent);
        feeder.reset();
    }
}

// A paste runs as one job: a key typed meanwhile waits for its end however
// long that takes, and the display follows the pasted keys.
TEST_F(KeyFeederTest, APasteRunsWholeAndKeysTypedMeanwhileWait)
{
    slow.holdpaste(1);  // before n!
    feeder->paste(QStringLiteral("5!12"));
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    feeder->press(key::digit3, false);
    QTest::qWait(KeyFeeder::KEY_GRACE * 3);  // far past any grace: still held back
    EXPECT_TRUE(feeder->pasting());
    EXPECT_FALSE(window.precisionoffered);
    EXPECT_TRUE(waitfor([&] { return !window.shown.empty() && window.shown.back() == "5"; }));
    slow.release();
    ASSERT_TRUE(settled());
    EXPECT_FALSE(feeder->pasting());
    EXPECT_TRUE(window.precisionoffered);
    EXPECT_EQ(slow.keys(), std::vector<int>{key::digit3});
    EXPECT_EQ(engine().display, "123");
    EXPECT_TRUE(window.flashes.empty());  // no button flashes for pasted keys
}

// C and CE end a running paste at once, and the pastes waiting behind it.
TEST_F(KeyFeederTest, ClearEndsThePaste)
{
    for (const int clear : {int{key::clearall}, int{key::clearentry}}) {
        SCOPED_TRACE(clear);
        slowaction held;
        make(held);
        held.holdpaste(1);  // before n!
        feeder->paste(QStringLiteral("5!12"));
        feeder->paste(QStringLiteral("7"));
        ASSERT_TRUE(waitfor([&] { return held.running(); }));
        feeder->press(clear, false);
        ASSERT_TRUE(settled(1000));
        EXPECT_TRUE(held.cancelled());
        EXPECT_EQ(held.keys(), std::vector<int>{clear});
        EXPECT_EQ(engine().display, "0");
        feeder.reset();
    }
}

// The result of a quick key shows before a long key that follows at once.
TEST_F(KeyFeederTest, AQuickKeyShowsBeforeTheLongOneAfterIt)
{
    std::vector<std::string> refreshed;
    window.onrefresh = [&](const enginesnapshot& state) { refreshed.push_back(state.display); };
    for (const int code : {key::digit0, key::point, key::digit5, key::factorial})
        feeder->press(code, false);
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    ASSERT_FALSE(refreshed.empty());
    EXPECT_EQ(refreshed.back(), "0,5");
    slow.release();
    ASSERT_TRUE(settled());
}

// 'E' is read by the radix in force when its turn comes, set by a key
// before it.
TEST_F(KeyFeederTest, APastedEFollowsTheRadixOfTheKeysBefore)
{
    const struct {
        const char* what;
        int radix;
        std::vector<int> keys;  // what the paste types after the radix
    } cases[] = {
        {"EE in Dec", key::dec, {key::digit1, key::exponent, key::digit2}},
        {"the digit in Hex", key::hex, {key::digit1, key::digitE, key::digit2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slowaction recorder(0);
        make(recorder);
        feeder->hand(c.radix);
        feeder->paste(QStringLiteral("1e2"));
        ASSERT_TRUE(settled());
        Calculator reference;
        reference.presskey(c.radix);
        for (const int code : c.keys)
            reference.presskey(code);
        EXPECT_EQ(engine().display, reference.display());
        feeder.reset();
    }
}

TEST_F(KeyFeederTest, WaitPointerAfterASecondQuestionAfterTen)
{
    const struct {
        int seconds;  // since the hand-over
        bool pointer;
        int interval;
        int asked;
        bool changes;  // else nothing changes for a whole tick
    } steps[] = {
        {0, false, KeyFeeder::BUSY_FIRST, 0, false},
        {1, true, KeyFeeder::BUSY_LATER, 0, true},
        {9, true, KeyFeeder::BUSY_LATER, 0, false},
        {10, true, KeyFeeder::BUSY_LATER, 1, true},  // Yes: the next question 10 s on
        {19, true, KeyFeeder::BUSY_LATER, 1, false},
    };
    startslow();
    const std::time_t start = clock;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.seconds);
        const int interval = feeder->busyinterval();
        clock = start + s.seconds;
        if (s.changes) {
            EXPECT_TRUE(
                waitfor([&] { return window.pointer == s.pointer && window.asked == s.asked; }));
        } else {
            QTest::qWait(interval + interval / 2 + 20);
        }
        EXPECT_EQ(window.pointer, s.pointer);
        EXPECT_EQ(feeder->busyinterval(), s.interval);
        EXPECT_EQ(window.asked, s.asked);
    }
    slow.release();
    ASSERT_TRUE(settled());
    EXPECT_FALSE(window.pointer);
    EXPECT_FALSE(slow.cancelled());
}

// No cancels the action and ends the paste; a key pressed after the paste
// is not part of it and still arrives.
TEST_F(KeyFeederTest, NoCancelsAndEndsThePaste)
{
    window.answer = [this] {
        EXPECT_FALSE(window.pointer);  // the normal pointer while asking
        return false;
    };
    slow.holdpaste(0);
    feeder->paste(QStringLiteral("!12"));
    feeder->press(key::digit3, false);
    ASSERT_TRUE(waitfor([&] { return slow.running(); }));
    clock += 10;
    ASSERT_TRUE(waitfor([&] { return window.asked == 1; }));
    EXPECT_FALSE(feeder->pasting());
    ASSERT_TRUE(settled());
    EXPECT_TRUE(slow.cancelled());
    EXPECT_EQ(slow.keys(), std::vector<int>{key::digit3});
    EXPECT_EQ(engine().display, "3");
    EXPECT_FALSE(window.pointer);
}

// The Precision command is refused at once during a long action, and after
// the grace when asked for just as a key began that then runs long.
TEST_F(KeyFeederTest, PrecisionChangesOnlyWithAnIdleWorker)
{
    const struct {
        const char* what;
        void (*before)(KeyFeeder&);
        std::optional<int> chosen;
        bool beeps;     // refused; otherwise the dialog opens
        int precision;  // afterwards
    } cases[] = {
        {"idle", [](KeyFeeder&) {}, 25, false, 25},
        {"cancelled", [](KeyFeeder&) {}, std::nullopt, false, 40},
        {"busy past the grace", [](KeyFeeder& f) { f.press(key::factorial, false); }, 25, true, 40},
        {"pasting", [](KeyFeeder& f) { f.paste(QStringLiteral("!1")); }, 25, true, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slowaction held;
        window = fakewindow();
        make(held);
        held.holdpaste(0);
        window.precisionchosen = c.chosen;
        c.before(*feeder);
        if (c.beeps) {
            ASSERT_TRUE(waitfor([&] { return held.running(); }));
        }
        feeder->changeprecision();
        ASSERT_TRUE(waitfor([&] { return window.beeps > 0 || !window.precisionasked.empty(); }));
        EXPECT_EQ(window.beeps, c.beeps ? 1 : 0);
        EXPECT_EQ(window.precisionasked.empty(), c.beeps);
        held.release();
        ASSERT_TRUE(settled());
        EXPECT_EQ(engine().precision, c.precision);
        feeder.reset();
    }
}

TEST_F(KeyFeederTest, PrecisionAfterAKeyWaitsForIt)
{
    feeder->press(key::digit5, false);
    window.precisionchosen = 3;
    window.onaskprecision = [&] {
        EXPECT_TRUE(feeder->worker().isidle());
        EXPECT_EQ(engine().display, "5");
    };
    feeder->changeprecision();
    ASSERT_TRUE(settled());
    EXPECT_EQ(window.precisionasked, std::vector<int>{40});
    EXPECT_EQ(engine().precision, 3);
    EXPECT_EQ(engine().display, "5");
}

TEST_F(KeyFeederTest, StopCancelsDropsTheRestAndCallsNothing)
{
    startslow();
    feeder->press(key::digit1, true);
    feeder->paste(QStringLiteral("23"));
    const int calls = window.calls;
    const auto start = std::chrono::steady_clock::now();
    feeder->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(slow.cancelled());
    EXPECT_FALSE(feeder->waiting());
    EXPECT_FALSE(feeder->worker().isrunning());
    feeder->press(key::digit4, true);
    QTest::qWait(KeyFeeder::KEY_WAIT + KeyFeeder::BUSY_FIRST);
    EXPECT_EQ(window.calls, calls);
    EXPECT_EQ(slow.keys(), std::vector<int>{key::factorial});
}

}  // namespace
