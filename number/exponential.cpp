#include "number/exponential.h"

#include <algorithm>
#include <vector>

#include "constants.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"
#include "number/powers.h"

namespace {

// ln 10 to 6 10^-12 to start with; a computed value is good to 1.02 f, the
// error of its last Newton step.
cachedconstant& theln10cache()
{
    static cachedconstant cache(number(2.302585093), scaled(number(6), -12), number(1.02));
    return cache;
}

// The checks both logarithms make of their argument and resolution; true
// when x is 1, whose logarithm is 0.
bool lnofone(const number& x, const number& f)
{
    if (x.iszero() || x.isnegative())
        throw numberexception("ln:invalid argument (x<=0)");
    if (!ispositive(f))
        throw numberexception("ln:invalid argument (f<=0)");
    return x == number(1);
}

}  // namespace

number exp(const number& x, const number& f)
{
    if (!ispositive(f))
        throw numberexception("exp:invalid argument (f<=0)");
    static const number belowe(2.71828182845235), k04(0.4), k03(0.3);
    static const number belowinverse("0.367879");  // just below 1/e
    static const number k34(3.4), k11(1.1), k02(0.2), k272(2.72), half(0.5), k076(0.76);

    if (x.isnegative()) {
        // e^x = 1 / e^-x; J <= e^n bounds how much the reciprocal magnifies
        // the error of e^-x.
        number n = number(-1) - floor(x);
        number J = APCpow(belowe, n, -1);
        number R = APCprod(f, J, -1);
        if (R >= number(1))
            return number();  // e^x < f: zero is within the resolution
        number y = exp(negate(x), APCprod(APCprod(k04, R, -1), J, -1));
        return quot(number(1), y, k03 * f);
    }

    // R: the budget relative to e^m, an upper bound of the result.
    number m = floor(x) + number(1);
    number R = APCprod(f, APCpow(belowinverse, m, -1), -1);
    if (R >= number(1))
        return R;

    // O halvings of x (more for more digits, so the series stays short); the
    // last N - 1 of the squarings that undo them work relative to the value.
    number N = APCprod(k34, number(leadpos(x)), 1) + number(2);
    number O = APCprod(k11, sqrt(number(-leadpos(R)), k02), 1) + N + number(3);
    O = O < number(1) ? number() : floor(O);
    if (N < number(1))
        N = number(1);
    else if (N > O)
        N = O + number(1);
    else
        N = floor(N);

    number Q = logpow(half, O);  // 2^-O, exact
    R = APCprod(APCprod(k02, Q, -1), R, -1);
    number D = prod(x, Q, k03 * R);

    // Number of terms: after j doublings M = 2^j and S bounds (2.72 D / M)^M,
    // which stands for D^M / M!.
    number S = APCprod(D, k272, 1);
    number K = half;
    number M(1);
    while (R < S) {
        M = M + M;
        K = APCprod(K, K, 1);
        S = APCprod(APCprod(S, S, 1), K, 1);
    }
    number G = APCquot(APCprod(k02, R, -1), M, -1);  // per division
    number F = APCprod(k076, R, -1);                 // stopping threshold
    number E = APCprod(k04, G, -1);                  // per multiplication

    number I(1);
    number H(1);
    std::int32_t k = 0;
    while (H > F) {
        ++k;
        H = quot(prod(H, D, E), number(k), G);
        I = I + H;
    }

    R = APCprod(number(1), R, -1);
    std::int32_t n = static_cast<std::int32_t>(getint64(N));
    std::int32_t o = static_cast<std::int32_t>(getint64(O));
    for (std::int32_t p = n; p <= o; ++p)
        I = prod(I, I, R);
    for (std::int32_t p = 2; p <= n; ++p)
        I = prod(I, I, APCprod(APCprod(I, I, 0), R, 0));
    return I;
}

number ln(const number& x, const number& f)
{
    if (lnofone(x, f))
        return number();
    static const number k006(0.06), k001(0.01), k009(0.09), k15(1.5), half(0.5), k03(0.3);
    static const number k104(10.4), k16(1.6), k086(0.86), k02(0.2), k33(3.3), k029(0.29);
    static const number k01(0.1), k52(5.2), km34(-3.4), k22(2.2), k04(0.4), k003(0.03), k008(0.08);

    // H >= 1: the reciprocal of a small x, or x cut to what the budget needs.
    bool below = x < number(1);
    number H = below ? quot(number(1), x, APCquot(APCprod(k006, f, 1), x, 1))
                     : truncate(x, APCprod(APCprod(k001, f, 1), x, 1));

    number U = APCprod(k009, f, -1);  // what is left of the budget
    number S(1);                      // 2^k for the k square roots taken
    while (H > k15 && U > half) {
        H = sqrt(H, scaled(half, leadpos(H) / 2));
        U = APCprod(k03, U, -1);
        S = S + S;
    }
    while (H > k15) {
        H = sqrt(H, scaled(U, leadpos(H) / 2));
        U = APCprod(k03, U, -1);
        S = S + S;
    }

    number M = H - number(1);
    if (!(M > APCprod(k104, U, 1)))
        throw numberexception("cond. 1");
    U = APCprod(k16, U, -1);

    // Extra square roots shorten the series: about 0.86 sqrt(digits) +
    // 3.3 leadpos(M) - 5 of them.
    number Q = APCsum(APCsum(APCprod(k086, sqrt(number(-leadpos(U)), k02), -1),
                             APCprod(k33, number(leadpos(M)), -1), -1),
                      number(-5), -1);
    Q = Q < number(1) ? number() : floor(Q);
    for (std::int64_t q = getint64(Q); q > 0; --q) {
        H = sqrt(H, U);
        U = APCprod(k029, U, -1);
    }
    M = H - number(1);

    // Series ln(1 + m) = m - m^2/2 + m^3/3 - ..., its length estimated first.
    number P = M < k01 ? quot(number(leadpos(APCprod(k52, U, -1))), number(leadpos(M) + 1), k02)
                       : APCprod(km34, number(leadpos(APCprod(k52, U, -1))), 1);
    if (P > number(1)) {
        number K = APCquot(APCprod(k22, U, -1), P, -1);  // per division
        number I = APCprod(k04, K, -1);                  // per multiplication
        number J = APCprod(number(7), U, -1);            // last term needed
        number L = M;
        number G = negate(M);
        std::int32_t k = 1;
        while (compareabs(L, J) > 0) {
            ++k;
            L = prod(L, G, I);
            M = M + quot(L, number(k), K);
        }
    }

    number T = S * logpow(number(2), Q);
    if (below)
        return negate(prod(T, M, k003 * f));
    return prod(T, M, k008 * f);
}

