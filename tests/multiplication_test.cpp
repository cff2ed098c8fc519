// Products, quotients and remainders: hand-picked cases, then random
// operands of every length checked for their properties: an exact product
// equals a schoolbook product written out here, a product or a quotient at a
// resolution lies within it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "number/addition.h"
#include "number/multiplication.h"
#include "numbertesting.h"

using namespace num;

namespace {

// Under the sanitizers the random tests run fewer cases.
#if defined(__SANITIZE_ADDRESS__)
constexpr int SCALE = 4;
#else
constexpr int SCALE = 1;
#endif

// -- references -------------------------------------------------------------------

// x * y by the schoolbook method on whole limbs.
number schoolbook(const number& x, const number& y)
{
    if (x.iszero() || y.iszero())
        return number();
    std::vector<std::uint32_t> a = limbsof(x), b = limbsof(y);
    std::reverse(a.begin(), a.end());  // least significant first
    std::reverse(b.begin(), b.end());
    std::vector<std::uint64_t> acc(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            carry += acc[i + j] + std::uint64_t{a[i]} * b[j];
            acc[i + j] = carry % BASE;
            carry /= BASE;
        }
        acc[i + b.size()] = carry;
    }
    number r;
    for (std::uint64_t v : acc)
        prepend(r, static_cast<std::uint32_t>(v));
    setlowexpo(r, x.lowexpo() + y.lowexpo());
    setexpo(r, r.lowexpo() + static_cast<std::int32_t>(acc.size()) - 1);
    setnegative(r, x.isnegative() != y.isnegative());
    normalise(r);
    return r;
}

// -- random operands ------------------------------------------------------------------

struct randomizer {
    std::mt19937_64 gen;

    explicit randomizer(std::uint64_t seed) : gen(seed) {}

    std::int32_t uniform(std::int32_t lo, std::int32_t hi)
    {
        return std::uniform_int_distribution<std::int32_t>(lo, hi)(gen);
    }
    // Mostly short, sometimes long: log-uniform in 1..most.
    std::int32_t length(std::int32_t most)
    {
        double l = std::uniform_real_distribution<double>(0, std::log(most + 0.5))(gen);
        return std::max(1, static_cast<std::int32_t>(std::exp(l)));
    }
    // Limbs of every kind: runs of zeros, values with a zero upper or lower
    // half-limb, the largest limb, and plain random ones.
    number operand(std::int32_t limbs, std::int32_t expo)
    {
        number x;
        for (std::int32_t i = 0; i < limbs; ++i) {
            const auto v = static_cast<std::uint32_t>(uniform(0, BASE - 1));
            const std::uint32_t kinds[] = {0, v % 10000, v % 10000 * 10000, BASE - 1};
            const int kind = uniform(0, 9);
            append(x, kind < 4 ? kinds[kind] : v);
        }
        // Now and then a long stretch of zeros, so that a whole piece of a
        // split operand may vanish.
        if (limbs > 4 && uniform(0, 7) == 0) {
            const std::int32_t from = uniform(1, limbs - 2);
            const std::int32_t to = uniform(from, limbs - 2);
            limb* p = head(x);
            for (std::int32_t k = 0; k <= to; ++k, p = p->lower) {
                if (k >= from)
                    p->value = 0;
            }
        }
        setexpo(x, expo);
        setlowexpo(x, expo - limbs + 1);
        setnegative(x, uniform(0, 1) == 1);
        normalise(x);
        return x.iszero() ? number(uniform(1, 9)) : x;
    }
    number operand(std::int32_t most) { return operand(length(most), uniform(-30, 30)); }
    // A resolution anywhere from above the product down to below its last limb.
    number resolution(const number& x, const number& y)
    {
        const std::int32_t top = leadpos(x) + leadpos(y);
        const std::int32_t digits = 8 * (limbcount(x) + limbcount(y));
        number f = powerof10(uniform(top - digits - 20, top + 4));
        return uniform(0, 4) == 0 ? number(uniform(2, 99)) * f : f;
    }
};

// Restarts the run flag whatever a test did to it.
struct runningguard {
    ~runningguard() { startcompute(); }
};

std::string failure(const std::function<void()>& op)
{
    try {
        op();
    } catch (const numberexception& e) {
        return e.message();
    }
    return "";
}

// -- hand-picked cases ----------------------------------------------------------------

TEST(Multiplication, ExactProducts)
{
    const number p = number(99999999) * number(99999999);
    EXPECT_EQ(limbsof(p), (std::vector<std::uint32_t>{99999998, 1}));
    EXPECT_EQ(p.expo(), 1);

    struct Case {
        const char *x, *y, *product;
    };
    const Case cases[] = {
        {"-3", "-4", "12"},
        {"-3", "4", "-12"},
        {"0", "-5", "0"},
        {"-5", "0", "0"},
        {"1e-8", "1e-8", "0.0000000000000001"},
        {"123456.789", "-0.000987654321", "-121.932631112635269"},
        {"12345678987654321", "98765432123456789", "1219326320073159566072245112635269"},
    };
    for (const Case& c : cases) {
        const number r = number(c.x) * number(c.y);
        EXPECT_EQ(plaindigits(r), c.product) << c.x << " * " << c.y;
        EXPECT_EQ(brokeninvariant(r), "");
    }
}

