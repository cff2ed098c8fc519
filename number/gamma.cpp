#include "number/gamma.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "digittables.h"
#include "fixedlimbs.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"
#include "polynomials.h"
#include "stirling.h"

namespace num {

namespace {

// Decimal places beyond which no product can hold a digit (see the range of
// a number).
constexpr double PRODUCT_DIGITS = 399999900;
// The size of a Gamma that the exponential still takes, a little below
// PRODUCT_DIGITS (e^x fails from about 10^399999488 on, its powers carrying
// digits beyond their result): Gamma of larger arguments reports the
// overflow before a single product is taken, and that of large negative
// ones, whose reflection divides by such a Gamma, the underflow.
constexpr double MOST_DIGITS = 399999000;

// log10 |x| for x != 0 at any magnitude, from its leading digits.
double log10abs(const number& x)
{
    const std::int32_t lead = leadpos(x);
    return lead + std::log10(std::abs(getdouble(truncdigits(scaled(x, -lead), 15))));
}

// Below this many integer digits an argument's Gamma is estimated in doubles;
// from it on Gamma(x) > 10^(8 10^9) overflows, and for x < 0 the reflection
// pi / (sin(pi x) Gamma(1 - x)) underflows: no number has more than
// 8 10^8 decimals, so |sin(pi x)| > 10^-(8 10^8 + 1).
constexpr std::int32_t HUGE_LEAD = 9;

// Fails where Gamma(x) at d digits leaves the range: its size, or below
// zero that of Gamma(1 - x) or of its last digit.
void checksize(const number& x, std::int32_t d)
{
    const std::int32_t lead = leadpos(x);
    if (lead < 6)
        return;
    if (lead >= HUGE_LEAD)
        throw numberexception(x.isnegative() ? "number underflow" : "number overflow");
    const double ln10 = std::log(10.0);
    if (!x.isnegative()) {
        if (std::lgamma(getdouble(x)) / ln10 > MOST_DIGITS)
            throw numberexception("number overflow");
        return;
    }
    // |Gamma(x)| = pi / (|sin(pi x)| Gamma(1 - x)), and |sin(pi x)| >= 2 g
    // for g, the distance of x to the nearest integer: the bound holds for
    // a g of any smallness, where sin would be 0 in doubles.
    const double reflected = std::lgamma(1 - getdouble(x)) / ln10;
    const number f = x - floor(x);
    const number g = f > half() ? number(1) - f : f;
    const double most = std::log10(3.141592653589793 / 2) - log10abs(g) - reflected;
    if (reflected > MOST_DIGITS || most - d < -PRODUCT_DIGITS)
        throw numberexception("number underflow");
}

// Euler's constant cut after `places` decimals, from its table; empty
// beyond it.
std::optional<number> eulerconstant(std::int32_t places)
{
    if (places > TABLEDIGITS - 10)
        return std::nullopt;
    // Read afresh from the text, "0." and the places: a number kept in a
    // static would hold limbs of the pool's blocks past the key.
    return number(std::string(EULERDIGITS, static_cast<std::size_t>(places) + 2).c_str());
}

// An upper bound of |psi(n)|, the slope of ln Gamma at the integer n >= 1:
// psi(n) = 1 + 1/2 + ... + 1/(n - 1) - gamma_E < ln n + 1.
double psibound(double n) { return std::log(n) + 1; }

// Gamma(n + e) to w digits, within 10^-(w + 1) of it relative, for the
// integer n = shift + the integer nearest x and e the rest of x, where e is
// so small that it counts only to first order: around 1 (and the pole at
// 0) through Euler's constant, Gamma(1 + e) = 1 - gamma_E e + 0.99 e^2 - ...,
// elsewhere not at all but for the side of Gamma(n) the value lies on, which
// a display on a rounding midpoint needs:
//   Gamma(n + e) = (n - 1)! (1 + psi(n) e + ...),              n >= 2,
//   Gamma(-k + e) = (-1)^k / (k! e) (1 + psi(k + 1) e + ...),  k >= 1,
// with psi(n) > 0 for n >= 2. Empty where e counts more, or where Euler's
// constant would be needed beyond its table. |x| < 10^HUGE_LEAD.
std::optional<number> nearinteger(const number& x, std::int64_t shift, std::int32_t w)
{
    // Below a half the nearest integer is 0: rounding would add the half to
    // every digit of a tiny x.
    const number m = compareabs(x, half()) < 0 ? number() : rounddigits(x, 0);
    const number e = x - m;
    if (e.iszero())
        return std::nullopt;
    const std::int64_t n = getint64(m) + shift;
    const std::int32_t lead = leadpos(e) + 1;  // |e| < 10^lead
    if (n == 1 || n == 0) {
        // 0.99 e^2 < 10^(2 lead) below 10^-(w + 3).
        if (2 * lead > -(w + 3))
            return std::nullopt;
        // gamma_E e to 10^-(w + 3): Euler's constant cut at w + 4 + lead
        // places, the product at as many digits; below them only its sign.
        const std::int32_t places = w + 4 + lead;
        number c;
        if (places <= 1) {
            c = powerof10(-(w + 3));
            if (e.isnegative())
                c = negate(c);
        } else {
            const auto euler = eulerconstant(places);
            if (!euler)
                return std::nullopt;
            c = prodprec(*euler, e, places);
        }
        const number g = number(1) - c;
        return n == 1 ? g : quotprec(g, e, w + 2);
    }
    // psi(n) e (or psi(k + 1) e) below 10^-(w + 3).
    const double k = n >= 2 ? double(n) : double(1 - n);
    if (lead + std::log10(psibound(k)) > -(w + 3))
        return std::nullopt;
    // The factorial's products err by 10^-(w + 3) together with as many
    // more digits as they are.
    const std::int32_t digits = w + 3 + static_cast<std::int32_t>(std::log10(k)) + 1;
    number a;
    if (n >= 2)
        a = factorial(number(n - 1), digits);
    else
        a = quotprec(number(n % 2 == 0 ? 1 : -1),
                     prodprec(factorial(number(-n), digits), e, digits), w + 2);
    // With psi > 0 the first-order term moves the value away from zero
    // where e > 0, towards it where e < 0.
    const bool away = !e.isnegative();
    const number unit = powerof10(leadpos(a) - w - 4);
    return away == a.isnegative() ? a - unit : a + unit;
}

// Factors of the exact products by halves stay below this, so that a run's
// product below MULTIPLIER_LIMIT times one more factor is still held in 64
// bits (1.8 10^11 10^8 < 2^64).
constexpr std::int64_t PROGRESSION_LIMIT = 100000000;

// From this many digits on the blocks of the progression cost less than the
// running product's steps of a limb (1000! at 40 digits: 11 us against 19;
// 100000! at 6000 digits: 90 ms against 10).
constexpr std::int32_t PROGRESSION_DIGITS = 200;

number progressionproduct(std::int64_t lo, std::int64_t step, std::int64_t count, std::int32_t w);

// |y + j| for j from `first` up (step +1) or down (step -1), `count` of them,
// multiplied together at d digits; empty when a factor does not fit the
// 64-bit steps (y long, or the factors too large).
std::optional<number> shortproduct(const number& y, std::int64_t first, std::int64_t count,
                                   int step, std::int32_t d)
{
    std::uint64_t Y = 0;
    const int s = asfraction(y, SHORT_PLACES, HALF_DIVISOR_LIMIT, Y);
    if (s < 0 || count > 100000000)
        return std::nullopt;
    const std::uint64_t unit = pow10u(s);
    const std::int64_t last = first + step * (count - 1);
    const std::int64_t far = std::max(std::abs(first), std::abs(last));
    if (static_cast<double>(far + 2) * static_cast<double>(unit) >=
        static_cast<double>(MULTIPLIER_LIMIT))
        return std::nullopt;
    // The magnitudes |Y + j 10^s| run by 10^s from the smaller end's: y > 0
    // and, for j < 0, y < 1 keep every factor on one side of zero.
    const std::int64_t ends[] = {
        static_cast<std::int64_t>(Y) + first * static_cast<std::int64_t>(unit),
        static_cast<std::int64_t>(Y) + last * static_cast<std::int64_t>(unit)};
    const std::int64_t lo = std::min(std::abs(ends[0]), std::abs(ends[1]));
    const std::int64_t hi = std::max(std::abs(ends[0]), std::abs(ends[1]));
    if ((ends[0] > 0) == (ends[1] > 0) && lo > 0 && hi < PROGRESSION_LIMIT) {
        number r = progressionproduct(lo, static_cast<std::int64_t>(unit), count, d);
        multpow10(r, -static_cast<std::int32_t>(s * count));
        return r;
    }
    mantissa p(limbsfor(d, static_cast<double>(count)));
    for (std::int64_t i = 0, j = first; i < count; ++i, j += step) {
        if ((i & 1023) == 0)
            pollcancel();
        // y + j as (Y + j 10^s) / 10^s; its magnitude for j < 0 < y + j
        // or y + j < 0.
        const std::int64_t v = static_cast<std::int64_t>(Y) + j * static_cast<std::int64_t>(unit);
        times(p, static_cast<std::uint64_t>(v < 0 ? -v : v));
    }
    // The 10^-s of each factor: whole limbs on the exponent, the rest scaled.
    const std::int64_t places = s * count;
    p.expo -= static_cast<std::int32_t>(places / BASE_DIGITS);
    return scaled(p.value(), -static_cast<std::int32_t>(places % BASE_DIGITS));
}

// n! is computed exactly while its digits stay within 4 d and this many:
// at the shortest precisions n! stays exact up to about 70!, a product of a
// few limbs.
constexpr double EXACT_FACTORIAL_SPARE = 100;

// The product k (k - step) ... of the integers from k down by `step`, not
// below lo, as long as it stays below `limit` (at most MULTIPLIER_LIMIT); k
// ends below the last one taken. k < PROGRESSION_LIMIT, so that a product
// that passes the limit is still held.
std::uint64_t runfrom(std::int64_t& k, std::int64_t lo, std::uint64_t limit, std::int64_t step = 1)
{
    std::uint64_t g = static_cast<std::uint64_t>(k);
    k -= step;
    while (k >= lo && g * static_cast<std::uint64_t>(k) < limit) {
        g *= static_cast<std::uint64_t>(k);
        k -= step;
    }
    return g;
}

// The exact product lo (lo + step) ... hi, 1 <= lo <= hi < PROGRESSION_LIMIT
// and hi - lo a multiple of step: by halves, so that the long products are balanced,
// down to runs of 64 factors multiplied on an array of limbs, several
// integers at a time: runs whose product stays below MULTIPLIER_LIMIT, so
// that a limb times one, plus the carry, stays within 64 bits.
number rangeproduct(std::int64_t lo, std::int64_t hi, std::int64_t step = 1)
{
    if (hi - lo >= 64 * step) {
        const std::int64_t mid = lo + (hi - lo) / step / 2 * step;
        return rangeproduct(lo, mid, step) * rangeproduct(mid + step, hi, step);
    }
    std::vector<std::uint32_t> limbs{1};  // least significant first
    for (std::int64_t k = hi; k >= lo;) {
        const std::uint64_t g = runfrom(k, lo, MULTIPLIER_LIMIT, step);
        std::uint64_t carry = 0;
        for (std::uint32_t& l : limbs) {
            const std::uint64_t p = l * g + carry;
            carry = p / BASE;
            l = static_cast<std::uint32_t>(p - carry * BASE);
        }
        for (; carry != 0; carry /= BASE)
            limbs.push_back(static_cast<std::uint32_t>(carry % BASE));
    }
    std::reverse(limbs.begin(), limbs.end());
    return fromlimbs(limbs.data(), limbs.size(), static_cast<std::int32_t>(limbs.size()) - 1);
}

// Half-integers whose count of factors n lies below this take the product
// below: its factors 10 k - 5 stay within PROGRESSION_LIMIT.
constexpr std::int64_t HALF_INTEGER_FACTORS = 9000000;

// The product lo (lo + step) ... (lo + (count - 1) step) of positive
// integers below PROGRESSION_LIMIT to w digits, never above it. From
// PROGRESSION_DIGITS on within (blocks + 1) 10^-(w + guard) of it
// relative: the factors go in blocks whose exact
// product (by halves) has about w + guard digits, each folded into the
// running product by one product at w + guard digits: about as many long
// products as the whole exact product has w-digit pieces, where one factor
// at a time would take count products of a limb.
number progressionproduct(std::int64_t lo, std::int64_t step, std::int64_t count, std::int32_t w)
{
    if (count == 0)
        return number(1);
    if (w < PROGRESSION_DIGITS) {
        // Few digits: a running product on a fixed count of limbs, the
        // factors taken together while their product stays below
        // MULTIPLIER_LIMIT.
        mantissa p(limbsfor(w, static_cast<double>(count)));
        std::uint64_t g = 1;
        for (std::int64_t i = 0; i < count; ++i) {
            if ((i & 1023) == 0)
                pollcancel();
            const auto v = static_cast<std::uint64_t>(lo + i * step);
            if (g * v >= MULTIPLIER_LIMIT) {
                times(p, g);
                g = 1;
            }
            g *= v;
        }
        times(p, g);
        return p.value();
    }
    // log10 of the whole product bounds the count of blocks, and so the
    // guard digits that keep their truncations below 10^-(w + 1).
    const double total = double(count) * std::log10(double(lo + (count - 1) * step)) + 1;
    const double blocks = total / w + 2;
    const std::int32_t guard = 2 + static_cast<std::int32_t>(std::log10(blocks));
    const double blockdigits = w + guard;
    number s;
    for (std::int64_t i = 0; i < count;) {
        pollcancel();
        // Factors i .. last, their digits up to about blockdigits.
        std::int64_t last = i;
        for (double digits = std::log10(double(lo + i * step)); last + 1 < count;) {
            digits += std::log10(double(lo + (last + 1) * step));
            if (digits > blockdigits)
                break;
            ++last;
        }
        number block = rangeproduct(lo + i * step, lo + last * step, step);
        s = s.iszero() ? std::move(block) : prodprec(s, block, w + guard);
        i = last + 1;
    }
    return s;
}

// Gamma(x) to w digits where x - 1/2 is an integer: for x = n + 1/2 >= 0,
// sqrt(pi) (1/2)(3/2) ... (n - 1/2), for x = 1/2 - n < 0 (-1)^n sqrt(pi)
// divided by that product. Empty elsewhere, and where the product would
// take more factors than HALF_INTEGER_FACTORS.
std::optional<number> halfinteger(const number& x, std::int32_t w)
{
    if (isinteger(x) || !isinteger(x + x))
        return std::nullopt;
    const number n = x.isnegative() ? half() - x : x - half();
    if (n >= number(HALF_INTEGER_FACTORS))
        return std::nullopt;
    const std::int64_t count = getint64(n);
    // Each of the root, the product and the quotient errs by 10^-(w + 2)
    // relative at most.
    const std::int32_t digits = w + 2;
    const number root = sqrtprec(pi(powerof10(-digits - 2)), digits);
    // (1/2)(3/2) ... (n - 1/2) = 5 * 15 * ... * (10 n - 5) / 10^n.
    number p = progressionproduct(5, 10, count, digits);
    multpow10(p, -static_cast<std::int32_t>(count));
    if (!x.isnegative())
        return prodprec(root, p, digits);
    const number r = quotprec(root, p, digits);
    return count % 2 == 1 ? negate(r) : r;
}

}  // namespace

number factorial(const number& x, std::int32_t d)
{
    const bool whole = isinteger(x);
    if (whole && x.isnegative())
        throw calculatorexception("Invalid input for function");
    // From 10^9 on the size alone decides, before x + 1 spells out the
    // digits of a huge integer.
    if (leadpos(x) >= HUGE_LEAD)
        throw numberexception(x.isnegative() ? "number underflow" : "number overflow");
    if (!whole) {
        // Below 1, x + 1 would spell out every digit down to a tiny x.
        if (leadpos(x) < 0) {
            if (auto r = nearinteger(x, 1, d + 3))
                return *r;
        }
        return gamma(x + number(1), d);
    }
    checksize(x + number(1), d);
    if (x >= number(stirlingfrom(d)))
        return stirling(x + number(1), d + 3);
    const std::int64_t n = getint64(x);
    // Exact, by halves, while n! has not many more digits than asked for.
    if (n < 2 || (n < 10000000 &&
                  std::lgamma(double(n) + 1.0) / std::log(10.0) <= 4.0 * d + EXACT_FACTORIAL_SPARE))
        return rangeproduct(1, std::max<std::int64_t>(n, 1));
    // Else, at many digits, 2 3 ... n as a progression, in blocks each
    // exact, truncated only where they are folded together: never above n!.
    if (d >= PROGRESSION_DIGITS && n < PROGRESSION_LIMIT)
        return progressionproduct(2, 1, n - 1, d);
    // At fewer, the running product, each factor a run of consecutive
    // integers whose product stays within a limb: every step errs by
    // 10^-(d+2) relative at most, fewer steps than one factor at a time take.
    // The poll comes after every POLL_LIMBS limbs of products: k itself
    // steps by runs and may pass over every multiple of a poll point.
    number s(1);
    std::int64_t limbs = 0;
    for (std::int64_t k = n; k > 1;) {
        prodprecinplace(s, number(runfrom(k, 1, BASE)), d);
        limbs += limbcount(s);
        if (limbs >= POLL_LIMBS) {
            limbs = 0;
            pollcancel();
        }
    }
    return s;
}

number gamma(const number& x, std::int32_t d)
{
    const number one(1);
    if (isinteger(x)) {
        if (x < one)
            throw numberexception("gamma not defined for integers < 1");
        return factorial(x - one, d);
    }
    checksize(x, d);
    // Digits for the series and the product of the recurrence, each within
    // a relative 10^-(d + 3).
    const std::int32_t w = d + 3;
    if (auto r = nearinteger(x, 0, w))
        return *r;
    if (bystirling(x, w))
        return stirling(x, w);
    if (x.isnegative() && bystirling(number(1) - x, w))
        return reflected(x, w);
    if (auto r = halfinteger(x, w))
        return *r;
    if (x > one) {
        // Gamma(x) = Gamma(y) y (y + 1) ... (x - 1), 1 < y < 2.
        const number y = frac(x) + one;
        const number g = gammaseries(y, w);
        const std::int64_t count = getint64(floor(x)) - 1;
        if (count == 0)
            return g;
        const auto p = shortproduct(y, 0, count, 1, w);
        return prodprec(g, p ? *p : risingfactorial(y, count, w), w);
    }
    // Below 1: Gamma(x) = Gamma(y) / ((y - 1) (y - 2) ... x) for y in (0, 1),
    // the factors multiplied together and divided by once.
    const number fl = floor(x);
    const number y = x - fl;
    const number g = gammaseries(y, w);
    if (fl.iszero())
        return g;
    const std::int64_t count = -getint64(fl);
    // |(y - 1) ... (y - count)| = (1 - y) (2 - y) ... (count - y).
    const auto p = shortproduct(y, -1, count, -1, w);
    const number r = quotprec(g, p ? *p : risingfactorial(one - y, count, w), w);
    return count % 2 == 1 ? negate(r) : r;
}

}  // namespace num
