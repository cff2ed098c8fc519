#include "polynomials.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "columns.h"
#include "fixedlimbs.h"

namespace num {

flat productof(const limbrun& x, const limbrun& y, std::int32_t digits)
{
    const std::int32_t limbs = digits / BASE_DIGITS + 2;
    const limbrun xs = slice(x, x.expo, x.expo - limbs);
    const limbrun ys = slice(y, y.expo, y.expo - limbs);
    limbrun out;
    if (!multiplycolumns(xs, ys, cut{.exact = false, .expo = xs.expo + ys.expo - limbs}, out))
        return {};
    return flatof(out);
}

namespace {

// r = r m + a for m <= MULTIPLIER_LIMIT, in place: each limb times m, plus
// a limb and the carry, stays within 64 bits.
void muladd(wide& r, std::uint64_t m, const wide& a)
{
    if (r.size() < a.size())
        r.resize(a.size(), 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const std::uint64_t v = r[i] * m + (i < a.size() ? a[i] : 0) + carry;
        r[i] = static_cast<std::uint32_t>(v % BASE);
        carry = v / BASE;
    }
    for (; carry != 0; carry /= BASE)
        r.push_back(static_cast<std::uint32_t>(carry % BASE));
    while (!r.empty() && r.back() == 0)
        r.pop_back();
}

// c (y + m), in place.
void timeslinear(polynomial& c, std::uint64_t m)
{
    c.push_back(c.back());
    for (std::size_t i = c.size() - 2; i > 0; --i)
        muladd(c[i], m, c[i - 1]);
    muladd(c[0], m, {});
}

// column[m] += a limbs[m] for m < count, a < BASE.
void addmultipleportable(std::uint64_t* column, const std::uint32_t* limbs, std::size_t count,
                         std::uint64_t a)
{
    for (std::size_t m = 0; m < count; ++m)
        column[m] += a * limbs[m];
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Four columns at a time: 32 by 32 bit products into 64-bit lanes.
__attribute__((target("avx2"))) void addmultipleavx2(std::uint64_t* column,
                                                     const std::uint32_t* limbs, std::size_t count,
                                                     std::uint64_t a)
{
    const __m256i m = _mm256_set1_epi64x(static_cast<long long>(a));
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m256i y =
            _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(limbs + k)));
        __m256i* c = reinterpret_cast<__m256i*>(column + k);
        _mm256_storeu_si256(c, _mm256_add_epi64(_mm256_loadu_si256(c), _mm256_mul_epu32(y, m)));
    }
    addmultipleportable(column + k, limbs + k, count - k, a);
}

// AVX2 needs the processor's flag and the system saving the wide registers,
// asked once with three instructions.
__attribute__((target("xsave"))) bool withavx2()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0)
        return false;
    if ((_xgetbv(0) & 6) != 6)
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}

void addmultiple(std::uint64_t* column, const std::uint32_t* limbs, std::size_t count,
                 std::uint64_t a)
{
    static const bool avx2 = withavx2();
    if (avx2)
        addmultipleavx2(column, limbs, count, a);
    else
        addmultipleportable(column, limbs, count, a);
}
#else
void addmultiple(std::uint64_t* column, const std::uint32_t* limbs, std::size_t count,
                 std::uint64_t a)
{
    addmultipleportable(column, limbs, count, a);
}
#endif

// Products of two limbs below BASE that one 64-bit column sum holds.
constexpr std::size_t COLUMN_PRODUCTS = 1800;  // 1800 (10^8 - 1)^2 < 2^64
// A column gathers one product per limb of every coefficient. With factors
// y + o, o < 3 BASE, the polynomials of a block (at most FACTOR_BLOCK + 1
// coefficients, each at most their value at y = 1, below FACTOR_BLOCK (3 BASE)^FACTOR_BLOCK
// BASE^(FACTOR_BLOCK - 1)) have fewer than 2 FACTOR_BLOCK + 2 limbs a coefficient.
static_assert((FACTOR_BLOCK + 1) * (2 * FACTOR_BLOCK + 2) <= static_cast<int>(COLUMN_PRODUCTS));

