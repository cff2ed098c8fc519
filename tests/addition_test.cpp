// Comparison, addition and subtraction, integer parts and rounding.
#include <gtest/gtest.h>

#include <random>

#include "number/addition.h"
#include "numbertesting.h"

using namespace num;

namespace {

TEST(AdditionCompare, OrdersBySignExponentAndLimbs)
{
    struct Case {
        const char* x;
        const char* y;
        int want, wantabs;
    };
    const Case cases[] = {
        {"0", "0", 0, 0},
        {"0", "-5", 1, -1},
        {"0", "5", -1, -1},
        {"-5", "0", -1, 1},
        {"-3", "-2", -1, 1},
        {"-3", "2", -1, 1},
        {"3", "-2", 1, 1},
        {"100000000", "99999999", 1, 1},
        {"-100000000", "-99999999", -1, 1},
        {"1.00000001", "1", 1, 1},
        {"1", "1.00000001", -1, -1},
        {"-1.00000001", "-1", -1, 1},
        {"123456789.5", "123456789.5", 0, 0},
        {"0.5", "0.49999999999999999999", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " vs " + c.y);
        number x = N(c.x), y = N(c.y);
        EXPECT_EQ(compare(x, y), c.want);
        EXPECT_EQ(compare(y, x), -c.want);
        EXPECT_EQ(compareabs(x, y), c.wantabs);
        EXPECT_EQ(x < y, c.want < 0);
        EXPECT_EQ(x <= y, c.want <= 0);
        EXPECT_EQ(x == y, c.want == 0);
        EXPECT_EQ(x >= y, c.want >= 0);
        EXPECT_EQ(x > y, c.want > 0);
    }
    number same(7);
    EXPECT_EQ(compare(same, same), 0);
    EXPECT_EQ(compareabs(same, same), 0);
}

TEST(AdditionExact, CarriesBorrowsAndSigns)
{
    struct Case {
        const char* x;
        const char* y;
        const char* sum;
        const char* diff;
    };
    const Case cases[] = {
        {"99999999", "1", "100000000", "99999998"},
        {"1", "0.00000001", "1.00000001", "0.99999999"},
        {"1", "-0.00000001", "0.99999999", "1.00000001"},
        {"0", "-7.5", "-7.5", "7.5"},
        {"-7.5", "0", "-7.5", "-7.5"},
        {"5", "-5", "0", "10"},
        {"-5", "-5", "-10", "0"},
        {"1e40", "1e-40",
         "10000000000000000000000000000000000000000."
         "0000000000000000000000000000000000000001",
         "9999999999999999999999999999999999999999."
         "9999999999999999999999999999999999999999"},
        {"1000000000000000000000000", "-1", "999999999999999999999999",
         "1000000000000000000000001"},
        {"-123.456", "23.456", "-100", "-146.912"},
        {"0.00000000000000000001", "-0.00000000000000000002", "-0.00000000000000000001",
         "0.00000000000000000003"},
        {"99999999.99999999", "0.00000001", "100000000", "99999999.99999998"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " , " + c.y);
        number x = N(c.x), y = N(c.y);
        number s = x + y, d = x - y;
        EXPECT_EQ(brokeninvariant(s), "");
        EXPECT_EQ(brokeninvariant(d), "");
        EXPECT_EQ(plaindigits(s), plaindigits(N(c.sum)));
        EXPECT_EQ(plaindigits(d), plaindigits(N(c.diff)));
        EXPECT_EQ(plaindigits(sum(x, y, number())), plaindigits(s));
        EXPECT_EQ(plaindigits(diff(x, y, number(-1))), plaindigits(d));
        number inplace = x;
        inplace += y;
        EXPECT_EQ(plaindigits(inplace), plaindigits(s));
        inplace = x;
        inplace -= y;
        EXPECT_EQ(plaindigits(inplace), plaindigits(d));
    }
    // The carry grows a new limb; the borrow runs through to 0.99999999.
    EXPECT_EQ(limbsof(N("99999999") + number(1)), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ((N("99999999") + number(1)).expo(), 1);
    number borrow = number(1) - N("0.00000001");
    EXPECT_EQ(limbsof(borrow), (std::vector<std::uint32_t>{99999999}));
    EXPECT_EQ(borrow.expo(), -1);
}

TEST(AdditionExact, InPlaceWithItselfAndSteps)
{
    number x = N("-12345678901234567.5");
    x += x;
    EXPECT_EQ(plaindigits(x), "-24691357802469135");
    x -= x;
    EXPECT_TRUE(x.iszero());
    EXPECT_FALSE(x.isnegative());
    number y = N("-0.5");
    increment(y);
    EXPECT_EQ(plaindigits(y), "0.5");
    decrement(y);
    decrement(y);
    EXPECT_EQ(plaindigits(y), "-1.5");
    number z = N("99999999");
    increment(z);
    EXPECT_EQ(plaindigits(z), "100000000");
}

// Random operands of up to ~30 limbs with gaps, both signs: a + b - b == a,
// the sum commutes, and compare agrees with the sign of the difference.
TEST(AdditionExact, RandomIdentities)
{
    std::mt19937 rng(12345);
    auto randomnumber = [&rng]() {
        std::uniform_int_distribution<int> len(1, 30), expo(-20, 20), digit(0, 99999999),
            zero(0, 4), sign(0, 1);
        int n = len(rng);
        number x;
        for (int i = 0; i < n; ++i)
            append(x, zero(rng) == 0 ? 0 : static_cast<std::uint32_t>(digit(rng)));
        setexpo(x, expo(rng));
        setlowexpo(x, x.expo() - n + 1);
        setnegative(x, sign(rng) == 1);
        normalise(x);
        return x;
    };
    for (int i = 0; i < 2000; ++i) {
        number a = randomnumber(), b = randomnumber();
        number s = a + b;
        ASSERT_EQ(brokeninvariant(s), "");
        ASSERT_EQ(s - b, a) << plaindigits(a) << " " << plaindigits(b);
        ASSERT_EQ(s, b + a);
        ASSERT_EQ(compare(a, b), signum(a - b));
        ASSERT_EQ(compareabs(a, b), signum(abs(a) - abs(b)));
    }
}

TEST(AdditionAtResolution, KeepsTheDocumentedLimbs)
{
    // 10^-16 is a power of BASE: one guard limb, down to power -3 (10^-24).
    number x = N("1.123456789012345678901234567890123");
    number tiny = N("1e-40");
    EXPECT_EQ(plaindigits(sum(x, tiny, N("1e-16"))), "1.123456789012345678901234");
    // 10^-15 is not: down to power -2.
    EXPECT_EQ(plaindigits(sum(x, tiny, N("1e-15"))), "1.1234567890123456");
    // An operand wholly below f contributes nothing.
    EXPECT_EQ(plaindigits(sum(number(1), N("1e-30"), N("1e-16"))), "1");
    // ... even when the guard limb would reach its head limb (power -3).
    EXPECT_EQ(plaindigits(sum(number(1), N("1e-20"), N("1e-16"))), "1");
    // Same-sign operands are each cut at the guard limb, then added.
    EXPECT_EQ(plaindigits(sum(N("0.99999999999999999999999999"), N("0.00000000000000000000000099"),
                              N("1e-16"))),
              "0.999999999999999999999999");
    // Different signs: both truncated to f's limb, no guard limb, then exact.
    EXPECT_EQ(plaindigits(sum(x, N("-0.000000000000000000000001"), N("1e-16"))),
              "1.1234567890123456");
    EXPECT_EQ(plaindigits(diff(x, N("0.000000000000000000000001"), N("1e-16"))),
              "1.1234567890123456");
    EXPECT_EQ(plaindigits(diff(N("-2.00000000000000001"), N("-1.00000000000000002"), N("1e-8"))),
              "-1");
    // A subtraction whose operands truncate to the same value is zero.
    number z = diff(N("5.000000001"), N("5.000000002"), N("1e-8"));
    EXPECT_TRUE(z.iszero());
    EXPECT_FALSE(z.isnegative());
    // diff of zero and y is -y.
    EXPECT_EQ(plaindigits(diff(number(), N("3.5"), N("1e-8"))), "-3.5");
}

TEST(AdditionAtResolution, TruncateFollowsTheResolutionLimb)
{
    struct Case {
        const char* x;
        const char* f;
        const char* want;
    };
    const Case cases[] = {
        {"123.456789012345678", "0", "123.456789012345678"},
        {"123.456789012345678", "-1", "123.456789012345678"},
        {"123.456789012345678", "1e-8", "123.45678901"},
        {"123.456789012345678", "1e-9", "123.456789012345678"},  // f's limb is power -2
        {"-123.456789012345678", "1", "-123"},
        {"-123.456789012345678", "0.5", "-123.45678901"},  // 0.5 lies in limb power -1
        {"-123.456789012345678", "1e-24", "-123.456789012345678"},
        {"0.000000001", "1", "0"},
        {"1234567890123", "100000000", "1234500000000"},
        {"0", "1", "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plaindigits(truncate(N(c.x), N(c.f))), c.want) << c.x << " at " << c.f;
}

TEST(AdditionRounding, FloorFracTruncdigitsRounddigits)
{
    struct Case {
        const char* x;
        const char* floor;
        const char* frac;
    };
    const Case cases[] = {
        {"0", "0", "0"},
        {"-0.5", "-1", "-0.5"},
        {"0.5", "0", "0.5"},
        {"-2", "-2", "0"},
        {"2.7", "2", "0.7"},
        {"-2.7", "-3", "-0.7"},
        {"-2.75", "-3", "-0.75"},
        {"1e20", "1e20", "0"},
        {"-100000000.00000001", "-100000001", "-0.00000001"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(floor(N(c.x)), N(c.floor)) << c.x;
        EXPECT_EQ(frac(N(c.x)), N(c.frac)) << c.x;
    }

    struct Digits {
        const char* x;
        int n;
        const char* trunc;
        const char* round;
    };
    const Digits digits[] = {
        {"-1.239", 2, "-1.23", "-1.24"},
        {"2.345", 2, "2.34", "2.35"},
        {"-2.345", 2, "-2.34", "-2.35"},
        {"0.004", 2, "0", "0"},
        {"0.005", 2, "0", "0.01"},
        {"-0.005", 2, "0", "-0.01"},
        {"1250", -2, "1200", "1300"},
        {"99.96", 1, "99.9", "100"},
        {"0", 5, "0", "0"},
    };
    for (const Digits& c : digits) {
        EXPECT_EQ(truncdigits(N(c.x), c.n), N(c.trunc)) << c.x << " " << c.n;
        EXPECT_EQ(rounddigits(N(c.x), c.n), N(c.round)) << c.x << " " << c.n;
    }
    // A whole number far above the point is its own rounding, found without
    // spelling out the ten million limbs down to the point.
    limbpool::trim();
    const std::size_t blocks = limbpool::blocks();
    const number big = scaled(N("15"), 89999999);
    EXPECT_EQ(rounddigits(big, 0), big);
    EXPECT_EQ(rounddigits(big, 5), big);
    EXPECT_EQ(limbpool::blocks(), blocks);
}

TEST(AdditionSigns, NegateAbsScaled)
{
    EXPECT_FALSE(negate(number()).isnegative());
    EXPECT_FALSE((-number()).isnegative());
    EXPECT_EQ(negate(N("-4.5")), N("4.5"));
    EXPECT_EQ(abs(N("-4.5")), N("4.5"));
    EXPECT_EQ(scaled(N("-4.5"), 3), N("-4500"));
    EXPECT_EQ(scaled(N("-4.5"), -3), N("-0.0045"));
}

TEST(AdditionApproximate, APCsumMovesByOneUnit)
{
    struct Case {
        const char* x;
        const char* y;
        int bias;
        const char* want;
    };
    const Case cases[] = {
        {"1", "1e-20", 1, "1.000000001"},
        {"1", "1e-20", -1, "1"},
        {"1", "1e-20", 0, "1"},
        {"1e-20", "1", 1, "1.000000001"},
        {"1", "-1", 1, "1e-9"},
        {"1", "-1", -1, "-1e-9"},
        {"0", "2", 5, "2"},
        {"2", "0", 5, "2"},
        {"1", "2", 0, "3"},
        {"1", "2", 1, "3.000000001"},
        {"1", "2", -1, "2.999999999"},
        {"123456789012", "1", 0, "123456789012"},  // 1 lies 11 digits below
        {"123456789012", "1", 1, "123456789112"},
        {"1.23456789012", "1", 0, "2.23456789012"},  // at 10^-9 limb -2 is kept whole
    };
    for (const Case& c : cases)
        EXPECT_EQ(APCsum(N(c.x), N(c.y), c.bias), N(c.want))
            << c.x << " + " << c.y << " bias " << c.bias;
    EXPECT_EQ(errorof([] { APCsum(number(1), number(2), 5); }), "APCsum:invalid bias");
    EXPECT_EQ(errorof([] { APCsum(number(1), N("1e-20"), 5); }), "");
}

}  // namespace
