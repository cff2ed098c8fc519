#include "number/inversetrig.h"

#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

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
    static const number furtherfit(0.35);       // about 0.35 sqrt(digits) of them, against terms
    static const number countresolution(0.3);   // 0.35 * 0.3 < 1: the rough root moves o by under 1
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

    // About 0.35 sqrt(digits) + 3.3 leadpos(a) - 5 further halvings in the
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

    // m: the number of terms after which a^2m falls below the budget,
    // (ln 10 / 2) leadpos(2.5 v) / ln a, with a coarse logarithm.
    number c = APCprod(halfln10, number(leadpos(APCprod(termsbudget, v, -1))), -1);
    std::int32_t h = leadpos(a) + 1;
    number g =
        h == 0 ? APCquot(logresolution, c, -1)
               : APCprod(APCquot(smalllogresolution, c, -1), APCprod(number(h), number(h), -1), -1);
    number m = quot(c, APCsum(lnnewton(a, g), g, 1), half());

    if (m > one) {
        // Gregory series a - a^3/3 + a^5/5 - ...
        number e = APCquot(APCprod(one, v, -1), m, -1);  // per division
        number b = APCprod(half(), e, -1);               // per multiplication
        number l(1);
        number q = a;
        number E = negate(prod(a, a, APCprod(seriessquareshare, e, -1)));
        for (std::int64_t t = 1, last = getint64(floor(m)); t <= last; ++t) {
            l = l + two;
            q = prod(q, E, b);
            a = a + quot(q, l, e);
        }
    }

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
