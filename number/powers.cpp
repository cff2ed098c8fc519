#include "number/powers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "chain.h"
#include "flat.h"
#include "number/addition.h"
#include "number/multiplication.h"
#include "splitting.h"

namespace num {

namespace {

// The exponent as a machine integer when it fits, so the squaring loop needs
// no arithmetic on numbers; the products are the same either way.
bool smallexponent(const number& n, std::uint64_t& e)
{
    if (n.expo() > 1)
        return false;
    e = 0;
    for (std::int32_t k = n.expo(); k >= 0; --k) {
        const limb* p = nodeat(n, k);
        e = e * BASE + (p != nullptr ? p->value : 0);
    }
    return true;
}

// Powering by repeated squaring with the given product.
template <typename Product>
number squareandmultiply(const number& x, const number& n, Product product)
{
    number a(1);
    number b(x);
    std::uint64_t small;
    if (n.iszero() || smallexponent(n, small)) {
        std::uint64_t e = n.iszero() ? 0 : small;
        while (e != 0) {
            if ((e & 1) != 0) {
                a = product(a, b);
                --e;
            } else {
                b = product(b, b);
                e /= 2;
            }
        }
        return a;
    }
    number e(n);
    while (!e.iszero()) {
        if (isodd(e)) {
            a = product(a, b);
            decrement(e);
        } else {
            b = product(b, b);
            e = e * half();
        }
    }
    return a;
}

// Digits of the reciprocal root's start value: doubles carry its first 15.
constexpr std::int32_t STARTDIGITS = 14;

// 1/sqrt(x) to a relative 0.5 10^-STARTDIGITS, from x's top three limbs in
// doubles; x = m 10^(2h) with 1 <= m < 100. The value is a 16-digit integer
// times 10^(-16-h): short, whatever x's length.
number reciprocalrootguess(const number& x, std::int32_t h)
{
    double m = 0;
    double unit = 1;
    const limb* l = head(x);
    for (int k = 0; k < 3 && l != nullptr; ++k, l = l->lower, unit /= BASE)
        m += l->value * unit;
    // The top limb stands at 10^(8 expo): m times 10^(8 expo - 2h), a
    // power between -7 and 1.
    m *= std::pow(10.0, BASE_DIGITS * x.expo() - 2 * h);
    number y(static_cast<std::int64_t>(1e16 / std::sqrt(m)));
    multpow10(y, -16 - h);
    return y;
}

// Roots of more digits than this take their steps on flat limbs, where a
// sum or a product costs no node per limb; shorter ones on chains, where
// the flat numbers' allocations would cost more.
constexpr std::int32_t FLAT_ROOT = 150;

// sqrt(x) to 0.2 10^F from y, 1/sqrt(x) to a relative 0.5 10^-STARTDIGITS,
// for x = m 10^(2h), 1 <= m < 100, and p = h + 1 - F digits (at least 2): the
// root lies in [10^h, 10^(h+1)) and its reciprocal in (10^(-h-1), 10^-h].
// On chains (T number) or flat limbs (T flat); half is 0.5 in that form.
template <typename T>
T newtonroot(const T& x, T y, const T& half, std::int32_t h, std::int32_t F, std::int32_t p)
{
    // y ~ 1/sqrt(x) to a relative 0.5 10^-q: Newton's step y + y (1 - x y^2) / 2
    // takes a relative error d to 1.5 d^2, so q digits give 2q - 1 with the
    // step's own truncations, each 10^-(q' + 2), within the rest. The last
    // step needs qy digits: 2qy >= p + 3 keeps 0.5 10^(h + 1 - 2qy) below
    // 10^(F - 3). Every count of digits halves to STARTDIGITS in fewer than
    // 32 steps.
    const std::int32_t qy = (p + 2) / 2 + 1;
    std::array<std::int32_t, 32> steps{};
    std::size_t n = 0;
    for (std::int32_t q = qy; q > STARTDIGITS; q = (q + 2) / 2)
        steps[n++] = q;
    // (1 - x y^2) / 2 as 1/2 - (x/2) y^2: x/2 is exact, and formed once.
    const T xhalf = n > 0 ? times(x, half, exact()) : T();
    while (n > 0) {
        const std::int32_t q = steps[--n];
        const T y2 = times(y, y, powerof10(-2 * h - q - 4));  // y^2 >= 10^(-2h-2)
        const T e = minus(half, times(xhalf, y2, powerof10(-q - 2)));
        y = plus(y, times(y, e, powerof10(-h - q - 3)));
    }

    // The last step on the root itself: s = x y to qy digits, s + y (x - s^2) / 2.
    // With s = sqrt(x) (1 + o) and y = (1 + d) / sqrt(x) its relative error
    // is d o + o^2 / 2 + d o^2 / 2 whatever o is, below 0.5 10^-2qy; s^2
    // at 10^(F + h - 2) and the difference, exact, cost y 10^(F + h - 2) / 2,
    // 0.005 10^F, the last product 0.01 10^F.
    const T s = times(x, y, powerof10(h - qy - 2));
    const T r = minus(x, times(s, s, powerof10(F + h - 2)));
    return plus(s, times(y, times(r, half, exact()), powerof10(F - 2)));
}

}  // namespace

number logpow(const number& x, const number& n)
{
    if (!isinteger(n))
        throw numberexception("logpow:y not integer");
    if (n.isnegative())
        throw numberexception("logpow:y negativ");
    return squareandmultiply(x, n, [](const number& a, const number& b) { return a * b; });
}

number APCpow(const number& x, const number& n, int bias)
{
    if (!isinteger(n))
        throw numberexception("APCpow:y not integer");
    if (n.isnegative())
        return APCquot(number(1), APCpow(x, negate(n), -bias), bias);
    return squareandmultiply(x, n,
                             [](const number& a, const number& b) { return APCprod(a, b, 0); });
}

number sqrt(const number& x, const number& f)
{
    if (x.isnegative())
        throw numberexception("sqrt:invalid argument (x<0)");
    if (x.iszero())
        return number();
    if (f.iszero() || f.isnegative())
        throw numberexception("sqrt:invalid argument (f<=0)");

    // Products and the bookkeeping powers of ten reach less far than numbers
    // do. Far from 1, take the root of x / BASE^(2j) at f / BASE^j and shift
    // it back by BASE^j: whole limbs move, so every digit is the same.
    if (x.expo() >= 25000000 || x.expo() <= -25000000) {
        std::int32_t j = x.expo() / 2;
        number r = sqrt(scaled(x, -2 * j * BASE_DIGITS), scaled(f, -j * BASE_DIGITS));
        multpow10(r, j * BASE_DIGITS);
        return r;
    }

    // With x = m 10^(2h), 1 <= m < 100, the root lies in [10^h, 10^(h+1))
    // and its reciprocal in (10^(-h-1), 10^-h]; f >= 10^F, so p digits of
    // the root reach 10^F.
    const std::int32_t lead = leadpos(x);
    const std::int32_t h = lead >= 0 ? lead / 2 : -((1 - lead) / 2);  // floor(lead / 2)
    const std::int32_t F = leadpos(f);
    const std::int32_t p = std::max(h + 1 - F, 2);

    // x is read down to a relative 10^-(p + 4), 10^(h + F - 5): far below
    // every product's resolution, and in the root 10^(F - 5) at most. The
    // rest of a long x is never copied.
    const std::int32_t k = 2 * h - p - 4;
    const std::int32_t low =
        std::max(k >= 0 ? k / BASE_DIGITS : -((BASE_DIGITS - 1 - k) / BASE_DIGITS), MIN_EXPO);
    const number y = reciprocalrootguess(x, h);
    if (p > FLAT_ROOT)
        return chainof(
            newtonroot(flatof(runof(x).from(low)), flatten(y), flatten(half()), h, F, p));
    if (x.lowexpo() >= low)
        return newtonroot(x, y, half(), h, F, p);
    number top;
    appendlimbs(top, head(x), static_cast<std::size_t>(x.expo() - low + 1));
    setexpo(top, x.expo());
    setlowexpo(top, low);
    normalise(top);
    return newtonroot(top, y, half(), h, F, p);
}

number sqrtprec(const number& x, std::int32_t d) { return sqrt(x, powerof10(leadpos(x) / 2 - d)); }

}  // namespace num
