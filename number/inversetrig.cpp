#include "number/inversetrig.h"

#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/powers.h"
#include "number/trigonometric.h"

namespace {

}  // namespace

number atan(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("atan:invalid argument (f<=0)");
    static const number k0001(0.001), k158(1.58), half(0.5), k027(0.27), k007(0.07), k02(0.2),
        k04(0.4), k035(0.35), k03(0.3), k33(3.3), k022(0.22), k116(1.16), k25(2.5), km006(-0.06),
        km06(-0.6), k047(0.47), k008(0.08), k01(0.1), two(2), minusfive(-5);
    const number one(1);

    // x is needed to about 0.001 f (1 + x^2): atan' = 1 / (1 + x^2). That
    // holds while the cut is small beside x; above about 1000 / f it would
    // take all of x (and give 0 for pi/2), so it is held to a tenth of x.
    number cut = APCprod(APCprod(k0001, f, -1), APCsum(one, APCprod(x, x, -1), -1), -1);
    number most = APCprod(k01, abs(x), -1);
    number a = truncate(x, cut > most ? most : cut);
    if (x.isnegative())
        a = negate(a);
    // |atan x| <= |x| and |atan x| < 1.58.
    if (!(f < a && f < k158))
        return number();

    // Halvings down to 0.5; each doubles the factor u and the error, so the
    // budget v shrinks fivefold.
    number u(1);
    number v = f;
    while (a > half) {
        number w = APCprod(v, a, -1);
        number r =
            sqrt(one + prod(a, a, APCprod(APCprod(k027, a, -1), w, -1)), APCprod(k007, w, -1));
        a = quot(r - one, a, APCprod(k007, v, -1));
        u = u + u;
        v = APCprod(k02, v, -1);
    }
    v = APCprod(k04, v, -1);

    // About 0.35 sqrt(digits) + 3.3 leadpos(a) - 5 further halvings in the
    // form that does not cancel; their factor 2^o is applied at the end.
    number o = APCsum(APCsum(APCprod(k035, sqrt(number(-leadpos(v)), k03), -1),
                             APCprod(k33, number(leadpos(a)), -1), -1),
                      minusfive, -1);
    o = o < one ? number() : floor(o);
    for (std::int64_t k = getint64(o); k > 0; --k) {
        number w = APCquot(v, a, -1);
        a = quot(a, one + sqrt(one + prod(a, a, APCprod(half, w, -1)), w), APCprod(k02, v, -1));
        v = APCprod(k022, v, -1);
    }

    // m: the number of terms after which a^2m falls below the budget,
    // (ln 10 / 2) leadpos(2.5 v) / ln a, with a coarse logarithm.
    number c = APCprod(k116, number(leadpos(APCprod(k25, v, -1))), -1);
    std::int32_t h = leadpos(a) + 1;
    number g = h == 0 ? APCquot(km006, c, -1)
                      : APCprod(APCquot(km06, c, -1), APCprod(number(h), number(h), -1), -1);
    number m = quot(c, APCsum(lnnewton(a, g), g, 1), half);

    if (m > one) {
        // Gregory series a - a^3/3 + a^5/5 - ...
        number e = APCquot(APCprod(one, v, -1), m, -1);  // per division
        number b = APCprod(half, e, -1);                 // per multiplication
        number l(1);
        number q = a;
        number E = negate(prod(a, a, APCprod(k047, e, -1)));
        for (std::int64_t t = 1, last = getint64(floor(m)); t <= last; ++t) {
            l = l + two;
            q = prod(q, E, b);
            a = a + quot(q, l, e);
        }
    }

    number r = prod(u * logpow(two, o), a, APCprod(k008, f, -1));
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
    static const number half(0.5), ten(10), k014(0.14), k01(0.1), k005(0.05), k07(0.7), k15(1.5);
    if (x == one)
        return half * pi(f + f);

    // 1 - x to about one digit, with resolutions 10^-10, 10^-20, 10^-40, ...
    number W = powerof10(-10);
    number S = diff(one, x, W);
    while (S < APCprod(ten, W, 1)) {
        W = APCprod(W, W, -1);
        S = diff(one, x, W);
    }

    // V = sqrt(1 - x^2): the nearer x is to 1, the smaller V and the finer
    // x^2 must be, by 10^(leadpos(1 - x) / 2).
    number X = APCquot(APCprod(k014, f, -1), x, -1);
    number r = X < k01 ? X : k01;
    number V =
        sqrt(one - prod(x, x, APCprod(f, APCquot(scaled(k01, leadpos(S) / 2), x, -1), -1)), r);
    if (!V.iszero()) {
        // atan' = V^2 here, which forgives the quotient as much; but below
        // V = f/2 that would exceed the quotient itself and leave 0 for
        // pi/2, so it is held to a tenth of the quotient.
        number e = APCquot(APCprod(k005, f, -1), APCprod(V, V, 1), -1);
        number most = APCprod(k01, APCquot(x, V, -1), -1);
        return atan(quot(x, V, e > most ? most : e), APCprod(k07, f, -1));
    }
    // x so close to 1 that the root vanishes at its resolution.
    return half * pi(APCprod(k15, f, -1));
}

number acos(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("acos:invalid argument (f<=0)");
    static const number half(0.5), k09(0.9), k02(0.2);
    number s = asin(x, APCprod(k09, f, -1));
    return half * pi(APCprod(k02, f, -1)) - s;
}

number atanprec(const number& x, std::int32_t d)
{
    std::int32_t k = compareabs(x, number(1)) < 0 ? leadpos(x) - d - 10 : -d - 10;
    return atan(x, powerof10(k));
}

number asinprec(const number& x, std::int32_t d)
{
    if (x.iszero())
        return number();
    static const number half(0.5);
    std::int32_t k = compareabs(x, half) < 0 ? leadpos(x) - d - 8 : -d - 8;
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
