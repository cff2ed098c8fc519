#include "stirling.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fixedlimbs.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"

namespace num {

namespace {

// The tangent numbers T_1 .. T_n (1, 2, 16, 272, ...), exact, by the
// recurrence T_j = (j - k) T_(j-1) + (j - k + 2) T_j, each on limbs from the
// least significant up.
std::vector<std::vector<std::uint32_t>> tangentnumbers(std::size_t n)
{
    std::vector<std::vector<std::uint32_t>> t(n + 1);
    t[1] = {1};
    const auto combine = [](std::vector<std::uint32_t>& r, std::uint64_t a,
                            const std::vector<std::uint32_t>& below, std::uint64_t b) {
        // r = a below + b r
        std::uint64_t carry = 0;
        const std::size_t size = std::max(r.size(), below.size());
        r.resize(size, 0);
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint64_t v = a * (i < below.size() ? below[i] : 0) + b * r[i] + carry;
            r[i] = static_cast<std::uint32_t>(v % BASE);
            carry = v / BASE;
        }
        for (; carry != 0; carry /= BASE)
            r.push_back(static_cast<std::uint32_t>(carry % BASE));
    };
    for (std::size_t k = 2; k <= n; ++k) {
        t[k] = {};
        combine(t[k], k - 1, t[k - 1], 0);
    }
    for (std::size_t k = 2; k <= n; ++k) {
        pollcancel();
        for (std::size_t j = k; j <= n; ++j)
            combine(t[j], j - k, t[j - 1], j - k + 2);
    }
    return t;
}

number fromlittleendian(const std::vector<std::uint32_t>& v)
{
    const std::vector<std::uint32_t> big(v.rbegin(), v.rend());
    return fromlimbs(big.data(), big.size(), static_cast<std::int32_t>(big.size()) - 1);
}

// log10 of the k-th term of Stirling's series at x, |B_2k| / (2k (2k - 1)
// x^(2k - 1)), with |B_2k| taken as 2 (2k)! / (2 pi)^2k (within 1 %).
double stirlingterm(int k, double log10x)
{
    return std::log10(2.0) + std::lgamma(2.0 * k - 1) / std::log(10.0) -
           2.0 * k * std::log10(2 * 3.141592653589793) - (2.0 * k - 1) * log10x;
}

// Terms of Stirling's series that bring it within 10^-w at x, or 0 when the
// series never gets there (its terms grow again from k = pi x on).
int stirlingterms(double log10x, std::int32_t w)
{
    const double x = std::pow(10.0, log10x);
    for (int k = 1; k < 3 * x && k < 100000; ++k) {
        if (stirlingterm(k, log10x) < -w)
            return k;
    }
    return 0;
}

}  // namespace

double stirlingfrom(std::int32_t w) { return std::max(10000.0, 20.0 * w); }

number stirling(const number& x, std::int32_t w)
{
    const double log10x = leadpos(x) + std::log10(getdouble(scaled(x, -leadpos(x))));
    const int K = stirlingterms(log10x, w + 3);
    const std::int32_t big = w + 4 + static_cast<std::int32_t>(log10x + std::log10(log10x + 1)) + 2;
    const number lnx = lnprec(x, big);
    number lg = diffprec(prodprec(x - half(), lnx, big), x, big);
    const number f = powerof10(-w - 4);
    lg = sum(lg, half() * lnprec(pi(f) * number(2), w + 4), f);

    const auto T = tangentnumbers(static_cast<std::size_t>(K));
    // p = 1/x^(2k - 1), the power of 4 and the k-th term's exact divisor
    // (2k - 1) 4^k (4^k - 1).
    number p = quotprec(number(1), x, w + 4);
    const number u2 = prodprec(p, p, w + 4);
    number four(1);
    for (int k = 1; k <= K; ++k) {
        prodinplace(four, number(4));
        // The k-th term is about 10^stirlingterm(k): w + 4 + that many digits
        // reach the sum's resolution f, two more cover the estimate's
        // rounding, and never fewer than 10.
        const auto digits =
            std::max<std::int32_t>(10, w + 6 + static_cast<std::int32_t>(stirlingterm(k, log10x)));
        const number divisor = number(2 * k - 1) * four * (four - number(1));
        number term = quotprec(
            prodprec(fromlittleendian(T[static_cast<std::size_t>(k)]), p, digits), divisor, digits);
        lg = sum(lg, k % 2 == 1 ? term : negate(term), f);
        p = prodprec(p, u2, digits);
    }
    return expprec(lg, w);
}

bool bystirling(const number& x, std::int32_t w)
{
    if (x >= number(stirlingfrom(w)))
        return true;
    std::uint64_t scaledx = 0;
    return x >= number(5.0 * w) && asfraction(x, SHORT_PLACES, HALF_DIVISOR_LIMIT, scaledx) < 0;
}

number reflected(const number& x, std::int32_t w)
{
    const number n = floor(x);
    const number f = x - n;
    const number g = f > half() ? number(1) - f : f;
    const number turn = pi(powerof10(-w - 4));
    const number s = sinprec(prodprec(turn, g, w + 3), w + 3);
    const number r = quotprec(turn, prodprec(s, stirling(number(1) - x, w + 2), w + 3), w + 2);
    return isodd(n) ? negate(r) : r;
}

}  // namespace num
