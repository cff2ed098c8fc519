// The inner kernel of the column product: sums of products of half-limbs
// (base 10^4, each below 10^4) along neighbouring diagonals.
#pragma once

#include <cstddef>
#include <cstdint>

// Products are summed WIDTH diagonals at a time over runs of BLOCK.
constexpr std::ptrdiff_t DIAGONAL_BLOCK = 32;
constexpr std::ptrdiff_t DIAGONAL_WIDTH = 4;

// out[j] = sum of a[k] * b[k + j] over k < n, for j < DIAGONAL_WIDTH; n is a
// multiple of DIAGONAL_BLOCK, and b must hold n + DIAGONAL_WIDTH - 1 values.
// Every value lies in 0..9999.
void diagonals(const std::int16_t* a, const std::int16_t* b, std::ptrdiff_t n,
               std::uint64_t* out);
