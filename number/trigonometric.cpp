#include "number/trigonometric.h"

#include <algorithm>
#include <cstdlib>

#include "constants.h"
#include "digittables.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"

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
    constexpr std::int64_t finestreduction = -400000000;
    const std::int64_t k = -places - d - 8;
    if (k < finestreduction)
        throw numberexception("number underflow");
    return powerof10(static_cast<std::int32_t>(k));
}

namespace {

// pi from its table: 10^-TABLEDIGITS at most off, so good to any resolution
// from 10^-(TABLEDIGITS - 10) up; only finer ones are computed.
cachedconstant& thepicache()
{
    static cachedconstant cache(number(PIDIGITS), powerof10(10 - TABLEDIGITS));
    return cache;
}

// The argument of sinprec and cosprec reduced to [0, pi/2], the sign the
// result takes, and the sign of the other function.
struct reducedangle {
    number v;
    bool negative;
    bool othernegative;
};

// Reduction modulo 2 pi with a pi good to d + 8 digits plus the digits of x,
// then by the symmetries of the sine (sine true) or the cosine; the reduced
// angle keeps d decimals, or d significant digits when it is below 1.
reducedangle reduce(const number& x, std::int32_t d, bool sine)
{
    number v = abs(x);
    bool sinenegative = x.isnegative();
    bool cosinenegative = false;

    number P = pi(reductionresolution(v, d));
    number H = half() * P;
    number T = P + P;

    v = v % T;
    if (v > P) {
        v = T - v;
        sinenegative = !sinenegative;
    }
    if (v > H) {
        v = P - v;
        cosinenegative = !cosinenegative;
    }
    // Significant digits of the reduced angle, not of x: near a multiple of
    // pi, d decimals would leave a small sine with only a few right digits.
    v = truncdigits(v, d - std::min(leadpos(v), 0));
    return sine ? reducedangle{v, sinenegative, cosinenegative}
                : reducedangle{v, cosinenegative, sinenegative};
}

// 1 - sin^2 of the reduced angle at d digits, the reduction, and the sine s
// of the reduced angle, |sin x|.
number squaredcosine(const number& x, std::int32_t d, reducedangle& r, number& s)
{
    r = reduce(x, d, false);
    s = sin(r.v, powerof10(leadpos(r.v) - d));
    return diffprec(number(1), s * s, d);
}

}  // namespace

number pi(const number& f)
{
    return thepicache().at(f, [](const number& f) {
        static const number digitsmargin(0.006);    // n: the decimals of f and two or three more
        static const number abovelog2e(1.45);       // 1.45 > 1 / ln 2: 1.45 ln n >= log2 n
        static const number countresolution(0.01);  // 1.45 * 0.01 < 0.015: ln n close enough
        static const number passesmargin(0.57);     // D + 1 > log2 n + 0.55 passes
        // pi = a^2 / s makes an error in s at most 14 times larger and one in a
        // 7.5 times: the squares and weightings 14 (0.008 + 0.002), the means
        // 7.5 * 0.036, the last square 0.002 / 0.22 and the quotient 0.02, < 0.45.
        static const number squaresshare(0.004);     // o 2^i summed over i <= D: below 0.008 f
        static const number weightingshare(0.002);   // D + 1 weightings at m: 0.002 f in all
        static const number lastsquareshare(0.002);  // a^2 to 0.002 f, divided by s > 0.22
        static const number meansscale(18);          // u = 18 m 0.97^D for each mean and root:
        static const number meansdecay(0.97);        // 0.036 f 0.97^D over the D + 1 passes
        static const number rootproductshare(0.02);  // the product under the root to 0.02 u
        static const number quotientshare(0.02);
        static const number quarter(0.25);
        // Each pass doubles the correct digits: D + 1 passes for about n
        // decimals, 1.45 ln n standing for log2 n.
        number n(-leadpos(APCprod(digitsmargin, f, -1)));
        number D =
            floor(APCsum(APCprod(abovelog2e, lnnewton(n, countresolution), 1), passesmargin, 1));
        // o for the squares of the differences, m for their weighting by
        // 2^i, u for the means and t for the product under the root.
        number o = APCprod(APCprod(squaresshare, f, -1), APCpow(half(), D, -1), -1);
        number m = APCprod(weightingshare, APCquot(f, D + number(1), -1), -1);
        number u = APCprod(meansscale, APCprod(m, APCpow(meansdecay, D, -1), -1), -1);
        number t = APCprod(rootproductshare, u, -1);

        number a(1);
        number b = sqrt(half(), u);
        number s = quarter;
        number p(1);
        for (std::int64_t i = 0, last = getint64(D); i <= last; ++i) {
            number w = a;
            a = prod(half(), a + b, u);
            b = sqrt(prod(b, w, t), u);
            number c = w - a;
            s = s - prod(p, prod(c, c, o), m);
            p = p + p;
        }
        return quot(prod(a, a, APCprod(lastsquareshare, f, -1)), s, APCprod(quotientshare, f, -1));
    });
}

