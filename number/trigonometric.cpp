#include "number/trigonometric.h"

#include <algorithm>
#include <cstdlib>

#include "chudnovsky.h"
#include "constants.h"
#include "digittables.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "series.h"

namespace num {

number reductionresolution(const number& x, std::int32_t d)
{
    std::int64_t places = 0;
    const std::int32_t lead = leadpos(x);
    if (lead >= 0) {
        // The integer digits, and the decimals when x has any: an x close
        // to a multiple of pi leaves a small angle that needs its digits too.
        const std::int64_t decimals =
            x.iszero() ? 0 : std::max<std::int64_t>(0, -std::int64_t{x.lowexpo()});
        places = lead + BASE_DIGITS * decimals;
    }
    // Pi to hundreds of millions of digits would take hours: such angles
    // fail at once, as they did when products stopped at 10^-400000000.
    constexpr std::int64_t FINEST_REDUCTION = -400000000;
    const std::int64_t k = -places - d - 8;
    if (k < FINEST_REDUCTION)
        throw numberexception("number underflow");
    return powerof10(static_cast<std::int32_t>(k));
}

namespace {

// pi from its table: 10^-TABLEDIGITS at most off, so good to any resolution
// from 10^-(TABLEDIGITS - 10) up; only finer ones are computed, by the
// Chudnovsky series.
cachedconstant& thepicache()
{
    static cachedconstant cache(number(PIDIGITS), powerof10(10 - TABLEDIGITS));
    return cache;
}

}  // namespace

number pi(const number& f)
{
    return thepicache().at(f, [](const number& f) { return chudnovskypi(f); });
}

void clearpicache() { thepicache().clear(); }

namespace {

// The splitting series take a short |x| <= 4, and cost less than the
// halvings and doublings at every precision (cos 1 at 10 digits 1.1 us
// against 4.9 us, at 40 2.5 against 6.5, at 6000 0.39 ms against 5.1 ms);
// beyond 4 the sine goes through the cosine's reduction by turns.
bool withinsplitting(const number& x)
{
    static const number largest(4);
    return compareabs(x, largest) <= 0 && isshort(x);
}

}  // namespace

number cos(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("cos:invalid argument (f<=0)");
    const number one(1);
    if (f >= one)
        return number();
    // The error of b below 0.09 f either way: 2 pi k to 0.2 f / 2 pi + 0.6 * 0.2 f / 4,
    // as |k| <= a / 2 pi + 0.6, then 0.02 f + 0.007 f for the product and the
    // difference; or 0.08 f for the cut.
    static const number pishare(0.1);
    static const number turnsresolution(0.1);  // k to the nearest whole
    static const number turnsshare(0.02);
    static const number reductionshare(0.007);
    static const number cutshare(0.08);
    static const number halvingsfit(0.8);  // u grows as 0.8 sqrt(digits), halvings against terms
    static const number countresolution(0.3);   // 0.8 * 0.3 < 1: the rough root moves u by under 1
    static const number halvingsperdigit(3.4);  // 2^3.4 > 10: b / 2^u < 1
    // The halved angle's 0.04 f, the angle's 0.09 f, the series' 0.1 V 4^u =
    // 0.5 0.8^u f and the doublings' 0.5 (1 - 0.8^u) f: within 0.63 f.
    static const number halvedshare(0.04);    // b / 2^u to 0.04 w f: 0.04 f once doubled back
    static const number doublingshrink(0.2);  // 4 * 0.2 < 1: V 4^u = 5 0.8^u f
    static const number abovee(2.72);  // 2.72 > e: (2n)! >= (2n / e)^2n, so T bounds the term
    static const number quarter(0.25);
    // 0.01 + 0.05 + 0.02 < 0.1 of V for the series, its tail included: the
    // terms stop below 0.36 V and then fall by b^2 / 12 at least.
    static const number squareshare(0.01);
    static const number divisionshare(0.05);  // n divisions at 0.05 V / n
    static const number stopthreshold(0.36);
    static const number productshare(0.02);    // each product then divided by i (i + 1) >= 2
    static const number doublingsshare(0.05);  // doubling j at 0.05 V 5^(j-1): 0.1 0.8^(u-j) f
    static const number two(2), four(4), five(5);

    // b: x less the nearest whole number of turns.
    number b;
    number a = abs(x);
    if (a > four) {
        number P = two * pi(APCquot(APCprod(pishare, f, -1), a, -1));
        number k = floor(quot(x, P, turnsresolution) + half());
        b = diff(x, prod(P, k, turnsshare * f), reductionshare * f);
    } else {
        b = truncate(x, cutshare * f);
    }
    // A short |b| <= 4: the splitting series to 0.5 f, with b's 0.09 f
    // within f.
    static const number splittingshare(0.5);
    if (withinsplitting(b))
        return cossplitting(b, APCprod(splittingshare, f, -1));

    // u halvings, about 0.8 sqrt(digits) + 3.4 leadpos(b) + 5, keep the
    // series short.
    number u = APCsum(APCsum(APCprod(halvingsfit, sqrt(number(-leadpos(f)), countresolution), 1),
                             APCprod(halvingsperdigit, number(leadpos(b)), 1), 1),
                      five, 1);
    u = u < one ? number() : floor(u);
    number w = logpow(half(), u);
    b = abs(prod(b, w, halvedshare * w * f));

    // Each doubling multiplies an error by at most 4, so the reduced cosine
    // gets 5 * 0.2^u f.
    number V = APCprod(APCprod(five, APCpow(doublingshrink, u, -1), -1), f, -1);

    // Number of terms: after j doublings n = 2^j and T bounds
    // (2.72 b / 2n)^2n, which stands for b^2n / (2n)!.
    number h = APCprod(b, abovee, 1);
    number T = APCprod(APCprod(quarter, h, 1), h, 1);
    number l = quarter;
    number n(1);
    while (V < T) {
        n = n + n;
        l = APCprod(l, l, 1);
        T = APCprod(APCprod(T, T, 1), l, 1);
    }

    number E = negate(prod(b, b, APCprod(squareshare, V, -1)));
    number e = APCquot(APCprod(divisionshare, V, -1), n, -1);  // per division
    number q0 = APCprod(stopthreshold, V, -1);
    number c = APCprod(productshare, V, -1);  // per multiplication
    number g(1);
    number q(1);
    for (std::int64_t i = 1; compareabs(q, q0) > 0; i += 2) {
        q = quot(prod(q, E, c), number(i * (i + 1)), e);
        g = g + q;
    }

    V = APCprod(doublingsshare, V, -1);
    for (std::int64_t j = getint64(u); j > 0; --j) {
        g = two * prod(g, g, V) - one;
        V = APCprod(five, V, -1);
    }
    return g;
}

number sin(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("sin:invalid argument (f<=0)");
    // |sin x| <= 1 <= f: zero is within the resolution, as for the cosine.
    if (x.iszero() || f >= one())
        return number();
    if (withinsplitting(x))
        return sinsplitting(x, f);
    // 0.1 / 2 + 0.05 + 0.9 = 1: pi/2, the difference and the cosine within f.
    static const number pishare(0.1), differenceshare(0.05), cosineshare(0.9);
    return cos(diff(half() * pi(APCprod(pishare, f, -1)), x, APCprod(differenceshare, f, -1)),
               APCprod(cosineshare, f, -1));
}

namespace {

// Up to |x| = 1 an angle is its own rest: a short angle such as 1 or 0.7
// keeps its few digits for the series, where x - pi/2 would be long, and
// the rest's sine and cosine stay above 0.84 |x| and 0.54.
bool ownrest(const number& x) { return compareabs(x, one()) <= 0; }

// Where r^2 lies below 10^-(d + 4), sin r = r (1 - r^2/6 + ...) and cos r
// = 1 - r^2/2 + ... differ from r and 1 by less than 10^-(d + 4) of
// themselves: no series, however small r, and no product of it.
bool negligiblesquare(const number& r, std::int32_t d) { return 2 * leadpos(r) < -(d + 4); }

// sin r and cos r for |r| below about 1, each to d significant digits:
// the sine within 0.12 10^-d of itself (its resolution, a tenth of a unit
// of its d-th digit, over sin r >= 0.84 r), the cosine within 0.02 10^-d
// (cos r >= 0.54).
number restsine(const number& r, std::int32_t d)
{
    if (r.iszero())
        return number();
    if (negligiblesquare(r, d))
        return nudged(r, d, true);
    // Of |r|, so that sin -r is -sin r to the last digit.
    const number s = sin(abs(r), powerof10(leadpos(r) - d - 1));
    return r.isnegative() ? negate(s) : s;
}

number restcosine(const number& r, std::int32_t d)
{
    if (r.iszero())
        return number(1);
    if (negligiblesquare(r, d))
        return nudged(number(1), d, true);
    return cos(r, powerof10(-d - 2));
}

// The signed sine of q quarter turns and r, from the sine and cosine of r.
number quartersine(int quarter, const number& s, const number& c)
{
    switch (quarter) {
    case 0: return s;
    case 1: return c;
    case 2: return negate(s);
    default: return negate(c);
    }
}

// The rest to one digit more than asked: its error, and that of the
// truncation, each a fifth of a unit of the d-th digit at most.
constexpr std::int32_t REST_GUARD = 1;

// The series take the rest's digits less two: its error, the series' and
// the root's then add to 0.4 of a unit of the d-th digit below the value's
// first at most (sin and cos pass on the relative error of the rest at
// most once, |r| below 1).
constexpr std::int32_t SERIES_GUARD = QUARTERGUARD - 2;

}  // namespace

quarterangle quarterturns(const number& x, std::int32_t d)
{
    if (ownrest(x))
        return {x, 0};
    // Beyond this the reduction would need pi to more digits than a product
    // reaches: no angle in radians that large is taken.
    constexpr std::int32_t LARGEST_TURNS = 399999000;
    if (leadpos(x) > LARGEST_TURNS)
        throw calculatorexception("Invalid input for function");
    const number four(4);
    static const number turnsresolution(0.1);  // k to the nearest whole, or its neighbour
    const std::int32_t w = d + REST_GUARD;
    // Every pass takes pi with more digits, until the rest stands above its
    // error by w digits: a decimal that lies 10^-n from a multiple of pi/2
    // leaves a rest of 10^-n, which the digits of x alone do not foresee.
    for (std::int32_t more = 0;;) {
        pollcancel();
        const number eps = reductionresolution(x, w + more);
        const number H = half() * pi(eps);  // within eps / 2
        const number k = floor(quot(x, H, turnsresolution) + half());
        const number r = x - k * H;
        // |k| < 10^(leadpos(k) + 1) quarter turns, each within eps / 2.
        const std::int32_t errorpos = leadpos(k) + leadpos(eps) + 1;
        if (!r.iszero() && leadpos(r) - errorpos > w) {
            const int quarter = static_cast<int>(getint64(k % four));
            return {truncdigits(r, w + 1 - leadpos(r)), (quarter + 4) % 4};
        }
        const std::int32_t lacking = r.iszero() ? w : w - (leadpos(r) - errorpos) + 2;
        more = std::max(2 * more, more + lacking);
    }
}

number sinprec(const quarterangle& a, std::int32_t d)
{
    if (a.quarter % 2 == 0)
        return quartersine(a.quarter, restsine(a.rest, d + SERIES_GUARD), number());
    return quartersine(a.quarter, number(), restcosine(a.rest, d + SERIES_GUARD));
}

number cosprec(const quarterangle& a, std::int32_t d)
{
    return sinprec(quarterangle{a.rest, (a.quarter + 1) % 4}, d);
}

number tanprec(const quarterangle& a, std::int32_t d)
{
    const bool odd = a.quarter % 2 == 1;
    const std::int32_t e = d + SERIES_GUARD;
    // tan r = r (1 + r^2/3 + ...) lies just outside r; the cotangent of an
    // odd quarter is -1/tan r.
    if (negligiblesquare(a.rest, e)) {
        if (odd)
            return negate(quotprec(number(1), nudged(a.rest, e, false), d + 1));
        return nudged(a.rest, e, false);
    }
    // One series for both: the cosine of the rest as the root of 1 - s^2,
    // which is 0.54 at least for |r| up to 1.
    const number s = restsine(a.rest, e);
    const number c = sqrtprec(diffprec(number(1), s * s, e), e);
    return odd ? negate(quotprec(c, s, d + 1)) : quotprec(s, c, d + 1);
}

number sinprec(const number& x, std::int32_t d)
{
    return sinprec(quarterturns(x, d + QUARTERGUARD), d);
}

number cosprec(const number& x, std::int32_t d)
{
    return cosprec(quarterturns(x, d + QUARTERGUARD), d);
}

number tanprec(const number& x, std::int32_t d)
{
    return tanprec(quarterturns(x, d + QUARTERGUARD), d);
}

}  // namespace num
