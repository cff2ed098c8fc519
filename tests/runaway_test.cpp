// Keys whose arguments once made the engine run for minutes or hold
// gigabytes: they answer (or report) at once, a cancel ends the long ones
// promptly, and the limb pool is back to its prefilled nodes after a key.
#include <atomic>
#include <chrono>
#include <thread>

#include "calctesting.h"
#include "number/number.h"
#include "number/trigonometric.h"
#include "pool.h"

using namespace num;

namespace {

TEST(Runaway, HugeAndTinyArgumentsAnswerAtOnce)
{
    runcases({
        {"1E9[n!]", "number overflow"},
        {"9,25E355[x^y]622225330000000000=", "number overflow"},
        {"1,000001[x^y]922337203685477580=", "number overflow"},
        {"1,000001[x^y]922337203685477580[+/-]=", "number underflow"},
        {"1E9[Inv][ln]", "8,0029817706609725330419093743650006887823e+434294481"},
        {"1E799999992[Inv][ln]", "number overflow"},
        {"-1E799999992[Inv][ln]", "number underflow"},
        {"[Oct]515[x^y]214671125=", "getuint64:__uint64 overflow"},
        {"0,5-1E8=[n!]", "number underflow"},
        // Tiny arguments: 1 - gamma_E x, just below 1 for x > 0 and above
        // it for x < 0; integers from 10^9 on overflow by their size.
        {"1E-100000000[n!]", "1"},
        {"1E-799999992[n!]", "1"},
        {"0-1E-799999992=[n!]", "1"},
        {"1E-40[n!]", "0,9999999999999999999999999999999999999999"},
        {"0-1E-40=[n!]", "1,0000000000000000000000000000000000000001"},
        {"1E-41[n!]", "1"},
        {"1E799999992[n!]", "number overflow"},
        {"1E444289369[n!]", "number overflow"},
        {"1E309[n!]", "number overflow"},
        {"0-1E309=[n!]", "Invalid input for function"},
        {"1E9[+]0,5=[n!]", "number overflow"},
        {"0,5-1E9=[n!]", "number underflow"},
        // At the edge of the range the size decides: beyond it the
        // exponential would fail, and below zero the reflection's quotient.
        {"54763049[n!]", "number overflow"},
        {"0,5-54763049=[n!]", "number underflow"},
        {"10000000[n!]", "1,2024234005159034561401534879443075697677e+65657059"},
        {"1E7[+]0,5=[n!]", "3,8023968001050098004095102595962562132958e+65657062"},
        {"0,5[n!]", "0,8862269254527580136490837416705725913988"},
        {"100000,5[+/-][n!]", "3,5176323339873233228618592728779481534024e-456571"},
        {"1000,25[n!]", "2,2631433508666040721509379547193642492104e+2568"},
        // Degrees: pi/2 less 10^-199999999 radians is 90 to every digit.
        {"1E199999999[Inv][tan]", "90"},
        {"1E199999999[+/-][Inv][tan]", "5,7295779513082320876798154814105170332405e-199999998"},
        {"[Radians]1E199999999[+/-][Inv][tan]", "1e-199999999"},
        {"[Radians]1E199999999[+/-][Inv][sin]", "1e-199999999"},
        {"[Radians]1E199999999[+/-][Inv][cos]", "1,5707963267948966192313216916397514420986"},
        {"1E199999999[+/-][Inv][sin]", "5,7295779513082320876798154814105170332405e-199999998"},
        {"[Radians]2[Inv][tan]", "1,10714871779409050301706546017853704007"},
        {"[Radians]1E100000[sin]", "0,1722376742473123308937929951294025927013"},
        {"1,5E399999990[+/-][dms]", "5,4e-399999991"},
        {"1,5E399999990[+/-][Inv][dms]", "0"},
        {"1E-500000000[dms]", "3,6e-500000001"},
        {"12,3456789[dms]", "12,204444404"},
        {"12,3456789[Inv][dms]", "12,582441388888888888888888888888888888889"},
    });
}

// A cancel asked while a long key runs ends it within a tenth of a second
// (more under the sanitizers and without optimisation), and the display
// says so. The cancel is repeated until the key returns, as the window's
// worker does, so that one asked before the key has started is not lost.
TEST(Runaway, ACancelEndsEveryLongKeyPromptly)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr double allowed = 1.0;
#elif !defined(NDEBUG)
    constexpr double allowed = 0.3;
#else
    constexpr double allowed = 0.1;
#endif
    struct longcase {
        const char* keys;
        int precision;
    };
    for (const longcase& k : std::initializer_list<longcase>{
             {"[Radians]1E1000000[sin]", 40},
             // The factorial's loops: the series and the rising factorial
             // of a long argument, the recurrence's short products, the
             // reflection, Stirling's series (half-integers take a short
             // product of halves instead).
             {"1/3=[+]29000=[n!]", 6000},
             {"99999,0123456789[n!]", 6000},
             {"130000,25[+/-][n!]", 6000},
             {"1/3=[+]100000=[n!]", 6000},
             {"[Radians]2y(3y(5y(7y0,3=[sin]", 6000},
         }) {
        Calculator c;
        c.setprecision(k.precision);
        std::atomic<bool> done{false};
        std::chrono::steady_clock::time_point finished;
        std::thread keys([&] {
            type(c, k.keys);
            finished = std::chrono::steady_clock::now();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done) << k.keys << " is not long enough to cancel";
        const auto asked = std::chrono::steady_clock::now();
        while (!done) {
            c.cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        keys.join();
        const std::chrono::duration<double> took = finished - asked;
        EXPECT_EQ(c.display(), "Operation was canceled") << k.keys;
        EXPECT_LT(took.count(), allowed) << k.keys;
    }
    startcompute();
}

// A key whose numbers outgrow the prefilled nodes leaves no block behind.
TEST(Runaway, ThePoolIsBackToItsPrefillAfterAKey)
{
    Calculator c;
    // A pi kept from an earlier huge reduction would hold a block of its own.
    clearpicache();
    limbpool::trim();
    const std::size_t free = limbpool::available();
    {
        std::vector<limb*> held;
        for (std::size_t i = 0; i < free + 1; ++i)
            held.push_back(limbpool::acquire());
        for (limb* p : held)
            limbpool::release(p);
    }
    ASSERT_EQ(limbpool::blocks(), 1u);
    type(c, "2*3=");
    EXPECT_EQ(c.display(), "6");
    EXPECT_EQ(limbpool::blocks(), 0u);
    EXPECT_GE(limbpool::available() + 16, free);  // the engine's own values
}

}  // namespace
