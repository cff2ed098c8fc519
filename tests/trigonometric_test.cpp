// Pi, sine, cosine and tangent.
#include <gtest/gtest.h>

#include <cmath>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

TEST(TrigonometricExact, ZerosAndCoarseResolutions)
{
    clearpicache();
    EXPECT_EQ(sin(number(), N("1e-30")), number());
    // sin 0 takes no pi: the cache still serves its table.
    EXPECT_EQ(pi(N("1e-5")), N("3.14159265"));
    EXPECT_EQ(sinprec(number(), 40), number());
    EXPECT_EQ(cosprec(number(), 40), number(1));
    EXPECT_EQ(tanprec(number(), 40), number());
    for (const char* x : {"0", "1", "-7.5", "1e30"}) {
        EXPECT_EQ(cos(N(x), number(1)), number()) << x;
        EXPECT_EQ(sin(N(x), N("1.2")), number()) << x;  // 0.9 f >= 1
    }
    EXPECT_EQ(errorof([] { cos(number(1), number()); }), "cos:invalid argument (f<=0)");
    EXPECT_EQ(errorof([] { sin(number(), number()); }), "sin:invalid argument (f<=0)");
    EXPECT_EQ(errorof([] { sin(number(1), number(-1)); }), "sin:invalid argument (f<=0)");
    clearpicache();
}

TEST(TrigonometricPi, CacheStates)
{
    clearpicache();
    EXPECT_EQ(pi(N("1e-5")), N("3.14159265"));  // the table, cut to the limb of 10^-7
    const number exact("3.14159265358979323846264338327950288419716939937510582097494459230781");
    EXPECT_LE(abs(pi(N("1e-50")) - exact), N("1e-50"));
    // Beyond the table: computed, and the table agrees with it to its end.
    const number table = pi(powerof10(-6380));
    const number fine = pi(powerof10(-6500));
    EXPECT_LE(abs(fine - table), powerof10(-6380));
    EXPECT_EQ(pi(powerof10(-6450)), truncate(fine, APCprod(N("0.01"), powerof10(-6450), -1)));
    // A computation that fails leaves the cache as it was.
    clearpicache();
    cancelcompute();
    EXPECT_EQ(errorof([] { pi(powerof10(-6500)); }), "Operation was canceled");
    startcompute();
    EXPECT_EQ(pi(N("1e-40")), truncate(table, APCprod(N("0.01"), N("1e-40"), -1)));
    clearpicache();
}

// pi/2, pi and 3 pi/2 cut to d + 9 digits are decimals beside a zero of the
// cosine or the sine: the functions keep their digits there, relative to
// the small value, and the tangent is large, never a pole.
TEST(TrigonometricNearZeros, DecimalsBesideMultiplesOfHalfPi)
{
    for (std::int32_t d : {1, 10, 40, 100}) {
        for (std::int32_t k : {1, 2, 3, -1, 201}) {
            const number e = powerof10(-d - 9);
            const number x = truncate(quot(pi(e) * number(k), number(2), e), e);
            const number fine = pi(powerof10(-3 * d - 40)) * number(k);
            // |x - k pi/2| = the rest, known here to 2d + 30 more digits.
            const number rest = x - quot(fine, number(2), powerof10(-3 * d - 40));
            const number small = k % 2 == 0 ? sinprec(x, d) : cosprec(x, d);
            ASSERT_FALSE(small.iszero()) << k << " at " << d;
            // |sin| or |cos| there is |rest| (1 - rest^2/6): within 10^-(d+1) of it.
            EXPECT_LE(abs(abs(small) - abs(rest)), scaled(abs(rest), -d - 1)) << k << " at " << d;
            // tan is the rest there, or its reciprocal near an odd multiple.
            const number t = abs(tanprec(x, d));
            if (k % 2 == 0)
                EXPECT_LE(abs(t - abs(rest)), scaled(abs(rest), -d - 1)) << k << " at " << d;
            else
                EXPECT_LE(abs(t * abs(rest) - number(1)), powerof10(-d)) << k << " at " << d;
        }
    }
}

TEST(TrigonometricSymmetry, OddEvenAndSigns)
{
    for (double x = -7.0; x <= 7.0; x += 0.375) {
        number a(x);
        number s = sinprec(a, 20), c = cosprec(a, 20);
        EXPECT_EQ(s.isnegative(), std::sin(x) < 0) << x;
        EXPECT_EQ(c.isnegative(), std::cos(x) < 0) << x;
        EXPECT_EQ(sinprec(-a, 20), -s) << x;
        EXPECT_EQ(cosprec(-a, 20), c) << x;
        EXPECT_EQ(tanprec(-a, 20), -tanprec(a, 20)) << x;
    }
}

// Each digit form lies within a tenth of a unit of its d-th digit of the
// true value, near the zeros and poles too.
TEST(TrigonometricAccuracy, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("trig.txt")) {
        const std::int32_t d = c.digits;
        const number want(c.value.c_str());
        const std::string where = "line " + std::to_string(c.line) + ": " + c.function;
        if (c.function == "pi") {
            clearpicache();
            EXPECT_LE(abs(pi(powerof10(-d)) - want), powerof10(-d)) << where;
            ++checked;
            continue;
        }
        const number x(c.arguments[0].c_str());
        number got;
        if (c.function == "sinprec")
            got = sinprec(x, d);
        else if (c.function == "cosprec")
            got = cosprec(x, d);
        else if (c.function == "tanprec")
            got = tanprec(x, d);
        else
            continue;
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), powerof10(leadpos(want) - d - 1))
            << where << " at " << d << " of " << c.arguments[0] << " = "
            << decimaltext(got, d + 5, false);
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

}  // namespace
