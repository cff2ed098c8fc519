// Integer powers and square roots.
#include <gtest/gtest.h>

#include <string>

#include "number/addition.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "numbertesting.h"
#include "referencedata.h"

using namespace num;

namespace {

TEST(PowersExact, LogpowByRepeatedSquaring)
{
    struct Case {
        const char* x;
        const char* n;
        const char* want;
    };
    const Case cases[] = {
        {"2", "10", "1024"},
        {"0", "0", "1"},
        {"-3.5", "0", "1"},
        {"0", "3", "0"},
        {"-2", "3", "-8"},
        {"-2", "4", "16"},
        {"1.5", "2", "2.25"},
        {"0.1", "20", "1e-20"},
        {"99999999", "3", "999999970000000299999999"},
        // Exponents of more than two limbs take the loop on numbers.
        {"-1", "100000000000000000001", "-1"},
        {"1", "1e30", "1"},
        {"0", "1e30", "0"},
    };
    for (const Case& c : cases) {
        number r = logpow(N(c.x), N(c.n));
        EXPECT_EQ(brokeninvariant(r), "");
        EXPECT_EQ(r, N(c.want)) << c.x << "^" << c.n;
    }
    EXPECT_EQ(logpow(N("3"), N("1001")), logpow(N("3"), N("1000")) * number(3));

    EXPECT_EQ(errorof([] { logpow(number(2), N("2.5")); }), "logpow:y not integer");
    EXPECT_EQ(errorof([] { logpow(number(2), number(-1)); }), "logpow:y negativ");
    EXPECT_EQ(errorof([] { logpow(number(2), N("-1.5")); }), "logpow:y not integer");
}

TEST(PowersApproximate, APCpowAndItsBias)
{
    EXPECT_EQ(APCpow(number(2), number(-2), 0), N("0.25"));
    EXPECT_EQ(APCpow(number(2), number(3), 7), number(8));
    EXPECT_EQ(APCpow(number(7), number(0), 0), number(1));
    EXPECT_EQ(errorof([] { APCpow(number(2), number(-3), 7); }), "APCprod:invalid bias");
    EXPECT_EQ(errorof([] { APCpow(number(2), N("0.5"), 0); }), "APCpow:y not integer");
    // Directed reciprocals bracket the true value.
    number exact = logpow(N("1.23456789"), number(40));
    number low = APCpow(N("1.23456789"), number(-40), -1);
    number high = APCpow(N("1.23456789"), number(-40), 1);
    EXPECT_LT(low, high);
    EXPECT_LT(low * exact, number(1));
    EXPECT_GT(high * exact, number(1));
    // About 18 digits per step.
    number approx = APCpow(N("1.23456789"), number(40), 0);
    EXPECT_LT(abs(approx - exact), exact * N("1e-15"));
}

TEST(PowersSqrt, ErrorsAndTheirOrder)
{
    EXPECT_TRUE(sqrt(number(), number()).iszero());
    EXPECT_EQ(errorof([] { sqrt(number(-1), number()); }), "sqrt:invalid argument (x<0)");
    EXPECT_EQ(errorof([] { sqrt(number(2), number()); }), "sqrt:invalid argument (f<=0)");
    EXPECT_EQ(errorof([] { sqrt(number(2), number(-1)); }), "sqrt:invalid argument (f<=0)");
    EXPECT_TRUE(sqrtprec(number(), 40).iszero());
}

TEST(PowersSqrt, ExactSquaresComeOutWithinTheResolution)
{
    for (const char* root : {"3", "12345.6789", "0.001", "99999999", "1e-50", "7e60"}) {
        number r = N(root);
        number x = r * r;
        for (int d : {5, 40, 300}) {
            number f = powerof10(leadpos(x) / 2 - d);
            number s = sqrt(x, f);
            EXPECT_LE(abs(s - r), f) << root << " at " << d;
        }
    }
}

// Long arguments, read down to the digits the root needs: the root s at f
// brackets the true one, (s - f)^2 <= x <= (s + f)^2, checked by exact
// squares. Arguments of every length up to 12000 digits and at every scale
// go through the start value's three top limbs and the doubling steps.
TEST(PowersSqrt, LongArgumentsAreBracketedByTheResolution)
{
    struct Case {
        const char* name;
        std::int32_t digits;  // of the argument
        std::int32_t scale;   // its decimal point shifted by this
        std::int32_t d;       // digits of the root
    };
    const Case cases[] = {
        {"short argument, long root", 3, 0, 6000},
        {"40 digits", 40, 0, 40},
        {"1000 digits below 1", 1000, -1003, 1000},
        {"1000 digits, 500 asked", 1000, 7, 500},
        {"6000 digits", 6000, 0, 6000},
        {"6000 digits, odd scale", 6000, 12345, 6000},
        {"12000 digits, 6000 asked", 12000, -9, 6000},
        {"one limb asked", 6000, 0, 8},
    };
    std::uint32_t seed = 12345;
    for (const Case& c : cases) {
        std::string text;
        for (std::int32_t i = 0; i < c.digits; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += static_cast<char>((i == 0 ? '1' : '0') + (seed >> 16) % (i == 0 ? 9 : 10));
        }
        const number x = scaled(N(text.c_str()), c.scale - c.digits + 1);
        const number f = powerof10(leadpos(x) / 2 - c.d);
        const number s = sqrt(x, f);
        EXPECT_EQ(brokeninvariant(s), "") << c.name;
        EXPECT_LE((s - f) * (s - f), x) << c.name;
        EXPECT_GE((s + f) * (s + f), x) << c.name;
    }
}

// Far from 1 the root is taken of a limb-shifted argument: the digits are
// those of the unshifted computation, and the ends of the range work.
TEST(PowersSqrt, ShiftedArgumentsGiveTheSameDigits)
{
    const std::int32_t shift = 8 * 30000000;
    for (const char* s : {"2", "0.5", "12345.678", "3e-7"}) {
        number x = N(s);
        for (const char* fs : {"1e-40", "3e-101", "1e-400"}) {
            number f = N(fs);
            number far = sqrt(scaled(x, 2 * shift), scaled(f, shift));
            EXPECT_EQ(far, scaled(sqrt(x, f), shift)) << s << " at " << fs;
            number near = sqrt(scaled(x, -2 * shift), scaled(f, -shift));
            EXPECT_EQ(near, scaled(sqrt(x, f), -shift)) << s << " at " << fs;
        }
    }
}

// sqrtprec against mpmath, within f = 10^(leadpos(x) / 2 - d).
TEST(PowersSqrt, AgreesWithTheReference)
{
    int checked = 0;
    for (const referencecase& c : readreference("explog.txt")) {
        if (c.function != "sqrtprec")
            continue;
        number x(c.arguments[0].c_str());
        number want(c.value.c_str());
        number got;
        try {
            got = sqrtprec(x, c.digits);
        } catch (const numberexception& e) {
            ADD_FAILURE() << "line " << c.line << ": " << e.message();
            continue;
        }
        number f = powerof10(leadpos(x) / 2 - c.digits);
        EXPECT_EQ(brokeninvariant(got), "");
        EXPECT_LE(abs(got - want), f) << "line " << c.line << ": sqrt(" << c.arguments[0] << ") at "
                                      << c.digits << " = " << plaindigits(got);
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

}  // namespace
