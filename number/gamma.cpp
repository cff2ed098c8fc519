#include "number/gamma.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "columns.h"
#include "digittables.h"
#include "flat.h"
#include "number/addition.h"
#include "number/conversion.h"
#include "number/exponential.h"
#include "number/multiplication.h"
#include "number/trigonometric.h"

namespace {

// The number of n limbs from power expo down, most significant first, zero
// limbs at either end left out.
number fromlimbs(const std::uint32_t* limbs, std::size_t n, std::int32_t expo)
{
    std::size_t lead = 0;
    while (lead < n && limbs[lead] == 0)
        ++lead;
    while (n > lead && limbs[n - 1] == 0)
        --n;
    return chainof(limbrun{.array = limbs + lead,
                           .expo = expo - static_cast<std::int32_t>(lead),
                           .count = static_cast<std::int32_t>(n - lead)});
}

// A positive value on a fixed count of limbs, most significant first:
// the sum of limbs[i] BASE^(expo - i). Products and quotients by a small
// integer keep the count and truncate what falls below the last limb, so
// each loses less than one unit of it, a relative BASE^(1 - count) at most.
struct mantissa {
    std::vector<std::uint32_t> limbs;
    std::int32_t expo = 0;

    explicit mantissa(std::size_t count) : limbs(count, 0) { limbs[0] = 1; }

    number value() const { return fromlimbs(limbs.data(), limbs.size(), expo); }
};

// Limits that keep the steps below in 64 bits: a limb times a multiplier
// plus the carry, and a remainder times BASE (or 10^4) plus a limb (or half).
constexpr std::uint64_t MULTIPLIER_LIMIT = 180000000000;        // 1.8 10^11
constexpr std::uint64_t DIVISOR_LIMIT = 180000000000;           // full limbs
constexpr std::uint64_t HALF_DIVISOR_LIMIT = 1800000000000000;  // half limbs
constexpr std::uint64_t HALF = 10000;

void times(mantissa& t, std::uint64_t m)
{
    std::uint64_t carry = 0;
    for (std::size_t i = t.limbs.size(); i-- > 0;) {
        const std::uint64_t p = t.limbs[i] * m + carry;
        t.limbs[i] = static_cast<std::uint32_t>(p % BASE);
        carry = p / BASE;
    }
    while (carry != 0) {
        t.limbs.pop_back();
        t.limbs.insert(t.limbs.begin(), static_cast<std::uint32_t>(carry % BASE));
        carry /= BASE;
        ++t.expo;
    }
}

// t / m for 0 < m < HALF_DIVISOR_LIMIT, by long division from the top; a
// quotient that starts lower brings in further limbs of the division.
template <bool halves> void longdivision(mantissa& t, std::uint64_t m)
{
    std::uint64_t r = 0;
    // The quotient limb of r BASE + v, r the remainder carried down.
    const auto step = [&r, m](std::uint32_t v) {
        if constexpr (halves) {
            std::uint64_t c = r * HALF + v / HALF;
            const std::uint64_t high = c / m;
            r = c % m;
            c = r * HALF + v % HALF;
            r = c % m;
            return static_cast<std::uint32_t>(high * HALF + c / m);
        } else {
            const std::uint64_t c = r * BASE + v;
            r = c % m;
            return static_cast<std::uint32_t>(c / m);
        }
    };
    for (std::uint32_t& v : t.limbs)
        v = step(v);
    while (t.limbs[0] == 0) {
        t.limbs.erase(t.limbs.begin());
        --t.expo;
        t.limbs.push_back(step(0));
    }
}

void over(mantissa& t, std::uint64_t m)
{
    if (m < DIVISOR_LIMIT)
        longdivision<false>(t, m);
    else
        longdivision<true>(t, m);
}

// A fixed-point sum of positive terms: its limbs stand at powers top down
// to top - size + 1; the parts of a term below them are dropped.
struct accumulator {
    std::vector<std::uint32_t> limbs;
    std::int32_t top;

