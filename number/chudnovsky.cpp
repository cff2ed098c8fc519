#include "chudnovsky.h"

#include <cstdint>

#include "number/addition.h"
#include "number/multiplication.h"
#include "number/powers.h"

namespace num {

namespace {

// 1/pi = 12 / 640320^(3/2) sum over k of (-1)^k (6k)! (13591409 + 545140134 k)
// / ((3k)! (k!)^3 640320^3k), so that pi = 426880 sqrt(10005) Q / T for the
// sum T / Q of the first terms.
//
// Terms k from a to b - 1 reduce to three integers: P, the product of the
// ratios' numerators (6k - 5)(2k - 1)(6k - 1), Q that of their denominators
// k^3 640320^3 / 24, and T, the partial sum times Q. Two neighbouring ranges
// combine as P = P1 P2, Q = Q1 Q2, T = Q2 T1 + P1 T2: the long products come
// in pairs of about equal length.
struct splitsum {
    number P, Q, T;
};

constexpr std::int64_t SERIESA = 13591409;
constexpr std::int64_t SERIESB = 545140134;
constexpr std::int64_t CUBEOVER24 = 10939058860032000;  // 640320^3 / 24

// Products longer than n + LENGTHGUARD digits, for pi to 10^-n, are cut to
// that many: relatively by under 10^-(n + LENGTHGUARD - 1) each. Q at the
// top then errs relatively by the sum of the cuts below it, fewer than 2N
// < 2 10^8 of them; T = Q2 T1 + P1 T2 by as much again for each addend,
// and no cancellation magnifies that: |P1 T2| < 10^-12 |Q2 T1|, as the
// terms shrink by 10^14. So Q and T stay within 10^-(n + 10) of themselves.
constexpr std::int32_t LENGTHGUARD = 20;

number times(const number& x, const number& y, std::int64_t n)
{
    const std::int64_t cut = std::int64_t{leadpos(x)} + leadpos(y) - n - LENGTHGUARD;
    return cut <= 0 ? x * y : prod(x, y, powerof10(static_cast<std::int32_t>(cut)));
}

// The rightmost range never needs its P: `withP` false leaves it zero.
splitsum split(std::int64_t a, std::int64_t b, bool withP, std::int64_t n)
{
    pollcancel();
    if (b - a == 1) {
        if (a == 0)
            return {number(1), number(1), number(SERIESA)};
        splitsum s;
        s.P = number(6 * a - 5) * number(2 * a - 1) * number(6 * a - 1);
        s.Q = number(a) * number(a) * number(a) * number(CUBEOVER24);
        s.T = s.P * number(SERIESA + SERIESB * a);
        if (a % 2 != 0)
            s.T = negate(s.T);
        return s;
    }
    const std::int64_t m = a + (b - a) / 2;
    splitsum left = split(a, m, true, n);
    splitsum right = split(m, b, withP, n);
    splitsum s;
    s.T = times(right.Q, left.T, n) + times(left.P, right.T, n);
    s.Q = times(left.Q, right.Q, n);
    if (withP)
        s.P = times(left.P, right.P, n);
    return s;
}

}  // namespace

number chudnovskypi(const number& f)
{
    // pi to 10^-n <= f.
    const std::int64_t n = -std::int64_t{leadpos(f)};

    // The terms shrink by 640320^3 / 1728 > 10^14.18164 each, as (6k)! /
    // ((3k)! k!^3) grows by less than 1728 per k: the k-th is below
    // 5.46e8 (k + 1) 10^(-14.18164 k), the tail after N terms below
    // 5.47e8 (N + 1) 10^(-14.18164 N) beside a sum of 1.359e7, and pi moves
    // by 3.15 times that share: 127 (N + 1) 10^(-14.18164 N). With N + 1 <
    // 10^8 that stays below 0.1 10^-n while 14.18164 N >= n + 12.
    constexpr std::int64_t TAILDIGITS = 12;
    constexpr std::int64_t DIGITSPERTERM = 1418164;  // 10^5 times the digits a term adds
    const std::int64_t N = ((n + TAILDIGITS) * 100000 + DIGITSPERTERM - 1) / DIGITSPERTERM;
    const splitsum s = split(0, N, false, n);

    // Q and T, within 10^-(n + 10) of themselves from the splitting, cut by
    // as much again: Q / T within 4.1 10^-(n + 10) of itself, which puts
    // 0.0315 * 100.03 * 4.1 10^-(n + 10) < 0.002 10^-n on pi.
    constexpr std::int32_t CUTDIGITS = 10;
    const auto cut = [&](const number& x) {
        return truncate(x, powerof10(static_cast<std::int32_t>(leadpos(x) - n - CUTDIGITS)));
    };
    // y = 426880 Q / T < 0.0315 and sqrt(10005) < 100.03: the root to 10^-n
    // puts 0.0315 10^-n on pi, y to 10^-(n + 3) puts 0.1 10^-n, the product
    // 0.1 10^-n, the series' tail 0.1 10^-n and the cuts 0.002 10^-n: 0.34
    // 10^-n in all.
    const std::int32_t e = static_cast<std::int32_t>(-n);
    const number root = sqrt(number(10005), powerof10(e));
    const number y = quot(cut(s.Q) * number(426880), cut(s.T), powerof10(e - 3));
    return prod(y, root, powerof10(e - 1));
}

}  // namespace num
