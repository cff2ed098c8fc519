// Pi beyond its table, by the Chudnovsky series.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

// Just above the table's end and well beyond it, within the resolution.
TEST(PiChudnovsky, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("inverse.txt")) {
        if (c.function != "pi")
            continue;
        clearpicache();
        const number f = powerof10(-c.digits);
        const number got = pi(f);
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - number(c.value.c_str())), f) << "line " << c.line << " at " << c.digits;
        ++checked;
    }
    EXPECT_EQ(checked, 6);
    clearpicache();
}

// The last decimals of pi to 10^5 places: the row holds the decimals from
// `first` on, twenty past the last one asked for.
TEST(PiChudnovsky, LastDecimalsOfALongPi)
{
    int checked = 0;
    for (const referencecase& c : readreference("inverse.txt")) {
        if (c.function != "pidecimals")
            continue;
        const int first = std::stoi(c.arguments[0]);
        clearpicache();
        const number f = powerof10(-c.digits);
        // pi - 3 scaled so that the decimals from `first` on stand after the point.
        const number got = frac(scaled(pi(f) - number(3), first - 1));
        const std::string tail = "0." + c.value;
        EXPECT_LE(abs(got - number(tail.c_str())), powerof10(first - 1 - c.digits))
            << decimaltext(got, c.digits - first + 10, false);
        ++checked;
    }
    EXPECT_EQ(checked, 1);
    clearpicache();
}

// A cancel from another thread ends a long computation with the error, and
// the cache keeps nothing of it.
TEST(PiChudnovsky, CancelledWhileSplitting)
{
    clearpicache();
    std::atomic<bool> started{false};
    std::thread canceller([&] {
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        cancelcompute();
    });
    started = true;
    EXPECT_EQ(errorof([] { pi(powerof10(-2000000)); }), "Operation was canceled");
    canceller.join();
    startcompute();
    EXPECT_LE(abs(pi(powerof10(-7000)) - pi(powerof10(-6390))), powerof10(-6390));
    clearpicache();
}

}  // namespace
