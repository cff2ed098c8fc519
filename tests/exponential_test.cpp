// The exponential function and logarithms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "number/addition.h"
#include "number/cancellation.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

// The bound the ln rows of the reference are checked to: a unit of the
// (d + 1)-th digit of ln x or finer, from a lower bound of |ln x|.
number lnresolution(const number& x, int d)
{
    if (x > number(2))
        return scaled(number(leadpos(x) + 1), -d);
    if (x > number(1))
        return powerof10(leadpos(x - number(1)) - d);
    if (x > N("0.5"))
        return powerof10(leadpos(number(1) - x) - d);
    return scaled(number(-leadpos(x)), -d);
}

TEST(ExponentialExact, ValuesThatAreExact)
{
    EXPECT_EQ(exp(number(), N("1e-30")), number(1));
    EXPECT_EQ(expprec(number(), 40), number(1));
    EXPECT_EQ(ln(number(1), N("1e-30")), number());
    EXPECT_EQ(lnnewton(number(1), N("1e-30")), number());
    EXPECT_EQ(lnagm(number(1), N("1e-30")), number());
    EXPECT_EQ(lnprec(number(1), 40), number());
    EXPECT_EQ(powprec(number(), number(), 40), number(1));
    EXPECT_EQ(powprec(number(5), number(), 40), number(1));
    EXPECT_EQ(powprec(number(), number(-2), 40), number());
}

TEST(ExponentialErrors, MessagesAndTheirOrder)
{
    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[] { lnprec(number(), 40); }, "ln:invalid argument (x<=0)"},
        {[] { lnprec(number(-2), 40); }, "ln:invalid argument (x<=0)"},
        {[] { ln(number(-1), number()); }, "ln:invalid argument (x<=0)"},
        {[] { lnnewton(number(), number()); }, "ln:invalid argument (x<=0)"},
        {[] { exp(number(1), number()); }, "exp:invalid argument (f<=0)"},
        {[] { exp(number(-1), number(-1)); }, "exp:invalid argument (f<=0)"},
        {[] { ln(number(2), number()); }, "ln:invalid argument (f<=0)"},
        {[] { lnnewton(number(2), number()); }, "ln:invalid argument (f<=0)"},
        // Beyond the range of a number, e^x is an overflow and e^-x an
        // underflow, not the other way round: just past either end, far
        // past it, and past any machine number.
        {[] { expprec(N("1842068075"), 40); }, "number overflow"},
        {[] { expprec(N("-1842068057"), 40); }, "number underflow"},
        {[] { expprec(N("5e9"), 40); }, "number overflow"},
        {[] { expprec(N("-5e9"), 40); }, "number underflow"},
        {[] { expprec(N("5e308"), 40); }, "number overflow"},
        {[] { expprec(N("-1e799999992"), 1); }, "number underflow"},
        {[] { powprec(N("1e-400000000"), number(2), 40); }, "number underflow"},
        {[] { powprec(number(2), N("1e799999992"), 40); }, "number overflow"},
        {[] { powprec(number(2), N("-1e799999992"), 40); }, "number underflow"},
        {[] { rootprec(N("1e-799999992"), N("1e-799999992"), 40); }, "number underflow"},
        {[] { powprec(number(-8), number(2), 40); }, "ln:invalid argument (x<=0)"},
        {[] { logprec(number(1), number(5), 40); }, "quot:division by zero"},
        {[] { logprec(number(-10), number(5), 40); }, "ln:invalid argument (x<=0)"},
        // Too close to 1 for the resolution asked.
        {[] { ln(N("1.000000000000000000000000000001"), N("1e-5")); }, "cond. 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorof(c.call), c.message);
}

TEST(ExponentialExp, ReciprocalsAgree)
{
    for (const char* s : {"1", "0.001", "2.5", "37.125", "1000"}) {
        for (const char* fs : {"1e-20", "1e-60"}) {
            number x = N(s), f = N(fs);
            number down = exp(negate(x), f);
            // 1/y magnifies an error of y by 1/y^2 at most.
            number g = scaled(f, 2 * leadpos(exp(x, N("0.1"))));
            number recip = quot(number(1), exp(x, g), f);
            EXPECT_LE(abs(down - recip), f * number(3)) << s << " at " << fs;
        }
    }
    // e^-1 * e^1 = 1 within the resolution.
    number f = N("1e-50");
    number one = exp(number(-1), f) * exp(number(1), f);
    EXPECT_LE(abs(one - number(1)), N("1e-49"));
}

