#include "series.h"

#include <cmath>
#include <cstdint>
#include <map>
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

// Terms a to b - 1 of a series as exact numbers: Q = q(a) ... q(b-1) and
// T = Q (t_a + ... + t_(b-1)) / t_(a-1). With P1 = p^(m-a), the left
// half's power, two halves join as Q = Q1 Q2 and T = T1 Q2 + P1 T2, so the
// terms 1 to N - 1 sum to T / Q with no rounding until that one quotient.
struct splitterms {
    number Q, T;
};

// The powers of p the halves need: a range of n terms splits into ranges
// of n / 2 rounded down and up, so each level of the halving asks for two
// lengths at most, each power made once.
class powers {
public:
    explicit powers(const number& p) : m_p(p) {}
    const number& of(std::int64_t n)
    {
        if (n == 1)
            return m_p;
        auto found = m_made.find(n);
        if (found == m_made.end())
            found = m_made.emplace(n, of(n / 2) * of(n - n / 2)).first;
        return found->second;
    }

private:
    number m_p;
    std::map<std::int64_t, number> m_made;
};

splitterms split(powers& p, series s, std::int64_t a, std::int64_t b)
{
    if (b - a == 1)
        return {number(denominator(s, a)), p.of(1)};
    pollcancel();
    const std::int64_t m = a + (b - a) / 2;
    const splitterms l = split(p, s, a, m);
    const splitterms r = split(p, s, m, b);
    return {l.Q * r.Q, l.T * r.Q + p.of(m - a) * r.T};
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
    powers P(p);
    const splitterms t = split(P, s, 1, n);
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

// The pieces of x, each of the sign of x; zero pieces are left out.
std::vector<number> pieces(const number& x)
{
    std::vector<number> out;
    if (isshort(x)) {
        if (!x.iszero())
            out.push_back(x);
        return out;
    }
    number rest = x;
    for (std::int64_t places = FIRST_PLACES; !rest.iszero(); places *= 2) {
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

}  // namespace

bool isshort(const number& x) { return truncdigits(x, SHORT_PLACES) == x; }

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
    // The series to 0.9 f, with the cut's 0.1 f within f.
    static const number seriesshare(0.9);
    const number y = cutargument(x, f);
    return y.iszero() ? number() : sinofpiece(y, APCprod(seriesshare, f, -1));
}

number cossplitting(const number& x, const number& f)
{
    static const number seriesshare(0.9);
    const number y = cutargument(x, f);
    return y.iszero() ? number(1) : cosofpiece(y, APCprod(seriesshare, f, -1));
}

}  // namespace num
