#include "number/gamma.h"

#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"

namespace {

// Whether s q (q - 1) at d digits keeps every digit of both products, so
// that one exact product by the single limb q (q - 1) gives what the two
// steps give. The second product's resolution is taken for the largest
// s q can be, and s q has no limb below s's lowest.
bool exactpair(const number& s, const number& q, std::int64_t v, std::int32_t d)
{
    const std::int32_t ls = leadpos(s);
    const std::int32_t lq = leadpos(q);
    if (powerof10expo(ls + lq - d - 2) - 1 > s.lowexpo())
        return false;
    const std::int32_t lq1 = digitcount(static_cast<std::uint32_t>(v - 1)) - 1;
    return powerof10expo(ls + lq + 1 + lq1 - d - 2) - 1 <= s.lowexpo();
}

}  // namespace

number factorial(const number& x, std::int32_t d)
{
    if (!isinteger(x))
        return gamma(x + number(1), d);
    if (x.isnegative())
        throw calculatorexception("Invalid input for function");
    number s(1);
    number q = x;
    while (!q.iszero()) {
        // Two factors at a time while nothing is cut, else one.
        if (q.expo() == 0 && q.head()->value >= 2 && q.head()->value <= 10000) {
            const std::int64_t v = q.head()->value;
            if (exactpair(s, q, v, d)) {
                prodinplace(s, number(v * (v - 1)));
                q = number(v - 2);
                continue;
            }
        }
        prodprecinplace(s, q, d);
        decrement(q);
    }
    return s;
}

number gamma(const number& x, std::int32_t d)
{
    const number one(1);
    if (isinteger(x)) {
        if (x < one)
            throw numberexception("gamma not defined for integers < 1");
        number p(1);
        for (number k(1); k < x; increment(k))
            prodprecinplace(p, k, d);
        return p;
    }
    if (x > one) {
        number y = frac(x) + one;  // 1 < y < 2
        number p = gammaseries(y, d);
        for (; y < x; increment(y))
            prodprecinplace(p, y, d);
        return p;
    }
    // Below 1: from the series at x's fraction in (0, 1) down to x, dividing
    // by each of the values passed.
    number y = x - floor(x);
    number p = gammaseries(y, d);
    for (y = y - one; y >= x; decrement(y))
        p = quotprec(p, y, d);
    return p;
}

number gammaseries(const number& x, std::int32_t d)
{
    number h = powerof10(-d - 8);  // for the whole series
    const number N(gammacutoff(h));

    // a = N^i and m = (-1)^i i!, exact; the terms grow until i is about N and
    // fall below h at about 3.5 N.
    number a(1);
    number m(1);
    number o;
    for (std::int32_t i = 0;; ++i) {
        if (i > 0) {
            prodinplace(a, N);
            prodinplace(m, number(-i));  // (-m) i, without copying m to negate it
        }
        number term = quot(quot(a, m, h), x + number(i), h);
        number before = o;
        o = sum(o, term, h);
        if (compare(o, before) == 0)
            break;
    }
    return o * powprec(N, x, d);
}

std::int32_t gammacutoff(const number& u)
{
    static const number stopresidual(0.001);  // |r| <= 0.001 u: w well within the 1 N rounds up by
    const number one(1);
    // Start at ln(1/u) + ln ln(1/u); Newton on (w + 1) e^-w - u, whose
    // derivative is -w e^-w.
    number L = lnprec(u, 8);
    number w = negate(L) + lnprec(negate(L), 8);
    for (;;) {
        number b = expprec(negate(w), 8);
        number r = (w + one) * b - u;
        w = w - quotprec(r, negate(w) * b, 8);
        if (compareabs(quotprec(r, u, 8), stopresidual) <= 0)
            break;
    }
    return static_cast<std::int32_t>(getint64(w) + 1);
}

number todms(const number& x, std::int32_t d)
{
    static const number hundredth(0.01), thirtysix(36);
    const number sixty(60), hundred(100), ten(10);
    number a = abs(x);
    number D = floor(a);
    number f = (a - D) * hundred;
    number c = floor(f);  // the first two decimal places
    f = f - c;

    number b = c * hundredth * sixty;
    number M = floor(b);
    number S = (b - M) * sixty;
    // A unit in the third decimal place of a degree is 3.6 seconds; each
    // further place a tenth of the one before.
    for (std::int32_t j = 1; !f.iszero(); ++j) {
        f = f * ten;
        c = floor(f);
        f = f - c;
        S = S + scaled(c, -j) * thirtysix;
    }

    S = rounddigits(S, d - 4);
    if (S >= sixty) {
        increment(M);
        S = S - sixty;
    }
    if (M >= sixty) {
        increment(D);
        M = M - sixty;
    }
    number r = D + scaled(M, -2) + scaled(S, -4);
    return x.isnegative() ? negate(r) : r;
}

number fromdms(const number& x, std::int32_t d)
{
    static const number sixty(60), thirtysix(36);
    const number hundred(100);
    number e = powerof10(-d);
    number a = abs(x);
    number D = floor(a);
    number f = (a - D) * hundred;
    number M = floor(f);  // minutes, two digits
    f = f - M;

    number s = D + quot(M, sixty, e);
    // Then pairs of digits: whole seconds, hundredths, ten-thousandths, ...
    for (std::int32_t j = 1; !f.iszero(); ++j) {
        f = f * hundred;
        number c = floor(f);
        f = f - c;
        s = s + quot(scaled(c, -2 * j), thirtysix, e);
    }
    s = rounddigits(s, d);
    return x.isnegative() ? negate(s) : s;
}