TEST(Multiplication, CheapDirectedProducts)
{
    EXPECT_EQ(APCprod(number(2), number(3), 0), number(6));
    EXPECT_EQ(APCprod(number(2), number(3), 1), number(6) + powerof10(-10));
    EXPECT_EQ(APCprod(number(2), number(3), -1), number(6) - powerof10(-10));
    EXPECT_TRUE(APCprod(number(0), number(3), 7).iszero());
    EXPECT_TRUE(APCprod(number(3), number(0), 7).iszero());
    EXPECT_EQ(failure([] { APCprod(number(2), number(3), 7); }), "APCprod:invalid bias");

    randomizer rnd(11);
    for (int i = 0; i < 300; ++i) {
        const number x = rnd.operand(20), y = rnd.operand(20);
        const number exact = x * y;
        EXPECT_LE(APCprod(x, y, -1), exact);
        EXPECT_GE(APCprod(x, y, 1), exact);
        // About 18 digits: within 10^-17 of the product.
        EXPECT_LT(abs(exact - APCprod(x, y, 0)), powerof10(leadpos(exact) - 17));
    }
}

TEST(Multiplication, ReciprocalGuessUsesFiveDigits)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1.2345", "0.81004"},
        {"1.2345678", "0.81004"},
        {"-3", "-0.33333"},
        {"9.9999", "0.1"},
        {"7e-30", "142850000000000000000000000000"},
    };
    for (const auto& [y, guess] : cases)
        EXPECT_EQ(plaindigits(reciprocalguess(number(y))), guess) << y;
}

TEST(MultiplicationDeathTest, ZeroDivisorOfTheCheapQuotientIsAProgrammingError)
{
    EXPECT_DEATH(reciprocalguess(number()), "divisor != 0.*module number");
    EXPECT_DEATH(APCquot(number(1), number(), 0), "divisor != 0");
}

TEST(Multiplication, ProductsReachTheWholeRange)
{
    // Half-limb powers are twice the limbs': products of operands beyond
    // power +-50000000 move them to power 0 and back, and fail only where
    // the product itself leaves the range, by its side.
    struct Case {
        const char* name;
        number x, y;
        number product;  // zero: the product fails with `message`
        const char* message = nullptr;
    };
    const Case cases[] = {
        {"top limb times one", fromlimbs({1}, MAX_EXPO), number(1), fromlimbs({1}, MAX_EXPO)},
        {"top limb times a limb", fromlimbs({1}, MAX_EXPO), number(99999999),
         fromlimbs({99999999}, MAX_EXPO)},
        {"top times bottom", fromlimbs({3}, MAX_EXPO), fromlimbs({3}, MIN_EXPO), number(9)},
        {"huge times tiny", fromlimbs({2}, 60000000), fromlimbs({5}, -60000000), number(10)},
        {"tiny squared", fromlimbs({3}, -30000000), fromlimbs({3}, -30000000),
         fromlimbs({9}, -60000000)},
        {"huge squared", fromlimbs({3}, 30000000), fromlimbs({3}, 30000000),
         fromlimbs({9}, 60000000)},
        {"bottom limb halved", fromlimbs({4}, MIN_EXPO), number(0.5), fromlimbs({2}, MIN_EXPO)},
        {"past the top", fromlimbs({1}, MAX_EXPO), number(100000000), number(), "number overflow"},
        {"carried past the top", fromlimbs({50000000}, MAX_EXPO), number(2), number(),
         "number overflow"},
        {"huge squared past the top", fromlimbs({1}, 50000000), fromlimbs({1}, 50000000), number(),
         "number overflow"},
        {"past the bottom", fromlimbs({1}, MIN_EXPO), number(0.5), number(), "number underflow"},
        {"tiny squared past the bottom", fromlimbs({1}, -50000000), fromlimbs({1}, -50000000),
         number(), "number underflow"},
    };
    for (const Case& c : cases) {
        if (c.message != nullptr) {
            EXPECT_EQ(failure([&] { basicprod(c.x, c.y, number()); }), c.message) << c.name;
            EXPECT_EQ(failure([&] { prod(c.x, c.y, number()); }), c.message) << c.name;
            EXPECT_EQ(failure([&] { APCprod(c.x, c.y, 0); }), c.message) << c.name;
            continue;
        }
        EXPECT_EQ(basicprod(c.x, c.y, number()), c.product) << c.name;
        EXPECT_EQ(prod(c.x, c.y, number()), c.product) << c.name;
        EXPECT_EQ(c.x * c.y, c.product) << c.name;
        // The splitting product on flat limbs and the cheap one agree.
        const number f = powerof10(std::max(leadpos(c.product) - 30, -799999992));
        EXPECT_EQ(prod(c.x, c.y, f), c.product) << c.name;
        EXPECT_EQ(APCprod(c.x, c.y, 0), c.product) << c.name;
        EXPECT_EQ(brokeninvariant(basicprod(c.x, c.y, number())), "") << c.name;
    }
    // At a resolution the limbs a product would have below the range are
    // dropped (the exact product has them and fails): 0.5 (1 + 5 10^-8)
    // BASE^(MIN_EXPO + 1) keeps 50000002 BASE^MIN_EXPO.
    const number x = fromlimbs({1, 5}, MIN_EXPO + 1);
    EXPECT_EQ(failure([&] { basicprod(x, number(0.5), number()); }), "number underflow");
    EXPECT_EQ(basicprod(x, number(0.5), fromlimbs({1}, MIN_EXPO)), fromlimbs({50000002}, MIN_EXPO));
}

