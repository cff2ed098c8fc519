// Representation, construction, the limb pool and the powers of ten.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "number/addition.h"
#include "number/multiplication.h"
#include "numbertesting.h"

using namespace num;

namespace {

struct Layout {
    std::vector<std::uint32_t> limbs;
    std::int32_t expo;
    std::int32_t lowexpo;
    bool negative;
};

void expectlayout(const number& x, const Layout& want)
{
    EXPECT_EQ(brokeninvariant(x), "");
    EXPECT_EQ(limbsof(x), want.limbs);
    EXPECT_EQ(x.expo(), want.expo);
    if (!x.iszero()) {
        EXPECT_EQ(x.lowexpo(), want.lowexpo);
    }
    EXPECT_EQ(x.isnegative(), want.negative);
}

const Layout zero{{}, ZERO_EXPO, 0, false};

TEST(NumberConstruction, FromMachineIntegers)
{
    expectlayout(number(), zero);
    expectlayout(number(0), zero);
    expectlayout(number(std::int64_t{0}), zero);
    expectlayout(number(std::uint64_t{0}), zero);
    expectlayout(number(0.0), zero);
    expectlayout(number(-0.0), zero);
    expectlayout(number(1), {{1}, 0, 0, false});
    expectlayout(number(100000000), {{1}, 1, 1, false});
    expectlayout(number(-2147483647 - 1), {{21, 47483648}, 1, 0, true});
    expectlayout(number(INT64_MIN), {{922, 33720368, 54775808}, 2, 0, true});
    expectlayout(number(UINT64_MAX), {{1844, 67440737, 9551615}, 2, 0, false});
    expectlayout(number(std::int64_t{10000000000000000}), {{1}, 2, 2, false});
}

TEST(NumberConstruction, FromDoubles)
{
    expectlayout(number(0.5), {{50000000}, -1, -1, false});
    expectlayout(number(-0.7), {{70000000}, -1, -1, true});
    expectlayout(number(2.71828182845235), {{2, 71828182, 84523500}, 0, -2, false});
    expectlayout(number(1e24), {{1, 0, 0, 83222784}, 3, 0, false});
    expectlayout(number(1e16), {{1}, 2, 2, false});
    expectlayout(number(123456.0), {{123456}, 0, 0, false});
    // Scaled in double arithmetic: 0.33333333333 * 10^8 * 10^8 is not the
    // decimal value, so the constant carries the double's own digits.
    expectlayout(number(0.33333333333), {{33333333, 33299999, 63357184}, -1, -3, false});
    EXPECT_EQ(leadpos(number(1.7976931348623157e308)), 308);
    EXPECT_EQ(leadpos(number(2.2250738585072014e-308)), -308);
    EXPECT_EQ(leadpos(number(4.9406564584124654e-324)), -324);
}

TEST(NumberConstruction, CopiesAreDeepAndSelfAssignmentIsHarmless)
{
    number a(-12345678.9);
    number b(a);
    EXPECT_EQ(limbsof(a), limbsof(b));
    EXPECT_NE(head(a), head(b));
    b = b;
    EXPECT_EQ(plaindigits(b), "-12345678.9");
    number c(7);
    c = a;
    EXPECT_EQ(plaindigits(c), "-12345678.9");
    number zerocopy{number()};
    expectlayout(zerocopy, zero);
    number moved(std::move(c));
    EXPECT_EQ(plaindigits(moved), "-12345678.9");
    expectlayout(c, zero);  // NOLINT: a moved-from number is zero
}

TEST(NumberNormalise, StripsZeroLimbsAndChecksTheRange)
{
    expectlayout(fromlimbs({0, 0}, 3, true), zero);
    expectlayout(fromlimbs({0, 5, 0, 0}, 2), {{5}, 1, 1, false});
    expectlayout(fromlimbs({1}, MAX_EXPO), {{1}, MAX_EXPO, MAX_EXPO, false});
    expectlayout(fromlimbs({1}, MIN_EXPO), {{1}, MIN_EXPO, MIN_EXPO, false});
    expectlayout(fromlimbs({0, 1, 2}, MAX_EXPO + 1), {{1, 2}, MAX_EXPO, MAX_EXPO - 1, false});

    struct Case {
        std::initializer_list<std::uint32_t> limbs;
        std::int32_t expo;
        const char* message;
    };
    const Case cases[] = {
        {{1}, MAX_EXPO + 1, "number overflow"},
        {{1}, MIN_EXPO - 1, "number underflow"},
        {{1, 0, 0, 1}, MIN_EXPO + 2, "number underflow"},
    };
    for (const Case& c : cases) {
        try {
            fromlimbs(c.limbs, c.expo);
            ADD_FAILURE() << "no error for expo " << c.expo;
        } catch (const numberexception& e) {
            EXPECT_STREQ(e.message(), c.message) << "expo " << c.expo;
        }
    }
    // Both limits broken: overflow is reported.
    number both;
    append(both, 1);
    append(both, 0);
    append(both, 1);
    setexpo(both, MAX_EXPO + 1);
    setlowexpo(both, MIN_EXPO - 1);
    try {
        normalise(both);
        ADD_FAILURE();
    } catch (const numberexception& e) {
        EXPECT_STREQ(e.message(), "number overflow");
    }
}

TEST(NumberQueries, DerivedQuantities)
{
    struct Case {
        number x;
        std::int32_t leadpos, limbcount;
        bool integer, odd;
        int signum;
        std::int64_t significant;
        bool powerof10;
    };
    const Case cases[] = {
        {number(), 0, 1, true, false, 0, 0, false},
        {number(1), 0, 1, true, true, 1, 1, true},
        {number(12345), 4, 1, true, true, 1, 5, false},
        {number(0.001), -3, 1, false, true, 1, 1, true},
        {number(100000000), 8, 1, true, false, 1, 1, true},
        {number(-0.5), -1, 1, false, true, -1, 1, false},
        {number(-6), 0, 1, true, false, -1, 1, false},
        {number(123456789), 8, 2, true, true, 1, 9, false},
        {number(1.5), 0, 2, false, true, 1, 2, false},
        {number(-10), 1, 1, true, false, -1, 1, false},
        {number(1200), 3, 1, true, false, 1, 2, false},
        {number(0.0105), -2, 1, false, true, 1, 3, false},
        {number("1e-50"), -50, 1, false, true, 1, 1, true},
        {number("1.00000000000000000001"), 0, 4, false, true, 1, 21, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(plaindigits(c.x));
        EXPECT_EQ(leadpos(c.x), c.leadpos);
        EXPECT_EQ(limbcount(c.x), c.limbcount);
        EXPECT_EQ(isinteger(c.x), c.integer);
        EXPECT_EQ(isodd(c.x), c.odd);
        EXPECT_EQ(signum(c.x), c.signum);
        EXPECT_EQ(significantdigits(c.x), c.significant);
        EXPECT_EQ(ispowerof10(c.x), c.powerof10);
    }
}

TEST(NumberChain, PrimitivesKeepTheLinksAndFindPowers)
{
    number x;
    append(x, 2);
    prepend(x, 1);
    append(x, 4);
    insertafter(x, head(x)->lower, 3);
    setexpo(x, 0);
    setlowexpo(x, -3);
    EXPECT_EQ(limbsof(x), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(brokeninvariant(x), "");
    for (std::int32_t k = 0; k >= -3; --k)
        EXPECT_EQ(nodeat(x, k)->value, static_cast<std::uint32_t>(1 - k));
    EXPECT_EQ(nodeat(x, 1), nullptr);
    EXPECT_EQ(nodeat(x, -4), nullptr);
    remove(x, head(x));
    remove(x, tail(x));
    setexpo(x, -1);
    setlowexpo(x, -2);
    EXPECT_EQ(limbsof(x), (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(brokeninvariant(x), "");
    clear(x);
    EXPECT_EQ(head(x), nullptr);
    EXPECT_EQ(tail(x), nullptr);

    number built;
    prepend(built, 5);
    notenewtop(built);
    EXPECT_EQ(built.expo(), 0);
    EXPECT_EQ(built.lowexpo(), 0);
    prepend(built, 6);
    notenewtop(built);
    EXPECT_EQ(built.expo(), 1);
}

TEST(NumberChainDeathTest, LimbOfBaseOrMoreIsAProgrammingError)
{
    EXPECT_DEATH(
        {
            number x;
            append(x, BASE);
        },
        "n < BASE.*module number");
    EXPECT_DEATH(
        {
            number x;
            prepend(x, BASE + 5);
        },
        "n < BASE");
}

TEST(NumberPool, ReusesTheLastReleasedNodeFirst)
{
    number a(12345);
    const limb* node = head(a);
    a = number();  // releases the single node
    EXPECT_EQ(limbpool::peek(), node);
    number b(7);
    EXPECT_EQ(head(b), node);

    // Releasing a chain puts its head in front, whatever its length.
    number longone = fromlimbs({1, 2, 3, 4, 5, 6, 7, 8, 9}, 4);
    const limb* top = head(longone);
    std::size_t before = limbpool::available();
    longone = number();
    EXPECT_EQ(limbpool::peek(), top);
    EXPECT_EQ(limbpool::available(), before + 9);
}

// Resident memory of this process in kB, from the kernel.
long residentkb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

// Beyond the prefilled nodes the pool takes a block; a trim gives it back
// once all its nodes are free again, and not while one is still held.
TEST(NumberPool, GrowsInBlocksAndTrimsBackToThePrefill)
{
    limbpool::trim();
    const std::size_t free = limbpool::available();
    // The caches of pi and ln 10, filled by earlier tests, may hold a few
    // thousand nodes.
    ASSERT_GE(free, limbpool::PREFILL - 10000);
    ASSERT_EQ(limbpool::blocks(), 0u);
    std::vector<limb*> held;
    const std::size_t many = free + limbpool::BLOCK / 2;
    for (std::size_t i = 0; i < many; ++i)
        held.push_back(limbpool::acquire());
    EXPECT_EQ(limbpool::blocks(), 1u);
    limb* last = held.back();
    held.pop_back();
    for (limb* p : held)
        limbpool::release(p);
    const long before = residentkb();
    limbpool::trim();
    EXPECT_EQ(limbpool::blocks(), 1u);  // `last` still lives in it
    // ... but the pages around it went back to the system,
    EXPECT_LT(residentkb(), before - 20000);
    // and are handed out again before any new block.
    held.clear();
    for (std::size_t i = 0; i < many; ++i)
        held.push_back(limbpool::acquire());
    EXPECT_EQ(limbpool::blocks(), 1u);
    for (limb* p : held) {
        p->value = 7;
        limbpool::release(p);
    }
    limbpool::release(last);
    limbpool::trim();
    EXPECT_EQ(limbpool::blocks(), 0u);
    EXPECT_EQ(limbpool::available(), free);
    number n(12345678);  // the pool still serves
    EXPECT_EQ(n, number(12345678));
}

// However a key took the nodes on top of the list, singly or in one walk,
// a trim sees every node released since the last one: the block whose
// nodes came and went beneath them goes back at once.
TEST(NumberPool, ATrimSeesEveryNodeReleasedSinceTheLast)
{
    enum class taking { acquire, copy, limbs };
    const std::pair<const char*, taking> ways[] = {
        {"acquire", taking::acquire},
        {"copy", taking::copy},
        {"limbs of an array", taking::limbs},
    };
    const number source = fromlimbs({1, 2, 3, 4, 5, 6, 7, 8, 9}, 4);
    const std::uint32_t values[] = {9, 8, 7, 6, 5};
    for (const auto& [name, how] : ways) {
        SCOPED_TRACE(name);
        limbpool::trim();
        ASSERT_EQ(limbpool::blocks(), 0u);
        limb* single = nullptr;
        number taken;
        switch (how) {
        case taking::acquire: single = limbpool::acquire(); break;
        case taking::copy: taken = source; break;
        case taking::limbs: appendlimbs(taken, values, 5); break;
        }
        {
            std::vector<limb*> held;
            for (std::size_t n = limbpool::available() + 1000; n > 0; --n)
                held.push_back(limbpool::acquire());
            ASSERT_EQ(limbpool::blocks(), 1u);
            for (limb* p : held)
                limbpool::release(p);
        }
        if (single != nullptr)
            limbpool::release(single);
        taken = number();
        limbpool::trim();
        EXPECT_EQ(limbpool::blocks(), 0u);
    }
}

// Random takes and gives, one node or whole chains at a time, with trims in
// between, across the prefilled nodes, the spare nodes of chunks, given-back
// chunks and a second block: no node is handed out while it is held, and
// once all are back, the blocks are gone and the free list is whole.
TEST(NumberPool, NoNodeIsHandedOutTwiceAndAllComeBack)
{
    constexpr std::uint32_t heldmark = BASE + 1;  // no free node's value
    limbpool::trim();
    const std::size_t free = limbpool::available();
    ASSERT_EQ(limbpool::blocks(), 0u);
    std::vector<limb*> held;
    std::size_t duplicates = 0;
    std::size_t mostblocks = 0;
    std::uint64_t state = 12345;
    const auto next = [&state](std::uint64_t n) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return (state >> 33) % n;
    };
    const auto give = [&held](std::size_t n, bool chain) {
        n = std::min(n, held.size());
        for (std::size_t i = held.size() - n; i < held.size(); ++i) {
            held[i]->value = 0;
            if (chain && i + 1 < held.size())
                held[i]->lower = held[i + 1];
        }
        if (chain && n != 0) {
            limbpool::releasechain(held[held.size() - n], held.back());
        } else {
            for (std::size_t i = held.size() - n; i < held.size(); ++i)
                limbpool::release(held[i]);
        }
        held.resize(held.size() - n);
    };
    for (int round = 0; round < 40; ++round) {
        // Once past the prefill and a first block.
        const std::size_t take = round == 20 ? limbpool::BLOCK + 200000 : next(200000);
        for (std::size_t i = 0; i < take; ++i) {
            limb* p = limbpool::acquire();
            duplicates += p->value == heldmark ? 1 : 0;
            p->value = heldmark;
            held.push_back(p);
        }
        mostblocks = std::max(mostblocks, limbpool::blocks());
        // Give back a random share, in an order unlike the taking.
        for (std::size_t i = held.size(); i > 1; --i)
            std::swap(held[i - 1], held[next(i)]);
        give(next(held.size() + 1), next(2) == 0);
        if (next(3) != 0)
            limbpool::trim();
    }
    EXPECT_EQ(duplicates, 0u);
    EXPECT_EQ(mostblocks, 2u);
    give(held.size(), true);
    limbpool::trim();
    EXPECT_EQ(limbpool::blocks(), 0u);
    EXPECT_EQ(limbpool::available(), free);
}

// Under AddressSanitizer a released node reads like freed memory wherever
// the pool keeps it: on the free list, and on its chunk's spare list once a
// trim has seen it.
TEST(NumberPoolDeathTest, AReleasedNodeStaysPoisoned)
{
#if !defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs AddressSanitizer";
#else
    for (const bool trimmed : {false, true}) {
        EXPECT_DEATH(
            {
                std::vector<limb*> held;
                for (std::size_t n = limbpool::available() + 10; n > 0; --n)
                    held.push_back(limbpool::acquire());
                limb* released = held.back();  // a node of a block
                limbpool::release(released);
                if (trimmed)
                    limbpool::trim();
                const volatile std::uint32_t value = released->value;
                (void)value;
            },
            "use-after-poison")
            << (trimmed ? "on a spare list" : "on the free list");
    }
#endif
}

TEST(NumberRunFlag, CancelFromAnotherThread)
{
    ASSERT_TRUE(computeallowed());
    std::thread([] { cancelcompute(); }).join();
    EXPECT_FALSE(computeallowed());
    startcompute();
    EXPECT_TRUE(computeallowed());
}

TEST(NumberPowersOfTen, Pow10AndDigitcount)
{
    for (int n = 0; n <= 9; ++n) {
        std::uint32_t want = 1;
        for (int k = 0; k < n; ++k)
            want *= 10;
        EXPECT_EQ(pow10(n), want);
    }
    for (int bad : {10, -1}) {
        try {
            pow10(bad);
            ADD_FAILURE();
        } catch (const numberexception& e) {
            EXPECT_EQ(std::string(e.message()),
                      "pow10:invalid argument. n must be [0..9] (=" + std::to_string(bad) + ")");
        }
    }
    EXPECT_EQ(digitcount(0), 0);
    EXPECT_EQ(digitcount(4294967295u), 10);
    // Both sides of every power of ten.
    std::uint32_t power = 1;
    for (int n = 1; n <= 9; ++n, power *= 10) {
        EXPECT_EQ(digitcount(power), n) << power;
        EXPECT_EQ(digitcount(power * 10 - 1), n) << power * 10 - 1;
    }
}

TEST(NumberPowersOfTen, Multpow10ShiftsExactly)
{
    struct Case {
        number x;
        std::int32_t n;
        const char* want;
    };
    const Case cases[] = {
        {number(1234), 3, "1234000"},
        {number(1), -1, "0.1"},
        {number(), 5, "0"},
        {number(99999999), 1, "999999990"},
        {number(12345678.87654321), 5, "1234567887654.321"},
        {number(12345678.87654321), -7, "1.234567887654321"},
        {number(-5), -9, "-0.000000005"},
        {number(123), 16, "1230000000000000000"},
        {number(123), -16, "0.0000000000000123"},
        {number(1), 799999992, nullptr},
    };
    for (const Case& c : cases) {
        number x = c.x;
        multpow10(x, c.n);
        EXPECT_EQ(brokeninvariant(x), "");
        if (c.want != nullptr) {
            EXPECT_EQ(plaindigits(x), c.want) << plaindigits(c.x) << " shifted " << c.n;
        }
    }
    // Every digit offset, both ways: a shift is the exact product by the
    // power, and shifting back restores the number.
    const number v("-98765432101234567.8901234567");
    for (std::int32_t n = -17; n <= 17; ++n) {
        number y = v;
        multpow10(y, n);
        EXPECT_EQ(brokeninvariant(y), "") << n;
        EXPECT_EQ(compare(y, prod(v, powerof10(n), number())), 0) << n;
        multpow10(y, -n);
        EXPECT_EQ(compare(y, v), 0) << n;
    }
    // powerof10 builds what shifting 1 builds, and fails the same way.
    for (std::int32_t k : {-800000001, -800000000, -799999999, -799999992, -17, -9, -8, -1, 0, 1, 7,
                           8, 9, 799999999, 800000000}) {
        number shifted(1);
        std::string want, got;
        try {
            multpow10(shifted, k);
        } catch (const numberexception& e) {
            want = e.message();
        }
        try {
            number p = powerof10(k);
            EXPECT_EQ(brokeninvariant(p), "");
            EXPECT_EQ(limbsof(p), limbsof(shifted)) << k;
            EXPECT_EQ(p.expo(), shifted.expo()) << k;
        } catch (const numberexception& e) {
            got = e.message();
        }
        EXPECT_EQ(got, want) << k;
    }

    // A whole number of limbs only moves the exponents.
    number x = fromlimbs({3, 4}, 0);
    const limb* top = head(x);
    multpow10(x, 8);
    EXPECT_EQ(head(x), top);
    EXPECT_EQ(x.expo(), 1);
    EXPECT_EQ(x.lowexpo(), 0);

    struct Failure {
        number x;
        std::int32_t n;
        const char* message;
    };
    const Failure failures[] = {
        {number(1), 800000000, "number overflow"},
        {number(100000000), 799999992, "number overflow"},
        {number(1), -800000000, "number underflow"},
    };
    for (const Failure& c : failures) {
        number y = c.x;
        try {
            multpow10(y, c.n);
            ADD_FAILURE() << c.message;
        } catch (const numberexception& e) {
            EXPECT_STREQ(e.message(), c.message);
        }
    }
}

}  // namespace
