#include <algorithm>
#include <cmath>
#include <vector>

#include "fixedlimbs.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/gamma.h"
#include "number/multiplication.h"
#include "polynomials.h"

namespace num {

namespace {

// Gamma(x) to w digits for 0 < x < 2 with many digits, where each term of
// the series would cost a long quotient. With c = t_(N-1) the series is
// c R, R = H + 1 + T:
//   H = sum over k < N - 1 of (x + k + 1) ... (x + N - 1) / N^(N - 1 - k),
//   T = sum over k >= N of N^(k - N + 1) / ((x + N) ... (x + k)),
// so that Gamma(x) = e^-N N^(x + N - 1) R / (x)_N. Both sums are taken in
// Horner's form from their smallest terms up, at the digits each step
// adds to R, a block of FACTOR_BLOCK steps at a time as polynomials of
// y = x N', N' = BASE / N (1/N is a short decimal for N a product of twos
// and fives): H one long product per block, T as a fraction p/q, whose
// steps multiply q by (x + k) / N and add q to p, two.
number longseries(const number& x, std::int32_t w)
{
    const smoothint N = smoothabove(gammacutoff(powerof10(-w)));
    // Guard digits of R, whose two sums add up the truncations of their steps:
    // log10 N digits for the up to N steps of each, 10 more so that their
    // total stays far below a unit of R's w-th digit.
    const std::int32_t g = 10 + static_cast<std::int32_t>(std::log10(double(N.value)));
    // x in doubles for the sizes of the terms: a tiny x counts as 0 there.
    const double xd = leadpos(x) < -300 ? 0.0 : getdouble(x);
    const auto n = static_cast<double>(N.value);
    const auto digitsfor = [w, g](double drop) {
        return static_cast<std::int32_t>(std::clamp(w + g - drop, 12.0, double(w + g)));
    };
    const std::vector<flat> powers = powersof(x * number(N.perbase), FACTOR_BLOCK, w + g);
    std::vector<std::int64_t> offsets;

    // The head, from its innermost step j out to N - 1, where the rest of H
    // scales v_j by the product of (x + i) / N over i > j; each step is
    // v = (y + j N') (1 + v) / BASE. The digits of a block are those of its
    // last step, the most it needs.
    std::vector<double> drop(static_cast<std::size_t>(N.value), 0.0);
    for (std::int64_t j = N.value - 2; j >= 0; --j)
        drop[static_cast<std::size_t>(j)] =
            drop[static_cast<std::size_t>(j + 1)] + std::log10(n / (xd + double(j + 1)));
    std::int64_t first = 1;
    while (drop[static_cast<std::size_t>(first)] > w + g)
        ++first;
    flat v;
    for (std::int64_t j = first; j < N.value; j += FACTOR_BLOCK) {
        pollcancel();
        const std::int64_t count = std::min<std::int64_t>(FACTOR_BLOCK, N.value - j);
        offsets.clear();
        for (std::int64_t t = 0; t < count; ++t)
            offsets.push_back((j + t) * N.perbase);
        const hornerblock b = hornerof(offsets);
        const std::int32_t digits = digitsfor(drop[static_cast<std::size_t>(j + count - 1)]);
        flat h = blockvalue(b.H, powers, digits);
        if (!v.limbs.empty())
            h = addexact(h.view(),
                         productof(blockvalue(b.P, powers, digits).view(), v.view(), digits).view(),
                         false);
        v = std::move(h);
    }
    const number head = chainof(v);

    // The tail, from its last term that counts back to k = N: v_k = 1 +
    // N / (x + k + 1) v_(k+1) as p / q, q <- (x + k + 1) q / N, p <- q + p.
    // A block from k down takes the factors of k + 1 down to k + 2 - count:
    // p <- p + q H / BASE^count, q <- q P / BASE^count, at the digits of its
    // lowest k.
    std::vector<double> dropt;
    for (double d = 0; d <= w + g;) {
        d += std::log10((xd + double(N.value) + double(dropt.size())) / n);
        dropt.push_back(d);
    }
    const std::int64_t last = N.value + static_cast<std::int64_t>(dropt.size()) - 1;
    flat p = flatten(number(1));
    flat q = p;
    for (std::int64_t k = last - 1; k >= N.value; k -= FACTOR_BLOCK) {
        pollcancel();
        const std::int64_t count = std::min<std::int64_t>(FACTOR_BLOCK, k - N.value + 1);
        offsets.clear();
        for (std::int64_t t = count; t > 0; --t)
            offsets.push_back((k + 2 - t) * N.perbase);
        const hornerblock b = hornerof(offsets);
        const std::int32_t digits =
            digitsfor(dropt[static_cast<std::size_t>(k + 1 - count - N.value)]);
        p = addexact(p.view(),
                     productof(q.view(), blockvalue(b.H, powers, digits).view(), digits).view(),
                     false);
        q = productof(q.view(), blockvalue(b.P, powers, digits).view(), digits);
    }
    const number big(N.value);
    const number tail =
        quotprec(prodprec(chainof(p), big, w + g), prodprec(chainof(q), x + big, w + g), w + g);

    const number R = sumprec(sumprec(head, number(1), w + g), tail, w + g);
    const number e =
        prodprec(powprec(big, x + number(N.value - 1), w + 2), expprec(negate(big), w + 2), w + 2);
    return quotprec(prodprec(e, R, w + 2), risingfactorial(x, N.value, w + 2), w);
}

}  // namespace

number gammaseries(const number& x, std::int32_t d)
{
    // Gamma(x) = e^-N N^x sum t_k + the integral of t^(x-1) e^-t beyond N,
    // below 10^-w of Gamma(x) for N from the cutoff. The terms t_0 = 1/x,
    // t_k = t_(k-1) N / (x + k) are all positive: they rise to about e^N
    // near k = N and fall below the last digit before k = 3.6 N.
    const std::int32_t w = d + 3;
    const std::int32_t N = gammacutoff(powerof10(-w));
    const double steps = 4.0 * N + 10;
    const std::size_t count = limbsfor(w, steps);

    // The sum lies between e^N N^-x Gamma(x) (with Gamma(x) > 0.88 on (0, 2)
    // and N^-x > N^-2) and e^N / x: its limbs run from the top of the upper
    // bound to w digits (and the error of every step) below the lower.
    // log10 x lies between leadpos(x) and leadpos(x) + 1.
    const double lx = leadpos(x);
    const double upper = N / std::log(10.0) - lx;
    const double lower = std::max(-lx - 1, N / std::log(10.0) - 2 * std::log10(double(N)) - 0.1);
    const auto top = static_cast<std::int32_t>(std::floor(upper / BASE_DIGITS)) + 1;
    const double span = upper - lower + BASE_DIGITS * double(count) + 2 * BASE_DIGITS;
    accumulator sum(top, static_cast<std::size_t>(span / BASE_DIGITS) + 1);

    // Guard limbs of the falling terms below the sum's last column, for
    // fewer than 10^8 steps: steps^2 < BASE^TAIL_GUARD.
    constexpr std::int64_t TAIL_GUARD = 2;
    const bool trimtail = steps < 1e8;
    // 64-bit steps while x + k, k up to the steps, fits the divisions.
    int places = SHORT_PLACES;
    while (places > 0 &&
           (steps + 2) * static_cast<double>(pow10u(places)) >= double(HALF_DIVISOR_LIMIT))
        --places;
    std::uint64_t X = 0;
    const int s = asfraction(x, places, 2 * pow10u(places), X);
    if (s >= 0) {
        // 64-bit steps: t N 10^s / (X + k 10^s).
        const std::uint64_t unit = pow10u(s);
        mantissa t(count);
        times(t, unit);
        over(t, X);
        const std::uint64_t n = static_cast<std::uint64_t>(N);
        for (std::uint64_t k = 1;; ++k) {
            const bool added = sum.add(t.limbs.data(), t.limbs.size(), t.expo);
            if (!added && k > n)
                break;
            pollcancel();
            if (n * unit < MULTIPLIER_LIMIT) {
                times(t, n * unit);
            } else {
                times(t, n);
                times(t, unit);
            }
            over(t, X + k * unit);
            // Past the peak the terms only fall: limbs of t more than
            // TAIL_GUARD below the sum's last column reach no column again.
            // Their truncations, one a step, pass into later terms by
            // factors below 1: fewer than steps^2 < BASE^TAIL_GUARD units of
            // BASE^-TAIL_GUARD of that column in all.
            if (trimtail && k > n) {
                const std::int64_t keep = std::int64_t{t.expo} - sum.bottom() + 1 + TAIL_GUARD;
                if (keep >= 1 && static_cast<std::int64_t>(t.limbs.size()) > keep)
                    t.limbs.resize(static_cast<std::size_t>(keep));
            }
        }
    } else {
        return longseries(x, w);
    }
    const number n(N);
    const number scale = prodprec(powprec(n, x, w), expprec(negate(n), w), w);
    return prodprec(sum.value(), scale, w);
}

namespace {

// The cut-offs of the series at u = 10^-w, by w: each is a dozen roots,
// logarithms and exponentials at 8 digits, which at short precisions cost
// more than the series itself.
std::vector<std::int32_t>& cutoffsbyplaces()
{
    static std::vector<std::int32_t> cutoffs;
    return cutoffs;
}
// Cut-offs are kept for resolutions down to 10^-8192: every precision up to
// 6000 digits with its guard digits, four bytes each (32 KB at most).
constexpr std::int32_t CACHED_CUTOFF_PLACES = 8192;

std::int32_t newtoncutoff(const number& u)
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

}  // namespace

std::int32_t gammacutoff(const number& u)
{
    if (!ispowerof10(u) || leadpos(u) >= 0 || leadpos(u) < -CACHED_CUTOFF_PLACES)
        return newtoncutoff(u);
    std::vector<std::int32_t>& cutoffs = cutoffsbyplaces();
    const auto w = static_cast<std::size_t>(-leadpos(u));
    if (cutoffs.size() <= w)
        cutoffs.resize(w + 1, 0);
    if (cutoffs[w] == 0)
        cutoffs[w] = newtoncutoff(u);
    return cutoffs[w];
}

}  // namespace num
