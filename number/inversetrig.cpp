#include "number/inversetrig.h"

#include <cmath>
#include <vector>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

namespace num {

namespace {

// The Gregory series sum over t <= M of (-1)^t a^(2t+1) / (2t + 1), for
// 0 < |a| <= 0.5, to v (the old budget of M divisions at v / M). In blocks
// of k = sqrt(M) terms: with y = a^2, block i holds a y^j / (2t + 1) for
// t = i k + j, each a short division of a power a y^j taken once, and the
// blocks add up by Horner's rule in Y = y^k. About 2 sqrt(M) long products
// instead of M.
//
// Every product and quotient errs by r at most. The powers a y^j then err
// by 2 r (y <= 1/4), Y by 12 r (binary powering, fewer than 12 products
// for k < 64), a block by 3 k r; Horner's steps add r, and 0.89 * 12 r from
// Y on partial sums below 0.89, and shrink what is before by Y <= 1/4^k:
// in all 1.07 (3 k + 11.7) r, below 0.81 v for r = v / (4 k + 16).
number gregory(const number& a, std::int64_t M, const number& v)
{
    std::int64_t k = 2;
    while (k * k < M + 1)
        ++k;
    const number r = APCquot(v, number(4 * k + 16), -1);
    const number y = prod(a, a, r);
    std::vector<number> P{a};  // a y^j
    for (std::int64_t j = 1; j < k; ++j)
        P.push_back(prod(P.back(), y, r));
    number Y(1);  // y^k by squarings
    number square = y;
    for (std::int64_t e = k;; e /= 2) {
        if (e % 2 != 0)
            Y = prod(Y, square, r);
        if (e < 2)
            break;
        square = prod(square, square, r);
    }
    number S;
    for (std::int64_t i = M / k; i >= 0; --i) {
        number block;
        for (std::int64_t j = 0; j < k && i * k + j <= M; ++j) {
            const std::int64_t t = i * k + j;
            const number term =
                t == 0 ? a : quot(P[static_cast<std::size_t>(j)], number(2 * t + 1), r);
            block = t % 2 == 0 ? block + term : block - term;
        }
        S = S.iszero() ? block : block + prod(Y, S, r);
    }
    return S;
}

// Where atan takes Newton's method rather than halvings and the series:
// from NEWTONDIGITS digits on for arguments from 0.1 up, from
// LONGNEWTONDIGITS on from 0.01 up. Smaller arguments need few halvings
// and terms (by measurement, atan 0.001 stays faster by the series at 6000
// digits, atan 0.03 at 40).
constexpr std::int64_t NEWTONDIGITS = 30;
constexpr std::int64_t LONGNEWTONDIGITS = 500;

bool takesnewton(const number& a, const number& f)
{
    const std::int64_t digits = -std::int64_t{leadpos(f)};
    return (digits >= NEWTONDIGITS && leadpos(a) >= -1) ||
           (digits >= LONGNEWTONDIGITS && leadpos(a) >= -2);
}

// atan x for 0 < x <= 1 at resolution r > 0 by Newton's method on the
// sine: from y near atan x, y + z with z = (x cos y - sin y) / (cos y + x
// sin y) = tan(atan x - y), which leaves the error z - atan z < |z|^3 / 3.
// Each step thus triples the digits; the steps run at resolutions 10^e,
// each e the next finer one's third (3 e <= e' + 1), from a double.
//
// In a step at 10^e, y <= pi/4 + 10^-13: the sine s to g = 10^(e - 3) and
// the cosine c = sqrt(1 - s^2) >= 0.7 within 3.2 g (the square, its error
// over 2 c, the root); numerator and denominator within 8 g each with the
// cuts of their products and sums, the denominator c + x s >= 0.7 and |z| <
// 10^-13: z within 12 g = 0.012 10^e, the quotient 0.1 10^e more, and z -
// atan z below 0.1 10^e while the step before left y within 0.3 10^(e / 3).
// In all 0.22 10^e a step.
number atannewton(const number& x, const number& r)
{
    constexpr std::int32_t DOUBLEEXPONENT = -13;  // std::atan of a double: within 0.3 10^-13
    constexpr std::int32_t FIRSTSTEP = 3 * DOUBLEEXPONENT - 1;
    constexpr std::int32_t SINEGUARD = 3;  // g = 10^(e - 3)
    constexpr std::int32_t QUOTIENTGUARD = 1;
    std::vector<std::int32_t> steps{leadpos(r)};  // 0.22 10^leadpos(r) < r
    while (steps.back() < FIRSTSTEP)
        steps.push_back(steps.back() >= 0 ? steps.back() / 3 : -((2 - steps.back()) / 3));
    number y(std::atan(getdouble(x)));
    for (auto e = steps.rbegin(); e != steps.rend(); ++e) {
        const number g = powerof10(*e - SINEGUARD);
        const number s = sin(y, g);
        const number c = sqrt(one() - prod(s, s, g), g);
        const number numerator = diff(prod(x, c, g), s, g);
        const number denominator = sum(c, prod(x, s, g), g);
        y = y + quot(numerator, denominator, powerof10(*e - QUOTIENTGUARD));
    }
    return y;
}

}  // namespace

number atan(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("atan:invalid argument (f<=0)");
    static const number cutshare(0.001);    // x to 0.001 f (1 + x^2): 0.001 f on atan x
    static const number abovehalfpi(1.58);  // 1.58 > pi/2 > |atan x|
    // A halving puts 0.27 / 2 + 0.07 + 0.07 < 0.3 of v on a: the square and
    // the root in (r - 1) / a, and the quotient.
    static const number squareshare(0.27);
    static const number rootshare(0.07);
    static const number quotientshare(0.07);
    static const number halvingshrink(0.2);     // 2 * 0.2 < 1: u v shrinks with every halving
    static const number furthershare(0.4);      // 0.4 v for the further halvings and the series
    static const number furtherfit(0.4);        // about 0.4 sqrt(digits) of them, against terms
    static const number countresolution(0.3);   // 0.4 * 0.3 < 1: the rough root moves o by under 1
    static const number halvingsperdigit(3.3);  // a leading zero of a counts for 3.3 < log2 10
    static const number furtherquotientshare(0.2);  // a further halving's quotient to 0.2 v
    static const number furthershrink(0.22);        // 2 * 0.22 < 1: 2^o v shrinks with every one
    static const number halfln10(1.16);             // 1.16 > ln 10 / 2: m errs towards more terms
    static const number termsbudget(2.5);           // terms until a^2m falls below about 2.5 v
    // ln a to g and then raised by g: m rises by 0.12 / ln^2 a < 1/4 at most
    // for a >= 0.1, by 1.2 h^2 / ln^2 a < 1/4 below, where |ln a| > 2.3 |h|.
    static const number logresolution(-0.06);
    static const number smalllogresolution(-0.6);
    static const number seriessquareshare(0.47);  // a <= 0.5: under 0.12 e on the sum
    static const number productshare(0.08);       // u 2^o atan a to 0.08 f
    static const number cutcap(0.1);              // the cut at most a tenth of x
    static const number two(2), minusfive(-5);
    const number one(1);
    // atan +-1 = +-pi/4: pi to f, a quarter of it exactly, within f / 4.
    if (compareabs(x, one) == 0) {
        const number q = pi(f) * half() * half();
        return x.isnegative() ? negate(q) : q;
    }

    // x is needed to about 0.001 f (1 + x^2): atan' = 1 / (1 + x^2). That
    // holds while the cut is small beside x; above about 1000 / f it would
    // take all of x (and give 0 for pi/2), so it is held to a tenth of x.
    number cut = APCprod(APCprod(cutshare, f, -1), APCsum(one, APCprod(x, x, -1), -1), -1);
    number most = APCprod(cutcap, abs(x), -1);
    number a = truncate(x, cut > most ? most : cut);
    if (x.isnegative())
        a = negate(a);
    // |atan x| <= |x| and |atan x| < 1.58.
    if (!(f < a && f < abovehalfpi))
        return number();

    // Long results by Newton's method on the sine, which costs about one and
    // a half sines: atan |a| to 0.5 f, or pi/2 - atan(1 / |a|) above 1 with
    // pi/2 and 1 / |a| to 0.1 f each (a tiny 1 / |a| takes the series).
    if (takesnewton(a, f)) {
        static const number newtonshare(0.5), reciprocalshare(0.1), pishare(0.2);
        const number b = abs(a);
        number r;
        if (compare(b, one) <= 0) {
            r = atannewton(b, APCprod(newtonshare, f, -1));
        } else {
            const number g = APCprod(reciprocalshare, f, -1);
            r = half() * pi(APCprod(pishare, f, -1)) -
                atan(quot(one, b, g), APCprod(newtonshare, f, -1));
        }
        return x.isnegative() ? negate(r) : r;
    }

    // Halvings down to 0.5; each doubles the factor u and the error, so the
    // budget v shrinks fivefold.
    number u(1);
    number v = f;
    while (a > half()) {
        number w = APCprod(v, a, -1);
        number r = sqrt(one + prod(a, a, APCprod(APCprod(squareshare, a, -1), w, -1)),
                        APCprod(rootshare, w, -1));
        a = quot(r - one, a, APCprod(quotientshare, v, -1));
        u = u + u;
        v = APCprod(halvingshrink, v, -1);
    }
    v = APCprod(furthershare, v, -1);

    // About 0.4 sqrt(digits) + 3.3 leadpos(a) - 5 further halvings in the
    // form that does not cancel; their factor 2^o is applied at the end.
    number o = APCsum(APCsum(APCprod(furtherfit, sqrt(number(-leadpos(v)), countresolution), -1),
                             APCprod(halvingsperdigit, number(leadpos(a)), -1), -1),
                      minusfive, -1);
    o = o < one ? number() : floor(o);
    for (std::int64_t k = getint64(o); k > 0; --k) {
        number w = APCquot(v, a, -1);
        a = quot(a, one + sqrt(one + prod(a, a, APCprod(half(), w, -1)), w),
                 APCprod(furtherquotientshare, v, -1));
        v = APCprod(furthershrink, v, -1);
    }

    // A tiny a is its own arc tangent: with 3 (leadpos(a) + 1) < leadpos(v),
    // a^3 / 3 < v / 30, below the series' own error, and the coarse
    // logarithm below could not resolve ln a.
    if (3 * (std::int64_t{leadpos(a)} + 1) < leadpos(v)) {
        const number r = prod(u * logpow(two, o), a, APCprod(productshare, f, -1));
        return x.isnegative() ? negate(r) : r;
    }

    // m: the number of terms after which a^2m falls below the budget,
    // (ln 10 / 2) leadpos(2.5 v) / ln a, with a coarse logarithm.
    number c = APCprod(halfln10, number(leadpos(APCprod(termsbudget, v, -1))), -1);
    std::int32_t h = leadpos(a) + 1;
    number g =
        h == 0 ? APCquot(logresolution, c, -1)
               : APCprod(APCquot(smalllogresolution, c, -1), APCprod(number(h), number(h), -1), -1);
    number m = quot(c, APCsum(lnnewton(a, g), g, 1), half());

    if (m > one)
        a = gregory(a, getint64(floor(m)), v);

    number r = prod(u * logpow(two, o), a, APCprod(productshare, f, -1));
    return x.isnegative() ? negate(r) : r;
}

number asin(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("asin:invalid argument (f<=0)");
    if (x.iszero())
        return number();
    const number one(1);
    if (x.isnegative()) {
        if (x < negate(one))
            throw numberexception("asin:invalid argument (x<-1)");
        return negate(asin(negate(x), f));
    }
    if (x > one)
        throw numberexception("asin:invalid argument (x>1)");
    static const number ten(10);
    // 0.14 + 0.05 + 0.05 + 0.7 < 1: the root, the square, the quotient and
    // the arc tangent within f, as atan' = V^2 at x / V. The square's 0.05 f
    // holds while V >= 10^(leadpos(1 - x) / 2), and a root off by d moves the
    // result by x d.
    static const number rootshare(0.14);      // V to 0.14 f / x: 0.14 f on the result
    static const number rootcap(0.1);         // V never coarser than 0.1
    static const number squareshare(0.1);     // x^2 to 0.1 f 10^(leadpos(1 - x) / 2) / x
    static const number quotientshare(0.05);  // x / V to 0.05 f / V^2
    static const number quotientcap(0.1);     // the quotient's resolution at most a tenth of it
    static const number atanshare(0.7);
    static const number pishare(1.5);  // pi/2 to 0.75 f; the vanished root, below 0.14 f, the rest
    if (x == one)
        return half() * pi(f + f);
    // asin 1/2 = pi/6: pi to f / 2 and the quotient to f / 2, within 7 f / 12.
    if (x == half()) {
        const number h = half() * f;
        return quot(pi(h), number(6), h);
    }

    // 1 - x to about one digit, with resolutions 10^-10, 10^-20, 10^-40, ...
    number W = powerof10(-10);
    number S = diff(one, x, W);
    while (S < APCprod(ten, W, 1)) {
        W = APCprod(W, W, -1);
        S = diff(one, x, W);
    }

    // V = sqrt(1 - x^2): the nearer x is to 1, the smaller V and the finer
    // x^2 must be, by 10^(leadpos(1 - x) / 2).
    number X = APCquot(APCprod(rootshare, f, -1), x, -1);
    number r = X < rootcap ? X : rootcap;
    number V = sqrt(
        one - prod(x, x, APCprod(f, APCquot(scaled(squareshare, leadpos(S) / 2), x, -1), -1)), r);
    if (!V.iszero()) {
        // atan' = V^2 here, which forgives the quotient as much; but below
        // V = f/2 that would exceed the quotient itself and leave 0 for
        // pi/2, so it is held to a tenth of the quotient.
        number e = APCquot(APCprod(quotientshare, f, -1), APCprod(V, V, 1), -1);
        number most = APCprod(quotientcap, APCquot(x, V, -1), -1);
        return atan(quot(x, V, e > most ? most : e), APCprod(atanshare, f, -1));
    }
    // x so close to 1 that the root vanishes at its resolution.
    return half() * pi(APCprod(pishare, f, -1));
}

number acos(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("acos:invalid argument (f<=0)");
    // The multiples of pi exactly: acos 1 = 0, acos -1 = pi, acos 0 = pi/2,
    // acos 1/2 = pi/3 and acos -1/2 = 2 pi/3, each from pi to f / 2 and a
    // quotient to f / 2, within 5 f / 6 (f / 2 for pi/2).
    const number h = half() * f;
    if (x == one())
        return number();
    if (x == negate(one()))
        return pi(f);
    if (x.iszero())
        return half() * pi(f);
    if (compareabs(x, half()) == 0)
        return quot(x.isnegative() ? pi(h) * number(2) : pi(h), number(3), h);
    // 0.9 + 0.2 / 2 = 1: the arc sine and pi/2 within f.
    static const number asinshare(0.9), pishare(0.2);
    number s = asin(x, APCprod(asinshare, f, -1));
    return half() * pi(APCprod(pishare, f, -1)) - s;
}

number atanprec(const number& x, std::int32_t d)
{
    const number one(1);
    if (compareabs(x, one) <= 0) {
        std::int32_t k = compareabs(x, one) < 0 ? leadpos(x) - d - 10 : -d - 10;
        return atan(x, powerof10(k));
    }
    // atan x = pi/2 - atan(1/x) for x > 1, -pi/2 - atan(1/x) for x < -1,
    // at 10^-(d + 10) for a result above pi/4: 1/x to a tenth of it, the arc
    // tangent to 0.4 and pi/2 to 0.5. 1/x keeps the halvings few, and no
    // 1 + x^2 of a large x is ever formed.
    static const number quotientshare(0.1), atanshare(0.4);
    const number f = powerof10(-d - 10);
    const number t = atan(quot(one, x, APCprod(quotientshare, f, -1)), APCprod(atanshare, f, -1));
    const number h = half() * pi(f);
    return x.isnegative() ? negate(h) - t : h - t;
}

number asinprec(const number& x, std::int32_t d)
{
    if (x.iszero())
        return number();
    std::int32_t k = compareabs(x, half()) < 0 ? leadpos(x) - d - 8 : -d - 8;
    return asin(x, powerof10(k));
}

number acosprec(const number& x, std::int32_t d)
{
    const number one(1);
    if (x == one)
        return number();
    // Near 1 the arc cosine is about sqrt(2 (1 - x)).
    return acos(x, powerof10(leadpos(one - x) / 2 - d - 8));
}

}  // namespace num
