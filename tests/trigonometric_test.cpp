// Pi, sine, cosine and tangent.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

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

// The engine's tan 90 and tan 270 degrees: pi/2 and 3 pi/2 to d + 9 digits
// are odd multiples of pi/2 to the digits held, and the cosine is zero.
TEST(TrigonometricTangent, ZeroCosineAtOddMultiplesOfHalfPi)
{
    for (std::int32_t d : {10, 40, 100}) {
        for (std::int32_t degrees : {90, 270, -90}) {
            number e = powerof10(-d - 9);
            number x = pi(e) * quot(number(degrees), number(180), e);
            EXPECT_EQ(cosprec(x, d), number()) << degrees << " at " << d;
            EXPECT_EQ(errorof([&] { tanprec(x, d); }), "quot:division by zero");
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

// Error bounds of the digit forms, from the steps they take.
//
// sinprec: sin at 10^(leadpos(v) - d) of the reduced angle v, which has lost
// its digits after d decimals (d significant digits below 1): one unit there
// moves the sine by at most as much.
number sinbound(const number& x, const number& s, std::int32_t d)
{
    double w = std::fabs(getdouble(s));
    std::int32_t lead = leadpos(s);  // of v = asin |s|, one more near a power of ten
    if (w >= std::sin(1.0))
        lead = 0;
    else if (w >= std::sin(std::pow(10.0, lead + 1)))
        ++lead;
    return powerof10(lead - d) + powerof10(std::min(leadpos(x), 0) - d);
}

// cosprec: the root at 10^(leadpos(t) / 2 - d) of t = 1 - s^2, t with an
// error of 2 ds + 10^-(D + 2) at the D digits of its last pass (below
// t = 0.1 at least d - leadpos(t) + 1, the leading zeros counted on a t one
// digit off), where the sine has ds <= 10^-D + |c| 10^-D; below
// cos^2 = 6.1 10^-(d + 16) the result may be zero.
number cosbound(const number& c, std::int32_t d, bool& mayvanish)
{
    number t = c * c;
    mayvanish = t < scaled(N("6.1"), -d - 16);
    std::int32_t D = t < N("0.1") ? d - leadpos(t) + 1 : d;
    number dt = scaled(number(2) * (number(1) + abs(c)) + N("0.01"), -D);
    return powerof10(leadpos(t) / 2 - d) + APCquot(dt, abs(c + c), 1) + powerof10(-D - 30);
}

TEST(TrigonometricAccuracy, AgreesWithTheReference)
{
    std::map<std::string, number> values;
    for (const referencecase& c : readreference("trig.txt"))
        values[c.function + " " + std::to_string(c.digits) + " " +
               (c.arguments.empty() ? "" : c.arguments[0])] = number(c.value.c_str());
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
        const std::string key = " " + std::to_string(d) + " " + c.arguments[0];
        bool mayvanish = false;
        number got, bound;
        if (c.function == "sinprec") {
            got = sinprec(x, d);
            bound = sinbound(x, want, d);
        } else if (c.function == "cosprec") {
            got = cosprec(x, d);
            bound = cosbound(want, d, mayvanish);
            if (mayvanish && got.iszero())
                continue;
        } else if (c.function == "tanprec") {
            // s / c: the quotient's own resolution at d + 1 digits, the
            // sine's at d + 3 and the cosine's at d + 4 (or 2d, the finer,
            // where it may vanish at d + 4).
            const number s = values["sinprec" + key], co = values["cosprec" + key];
            cosbound(co, std::max(d + d, d + 4), mayvanish);
            if (mayvanish) {
                EXPECT_EQ(errorof([&] { tanprec(x, d); }), "quot:division by zero") << where;
                continue;
            }
            number dc = cosbound(co, d + 4, mayvanish);
            got = tanprec(x, d);
            bound = powerof10(leadpos(s) - leadpos(co) - d - 3) +
                    APCquot(sinbound(x, s, d + 3) + abs(want) * dc, abs(co), 1);
        } else {
            continue;
        }
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), bound) << where << " at " << d << " of " << c.arguments[0]
                                          << " = " << decimaltext(got, d + 5, false);
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

}  // namespace