// The sum of c_i y^i to w digits and two guard limbs, all terms positive:
// every product of a limb of a coefficient and a limb of a power is added
// into its column, and one pass of carries makes the limbs, rather than a
// product and a sum for every term. The parts below the last column are
// dropped: less than a unit of the column above it.
flat valueof(const polynomial& c, const std::vector<flat>& powers, std::int32_t w)
{
    std::int32_t top = ZERO_EXPO;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (!c[i].empty())
            top = std::max(top, static_cast<std::int32_t>(c[i].size()) - 1 + powers[i].expo);
    }
    ++top;  // the carry out of the leading column
    const std::int32_t low = top - (w / BASE_DIGITS + 4);
    std::vector<std::uint64_t> columns(static_cast<std::size_t>(top - low + 1), 0);
    for (std::size_t i = 0; i < c.size(); ++i) {
        const flat& y = powers[i];
        for (std::size_t l = 0; l < c[i].size(); ++l) {
            const std::uint64_t a = c[i][l];
            const std::int32_t lead = static_cast<std::int32_t>(l) + y.expo;  // power of a y[0]
            if (a == 0 || lead < low)
                continue;
            const auto count =
                std::min<std::size_t>(y.limbs.size(), static_cast<std::size_t>(lead - low + 1));
            addmultiple(columns.data() + (top - lead), y.limbs.data(), count, a);
        }
    }
    flat r;
    r.limbs.resize(columns.size());
    std::uint64_t carry = 0;
    for (std::size_t k = columns.size(); k-- > 0;) {
        const std::uint64_t v = columns[k] + carry;
        r.limbs[k] = static_cast<std::uint32_t>(v % BASE);
        carry = v / BASE;
    }
    r.expo = top;
    // Leading and trailing zero limbs off.
    const auto first =
        std::find_if(r.limbs.begin(), r.limbs.end(), [](std::uint32_t v) { return v != 0; });
    r.expo -= static_cast<std::int32_t>(first - r.limbs.begin());
    r.limbs.erase(r.limbs.begin(), first);
    while (!r.limbs.empty() && r.limbs.back() == 0)
        r.limbs.pop_back();
    return r;
}

}  // namespace

std::vector<flat> powersof(const number& y, int count, std::int32_t w)
{
    std::vector<flat> powers{flatten(number(1)), flatten(y)};
    for (int i = 2; i <= count; ++i)
        powers.push_back(productof(powers.back().view(), powers[1].view(), w));
    return powers;
}

number risingfactorial(const number& x, std::int64_t n, std::int32_t d)
{
    // d digits, log10(n + 1) more for the truncations of the products (at most
    // n / FACTOR_BLOCK + FACTOR_BLOCK), whose relative errors add up, and 3 to
    // spare, so that their sum stays well below a unit of the d-th digit.
    const std::int32_t w = d + 3 + static_cast<std::int32_t>(std::log10(double(n) + 1));
    const std::vector<flat> powers = powersof(x, FACTOR_BLOCK, w);
    flat p = powers[0];
    polynomial c;
    for (std::int64_t start = 0; start < n; start += FACTOR_BLOCK) {
        pollcancel();
        const int count = static_cast<int>(std::min<std::int64_t>(FACTOR_BLOCK, n - start));
        // (x + start) ... (x + start + count - 1).
        c.assign(1, wide{1});
        for (int j = 0; j < count; ++j)
            timeslinear(c, static_cast<std::uint64_t>(start + j));
        const flat b = valueof(c, powers, w);
        p = productof(p.view(), b.view(), w);
    }
    return chainof(p);
}

hornerblock hornerof(const std::vector<std::int64_t>& offsets)
{
    hornerblock b;
    b.H.assign(1, wide{});
    b.P.assign(1, wide{1});
    for (std::size_t t = 0; t < offsets.size(); ++t) {
        // H[0] + BASE^t
        wide& constant = b.H[0];
        if (constant.size() <= t)
            constant.resize(t + 1, 0);
        wide one(t + 1, 0);
        one[t] = 1;
        muladd(constant, 1, one);
        const auto o = static_cast<std::uint64_t>(offsets[t]);
        timeslinear(b.H, o);
        timeslinear(b.P, o);
    }
    return b;
}

flat blockvalue(const polynomial& c, const std::vector<flat>& powers, std::int32_t digits)
{
    flat v = valueof(c, powers, digits);
    v.expo -= static_cast<std::int32_t>(c.size()) - 1;
    return v;
}

}  // namespace num
