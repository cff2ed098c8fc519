// Factorial, gamma, and the degrees-minutes-seconds conversions.
#include <gtest/gtest.h>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/dms.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

// Under the sanitizers the series at 1000 digits would take many seconds.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::int32_t SERIESDIGITS = 100;
constexpr std::int32_t REFERENCEDIGITS = 100;
#else
constexpr std::int32_t SERIESDIGITS = 1000;
constexpr std::int32_t REFERENCEDIGITS = 6000;
#endif

TEST(GammaExact, ExactValuesAndMessages)
{
    struct Case {
        number (*function)(const number&, std::int32_t);
        const char* x;
        std::int32_t d;
        const char* want;
    };
    const Case cases[] = {
        {factorial, "0", 40, "1"},
        {factorial, "5", 40, "120"},
        {factorial, "20", 40, "2432902008176640000"},
        {gamma, "1", 40, "1"},
        {gamma, "2", 40, "1"},
        {gamma, "5", 40, "24"},
        {todms, "0.5", 6, "0.3"},
        {todms, "-1.5", 6, "-1.3"},
        {todms, "0.99999999999", 6, "1"},
        // The seconds round at the display's last place, and their carry
        // reaches the minutes and the degrees: no field of 60.
        {todms, "0.9999999999", 10, "1"},
        {todms, "3.4999", 4, "3.3"},
        {todms, "9.9999999", 3, "10"},
        {todms, "59.9999", 3, "60"},
        {todms, "0.4999", 1, "0.3"},
        {todms, "0.0001234", 1, "0.000044"},
        {todms, "123456.789", 3, "123500"},
        {todms, "-1e-10", 40, "-0.000000000036"},
        {fromdms, "0.3", 6, "0.5"},
        {fromdms, "0.75", 6, "1.25"},
        {fromdms, "-0.3", 6, "-0.5"},
        {fromdms, "12.304515", 10, "12.5125416667"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.function(N(c.x), c.d), N(c.want)) << c.x;
    try {
        factorial(number(-3), 40);
        ADD_FAILURE() << "no error";
    } catch (const calculatorexception& e) {
        EXPECT_STREQ(e.message(), "Invalid input for function");
    }
    for (int x : {0, -2}) {
        try {
            gamma(number(x), 40);
            ADD_FAILURE() << "no error for " << x;
        } catch (const numberexception& e) {
            EXPECT_STREQ(e.message(), "gamma not defined for integers < 1");
        }
    }
}

// Gamma(1 + x) for a tiny x is 1 - gamma_E x to every digit, Euler's
// constant from its table; the series and the recurrence at 1 + x, which
// know nothing of the table, must agree to d digits (the last case checks
// 2400 digits of the table).
TEST(GammaExact, TinyArgumentsAgreeWithTheSeries)
{
    struct Case {
        std::int32_t k;  // x = +-10^-k
        std::int32_t d;
    };
    for (const Case c : {Case{60, 100}, Case{130, 250}, Case{500, 1000}, Case{2500, 4900}}) {
        if (c.d > 10 * SERIESDIGITS / 2)
            continue;
        for (const bool negative : {false, true}) {
            const number x = negative ? negate(powerof10(-c.k)) : powerof10(-c.k);
            const number fast = factorial(x, c.d);
            const number series = gamma(number(1) + x, c.d);
            EXPECT_LE(abs(fast - series), powerof10(-c.d))
                << (negative ? "-" : "") << "1e-" << c.k << " at " << c.d;
            // Just below 1 for x > 0, above it for x < 0.
            EXPECT_EQ(compare(fast, number(1)), negative ? 1 : -1)
                << (negative ? "-" : "") << "1e-" << c.k << " at " << c.d;
        }
    }
}

// N is the first integer above the root w of (w + 1) e^-w = u, to the
// Newton tolerance of 0.001 u: (N + 1) e^-N <= u < N e^(1 - N).
// n! at d digits is exact while it has not many more digits than d, else a
// running product whose steps each err by at most 10^-(d+2) relative, fewer
// than n of them: never above n!, and within n 10^-(d+2) of it relative.
TEST(GammaExact, FactorialIsExactOrWithinItsRunningProduct)
{
    for (std::int32_t d : {1, 9, 40, 100, 1000, 6000}) {
        for (std::int32_t n : {2, 3, 17, 100, 450, 1000, 3200, 10001, 10003}) {
            if (n > 1000 && d < 1000)
                continue;
            number exact(1);
            for (number q(n); !q.iszero(); decrement(q))
                exact = exact * q;
            const number got = factorial(number(n), d);
            ASSERT_LE(compare(got, exact), 0) << n << "! at " << d;
            const number allowed = APCprod(exact, scaled(number(n), -d - 2), 1);
            ASSERT_LE(exact - got, allowed) << n << "! at " << d;
            if (limbcount(exact) * 8 <= 4 * d) {
                ASSERT_TRUE(same(got, exact)) << n << "! at " << d;
            }
        }
    }
}

TEST(GammaCutoff, FirstIntegerAboveTheRoot)
{
    EXPECT_EQ(gammacutoff(N("1e-48")), 116);
    for (std::int32_t k : {-9, -18, -48, -108, -1008}) {
        number u = powerof10(k), n(gammacutoff(u));
        EXPECT_LE(expprec(-n, 30) * (n + number(1)), u * N("1.001")) << k;
        EXPECT_GT(expprec(number(1) - n, 30) * n, u * N("0.999")) << k;
    }
}

// Gamma(n + 1/2) Gamma(1/2 - n) = (-1)^n pi: both sides of zero of the
// half-integers' product, on either side of the precision where it turns
// from a running product to exact blocks, and with counts of factors from
// one to thousands, against pi from its table.
TEST(GammaHalfIntegers, ReflectedPairsMultiplyToPi)
{
    struct Case {
        const char* name;
        std::int32_t n;
        std::int32_t d;
    };
    const Case cases[] = {
        {"one factor", 1, 40},
        {"a few factors, one digit", 7, 1},
        {"a few factors", 7, 197},
        {"a few factors, blocks", 7, 203},
        {"a hundred, running", 100, 150},
        {"a hundred, blocks", 100, 250},
        {"thousands, running", 4999, 60},
        {"thousands, blocks", 4999, 1000},
    };
    for (const Case& c : cases) {
        const number half("0.5");
        const number above = gamma(number(c.n) + half, c.d);
        const number below = gamma(half - number(c.n), c.d);
        const number p = above * below;
        const number want =
            c.n % 2 == 0 ? pi(powerof10(-c.d - 5)) : negate(pi(powerof10(-c.d - 5)));
        // Each factor within a unit of its d-th digit, relative: 3 units of
        // pi's d-th digit for the product.
        EXPECT_LE(abs(p - want), scaled(number(3), -c.d + 1)) << c.name;
        EXPECT_EQ(signum(below), c.n % 2 == 0 ? 1 : -1) << c.name;
    }
}

// factorial and gamma leave no single resolution: the products of n! keep
// two digits below the d-th, the series, the recurrence and Stirling's series
// three. The check is d significant digits, one unit of the d-th. todms is
// exactly the reference's rounding in its fields; fromdms rounds a sum of
// quotients at 10^-d to d places.
TEST(GammaAccuracy, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("gamma.txt")) {
        const std::int32_t d = c.digits;
        const number x(c.arguments[0].c_str());
        const number want(c.value.c_str());
        const std::string where = "line " + std::to_string(c.line) + ": " + c.function;
        if (c.function == "n!")
            continue;  // keys, checked through the calculator
        if (c.function == "todms") {
            EXPECT_EQ(todms(x, d), want) << where;
        } else if (c.function == "fromdms") {
            number got = fromdms(x, d);
            EXPECT_EQ(rounddigits(got, d), got) << where;
            EXPECT_LE(abs(got - want), powerof10(-d)) << where << " = " << plaindigits(got);
        } else {
            // Half-integers take a product of halves and sqrt(pi) at any
            // precision.
            if (d > REFERENCEDIGITS && !isinteger(x + x))
                continue;
            number got = c.function == "factorial" ? factorial(x, d) : gamma(x, d);
            EXPECT_EQ(brokeninvariant(got), "");
            EXPECT_LE(abs(got - want), scaled(number(10), leadpos(want) - d))
                << where << " at " << d << " of " << c.arguments[0] << " = "
                << decimaltext(got, d + 5, false);
        }
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

}  // namespace
