#include "series.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "number/addition.h"
#include "number/conversion.h"
#include "number/multiplication.h"

namespace num {

namespace {

// The three series, each t_n = t_(n-1) p / q(n) from t_0 = 1: e^x with p = x
// and q(n) = n; sin x / x and cos x with p = -x^2 and q(n) = 2n (2n + 1) and
// (2n - 1) 2n.
enum class series { exponential, sine, cosine };

std::int64_t denominator(series s, std::int64_t n)
{
    switch (s) {
    case series::exponential: return n;
    case series::sine: return 2 * n * (2 * n + 1);
    default: return (2 * n - 1) * 2 * n;
    }
}

// Terms a to b - 1 of a series as exact numbers: P = p^(b-a), Q = q(a) ...
// q(b-1) and T = Q (t_a + ... + t_(b-1)) / t_(a-1). Two halves join as P =
// P1 P2, Q = Q1 Q2, T = T1 Q2 + P1 T2, so the terms 1 to N - 1 sum to
// T / Q with no rounding until that one quotient.
struct splitterms {
    number P, Q, T;
};

splitterms split(const number& p, series s, std::int64_t a, std::int64_t b, bool needp)
{
    if (b - a == 1)
        return {needp ? p : number(), number(denominator(s, a)), p};
    pollcancel();
    const std::int64_t m = a + (b - a) / 2;
    const splitterms l = split(p, s, a, m, true);
    const splitterms r = split(p, s, m, b, needp);
    splitterms out;
    out.T = l.T * r.Q + l.P * r.T;
    out.Q = l.Q * r.Q;
    // The last terms' power of p is never needed: the right edge skips it.
    if (needp)
        out.P = l.P * r.P;
    return out;
}

// log10 of an upper bound of |x| > 0, from its first twenty digits.
double log10above(const number& x)
{
    const std::int32_t lead = leadpos(x);
    const double mantissa = getdouble(scaled(truncate(abs(x), powerof10(lead - 20)), -lead));
    constexpr double ROUNDINGMARGIN = 1e-12;  // the double's log10 is good to 1e-15
    return lead + std::log10(mantissa) + ROUNDINGMARGIN;
}

// The count N of terms t_0 to t_(N-1) so that |t_N| <= 10^target and every
// later ratio |p| / q(n) is at most 1/2: the tail from t_N on is then below
// 2 |t_N|, and below |t_N| for the alternating series, whose terms fall.
std::int64_t termcount(double logp, series s, double target)
{
    // The sum of logarithms drifts by far less than this over any count of
    // terms a number's digits can ask for.
    constexpr double DRIFTMARGIN = 0.001;
    const double lowratio = -std::log10(2.0);
    double logt = 0;  // log10 |t_n|
    for (std::int64_t n = 1;; ++n) {
        logt += logp - std::log10(static_cast<double>(denominator(s, n)));
        if (logt <= target - DRIFTMARGIN &&
            logp - std::log10(static_cast<double>(denominator(s, n + 1))) <= lowratio)
            return n;
    }
}

// 1 + t_1 + ... within g > 0: the terms stop below 0.1 g, the tail below
// 0.2 g, and the quotient T / Q to 0.6 g.
number seriessum(const number& p, double logp, series s, const number& g)
{
    static const number quotientshare(0.6);
    const std::int64_t n = termcount(logp, s, leadpos(g) - 1);
    if (n == 1)
        return number(1);
    const splitterms t = split(p, s, 1, n, false);
    return number(1) + quot(t.T, t.Q, APCprod(quotientshare, g, -1));
}

// e^x, sin x and cos x of one piece, each within g: e^x and cos x are the
// series' sum, sin x = x (1 + t_1 + ...) with the sum to 0.5 g / 10^(lead
// + 1) < 0.5 g / |x| and the product to 0.4 g.
number expofpiece(const number& x, const number& g)
{
    return seriessum(x, log10above(x), series::exponential, g);
}

number sinofpiece(const number& x, const number& g)
{
    static const number sumshare(0.5), productshare(0.4);
    const number p = negate(x * x);
    const number h = scaled(APCprod(sumshare, g, -1), -(leadpos(x) + 1));
    return prod(x, seriessum(p, 2 * log10above(x), series::sine, h), APCprod(productshare, g, -1));
}

number cosofpiece(const number& x, const number& g)
{
    return seriessum(negate(x * x), 2 * log10above(x), series::cosine, g);
}

// The pieces of x: its first FIRSTPLACES decimal places, then each piece
// twice as many places further, so that the k-th piece, below
// 10^-(FIRSTPLACES 2^(k-1)), needs about as many terms as it has digits
// per digit of the result; zero pieces are left out. Every piece has the
// sign of x.
constexpr std::int64_t FIRSTPLACES = 16;

std::vector<number> pieces(const number& x)
{
    std::vector<number> out;
    number rest = x;
    for (std::int64_t places = FIRSTPLACES; !rest.iszero(); places *= 2) {
        number head = truncdigits(rest, static_cast<std::int32_t>(places));
        if (!head.iszero()) {
            rest = rest - head;
            out.push_back(std::move(head));
        }
    }
    return out;
}

// x cut at 0.1 f: e^x (x <= 1), sin x and cos x move by under 0.28 f.
number cutargument(const number& x, const number& f)
{
    static const number cutshare(0.1);
    return truncate(x, APCprod(cutshare, f, -1));
}

struct sinecosine {
    number sine, cosine;
};

// sin x and cos x from the pieces x_k by the addition formulas, a rotation
// for each piece. Each piece's sine and cosine within b = 0.1 f / K (K
// pieces) and each product to h = 0.05 f / K: a rotation keeps the length
// of the error (a vector of the sine's and the cosine's), the errors of
// the piece's pair add sqrt 2 b times the length of the pair (1 and a
// hair), and the four products 2 sqrt 2 h; in all sqrt 2 (0.1 + 0.1) f
// and a hair, 0.29 f.
sinecosine rotations(const std::vector<number>& parts, const number& f)
{
    static const number pieceshare(0.1), productshare(0.05);
    const number count(static_cast<std::int64_t>(parts.size()));
    const number b = APCquot(APCprod(pieceshare, f, -1), count, -1);
    const number h = APCquot(APCprod(productshare, f, -1), count, -1);
    sinecosine v{sinofpiece(parts[0], b), cosofpiece(parts[0], b)};
    for (std::size_t k = 1; k < parts.size(); ++k) {
        const number s = sinofpiece(parts[k], b);
        const number c = cosofpiece(parts[k], b);
        number sine = prod(v.sine, c, h) + prod(v.cosine, s, h);
        v.cosine = prod(v.cosine, c, h) - prod(v.sine, s, h);
        v.sine = std::move(sine);
    }
    return v;
}

}  // namespace

number expsplitting(const number& x, const number& f)
{
    // Each factor within g = 0.08 f / K and each product to g: the factors
    // and products lie in [1, e], so each adds a relative error g at most,
    // 0.16 f in all and a hair, which e turns into 0.44 f; with the cut's
    // 0.28 f within 0.72 f.
    static const number pieceshare(0.08);
    const std::vector<number> parts = pieces(cutargument(x, f));
    if (parts.empty())
        return number(1);
    const number g =
        APCquot(APCprod(pieceshare, f, -1), number(static_cast<std::int64_t>(parts.size())), -1);
    number v = expofpiece(parts[0], g);
    for (std::size_t k = 1; k < parts.size(); ++k)
        v = prod(v, expofpiece(parts[k], g), g);
    return v;
}

number sinsplitting(const number& x, const number& f)
{
    // One piece: its series to 0.7 f, with the cut's 0.1 f within f.
    static const number soloshare(0.7);
    const std::vector<number> parts = pieces(cutargument(x, f));
    if (parts.empty())
        return number();
    if (parts.size() == 1)
        return sinofpiece(parts[0], APCprod(soloshare, f, -1));
    return rotations(parts, f).sine;
}

number cossplitting(const number& x, const number& f)
{
    static const number soloshare(0.7);
    const std::vector<number> parts = pieces(cutargument(x, f));
    if (parts.empty())
        return number(1);
    if (parts.size() == 1)
        return cosofpiece(parts[0], APCprod(soloshare, f, -1));
    return rotations(parts, f).cosine;
}

}  // namespace num
