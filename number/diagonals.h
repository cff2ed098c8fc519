// The inner kernel of the column product: sums of products of half-limbs
// (base 10^4, each below 10^4) along the diagonals of two operands.
#pragma once

#include <cstddef>
#include <cstdint>

namespace num {

// Columns are summed DIAGONAL_WIDTH at a time over whole runs of
// DIAGONAL_BLOCK half-limbs.
constexpr std::ptrdiff_t DIAGONAL_BLOCK = 32;
constexpr std::ptrdiff_t DIAGONAL_WIDTH = 4;

// sums[i] = the sum of x[a] * y[a + d0 + i] over every a, for i < columns
// (rounded up to a multiple of DIAGONAL_WIDTH: sums must hold that many).
// x holds xcount values and y ycount; both must be readable, as zeros,
// DIAGONAL_WIDTH values before their first and DIAGONAL_BLOCK +
// DIAGONAL_WIDTH after their last. Every value lies in 0..9999.
void columnsums(const std::int16_t* x, std::ptrdiff_t xcount, const std::int16_t* y,
                std::ptrdiff_t ycount, std::ptrdiff_t d0, std::ptrdiff_t columns,
                std::uint64_t* sums);

}  // namespace num