number lnguess(const number& y)
{
    static const number a(-0.02819182), b(0.529735), c(0.32196);
    return APCprod(APCprod(a, y, 0) + b, y, 0) - c;
}

number lnnewton(const number& x, const number& f)
{
    if (lnofone(x, f))
        return number();
    static const number k09(0.9), k0004(0.004), k02(0.2), k0007(0.007), k004(0.04), k01(0.1),
        k001(0.01), k015(0.15);

    number P = APCprod(k09, f, -1);
    // y = x / 10^k with 1 <= y < 10; ln x = ln y + k ln 10.
    number y = truncate(x, APCprod(APCprod(k0004, f, -1), x, -1));
    std::int32_t k = leadpos(y);
    multpow10(y, -k);

    number L = lnguess(y);
    number K = APCprod(k02, y, -1);
    number J = APCprod(k0007, y, -1);
    std::vector<std::int32_t> steps = ladder(leadpos(P), -1);
    for (auto g = steps.rbegin(); g != steps.rend(); ++g) {
        number I = exp(L, scaled(K, *g));
        L = L + quot(diff(y, I, scaled(J, *g)), I, scaled(k004, *g));
    }
    number I = P < k01 ? exp(L, APCprod(K, P, -1)) : exp(L, APCprod(k01, K, -1));
    if (k != 0) {
        number t = prod(number(k), ln10(APCquot(APCprod(k01, f, -1), number(k < 0 ? -k : k), -1)),
                        APCprod(k001, f, -1));
        return L + quot(diff(y, I, APCprod(J, P, -1)), I, APCprod(k004, P, -1)) + t;
    }
    return L + quot(diff(y, I, APCprod(J, P, -1)), I, APCprod(k015, P, -1));
}

number ln10(const number& f)
{
    return theln10cache().at(f, [](const number& f) {
        static const number start(2.302585093), k052(0.52), k07(0.7), k0027(0.027), k036(0.36),
            k0014(0.014);
        // Newton on e^L = 10, doubling the precision at each step.
        number o = start;
        const number ten(10);
        std::vector<std::int32_t> steps = ladder(leadpos(APCprod(k052, f, -1)), -23);
        for (auto g = steps.rbegin(); g != steps.rend(); ++g) {
            number l = exp(o, scaled(k07, *g));
            o = o + quot(ten - l, l, scaled(k0027, *g));
        }
        number l = exp(o, APCprod(k036, f, -1));
        return o + quot(ten - l, l, APCprod(k0014, f, -1));
    });
}

void clearln10cache() { theln10cache().clear(); }

number expprec(const number& x, std::int32_t d)
{
    static const number up(0.434295), down(0.434294);  // around log10(e)
    // L is not above log10(e^x); only its integer part is needed.
    number L = x.isnegative() ? negate(APCprod(abs(x), up, 1)) : APCprod(x, down, -1);
    std::int64_t whole = 0;
    if (L.expo() >= 0) {  // |L| >= 1; below that the integer part is 0
        double l = getdouble(L);
        if (l > 2147483647.0 || !(l >= -2147483648.0))
            throw numberexception("exp:argument too big");
        whole = static_cast<std::int64_t>(l);
    }
    // Beyond the int32 range the power of ten fails to form anyway.
    std::int64_t k = std::clamp<std::int64_t>(whole - d - 1, INT32_MIN, INT32_MAX);
    return exp(x, powerof10(static_cast<std::int32_t>(k)));
}

number lnprec(const number& x, std::int32_t d)
{
    const number one(1);
    number f;
    if (x > number(2)) {
        f = scaled(number(leadpos(x) + 1), -d);
    } else if (x > one) {
        f = powerof10(leadpos(x - one) - d);
    } else if (x > number(0.5)) {
        f = powerof10(leadpos(one - x) - d);
    } else {
        f = scaled(number(-leadpos(x)), -d);
    }
    return ln(x, f);
}

number logprec(const number& b, const number& x, std::int32_t d)
{
    std::int32_t more = d + 8;
    return quotprec(lnprec(x, more), lnprec(b, more), more);
}

number powprec(const number& x, const number& y, std::int32_t d)
{
    if (y.iszero())
        return number(1);
    if (x.iszero())
        return number();
    std::int32_t more = d + 8;
    return expprec(prodprec(y, lnprec(x, more), more), more);
}
