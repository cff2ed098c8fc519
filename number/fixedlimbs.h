// Small-integer arithmetic on fixed counts of limbs, for the factorial and
// the gamma function: values kept to a fixed count of limbs through
// products and quotients by integers that fit 64-bit steps, a fixed-point
// sum of positive terms, and short arguments as 64-bit fractions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "number/number.h"

namespace num {

// The number of n limbs from power expo down, most significant first, zero
// limbs at either end left out.
number fromlimbs(const std::uint32_t* limbs, std::size_t n, std::int32_t expo);

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

// t m for 0 < m < MULTIPLIER_LIMIT; a carry beyond the top limb becomes the
// new top, and the last limb is dropped.
void times(mantissa& t, std::uint64_t m);
// t / m for 0 < m < HALF_DIVISOR_LIMIT.
void over(mantissa& t, std::uint64_t m);

// A fixed-point sum of positive terms: its columns stand at powers top down
// to top - size + 1; the parts of a term below them are dropped. A term's
// limbs are added into 64-bit columns without carries, which one pass turns
// into limbs at the end: fewer than MOST_TERMS terms, each limb below BASE,
// keep every column below 2^64.
struct accumulator {
    std::vector<std::uint64_t> columns;
    std::int32_t top;
    std::uint64_t terms = 0;

    static constexpr std::uint64_t MOST_TERMS = 180000000000;  // 1.8 10^11 BASE < 2^64

    accumulator(std::int32_t top, std::size_t count) : columns(count, 0), top(top) {}

    // Adds values[0..count) from power expo down; false when the whole term
    // lies below the last column.
    bool add(const std::uint32_t* values, std::size_t count, std::int32_t expo);

    // The power of the last column.
    std::int32_t bottom() const { return top - static_cast<std::int32_t>(columns.size()) + 1; }

    // The sum; a carry beyond the top column is outside its bound.
    number value() const;
};

// x as an integer over 10^s, when it has at most `most` decimal places and
// x 10^s is below `limit`; s is then returned, else -1.
int asfraction(const number& x, int most, std::uint64_t limit, std::uint64_t& scaled);

// Decimal places up to which the series and the products of the gamma
// function run on 64-bit steps.
constexpr int SHORT_PLACES = 10;

// 10^s for 0 <= s <= 19.
std::uint64_t pow10u(int s);

// Limbs that carry d digits and a relative error of `steps` truncations:
// log10(steps + 1) digits absorb their count and three more keep their sum
// below a thousandth of a unit of the d-th digit.
std::size_t limbsfor(std::int32_t d, double steps);

// The smallest 2^a 5^b at or above n with a, b <= BASE_DIGITS, and
// BASE / (2^a 5^b), an integer: dividing by the value is a short product
// and a shift by one limb.
struct smoothint {
    std::int64_t value = 0;
    std::int64_t perbase = 0;
};

smoothint smoothabove(std::int64_t n);

}  // namespace num
