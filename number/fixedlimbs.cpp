#include "fixedlimbs.h"

#include <algorithm>
#include <cmath>

#include "magnitude.h"
#include "number/addition.h"
#include "number/conversion.h"

namespace num {

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

namespace {

// A half limb, 10^4: quotients by divisors from DIVISOR_LIMIT on take a limb
// in two halves, so that a remainder times HALF plus a half stays in 64 bits.
constexpr std::uint64_t HALF = 10000;

}  // namespace

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

namespace {

__extension__ typedef unsigned __int128 uint128;

// t / m by long division from the top; a quotient that starts lower brings
// in further limbs of the division. Each step divides a c below 2^64 (r < m
// times BASE, or HALF, plus a limb or half) through the reciprocal
// inverse = (2^64 - 1) / m: the high half of c inverse is the quotient or
// one below it, so that one multiplication and one correction take the
// place of a division in the chain of remainders.
template <bool halves> void longdivision(mantissa& t, std::uint64_t m)
{
    const std::uint64_t inverse = ~std::uint64_t{0} / m;
    std::uint64_t r = 0;
    const auto divide = [&r, m, inverse](std::uint64_t c) {  // c / m, r = the remainder
        std::uint64_t q = static_cast<std::uint64_t>((uint128{c} * inverse) >> 64);
        r = c - q * m;
        if (r >= m) {
            ++q;
            r -= m;
        }
        return q;
    };
    // The quotient limb of r BASE + v, r the remainder carried down.
    const auto step = [&r, &divide](std::uint32_t v) {
        if constexpr (halves) {
            const std::uint64_t high = divide(r * HALF + v / HALF);
            return static_cast<std::uint32_t>(high * HALF + divide(r * HALF + v % HALF));
        } else {
            return static_cast<std::uint32_t>(divide(r * BASE + v));
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

}  // namespace

void over(mantissa& t, std::uint64_t m)
{
    if (m < DIVISOR_LIMIT)
        longdivision<false>(t, m);
    else
        longdivision<true>(t, m);
}

bool accumulator::add(const std::uint32_t* values, std::size_t count, std::int32_t expo)
{
    const std::int64_t offset = std::int64_t{top} - expo;
    if (offset >= static_cast<std::int64_t>(columns.size()))
        return false;
    if (++terms >= MOST_TERMS)
        throw numberexception("accumulator:too many terms");
    const std::size_t first = static_cast<std::size_t>(offset);
    const std::size_t n = std::min(count, columns.size() - first);
    std::uint64_t* column = columns.data() + first;
    for (std::size_t i = 0; i < n; ++i)
        column[i] += values[i];
    return true;
}

number accumulator::value() const
{
    std::vector<std::uint32_t> limbs(columns.size());
    std::uint64_t carry = 0;
    for (std::size_t i = columns.size(); i-- > 0;) {
        const std::uint64_t v = columns[i] + carry;
        limbs[i] = static_cast<std::uint32_t>(v % BASE);
        carry = v / BASE;
    }
    return fromlimbs(limbs.data(), limbs.size(), top);
}

int asfraction(const number& x, int most, std::uint64_t limit, std::uint64_t& scaled)
{
    const std::int32_t places = std::max(0, -BASE_DIGITS * x.lowexpo());
    if (places > most + BASE_DIGITS)
        return -1;
    const number u = num::scaled(abs(x), most);
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

std::uint64_t pow10u(int s)
{
    std::uint64_t p = 1;
    while (s-- > 0)
        p *= 10;
    return p;
}

std::size_t limbsfor(std::int32_t d, double steps)
{
    const double digits = d + std::log10(steps + 1) + 3;
    return static_cast<std::size_t>(digits / BASE_DIGITS) + 2;
}

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

}  // namespace num