TEST(Division, QuotientsReachTheWholeRange)
{
    struct Case {
        const char* name;
        const char* x;
        const char* y;
        const char* quotient;  // null: fails with `message`
        const char* message = nullptr;
    };
    const Case cases[] = {
        {"tiny by tiny", "9e-799999992", "6e-799999992", "1.5"},
        {"huge by huge", "1e799999992", "4e799999992", "0.25"},
        {"huge by tiny", "1e400000000", "1e-399999992", "1e799999992"},
        {"one by huge", "1", "1e799999992", "1e-799999992"},
        {"huge by a tenth", "1e799999991", "0.1", "1e799999992"},
        {"tiny by a limb", "9e-799999992", "3", "3e-799999992"},
        {"beyond the top", "1e799999992", "1e-8", nullptr, "number overflow"},
        {"beyond the bottom", "1e-799999992", "1e8", nullptr, "number underflow"},
        {"huge by more", "2e799999992", "3e-799999992", nullptr, "number overflow"},
    };
    for (const Case& c : cases) {
        const number x(c.x), y(c.y);
        // Four digits below the quotient's lead, or the lowest limb; the
        // cases divide exactly.
        const auto q = [&] {
            return quot(x, y, powerof10(std::max(leadpos(x) - leadpos(y) - 5, -799999992)));
        };
        if (c.quotient == nullptr) {
            EXPECT_EQ(failure([&] { q(); }), c.message) << c.name;
            continue;
        }
        EXPECT_EQ(q(), number(c.quotient)) << c.name;
        EXPECT_EQ(brokeninvariant(q()), "") << c.name;
    }
    // Remainders of quotients of 1.6 10^9 digits: powers of ten modulo the
    // divisor (Python's pow(10, k, m)); none of them leaves the range.
    EXPECT_EQ(number("1e799999992") % number(7), number(1));
    EXPECT_EQ(number("-1e799999992") % number("0.0007"), number("-0.0004"));
    EXPECT_EQ(number("1e799999992") % number("3e-799999992"), number("1e-799999992"));
    EXPECT_EQ(number("1e799999992") % number("0.3"), number("0.1"));
}

