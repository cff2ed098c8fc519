#include "number/trigonometric.h"

#include <algorithm>
#include <cstdlib>

#include "constants.h"
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
        const std::int64_t low = x.iszero() ? 0 : std::abs(std::int64_t{x.lowexpo()});
        places = lead + BASE_DIGITS * low;
    }
    // Beyond the int32 range the power of ten fails to form anyway.
    const std::int64_t k = std::clamp<std::int64_t>(-places - d - 8, INT32_MIN, INT32_MAX);
    return powerof10(static_cast<std::int32_t>(k));
}

namespace {

// pi to 1.1 10^-11 to start with.
cachedconstant& thepicache()
{
    static cachedconstant cache(number(3.1415926536), scaled(number(11), -12));
    return cache;
}

// The argument of sinprec and cosprec reduced to [0, pi/2], and the sign the
// result takes.
struct reducedangle {
    number v;
    bool negative;
};

// Reduction modulo 2 pi with a pi good to d + 8 digits plus the digits of x,
// then by the symmetries of the sine (sine true) or the cosine; the reduced
// angle keeps d decimals, or d significant digits when it is below 1.
reducedangle reduce(const number& x, std::int32_t d, bool sine)
{
    static const number half(0.5);
    number v = abs(x);
    bool negative = sine && x.isnegative();

    number P = pi(reductionresolution(v, d));
    number H = half * P;
    number T = P + P;

    v = v % T;
    if (v > P) {
        v = T - v;
        if (sine)
            negative = !negative;
    }
    if (v > H) {
        v = P - v;
        if (!sine)
            negative = !negative;
    }
    // Significant digits of the reduced angle, not of x: near a multiple of
    // pi, d decimals would leave a small sine with only a few right digits.
    v = truncdigits(v, d - std::min(leadpos(v), 0));
    return {v, negative};
}

// 1 - sin^2 of the reduced angle at d digits, and the reduction.
number squaredcosine(const number& x, std::int32_t d, reducedangle& r)
{
    r = reduce(x, d, false);
    number s = sin(r.v, powerof10(leadpos(r.v) - d));
    return diffprec(number(1), s * s, d);
}

}  // namespace