    accumulator(std::int32_t top, std::size_t count) : limbs(count, 0), top(top) {}

    // False when the whole term lies below the last limb.
    bool add(const std::uint32_t* values, std::size_t count, std::int32_t expo)
    {
        const std::int64_t offset = std::int64_t{top} - expo;
        if (offset >= static_cast<std::int64_t>(limbs.size()))
            return false;
        std::uint32_t carry = 0;
        const std::size_t first = static_cast<std::size_t>(offset);
        std::size_t n = std::min(count, limbs.size() - first);
        for (std::size_t i = n; i-- > 0;) {
            std::uint32_t s = limbs[first + i] + values[i] + carry;
            carry = s >= BASE ? 1 : 0;
            limbs[first + i] = s - (carry != 0 ? BASE : 0);
        }
        for (std::size_t i = first; carry != 0 && i-- > 0;) {
            std::uint32_t s = limbs[i] + carry;
            carry = s >= BASE ? 1 : 0;
            limbs[i] = s - (carry != 0 ? BASE : 0);
        }
        return true;
    }

    number value() const { return fromlimbs(limbs.data(), limbs.size(), top); }
};

// x as an integer over 10^s, when it has at most `most` decimal places and
// x 10^s is below `limit`; s is then returned, else -1.
int asfraction(const number& x, int most, std::uint64_t limit, std::uint64_t& scaled)
{
    const std::int32_t places = std::max(0, -BASE_DIGITS * x.lowexpo());
    if (places > most + BASE_DIGITS)
        return -1;
    const number u = ::scaled(abs(x), most);
    if (!isinteger(u) || u >= number(limit))
        return -1;
    int s = most;
    std::uint64_t v = getuint64(u);
    while (s > 0 && v % 10 == 0) {
        v /= 10;
        --s;
    }
    scaled = v;
    return s;
}

// Decimal places up to which the series and the products below run on
// 64-bit steps.
constexpr int SHORT_PLACES = 10;

std::uint64_t pow10u(int s)
{
    std::uint64_t p = 1;
    while (s-- > 0)
        p *= 10;
    return p;
}

// Limbs that carry d digits and a relative error of `steps` truncations
// with three digits to spare.
std::size_t limbsfor(std::int32_t d, double steps)
{
    const double digits = d + std::log10(steps + 1) + 3;
    return static_cast<std::size_t>(digits / BASE_DIGITS) + 2;
}

// |y + j| for j from `first` up (step +1) or down (step -1), `count` of them,
// multiplied together at d digits; empty when a factor does not fit the
// 64-bit steps (y long, or the factors too large).
std::optional<number> shortproduct(const number& y, std::int64_t first, std::int64_t count,
                                   int step, std::int32_t d)
{
    std::uint64_t Y = 0;
    const int s = asfraction(y, SHORT_PLACES, HALF_DIVISOR_LIMIT, Y);
    if (s < 0 || count > 100000000)
        return std::nullopt;
    const std::uint64_t unit = pow10u(s);
    const std::int64_t last = first + step * (count - 1);
    const std::int64_t far = std::max(std::abs(first), std::abs(last));
    if (static_cast<double>(far + 2) * static_cast<double>(unit) >=
        static_cast<double>(MULTIPLIER_LIMIT))
        return std::nullopt;
    mantissa p(limbsfor(d, static_cast<double>(count)));
    for (std::int64_t i = 0, j = first; i < count; ++i, j += step) {
        if ((i & 1023) == 0)
            pollcancel();
        // y + j as (Y + j 10^s) / 10^s; its magnitude for j < 0 < y + j
        // or y + j < 0.
        const std::int64_t v = static_cast<std::int64_t>(Y) + j * static_cast<std::int64_t>(unit);
        times(p, static_cast<std::uint64_t>(v < 0 ? -v : v));
    }
    // The 10^-s of each factor: whole limbs on the exponent, the rest scaled.
    const std::int64_t places = s * count;
    p.expo -= static_cast<std::int32_t>(places / BASE_DIGITS);
    return scaled(p.value(), -static_cast<std::int32_t>(places % BASE_DIGITS));
}

// The smallest 2^a 5^b at or above n with a, b <= BASE_DIGITS, and
// BASE / (2^a 5^b), an integer: dividing by the value is a short product
// and a shift by one limb.
struct smoothint {
    std::int64_t value = 0;
    std::int64_t perbase = 0;
};

smoothint smoothabove(std::int64_t n)
{
    smoothint best;
    for (std::int32_t a = 0; a <= BASE_DIGITS; ++a) {
        std::int64_t v = std::int64_t{1} << a;
        for (std::int32_t b = 0; b <= BASE_DIGITS && v < n; ++b)
            v *= 5;
        if (v >= n && v <= std::int64_t{BASE} && (best.value == 0 || v < best.value))
            best = {.value = v, .perbase = std::int64_t{BASE} / v};
    }
    return best;
}

// x y to `digits` digits and a guard limb, the operands cut to as many.
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

// Factors of x (x + 1) ... taken together in one polynomial of x: a block
// costs one long product (two in the tail of the series) and the sums of
// its polynomials' terms, coefficients of up to about BLOCK limbs times the
// long powers, against BLOCK long products one factor at a time. The
// products of limbs that a column of those sums gathers, about BLOCK^2,
// stay far below COLUMN_PRODUCTS.
constexpr int BLOCK = 24;

// A non-negative integer on limbs, least significant first; zero is empty.
using wide = std::vector<std::uint32_t>;

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

// A polynomial of y with non-negative integer coefficients, the constant
// first.
using polynomial = std::vector<wide>;

// c (y + m), in place.
void timeslinear(polynomial& c, std::uint64_t m)
{
    c.push_back(c.back());
    for (std::size_t i = c.size() - 2; i > 0; --i)
        muladd(c[i], m, c[i - 1]);
    muladd(c[0], m, {});
}

// y^0 .. y^count to w digits (the guard limb of productof beyond).
std::vector<flat> powersof(const number& y, int count, std::int32_t w)
{
    std::vector<flat> powers{flatten(number(1)), flatten(y)};
    for (int i = 2; i <= count; ++i)
        powers.push_back(productof(powers.back().view(), powers[1].view(), w));
    return powers;
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
// y + o, o < 3 BASE, the polynomials of a block (at most BLOCK + 1
// coefficients, each at most their value at y = 1, below BLOCK (3 BASE)^BLOCK
// BASE^(BLOCK - 1)) have fewer than 2 BLOCK + 2 limbs a coefficient.
static_assert((BLOCK + 1) * (2 * BLOCK + 2) <= static_cast<int>(COLUMN_PRODUCTS));

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

// x (x + 1) ... (x + n - 1) to d digits for x > 0 with many digits: each
// block of factors is a polynomial of x with exact integer coefficients,
// taken on the powers of x formed once.
number risingfactorial(const number& x, std::int64_t n, std::int32_t d)
{
    const std::int32_t w = d + 3 + static_cast<std::int32_t>(std::log10(double(n) + 1));
    const std::vector<flat> powers = powersof(x, BLOCK, w);
    flat p = powers[0];
    polynomial c;
    for (std::int64_t start = 0; start < n; start += BLOCK) {
        pollcancel();
        const int count = static_cast<int>(std::min<std::int64_t>(BLOCK, n - start));
        // (x + start) ... (x + start + count - 1).
        c.assign(1, wide{1});
        for (int j = 0; j < count; ++j)
            timeslinear(c, static_cast<std::uint64_t>(start + j));
        const flat b = valueof(c, powers, w);
        p = productof(p.view(), b.view(), w);
    }
    return chainof(p);
}

// The steps h <- a_t (1 + h) and the product of the a_t for a block of
// factors a_t = (y + o_t) / BASE, 0 < o_t < 3 BASE, innermost first (the
// series' offsets j N' stay below 2.5 BASE for j up to the end of its tail): after the block
// h = H / BASE^count + P / BASE^count h for the integer polynomials
// H = (y + o_count) (BASE^(count-1) + (y + o_(count-1)) (BASE^(count-2) + ...
// (y + o_1))) and P = (y + o_1) ... (y + o_count).
struct hornerblock {
    polynomial H;
    polynomial P;
};

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

// The value of a block's polynomial at `digits`, over BASE^count.
flat blockvalue(const polynomial& c, const std::vector<flat>& powers, std::int32_t digits)
{
    flat v = valueof(c, powers, digits);
    v.expo -= static_cast<std::int32_t>(c.size()) - 1;
    return v;
}

// Gamma(x) to w digits for 0 < x < 2 with many digits, where each term of
// the series would cost a long quotient. With c = t_(N-1) the series is
// c R, R = H + 1 + T:
//   H = sum over k < N - 1 of (x + k + 1) ... (x + N - 1) / N^(N - 1 - k),
//   T = sum over k >= N of N^(k - N + 1) / ((x + N) ... (x + k)),
// so that Gamma(x) = e^-N N^(x + N - 1) R / (x)_N. Both sums are taken in
// Horner's form from their smallest terms up, at the digits each step
// adds to R, a block of BLOCK steps at a time as polynomials of
// y = x N', N' = BASE / N (1/N is a short decimal for N a product of twos
// and fives): H one long product per block, T as a fraction p/q, whose
// steps multiply q by (x + k) / N and add q to p, two.
number longseries(const number& x, std::int32_t w)
{
    const smoothint N = smoothabove(gammacutoff(powerof10(-w)));
    const std::int32_t g = 10 + static_cast<std::int32_t>(std::log10(double(N.value)));
    // x in doubles for the sizes of the terms: a tiny x counts as 0 there.
    const double xd = leadpos(x) < -300 ? 0.0 : getdouble(x);
    const auto n = static_cast<double>(N.value);
    const auto digitsfor = [w, g](double drop) {
        return static_cast<std::int32_t>(std::clamp(w + g - drop, 12.0, double(w + g)));
    };
    const std::vector<flat> powers = powersof(x * number(N.perbase), BLOCK, w + g);
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
    for (std::int64_t j = first; j < N.value; j += BLOCK) {
        pollcancel();
        const std::int64_t count = std::min<std::int64_t>(BLOCK, N.value - j);
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
    for (std::int64_t k = last - 1; k >= N.value; k -= BLOCK) {
        pollcancel();
        const std::int64_t count = std::min<std::int64_t>(BLOCK, k - N.value + 1);
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

// Decimal places beyond which no product can hold a digit (see the range of
// a number).
constexpr double PRODUCT_DIGITS = 399999900;
// The size of a Gamma that the exponential still takes, a little below
// PRODUCT_DIGITS (e^x fails from about 10^399999488 on, its powers carrying
// digits beyond their result): Gamma of larger arguments reports the
// overflow before a single product is taken, and that of large negative
// ones, whose reflection divides by such a Gamma, the underflow.
constexpr double MOST_DIGITS = 399999000;

// log10 |x| for x != 0 at any magnitude, from its leading digits.
double log10abs(const number& x)
{
    const std::int32_t lead = leadpos(x);
    return lead + std::log10(std::abs(getdouble(truncdigits(scaled(x, -lead), 15))));
}

// Below this many integer digits an argument's Gamma is estimated in doubles;
// from it on Gamma(x) > 10^(8 10^9) overflows, and for x < 0 the reflection
// pi / (sin(pi x) Gamma(1 - x)) underflows: no number has more than
// 8 10^8 decimals, so |sin(pi x)| > 10^-(8 10^8 + 1).
constexpr std::int32_t HUGE_LEAD = 9;

// Fails where Gamma(x) at d digits leaves the range: its size, or below
// zero that of Gamma(1 - x) or of its last digit.
void checksize(const number& x, std::int32_t d)
{
    const std::int32_t lead = leadpos(x);
    if (lead < 6)
        return;
    if (lead >= HUGE_LEAD)
        throw numberexception(x.isnegative() ? "number underflow" : "number overflow");
    const double ln10 = std::log(10.0);
    if (!x.isnegative()) {
        if (std::lgamma(getdouble(x)) / ln10 > MOST_DIGITS)
            throw numberexception("number overflow");
        return;
    }
    // |Gamma(x)| = pi / (|sin(pi x)| Gamma(1 - x)), and |sin(pi x)| >= 2 g
    // for g, the distance of x to the nearest integer: the bound holds for
    // a g of any smallness, where sin would be 0 in doubles.
    const double reflected = std::lgamma(1 - getdouble(x)) / ln10;
    const number f = x - floor(x);
    const number g = f > half() ? number(1) - f : f;
    const double most = std::log10(3.141592653589793 / 2) - log10abs(g) - reflected;
    if (reflected > MOST_DIGITS || most - d < -PRODUCT_DIGITS)
        throw numberexception("number underflow");
}

// Euler's constant cut after `places` decimals, from its table; empty
// beyond it.
std::optional<number> eulerconstant(std::int32_t places)
{
    if (places > TABLEDIGITS - 10)
        return std::nullopt;
    // Read afresh from the text, "0." and the places: a number kept in a
    // static would hold limbs of the pool's blocks past the key.
    return number(std::string(EULERDIGITS, static_cast<std::size_t>(places) + 2).c_str());
}

// An upper bound of |psi(n)|, the slope of ln Gamma at the integer n >= 1:
// psi(n) = 1 + 1/2 + ... + 1/(n - 1) - gamma_E < ln n + 1.
double psibound(double n) { return std::log(n) + 1; }

// Gamma(n + e) to w digits, within 10^-(w + 1) of it relative, for the
// integer n = shift + the integer nearest x and e the rest of x, where e is
// so small that it counts only to first order: around 1 (and the pole at
// 0) through Euler's constant, Gamma(1 + e) = 1 - gamma_E e + 0.99 e^2 - ...,
// elsewhere not at all but for the side of Gamma(n) the value lies on, which
// a display on a rounding midpoint needs:
//   Gamma(n + e) = (n - 1)! (1 + psi(n) e + ...),              n >= 2,
//   Gamma(-k + e) = (-1)^k / (k! e) (1 + psi(k + 1) e + ...),  k >= 1,
// with psi(n) > 0 for n >= 2. Empty where e counts more, or where Euler's
// constant would be needed beyond its table. |x| < 10^HUGE_LEAD.
std::optional<number> nearinteger(const number& x, std::int64_t shift, std::int32_t w)
{
    // Below a half the nearest integer is 0: rounding would add the half to
    // every digit of a tiny x.
    const number m = compareabs(x, half()) < 0 ? number() : rounddigits(x, 0);
    const number e = x - m;
    if (e.iszero())
        return std::nullopt;
    const std::int64_t n = getint64(m) + shift;
    const std::int32_t lead = leadpos(e) + 1;  // |e| < 10^lead
    if (n == 1 || n == 0) {
        // 0.99 e^2 < 10^(2 lead) below 10^-(w + 3).
        if (2 * lead > -(w + 3))
            return std::nullopt;
        // gamma_E e to 10^-(w + 3): Euler's constant cut at w + 4 + lead
        // places, the product at as many digits; below them only its sign.
        const std::int32_t places = w + 4 + lead;
        number c;
        if (places <= 1) {
            c = powerof10(-(w + 3));
            if (e.isnegative())
                c = negate(c);
        } else {
            const auto euler = eulerconstant(places);
            if (!euler)
                return std::nullopt;
            c = prodprec(*euler, e, places);
        }
        const number g = number(1) - c;
        return n == 1 ? g : quotprec(g, e, w + 2);
    }
    // psi(n) e (or psi(k + 1) e) below 10^-(w + 3).
    const double k = n >= 2 ? double(n) : double(1 - n);
    if (lead + std::log10(psibound(k)) > -(w + 3))
        return std::nullopt;
    // The factorial's products err by 10^-(w + 3) together with as many
    // more digits as they are.
    const std::int32_t digits = w + 3 + static_cast<std::int32_t>(std::log10(k)) + 1;
    number a;
    if (n >= 2)
        a = factorial(number(n - 1), digits);
    else
        a = quotprec(number(n % 2 == 0 ? 1 : -1),
                     prodprec(factorial(number(-n), digits), e, digits), w + 2);
    // With psi > 0 the first-order term moves the value away from zero
    // where e > 0, towards it where e < 0.
    const bool away = !e.isnegative();
    const number unit = powerof10(leadpos(a) - w - 4);
    return away == a.isnegative() ? a - unit : a + unit;
}

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

// The smallest x for Stirling's series: below it the products of the
// recurrence cost less (both take about 0.3 s at 6000 digits there).
double stirlingfrom(std::int32_t w) { return std::max(10000.0, 20.0 * w); }

// Gamma(x) to w digits for a large x: e to the power of ln Gamma(x) =
// (x - 1/2) ln x - x + ln(2 pi) / 2 + sum B_2k / (2k (2k - 1) x^(2k - 1)),
// whose error is below the first term left out. ln Gamma is needed to an
// absolute 10^-(w + 2): its leading terms carry as many more digits as it
// has integer digits.
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

// Whether Gamma(x), x > 0, is taken by Stirling's series: from
// stirlingfrom(w) on, and from 5 w on where x has many decimals, so that each
// factor of the recurrence would be a long product (0.8 s at 6000 digits
// there).
bool bystirling(const number& x, std::int32_t w)
{
    if (x >= number(stirlingfrom(w)))
        return true;
    std::uint64_t scaledx = 0;
    return x >= number(5.0 * w) && asfraction(x, SHORT_PLACES, HALF_DIVISOR_LIMIT, scaledx) < 0;
}

// Gamma(x) to w digits for x < 0 far from zero, by the reflection
// Gamma(x) = pi / (sin(pi x) Gamma(1 - x)): the recurrence would take a
// factor for every unit of |x| (40 s for -40000550.005075 at 5 digits).
// With x = n + f, 0 < f < 1, sin(pi x) = (-1)^n sin(pi f), taken as
// sin(pi g) for g = min(f, 1 - f) <= 1/2, which keeps its relative digits
// however close x lies to an integer. Each of the three factors is within
// a relative 10^-(w + 2).
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

}  // namespace

namespace {

// n! is computed exactly while its digits stay within 4 d and this many.
constexpr double EXACTFACTORIALSPARE = 100;

// The product k (k - 1) ... of the integers from k down, not below lo, as
// long as it stays below `limit` (at most BASE); k ends below the last one
// taken. k < 10^7, so that a product that passes the limit is still held.
std::uint64_t runfrom(std::int64_t& k, std::int64_t lo, std::uint64_t limit)
{
    std::uint64_t g = static_cast<std::uint64_t>(k--);
    while (k >= lo && g * static_cast<std::uint64_t>(k) < limit)
        g *= static_cast<std::uint64_t>(k--);
    return g;
}

// Runs of consecutive integers are gathered into multipliers below this, so
// that a limb times one, plus the carry, stays within 64 bits.
constexpr std::uint64_t WIDEMULTIPLIER = 180000000000;

// The exact product lo (lo + 1) ... hi, 1 <= lo <= hi < 10^7: by halves,
// so that the long products are balanced, down to runs of 64 multiplied on
// an array of limbs, several integers at a time.
number rangeproduct(std::int64_t lo, std::int64_t hi)
{
    if (hi - lo >= 64) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        return rangeproduct(lo, mid) * rangeproduct(mid + 1, hi);
    }
    std::vector<std::uint32_t> limbs{1};  // least significant first
    for (std::int64_t k = hi; k >= lo;) {
        const std::uint64_t g = runfrom(k, lo, WIDEMULTIPLIER);
        std::uint64_t carry = 0;
        for (std::uint32_t& l : limbs) {
            const std::uint64_t p = l * g + carry;
            carry = p / BASE;
            l = static_cast<std::uint32_t>(p - carry * BASE);
        }
        for (; carry != 0; carry /= BASE)
            limbs.push_back(static_cast<std::uint32_t>(carry % BASE));
    }
    std::reverse(limbs.begin(), limbs.end());
    return fromlimbs(limbs.data(), limbs.size(), static_cast<std::int32_t>(limbs.size()) - 1);
}

}  // namespace

number factorial(const number& x, std::int32_t d)
{
    const bool whole = isinteger(x);
    if (whole && x.isnegative())
        throw calculatorexception("Invalid input for function");
    // From 10^9 on the size alone decides, before x + 1 spells out the
    // digits of a huge integer.
    if (leadpos(x) >= HUGE_LEAD)
        throw numberexception(x.isnegative() ? "number underflow" : "number overflow");
    if (!whole) {
        // Below 1, x + 1 would spell out every digit down to a tiny x.
        if (leadpos(x) < 0) {
            if (auto r = nearinteger(x, 1, d + 3))
                return *r;
        }
        return gamma(x + number(1), d);
    }
    checksize(x + number(1), d);
    if (x >= number(stirlingfrom(d)))
        return stirling(x + number(1), d + 3);
    const std::int64_t n = getint64(x);
    // Exact, by halves, while n! has not many more digits than asked for.
    if (n < 2 || (n < 10000000 &&
                  std::lgamma(double(n) + 1.0) / std::log(10.0) <= 4.0 * d + EXACTFACTORIALSPARE))
        return rangeproduct(1, std::max<std::int64_t>(n, 1));
    // Else the running product, each factor a run of consecutive integers
    // whose product stays within a limb: every step errs by 10^-(d+2)
    // relative at most, fewer steps than one factor at a time take.
    // The poll comes after every POLL_LIMBS limbs of products: k itself
    // steps by runs and may pass over every multiple of a poll point.
    number s(1);
    std::int64_t limbs = 0;
    for (std::int64_t k = n; k > 1;) {
        prodprecinplace(s, number(runfrom(k, 1, BASE)), d);
        limbs += limbcount(s);
        if (limbs >= POLL_LIMBS) {
            limbs = 0;
            pollcancel();
        }
    }
    return s;
}

number gamma(const number& x, std::int32_t d)
{
    const number one(1);
    if (isinteger(x)) {
        if (x < one)
            throw numberexception("gamma not defined for integers < 1");
        return factorial(x - one, d);
    }
    checksize(x, d);
    // Digits for the series and the product of the recurrence, each within
    // a relative 10^-(d + 3).
    const std::int32_t w = d + 3;
    if (auto r = nearinteger(x, 0, w))
        return *r;
    if (bystirling(x, w))
        return stirling(x, w);
    if (x.isnegative() && bystirling(number(1) - x, w))
        return reflected(x, w);
    if (x > one) {
        // Gamma(x) = Gamma(y) y (y + 1) ... (x - 1), 1 < y < 2.
        const number y = frac(x) + one;
        const number g = gammaseries(y, w);
        const std::int64_t count = getint64(floor(x)) - 1;
        if (count == 0)
            return g;
        const auto p = shortproduct(y, 0, count, 1, w);
        return prodprec(g, p ? *p : risingfactorial(y, count, w), w);
    }
    // Below 1: Gamma(x) = Gamma(y) / ((y - 1) (y - 2) ... x) for y in (0, 1),
    // the factors multiplied together and divided by once.
    const number fl = floor(x);
    const number y = x - fl;
    const number g = gammaseries(y, w);
    if (fl.iszero())
        return g;
    const std::int64_t count = -getint64(fl);
    // |(y - 1) ... (y - count)| = (1 - y) (2 - y) ... (count - y).
    const auto p = shortproduct(y, -1, count, -1, w);
    const number r = quotprec(g, p ? *p : risingfactorial(one - y, count, w), w);
    return count % 2 == 1 ? negate(r) : r;
}

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

namespace {

// The fraction of a beyond its integer part, cut after `places` decimals;
// a cut tail leaves one unit in the next place, so that a rounding at fewer
// places goes the way the whole fraction takes it.
number cutfraction(const number& a, const number& whole, std::int32_t places)
{
    number f = a - whole;
    const number kept = truncdigits(f, places);
    if (kept != f)
        return kept + powerof10(-places - 1);
    return f;
}

// Decimal places kept beyond those of the result.
constexpr std::int32_t DMS_GUARD = 12;

}  // namespace

namespace {

// The decimal places the display of v at P digits shows (as displayed()
// rounds): P + 1 significant digits, or P places where v rounds to a value
// from 10^-5 up to 1, which the display writes without an exponent.
std::int32_t shownplaces(const number& v, std::int32_t P)
{
    if (v.iszero())
        return P;
    const std::int32_t rounded = leadpos(rounddigits(v, P - leadpos(v)));
    return rounded < 0 && rounded >= -4 ? P : P - leadpos(v);
}

// x m for a small m > 0, by doublings and sums: exact like a product, and
// for x of any smallness, where products stop at about 10^-399999900.
number timessmall(const number& x, std::uint32_t m)
{
    number r;
    number d = x;
    for (; m != 0; m >>= 1) {
        if ((m & 1) != 0)
            r = r + d;
        if (m > 1)
            d = d + d;
    }
    return r;
}

// The d.mmss form of a = D + f (D its integer part) with its total seconds
// rounded, halves up, to the unit of decimal place `places`: a degree at 0,
// 10 minutes at 1, a minute at 2, then 10^(4 - places) seconds; 10^-places
// degrees below 0. A carry goes on to the minutes and the degrees.
number dmsrounded(const number& a, const number& D, const number& f, std::int32_t places)
{
    if (places <= 0)
        return rounddigits(a, places);
    // Total seconds of f on the unit.
    const number t = places <= 2 ? timessmall(rounddigits(timessmall(f, 60), places - 2), 60)
                                 : rounddigits(timessmall(f, 3600), places - 4);
    const std::int64_t whole = getint64(t);  // at most 3600
    number M(whole / 60);
    number S = t - number(whole / 60 * 60);
    number degrees = D;
    if (whole >= 3600) {
        increment(degrees);
        M = number();
    }
    return degrees + scaled(M, -2) + scaled(S, -4);
}

}  // namespace

number todms(const number& x, std::int32_t P)
{
    const number a = abs(x);
    const number D = floor(a);
    const number f = a - D;
    // The unrounded d.mmss value tells the places first; a carry that adds
    // an integer digit (9.99999 to 10) leaves fewer, at which the seconds
    // are rounded again from the start, so that nothing rounds twice.
    const number minutes = timessmall(f, 60);
    const number M = floor(minutes);
    const number v = D + scaled(M, -2) + scaled(timessmall(minutes - M, 60), -4);
    std::int32_t places = shownplaces(v, P);
    number r = dmsrounded(a, D, f, places);
    for (std::int32_t p = shownplaces(r, P); p < places; p = shownplaces(r, P)) {
        places = p;
        r = dmsrounded(a, D, f, places);
    }
    return x.isnegative() ? negate(r) : r;
}

number fromdms(const number& x, std::int32_t d)
{
    static const number sixty(60), thirtysix(36);
    const number hundred(100);
    number e = powerof10(-d);
    number a = abs(x);
    number D = floor(a);
    number f = cutfraction(a, D, d + DMS_GUARD) * hundred;
    number M = floor(f);  // minutes, two digits
    f = f - M;

    // Then pairs of digits, whole seconds, hundredths, ten-thousandths, ...:
    // the rest of the fraction counts a 36th of a degree per unit.
    number s = D + quot(M, sixty, e) + quot(f, thirtysix, e);
    // Whole degrees stay as they are: the rounding would scale them by
    // 10^d, beyond the range of a number near its top.
    if (!isinteger(s))
        s = rounddigits(s, d);
    return x.isnegative() ? negate(s) : s;
}