TEST(Division, QuotientsAndTheirErrors)
{
    const number f = powerof10(-40);
    EXPECT_EQ(quot(number(-6), number(6), f), number(-1));
    EXPECT_EQ(quot(number(6), number(-6), f), number(-1));
    EXPECT_TRUE(quot(number(0), number(5), f).iszero());

    struct Case {
        const char* name;
        number x, y, f;
        const char* message;
    };
    const Case cases[] = {
        {"by zero, exact", number(5), number(0), number(0), "quot:division by zero"},
        {"zero by zero", number(0), number(0), number(1), "quot:division by zero"},
        {"zero resolution", number(5), number(2), number(0), "quot:invalid argument (f<=0)"},
        {"negative resolution", number(0), number(2), number(-1), "quot:invalid argument (f<=0)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(failure([&] { quot(c.x, c.y, c.f); }), c.message) << c.name;
    EXPECT_EQ(failure([] { quotprec(number(1), number(0), 40); }), "quot:division by zero");
}

TEST(Division, LargeAndSmallQuotientsKeepTheirDigits)
{
    // The accuracy of 1/y is relative to x / y: the quotients far from 1
    // keep all their digits.
    const char* cases[][2] = {{"1e100", "3"},
                              {"1e20", "7"},
                              {"1", "3e100"},
                              {"-2e300", "0.0000007"},
                              {"5e-200", "-9e200"}};
    for (const auto& c : cases) {
        const number x(c[0]), y(c[1]);
        const number f = powerof10(leadpos(x) - leadpos(y) - 42);
        const number q = quotprec(x, y, 40);
        EXPECT_LT(abs(x - q * y), f * abs(y)) << c[0] << " / " << c[1];
    }
    EXPECT_EQ(plaindigits(quotprec(number("1e100"), number(3), 40)).substr(0, 42),
              std::string(42, '3'));
}

TEST(Division, CheapDirectedQuotients)
{
    randomizer rnd(12);
    for (int i = 0; i < 300; ++i) {
        const number x = rnd.operand(20), y = rnd.operand(20);
        // lower <= x / y <= upper, compared as lower * |y| <= x * sign(y).
        const number ay = abs(y), sx = y.isnegative() ? negate(x) : x;
        EXPECT_LE(APCquot(x, y, -1) * ay, sx);
        EXPECT_GE(APCquot(x, y, 1) * ay, sx);
        EXPECT_LT(abs(sx - APCquot(x, y, 0) * ay), powerof10(leadpos(x) - 14));
    }
    EXPECT_EQ(failure([] { APCquot(number(1), number(3), 2); }), "APCprod:invalid bias");
}

TEST(Division, RemainderHasTheSignOfTheDividend)
{
    const char* cases[][3] = {
        {"7", "3", "1"},
        {"-7", "3", "-1"},
        {"7", "-3", "1"},
        {"-7", "-3", "-1"},
        {"2", "5", "2"},
        {"5.5", "2", "1.5"},
        {"6", "3", "0"},
        {"-6", "3", "0"},
        {"-7.5", "2", "-1.5"},
        {"1e30", "7", "1"},
        {"-1e40", "100000000000000000007", "-49"},
        {"10000000000000000000000003", "0.0007", "0.0003"},
        // Quotients of more than a thousand digits go through powers of the
        // base modulo the divisor (values from Python's exact integers).
        {"1e5000", "7", "2"},
        {"-1e5000", "7", "-2"},
        {"12345678e2997", "2.4", "0"},
        {"3e2000", "123456789.123", "119504744.511"},
        {"9.87654321e1500", "0.000123", "0.000102"},
        {"1e1200", "99999999999999999999999999999999", "10000000000000000"},
        {"-4.5e1100", "-0.7", "-0.6"},
        {"1e99999999", "7", "6"},
        {"1e400000000", "0.0007", "0.0002"},
    };
    for (const auto& c : cases) {
        const number r = number(c[0]) % number(c[1]);
        EXPECT_EQ(plaindigits(r), c[2]) << c[0] << " % " << c[1];
        EXPECT_EQ(brokeninvariant(r), "");
    }
    EXPECT_EQ(failure([] { number(7) % number(0); }), "operator x % y:y==0");
}

TEST(Precision, ProductsOfLongOperandsKeepTheirDigits)
{
    randomizer rnd(13);
    auto integer300 = [&] {
        number x;
        do
            x = abs(rnd.operand(300, 299));
        while (limbcount(x) != 300);
        return x;
    };
    const number x = integer300(), y = integer300();
    const number exact = schoolbook(x, y);
    // From a few limbs of the product to nearly all of them: the product
    // lies within a unit of its last digit asked for.
    const struct {
        const char* name;
        std::int32_t digits;
    } rows[] = {
        {"a few limbs", 30},  {"a sixth of the limbs", 800}, {"a third", 1600},
        {"two thirds", 3200}, {"nearly all", 4700},
    };
    for (const auto& row : rows) {
        const number unit = powerof10(leadpos(exact) - row.digits + 1);
        const number r = prodprec(x, y, row.digits);
        EXPECT_LT(compareabs(exact - r, unit), 0) << row.name;
        EXPECT_EQ(brokeninvariant(r), "") << row.name;
    }
}

TEST(Precision, SplitOperandsWhoseLowerHalfVanishes)
{
    // 600-limb integers, zero from below the top 200 limbs down to power
    // 150: at 400 limbs needed, both lower halves are zero and the middle
    // product M falls short of P.
    randomizer rnd(14);
    auto sparse = [&] {
        number x = abs(rnd.operand(600, 599));
        limb* p = head(x);
        for (std::int32_t k = 599; k >= 150; --k, p = p->lower) {
            if (k <= 399)
                p->value = 0;
        }
        head(x)->value = 1;
        return x;
    };
    const number x = sparse(), y = negate(sparse());
    for (std::int32_t need : {300, 400, 500}) {
        const number f = powerof10(8 * (x.expo() + y.expo() - need));
        const number r = prod(x, y, f);
        EXPECT_LT(abs(schoolbook(x, y) - r), f) << need;
        EXPECT_EQ(brokeninvariant(r), "") << need;
    }
}

// -- random operands against the references ----------------------------------------

// Operand lengths in limbs, from single limbs to thousands: random lengths
// in each row land on both sides of every length where the products change
// method (single limbs, short products, columns, splitting).
struct lengthrow {
    const char* name;
    std::int32_t xfrom, xto;  // limbs of x
    std::int32_t yfrom, yto;  // limbs of y
    int cases;
};

const lengthrow productlengths[] = {
    {"one limb by one limb", 1, 1, 1, 1, 300},     {"short by one limb", 2, 40, 1, 1, 300},
    {"long by one limb", 41, 3000, 1, 1, 100},     {"short by short", 2, 40, 2, 40, 600},
    {"medium by short", 41, 500, 2, 40, 300},      {"medium by medium", 41, 500, 41, 500, 200},
    {"long by medium", 501, 3000, 41, 500, 60},    {"long by long", 501, 3000, 501, 3000, 40},
    {"longer by long", 3000, 9000, 1100, 3000, 8},
};

// Operands of a row, at exponents from -30 to 30 limbs.
std::pair<number, number> operands(randomizer& rnd, const lengthrow& row)
{
    const number x = rnd.operand(rnd.uniform(row.xfrom, row.xto), rnd.uniform(-30, 30));
    const number y = rnd.operand(rnd.uniform(row.yfrom, row.yto), rnd.uniform(-30, 30));
    return {x, y};
}

TEST(MultiplicationRandom, ExactProductsMatchTheSchoolbook)
{
    randomizer rnd(2);
    for (const lengthrow& row : productlengths) {
        for (int i = 0; i < std::max(1, row.cases / SCALE); ++i) {
            const auto [x, y] = operands(rnd, row);
            const number want = schoolbook(x, y);
            const number r = x * y;
            ASSERT_TRUE(same(r, want)) << row.name << ", case " << i;
            ASSERT_EQ(brokeninvariant(r), "") << row.name << ", case " << i;
            ASSERT_TRUE(same(basicprod(y, x, number()), want)) << row.name << ", case " << i;
            ASSERT_TRUE(same(prod(x, y, number()), want)) << row.name << ", case " << i;
        }
    }
}

// The longest columns: every half-limb 9999, on both sides of the length
// where the carry between limbs changes method, and random limbs beyond it.
TEST(MultiplicationRandom, LongestColumnsCarryExactly)
{
    randomizer rnd(5);
    auto nines = [](std::int32_t limbs) {
        number x;
        for (std::int32_t i = 0; i < limbs; ++i)
            append(x, BASE - 1);
        setexpo(x, limbs - 1);
        setlowexpo(x, 0);
        return x;
    };
    const std::pair<number, number> cases[] = {
        {nines(4400), nines(4400)},
        {nines(12000), nines(12000)},
        {rnd.operand(5200, 3), rnd.operand(5400, -7)},
    };
    for (const auto& [x, y] : cases) {
        const number r = basicprod(x, y, number());
        ASSERT_TRUE(same(r, schoolbook(x, y))) << limbcount(x);
        ASSERT_EQ(brokeninvariant(r), "");
    }
}

// Exact products on both sides of every length where the method changes
// (the columns, Karatsuba's steps on limbs, the transform of length 2^k or
// 3 2^k), on limbs that load the carries and the convolution's coefficients
// most: every limb 99999999, long runs of zeros, very different lengths.
enum class limbkind { random, nines, sparse };

struct methodrow {
    const char* name;
    std::int32_t xlimbs, ylimbs;
    limbkind kind;
    bool square;  // y is x
    // Moves x up and y down by this many limbs: beyond the half-limb range,
    // where the products work on the operands moved to a head at power 0.
    std::int32_t apart = 0;
};

const methodrow methodrows[] = {
    {"columns just below Karatsuba's step", 599, 599, limbkind::random, false},
    {"one Karatsuba step, nines", 600, 600, limbkind::nines, false},
    {"Karatsuba's steps, odd lengths", 1001, 777, limbkind::random, false},
    {"Karatsuba on pieces of a long operand", 3000, 650, limbkind::random, false},
    {"Karatsuba with zero runs", 1100, 1000, limbkind::sparse, false},
    {"a square by Karatsuba", 900, 900, limbkind::nines, true},
    {"transform at its cut-off", 1200, 1200, limbkind::random, false},
    {"transform lengths not multiples of three", 1201, 1202, limbkind::random, false},
    {"transform of length 2^10, nines", 1536, 1536, limbkind::nines, false},
    {"transform of length 3 2^9, nines", 2300, 2300, limbkind::nines, false},
    {"transform with zero runs", 2000, 1900, limbkind::sparse, false},
    {"transform of very different lengths", 20000, 1250, limbkind::random, false},
    {"a square by the transform, nines", 2500, 2500, limbkind::nines, true},
    {"a square by the transform", 3100, 3100, limbkind::random, true},
    {"Karatsuba beyond the half-limb range", 800, 700, limbkind::random, false, 60000000},
    {"transform beyond the half-limb range", 1300, 1400, limbkind::nines, false, 60000000},
};

number operandof(randomizer& rnd, std::int32_t limbs, limbkind kind)
{
    number x;
    for (std::int32_t i = 0; i < limbs; ++i) {
        std::uint32_t v = BASE - 1;
        if (kind == limbkind::random)
            v = static_cast<std::uint32_t>(rnd.uniform(0, BASE - 1));
        else if (kind == limbkind::sparse)
            v = (i / 97) % 3 == 1 ? 0 : static_cast<std::uint32_t>(rnd.uniform(0, BASE - 1));
        append(x, i == 0 ? std::max<std::uint32_t>(v, 1) : v);
    }
    setexpo(x, rnd.uniform(-20, 20));
    setlowexpo(x, x.expo() - limbs + 1);
    setnegative(x, rnd.uniform(0, 1) == 1);
    normalise(x);
    return x;
}

class ProductMethods : public ::testing::TestWithParam<methodrow> {};

TEST_P(ProductMethods, ExactProductsMatchTheSchoolbook)
{
    const methodrow& row = GetParam();
    randomizer rnd(static_cast<std::uint64_t>(row.xlimbs) * 7919 + row.ylimbs);
    number x = operandof(rnd, row.xlimbs, row.kind);
    number y = row.square ? x : operandof(rnd, row.ylimbs, row.kind);
    if (row.apart != 0) {
        x = scaled(x, BASE_DIGITS * row.apart);
        y = scaled(y, -BASE_DIGITS * row.apart);
    }
    const number want = schoolbook(x, y);
    const number r = x * y;
    ASSERT_TRUE(same(r, want));
    ASSERT_EQ(brokeninvariant(r), "");
    ASSERT_TRUE(same(prod(y, x, number()), want));
    // At resolutions that keep most of the product and half of it: within f.
    for (const std::int32_t keep : {8 * (row.xlimbs + row.ylimbs) - 40, 8 * row.ylimbs}) {
        const number f = powerof10(leadpos(want) - keep);
        const number cut = prod(x, y, f);
        ASSERT_LT(abs(want - cut), f) << keep;
        ASSERT_EQ(brokeninvariant(cut), "") << keep;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ProductMethods, ::testing::ValuesIn(methodrows),
                         [](const ::testing::TestParamInfo<methodrow>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != 0; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

// Squares of every length, which the transform takes with one forward
// transform fewer: against the schoolbook, and at a resolution within it.
TEST(MultiplicationRandom, SquaresMatchTheSchoolbook)
{
    randomizer rnd(11);
    for (int i = 0; i < std::max(1, 60 / SCALE); ++i) {
        const number x = rnd.operand(rnd.length(5000), rnd.uniform(-30, 30));
        const number want = schoolbook(x, x);
        ASSERT_TRUE(same(x * x, want)) << limbcount(x);
        const number f = rnd.resolution(x, x);
        ASSERT_LT(abs(want - prod(x, x, f)), f) << limbcount(x);
    }
}

// Products of numbers of nines far beyond the schoolbook's reach, against
// (10^a - 1)(10^b - 1) = 10^(a+b) - 10^a - 10^b + 1 written with sums: every
// coefficient of the transform at its largest.
TEST(ProductMethods, LongNinesMatchTheirClosedForm)
{
    struct row {
        const char* name;
        std::int32_t a, b;  // digits
    };
    const row rows[] = {
        {"10^5 digits squared", 100000, 100000},
        {"10^6 by 10^5 digits", 1000000, 100000},
        {"10^6 digits squared", 1000000, 1000000},
    };
    auto nines = [](std::int32_t digits) { return powerof10(digits) - number(1); };
    for (const row& r : rows) {
        const number x = nines(r.a);
        const number y = nines(r.b);
        const number want = powerof10(r.a + r.b) - powerof10(r.a) - powerof10(r.b) + number(1);
        EXPECT_TRUE(same(x * y, want)) << r.name;
    }
}

// Running products by single limbs in place must keep the digits of prodprec
// and of the exact product: every cut, with the upper half-limb of the limb
// below the cut counted.
TEST(MultiplicationRandom, ProductsInPlaceMatchTheirCopies)
{
    randomizer rnd(7);
    for (int i = 0; i < 3000 / SCALE; ++i) {
        const number x = rnd.operand(i % 3 == 0 ? 200 : 12);
        const number y = rnd.operand(1, rnd.uniform(-3, 3));
        const std::int32_t d = rnd.uniform(-24, 8 * limbcount(x) + 24);
        number r = x;
        prodprecinplace(r, y, d);
        ASSERT_TRUE(same(r, prodprec(x, y, d))) << "case " << i;
        ASSERT_EQ(brokeninvariant(r), "");
        number e = x;
        prodinplace(e, y);
        ASSERT_TRUE(same(e, x * y)) << "case " << i;
        ASSERT_EQ(brokeninvariant(e), "");
    }
}

// The exact product by one limb takes a shortcut past the columns; it must
// give the columns' result.
TEST(MultiplicationRandom, ExactProductsByOneLimbMatchTheColumns)
{
    randomizer rnd(3);
    for (int i = 0; i < 1000 / SCALE; ++i) {
        const number x = rnd.operand(rnd.length(300), rnd.uniform(-30, 30));
        const number y = rnd.operand(1, rnd.uniform(-30, 30));
        ASSERT_TRUE(same(x * y, basicprod(x, y, number()))) << "case " << i;
        ASSERT_TRUE(same(y * x, basicprod(x, y, number()))) << "case " << i;
    }
}

// The splitting product may err either way; the column product truncates,
// so it never exceeds the exact product in magnitude.
TEST(MultiplicationRandom, ProductsAtAResolutionStayWithinIt)
{
    randomizer rnd(3);
    for (const lengthrow& row : productlengths) {
        for (int i = 0; i < std::max(1, row.cases / SCALE); ++i) {
            const auto [x, y] = operands(rnd, row);
            const number f = rnd.resolution(x, y);
            const number exact = schoolbook(x, y);
            const number r = prod(x, y, f);
            ASSERT_LT(abs(exact - r), f) << row.name << ", case " << i;
            ASSERT_EQ(brokeninvariant(r), "") << row.name << ", case " << i;
            const number b = basicprod(x, y, f);
            ASSERT_LE(compareabs(b, exact), 0) << row.name << ", case " << i;
            ASSERT_LT(abs(exact - b), f) << row.name << ", case " << i;
        }
    }
}

// |x / y - q| < f, checked exactly: |x - q y| < f |y|.
bool withinresolution(const number& x, const number& y, const number& q, const number& f)
{
    return compareabs(x - q * y, f * y) < 0;
}

// Quotients of every length by divisors of every length: random lengths and
// digits in each row land on both sides of every switch between direct
// division and Newton's steps on chains or flat limbs.
TEST(DivisionRandom, QuotientsStayWithinTheResolution)
{
    const struct {
        const char* name;
        std::int32_t xlimbs, ylimbs;  // at most
        std::int32_t digitsfrom, digitsto;
        int cases;
    } rows[] = {
        {"short quotients by short divisors", 40, 8, 1, 100, 300},
        {"long quotients by one or two limbs", 400, 2, 800, 4000, 60},
        {"long quotients by a few limbs", 400, 16, 800, 4000, 60},
        {"short quotients by long divisors", 400, 400, 1, 800, 60},
        {"long quotients by long divisors", 400, 400, 800, 4000, 60},
        {"very long quotients by long divisors", 800, 800, 4000, 6000, 20},
    };
    randomizer rnd(6);
    for (const auto& row : rows) {
        for (int i = 0; i < std::max(1, row.cases / SCALE); ++i) {
            const number x = rnd.operand(rnd.uniform(1, row.xlimbs), rnd.uniform(-40, 40));
            const number y = rnd.operand(rnd.uniform(1, row.ylimbs), rnd.uniform(-40, 40));
            const std::int32_t digits = rnd.uniform(row.digitsfrom, row.digitsto);
            const number f = powerof10(leadpos(x) - leadpos(y) - digits);
            const number q = quot(x, y, f);
            ASSERT_TRUE(withinresolution(x, y, q, f)) << row.name << ", case " << i;
            ASSERT_EQ(brokeninvariant(q), "") << row.name << ", case " << i;
        }
    }
}

// Short quotients, and quotients by divisors of a few limbs at any length,
// are divided directly: every divisor length around the switch to Newton,
// one-limb divisors from 1 to BASE - 1, quotients of odd and even length,
// dividends with limbs far below the resolution, and resolutions above the
// quotient.
TEST(DivisionRandom, DirectQuotientsStayWithinTheResolution)
{
    randomizer rnd(11);
    const std::int32_t onelimb[] = {1, 2, 7, 10, 9999, 12345678, BASE / 2, BASE - 1};
    for (int i = 0; i < 3000 / SCALE; ++i) {
        const number x = rnd.operand(rnd.length(i % 5 == 0 ? 300 : 40), rnd.uniform(-40, 40));
        const number y = i % 3 == 0 ? scaled(number(onelimb[i % 8]), 8 * rnd.uniform(-3, 3))
                                    : rnd.operand(rnd.uniform(1, 40), rnd.uniform(-40, 40));
        const number f = powerof10(leadpos(x) - leadpos(y) + rnd.uniform(-900, 3));
        const number q = quot(x, y, f);
        ASSERT_TRUE(withinresolution(x, y, q, f)) << "case " << i;
        ASSERT_EQ(brokeninvariant(q), "") << "case " << i;
    }
}

// Exact multiples q y divided back by y at a resolution below q's last
// digit give q itself: divisors and quotient limbs where the floating-point
// estimate of a quotient limb lands on a limb boundary or beyond BASE - 1,
// so that the corrections in both directions run.
TEST(Division, DirectQuotientsOfExactMultiplesAtTheEstimatesEdges)
{
    const struct {
        const char* name;
        const char* y;
        const char* q;
    } rows[] = {
        {"top limbs of 9s", "99999999999999999999999999999999", "99999999999999999999999999999999"},
        {"top limb 1, rest 0", "100000000000000000000000000000001",
         "99999999999999999999999999999999"},
        {"divisor just above a power", "100000000000000000000000000000000000001",
         "12345678901234567890123456789012345678"},
        {"divisor just below a power", "99999999999999999999999999999999999999",
         "10000000000000000000000000000000000001"},
        {"fourth limb decides", "1234567800000000000000009999999912345678",
         "99999999000000009999999900000000"},
        {"two limbs", "1000000000000001", "999999999999999999999999999999999999999"},
        {"quotient limbs at BASE - 1", "5000000000000000000000001",
         "9999999999999999999999999999999999"},
    };
    for (const auto& row : rows) {
        const number y = N(row.y);
        const number q = N(row.q);
        const number x = q * y;
        EXPECT_EQ(quot(x, y, N("0.1")), q) << row.name;
        EXPECT_EQ(quot(negate(x), y, N("0.1")), negate(q)) << row.name;
        // One unit less leaves the floor one below q, within the resolution.
        const number q1 = quot(x - number(1), y, N("0.1"));
        EXPECT_TRUE(withinresolution(x - number(1), y, q1, N("0.1"))) << row.name;
    }
}

// The cheap directed product keeps the digits of its formula: the product
// at ten digits and more, moved by a unit of the tenth digit below its lead.
TEST(MultiplicationRandom, CheapDirectedProductsKeepTheirFormula)
{
    randomizer rnd(8);
    for (int i = 0; i < 3000 / SCALE; ++i) {
        const number x = rnd.operand(6), y = rnd.operand(i % 2 == 0 ? 6 : 1);
        const int bias = rnd.uniform(-1, 1);
        const number s = basicprod(x, y, powerof10(leadpos(x) + leadpos(y) - 18));
        const number u = powerof10(leadpos(s) - 10);
        const number want = bias == 0 ? s : (bias == 1 ? s + u : s - u);
        const number r = APCprod(x, y, bias);
        ASSERT_TRUE(same(r, want)) << "case " << i;
        ASSERT_EQ(brokeninvariant(r), "");
    }
}

TEST(DivisionRandom, QuotientsMultipliedBackStayWithinTheResolution)
{
    randomizer rnd(4);
    for (int i = 0; i < 400 / SCALE; ++i) {
        const number x = rnd.operand(800), y = rnd.operand(800);
        const number f = rnd.uniform(0, 1) == 0
                             ? powerof10(leadpos(x) - leadpos(y) - rnd.uniform(1, 6000))
                             : powerof10(rnd.uniform(-400, 100));
        const number q = quot(x, y, f);
        ASSERT_LT(abs(x - q * y), f * abs(y)) << "case " << i;
        ASSERT_EQ(brokeninvariant(q), "");
    }
}

TEST(DivisionRandom, RemaindersLeaveAMultipleOfTheDivisor)
{
    randomizer rnd(5);
    for (int i = 0; i < 400 / SCALE; ++i) {
        const number x = rnd.operand(rnd.length(40), rnd.uniform(-3, 40));
        const number y = rnd.operand(rnd.length(10), rnd.uniform(-3, 5));
        const number r = x % y;
        ASSERT_LT(compareabs(r, y), 0) << "case " << i;
        ASSERT_TRUE(r.iszero() || r.isnegative() == x.isnegative()) << "case " << i;
        // x - r = k y for an integer k, checked with the exact product.
        const number k = rounddigits(quot(x - r, y, number(0.1)), 0);
        ASSERT_EQ(k * y, x - r) << "case " << i;
    }
}

// -- cancellation ---------------------------------------------------------------------

TEST(MultiplicationCancel, CanceledRunStopsAtTheNextProduct)
{
    runningguard guard;
    cancelcompute();
    EXPECT_EQ(failure([] { basicprod(number(), number(), number()); }), "Operation was canceled");
    EXPECT_EQ(failure([] { APCprod(number(2), number(3), 9); }), "Operation was canceled");
    startcompute();
    EXPECT_EQ(number(2) * number(3), number(6));
}

// A transform canceled while it builds the roots of a length never seen
// before must not leave the roots of the shorter lengths broken: the next
// shorter product is exact.
TEST(MultiplicationCancel, ACanceledTransformLeavesTheNextProductExact)
{
    runningguard guard;
    auto nines = [](std::int32_t digits) { return powerof10(digits) - number(1); };
    auto square = [](std::int32_t digits) {
        return powerof10(2 * digits) - number(2) * powerof10(digits) + number(1);
    };
    const number shorter = nines(100000);
    ASSERT_TRUE(same(shorter * shorter, square(100000)));
    const number longer = nines(3000000);  // longer than any other product here
    cancelcompute();
    EXPECT_EQ(failure([&] { static_cast<void>(longer * longer); }), "Operation was canceled");
    startcompute();
    EXPECT_TRUE(same(shorter * shorter, square(100000)));
    // The tables given back after a key grow again for the next product.
    releaseidlememory();
    EXPECT_TRUE(same(shorter * shorter, square(100000)));
}

TEST(MultiplicationCancel, CancelFromAnotherThreadEndsALongChainOfProducts)
{
    runningguard guard;
    randomizer rnd(6);
    const number y = abs(rnd.operand(750, 0));
    std::atomic<bool> started{false};
    std::string message;
    std::thread worker([&] {
        message = failure([&] {
            number p = y;
            started = true;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < end)
                p = prodprec(p, y, 6000);
        });
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cancelcompute();
    worker.join();
    EXPECT_EQ(message, "Operation was canceled");
    startcompute();
    const number square = prodprec(y, y, 6000);
    EXPECT_LT(compareabs(schoolbook(y, y) - square, powerof10(leadpos(square) - 5999)), 0);
}

}  // namespace