void clearpicache() { thepicache().clear(); }

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
    if (x.iszero())
        return number();
    // 0.1 / 2 + 0.05 + 0.9 = 1: pi/2, the difference and the cosine within f.
    static const number pishare(0.1), differenceshare(0.05), cosineshare(0.9);
    return cos(diff(half() * pi(APCprod(pishare, f, -1)), x, APCprod(differenceshare, f, -1)),
               APCprod(cosineshare, f, -1));
}

// The direct functions work with two digits more than they deliver: a
// reduced angle cut at the last digit shown, and a sine good to that digit,
// would leave the last shown digit up to two units off.
constexpr std::int32_t GUARD = 2;

number sinprec(const number& x, std::int32_t d)
{
    const std::int32_t e = d + GUARD;
    reducedangle r = reduce(x, e, true);
    number s = sin(r.v, powerof10(leadpos(r.v) - e));
    return r.negative ? negate(s) : s;
}

namespace {

// cosprec, and in `sine` the sine of x it takes on the way (of the reduced
// angle at the digits of its last pass, d + 2 at least).
number cosine(const number& x, std::int32_t d, number& sine)
{
    static const number retakebelow(0.1);  // t >= 0.1: its error moves the root under 0.2 of a unit
    static const number four(4);
    if (x.iszero()) {
        sine = number();
        return number(1);
    }
    const std::int32_t e = d + GUARD;
    reducedangle r;
    number t = squaredcosine(x, e, r, sine);
    // t = 1 - s^2 carries the error of the sine and of the reduced angle, up
    // to 4 10^-d, so a small cosine keeps only the digits of t above it. The
    // sine is taken again with as many more digits as t has leading zeros,
    // and two more, so that t keeps d significant digits. A t within its own
    // error gives no count: look 16 digits further, as far as the d-digit
    // sine itself resolves 1 - s^2 through its guard limbs; nothing there
    // either, and the cosine is zero to the digits held (tan of an odd
    // multiple of pi/2 then fails).
    if (t < retakebelow + scaled(four, -e)) {
        std::int32_t D = e;
        if (t < scaled(four, -D)) {
            D = e + 16;
            t = squaredcosine(x, D, r, sine);
            if (t < scaled(four, -D))
                return number();
        }
        std::int32_t more = e - leadpos(t) + 2;
        if (more > D)
            t = squaredcosine(x, more, r, sine);
    }
    if (r.othernegative)
        sine = negate(sine);
    number c = sqrtprec(t, d);
    return r.negative ? negate(c) : c;
}

}  // namespace

number cosprec(const number& x, std::int32_t d)
{
    number sine;
    return cosine(x, d, sine);
}

// The tangent's parts: the cosine at d + 4 digits and the sine its root
// took, at d + 6 digits of the reduced angle at least. The tangent's
// relative error is theirs added: the sine's 1.6 10^-(d+6) from its series
// and 10^-(d+5) from the cut of the angle, the cosine's 1.02 10^-(d+4), and
// the quotient at d + 1 digits a tenth of a unit of the d-th: together 0.12
// of a unit at most. A cosine that vanishes at d + 4 digits is taken again
// at 2d before the argument counts as a pole: a d-digit argument near one
// has a cosine of about 10^-d, whose square 1 - sin^2 only 2d digits resolve.
tangentparts tanparts(const number& x, std::int32_t d)
{
    tangentparts p;
    p.cosine = cosine(x, d + 4, p.sine);
    if (p.cosine.iszero() && d + d > d + 4)
        p.cosine = cosine(x, d + d, p.sine);
    return p;
}

number tanprec(const tangentparts& parts, std::int32_t d)
{
    return quotprec(parts.sine, parts.cosine, d + 1);
}

number tanprec(const number& x, std::int32_t d) { return tanprec(tanparts(x, d), d); }