TEST(ExponentialExp, ChoicesForCoarseResolutions)
{
    // The resolution is coarser than the value: a value within it.
    const std::pair<const char*, const char*> coarse[] = {
        {"1", "1000"}, {"2.5", "1000"}, {"-1", "1000"}, {"-1000", "1e-20"}, {"-50", "1e-20"}};
    for (const auto& [x, f] : coarse) {
        number r = exp(N(x), N(f));
        EXPECT_LE(abs(r - expprec(N(x), 50)), N(f)) << x << " at " << f;
    }
    // Below the smallest normal double the integer part of log10 e^x is 0.
    number tiny = N("1e-400");
    number e = expprec(tiny, 6000);
    EXPECT_GT(e, number(1));
    EXPECT_LE(abs(e - number(1) - tiny), tiny * tiny);
}

TEST(ExponentialLn, NewtonAndSeriesAgree)
{
    for (const char* s : {"2", "0.5", "10", "1e-30", "123456.789", "9.99"}) {
        number x = N(s), f = N("1e-45");
        EXPECT_LE(abs(ln(x, f) - lnnewton(x, f)), f + f) << s;
    }
}

// ln by the arithmetic-geometric mean, which ln takes for long results,
// on every ln row of the reference at that row's resolution: short results
// and arguments from 1e-799999992 to 1e799999992 test its budget where ln
// itself would not choose it.
TEST(ExponentialLnAgm, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("explog.txt")) {
        if (c.function != "lnprec")
            continue;
        const number x(c.arguments[0].c_str());
        const number want(c.value.c_str());
        const number f = lnresolution(x, c.digits);
        number got;
        try {
            got = lnagm(x, f);
        } catch (const numberexception& e) {
            ADD_FAILURE() << "line " << c.line << ": " << e.message();
            continue;
        }
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), f) << "line " << c.line << ": ln at " << c.digits;
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(ExponentialLnAgm, ErrorsAndCancellation)
{
    EXPECT_THROW(lnagm(number(), N("1e-30")), numberexception);
    EXPECT_THROW(lnagm(number(-2), N("1e-30")), numberexception);
    EXPECT_THROW(lnagm(number(2), number()), numberexception);
    // The mean polls the flag at every step.
    cancelcompute();
    EXPECT_THROW(lnagm(number(2), powerof10(-3000)), numberexception);
    startcompute();
}

TEST(ExponentialLn10, CacheStates)
{
    clearln10cache();
    // Coarse: the table, cut to the limb of 10^-7.
    EXPECT_EQ(ln10(N("1e-5")), N("2.30258509"));
    EXPECT_LE(abs(ln10(N("1e-30")) - N("2.302585092994045684017991454684364207601101488628772976")),
              N("1e-30"));
    // Beyond the table: computed by Newton's steps, and the table agrees
    // with it to its end.
    const number table = ln10(powerof10(-6380));
    const number fine = ln10(powerof10(-6420));
    EXPECT_LE(abs(fine - table), powerof10(-6380) * N("1.02"));
    // Served from the cache at a coarser resolution.
    EXPECT_LE(abs(ln10(powerof10(-6400)) - fine), powerof10(-6400) * N("1.03"));
    clearln10cache();
}

// Each digit form against mpmath: sqrt, exp and ln within the resolution the
// wrapper chooses; log and x^y, which carry 8 more digits through two
// stages, within four digits below the last one asked for.
TEST(ExponentialAccuracy, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("explog.txt")) {
        if (c.function == "sqrtprec")
            continue;
        const int d = c.digits;
        number x(c.arguments[0].c_str());
        number want(c.value.c_str());
        number got, f;
        try {
            if (c.function == "expprec") {
                // Within a unit of the digit after the d-th.
                got = expprec(x, d);
                f = powerof10(leadpos(want) - d - 1);
            } else if (c.function == "lnprec") {
                got = lnprec(x, d);
                f = lnresolution(x, d);
            } else {
                number y(c.arguments[1].c_str());
                got = c.function == "logprec"    ? logprec(x, y, d)
                      : c.function == "rootprec" ? rootprec(x, y, d)
                                                 : powprec(x, y, d);
                f = powerof10(leadpos(want) - d - 4);
            }
        } catch (const numberexception& e) {
            ADD_FAILURE() << "line " << c.line << ": " << e.message();
            continue;
        }
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), f) << "line " << c.line << ": " << c.function << " at " << d
                                      << " = " << decimaltext(got, d + 5, false);
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

}  // namespace
