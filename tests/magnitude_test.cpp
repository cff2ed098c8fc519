// The one magnitude arithmetic behind every sum: on chains against a limb
// oracle written here, and on flat limbs against chains, at every kind of
// resolution. Operands are drawn so that every run of powers occurs: one
// operand wholly below the other, with or without a gap, one inside the
// other, long carries and borrows through limbs of nines and zeros.
#include <cstdint>
#include <random>
#include <vector>

#include "flat.h"
#include "number/addition.h"
#include "numbertesting.h"

using namespace num;

namespace {

struct randomrun {
    std::mt19937 rng{20261208};

    int uniform(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }

    number operand()
    {
        const int n = uniform(0, 9) < 7 ? uniform(1, 6) : uniform(7, 60);
        number x;
        for (int i = 0; i < n; ++i) {
            const int kind = uniform(0, 5);
            append(x, kind == 0   ? 0
                      : kind == 1 ? BASE - 1
                                  : static_cast<std::uint32_t>(uniform(0, BASE - 1)));
        }
        setexpo(x, uniform(-12, 12));
        setlowexpo(x, x.expo() - n + 1);
        setnegative(x, uniform(0, 1) == 1);
        normalise(x);
        return x;
    }
};

// x + s y (s = +-1) by signed limbs at common powers, carried at the end.
number oraclesum(const number& x, const number& y, int s)
{
    if (x.iszero() && y.iszero())
        return number();
    const std::int32_t low = std::min(x.iszero() ? 0 : x.lowexpo(), y.iszero() ? 0 : y.lowexpo());
    const std::int32_t top = std::max(x.iszero() ? 0 : x.expo(), y.iszero() ? 0 : y.expo()) + 1;
    std::vector<std::int64_t> v(static_cast<std::size_t>(top - low + 1), 0);  // v[k]: power low + k
    auto add = [&](const number& a, int sign) {
        std::int32_t k = a.iszero() ? 0 : a.expo();
        for (const limb* p = head(a); p != nullptr; p = p->lower, --k)
            v[static_cast<std::size_t>(k - low)] +=
                sign * (a.isnegative() ? -1 : 1) * static_cast<std::int64_t>(p->value);
    };
    add(x, 1);
    add(y, s);
    // The sign of the result is that of its top non-zero limb once carried;
    // carry towards a magnitude with that sign.
    std::int64_t carry = 0;
    for (auto& d : v) {
        d += carry;
        carry = d >= 0 ? d / BASE : -((-d + BASE - 1) / BASE);
        d -= carry * BASE;
    }
    const bool negative = carry < 0;
    if (negative) {
        // v holds BASE^n - |value| in limbs: negate it.
        std::int64_t borrow = 0;
        for (auto& d : v) {
            d = -d - borrow;
            borrow = d < 0 ? 1 : 0;
            d += borrow * BASE;
        }
    }
    number r;
    for (auto d = v.rbegin(); d != v.rend(); ++d)
        append(r, static_cast<std::uint32_t>(*d));
    setexpo(r, top);
    setlowexpo(r, low);
    setnegative(r, negative);
    normalise(r);
    return r;
}

}  // namespace

TEST(MagnitudeExact, ChainSumsAgreeWithTheLimbOracle)
{
    randomrun rnd;
    for (int i = 0; i < 4000; ++i) {
        const number x = rnd.operand(), y = rnd.operand();
        ASSERT_TRUE(same(x + y, oraclesum(x, y, 1))) << plaindigits(x) << " + " << plaindigits(y);
        ASSERT_TRUE(same(x - y, oraclesum(x, y, -1))) << plaindigits(x) << " - " << plaindigits(y);
        ASSERT_EQ(brokeninvariant(x - y), "");
        ASSERT_EQ(compare(x, y), signum(oraclesum(x, y, -1)));
    }
}

// The flat form reads and writes arrays where the chain form walks nodes;
// every result must have the same limbs, sign and exponents.
TEST(MagnitudeAtResolution, FlatSumsMatchChainSums)
{
    randomrun rnd;
    for (int i = 0; i < 4000; ++i) {
        const number x = rnd.operand(), y = i % 10 == 0 ? number() : rnd.operand();
        number f;
        switch (rnd.uniform(0, 4)) {
        case 0: break;                                           // exact
        case 1: f = powerof10(8 * rnd.uniform(-14, 14)); break;  // a power of BASE
        case 2: f = powerof10(rnd.uniform(-110, 110)); break;
        case 3: f = number(-1); break;  // negative: exact as well
        default: f = scaled(number(rnd.uniform(2, 99)), rnd.uniform(-110, 110)); break;
        }
        for (bool minus : {false, true}) {
            const number chain = minus ? diff(x, y, f) : sum(x, y, f);
            const flat fl = sumof(flatten(x).view(), flatten(y).view(), minus, f);
            ASSERT_TRUE(same(chainof(fl), chain)) << plaindigits(x) << (minus ? " - " : " + ")
                                                  << plaindigits(y) << " at " << plaindigits(f);
            ASSERT_EQ(brokeninvariant(chain), "");
        }
    }
}