number pi(const number& f)
{
    return thepicache().at(f, [](const number& f) {
        static const number k0006(0.006), k145(1.45), k001(0.01), k057(0.57), k0004(0.004),
            half(0.5), k0002(0.002), k18(18), k097(0.97), k002(0.02), quarter(0.25);
        // Each pass doubles the correct digits: D + 1 passes for about n
        // decimals, 1.45 ln n standing for log2 n.
        number n(-leadpos(APCprod(k0006, f, -1)));
        number D = floor(APCsum(APCprod(k145, lnnewton(n, k001), 1), k057, 1));
        // o for the squares of the differences, m for their weighting by
        // 2^i, u for the means and t for the product under the root.
        number o = APCprod(APCprod(k0004, f, -1), APCpow(half, D, -1), -1);
        number m = APCprod(k0002, APCquot(f, D + number(1), -1), -1);
        number u = APCprod(k18, APCprod(m, APCpow(k097, D, -1), -1), -1);
        number t = APCprod(k002, u, -1);

        number a(1);
        number b = sqrt(half, u);
        number s = quarter;
        number p(1);
        for (std::int64_t i = 0, last = getint64(D); i <= last; ++i) {
            number w = a;
            a = prod(half, a + b, u);
            b = sqrt(prod(b, w, t), u);
            number c = w - a;
            s = s - prod(p, prod(c, c, o), m);
            p = p + p;
        }
        return quot(prod(a, a, APCprod(k0002, f, -1)), s, APCprod(k002, f, -1));
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
    static const number k01(0.1), half(0.5), k002(0.02), k0007(0.007), k008(0.08), k08(0.8),
        k03(0.3), k34(3.4), k004(0.04), k02(0.2), k272(2.72), quarter(0.25), k001(0.01), k005(0.05),
        k036(0.36), two(2), four(4), five(5);

    // b: x less the nearest whole number of turns; its error is 0.07 f.
    number b;
    number a = abs(x);
    if (a > four) {
        number P = two * pi(APCquot(APCprod(k01, f, -1), a, -1));
        number k = floor(quot(x, P, k01) + half);
        b = diff(x, prod(P, k, k002 * f), k0007 * f);
    } else {
        b = truncate(x, k008 * f);
    }

    // u halvings, about 0.8 sqrt(digits) + 3.4 leadpos(b) + 5, keep the
    // series short.
    number u = APCsum(APCsum(APCprod(k08, sqrt(number(-leadpos(f)), k03), 1),
                             APCprod(k34, number(leadpos(b)), 1), 1),
                      five, 1);
    u = u < one ? number() : floor(u);
    number w = logpow(half, u);
    b = abs(prod(b, w, k004 * w * f));

    // Each doubling multiplies an error by at most 4, so the reduced cosine
    // gets 5 * 0.2^u f.
    number V = APCprod(APCprod(five, APCpow(k02, u, -1), -1), f, -1);

    // Number of terms: after j doublings n = 2^j and T bounds
    // (2.72 b / 2n)^2n, which stands for b^2n / (2n)!.
    number h = APCprod(b, k272, 1);
    number T = APCprod(APCprod(quarter, h, 1), h, 1);
    number l = quarter;
    number n(1);
    while (V < T) {
        n = n + n;
        l = APCprod(l, l, 1);
        T = APCprod(APCprod(T, T, 1), l, 1);
    }

    number E = negate(prod(b, b, APCprod(k001, V, -1)));
    number e = APCquot(APCprod(k005, V, -1), n, -1);  // per division
    number q0 = APCprod(k036, V, -1);                 // stopping threshold
    number c = APCprod(k002, V, -1);                  // per multiplication
    number g(1);
    number q(1);
    for (std::int64_t i = 1; compareabs(q, q0) > 0; i += 2) {
        q = quot(prod(q, E, c), number(i * (i + 1)), e);
        g = g + q;
    }

    V = APCprod(k005, V, -1);
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
    static const number half(0.5), k01(0.1), k005(0.05), k09(0.9);
    return cos(diff(half * pi(APCprod(k01, f, -1)), x, APCprod(k005, f, -1)), APCprod(k09, f, -1));
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

number cosprec(const number& x, std::int32_t d)
{
    static const number k01(0.1), four(4);
    const std::int32_t e = d + GUARD;
    reducedangle r;
    number t = squaredcosine(x, e, r);
    // t = 1 - s^2 carries the error of the sine and of the reduced angle, up
    // to 4 10^-d, so a small cosine keeps only the digits of t above it. The
    // sine is taken again with as many more digits as t has leading zeros,
    // and two more, so that t keeps d significant digits. A t within its own
    // error gives no count: look 16 digits further, as far as the d-digit
    // sine itself resolves 1 - s^2 through its guard limbs; nothing there
    // either, and the cosine is zero to the digits held (tan of an odd
    // multiple of pi/2 then fails).
    if (t < k01 + scaled(four, -e)) {
        std::int32_t D = e;
        if (t < scaled(four, -D)) {
            D = e + 16;
            t = squaredcosine(x, D, r);
            if (t < scaled(four, -D))
                return number();
        }
        std::int32_t more = e - leadpos(t) + 2;
        if (more > D)
            t = squaredcosine(x, more, r);
    }
    number c = sqrtprec(t, d);
    return r.negative ? negate(c) : c;
}

number tanprec(const number& x, std::int32_t d)
{
    // The sine's error passes into the tangent whole: two more digits of it
    // keep the tangent's last digits, which the sine at d decimals did not.
    return quotprec(sinprec(x, d + 2), cosprec(x, d + d), d);
}
